// The best regime for each stand: the search space of the form (its own
// [optimize] table once a value is changed; the defaults of `zireze
// optimize` until then), and per stand a button that searches in a worker,
// so that the page keeps answering meanwhile. The worker runs the module's
// optimize_form; it tells how far it has gone, and answers with optimum.csv's
// row for the stand, the best regime as plain data for the editor and as
// TOML, and its schedule: the line of each thinning and of the felling.
import { $, checkbox, h, numberInput, select } from './dom.js';
import { t } from './i18n.js';
import * as scenario from './scenario.js';

// ---- the worker ------------------------------------------------------------------

// The worker's script: start.js's zirezeModule, the module's script
// (createZireze) and the worker's own, read from the page, as one script
// from a Blob, so that it starts from file:// as well as from a server. The
// worker is handed the page's compiled module: it compiles nothing.
let workerUrl = null;
function workerScript() {
  if (!workerUrl) {
    const scripts = ['zireze-module', 'zireze-worker'].map((id) => $(id).textContent);
    const text = [String(window.zirezeModule), ...scripts].join('\n;\n');
    workerUrl = URL.createObjectURL(new Blob([text], { type: 'text/javascript' }));
  }
  return workerUrl;
}

// One search at a time; its worker is kept for the next, and ended by Cancel.
export class Optimiser {
  // `changed(standId)`: what the page shows of the stand's search has changed.
  constructor(changed) {
    this.changed = changed;
    this.worker = null;
    this.job = null; // { stand, share, text }
    this.results = new Map(); // stand id -> the worker's answer, or { failed } / { cancelled }
    this.plots = null; // the page's plots file, which the form's stands_csv may name
    this.plotsGiven = undefined; // the plots file the worker has
  }

  running() {
    return this.job !== null;
  }

  // Searches the best regime of the stand at `index` of `form` (plain data).
  start(form, index, standId) {
    if (this.job) return;
    this.job = { stand: standId, share: 0, text: '' };
    this.results.delete(standId);
    performance.mark('zireze-optimize-start');
    try {
      if (!this.worker) this.worker = this.makeWorker();
      if (this.plotsGiven !== this.plots) this.worker.postMessage({ plots: this.plots });
      this.plotsGiven = this.plots;
      this.worker.postMessage({ form, stand: index });
    } catch (e) {
      this.finish({ failed: String(e) });
      return;
    }
    this.changed(standId);
  }

  cancel() {
    if (!this.job) return;
    this.worker.terminate();
    this.worker = null;
    this.finish({ cancelled: true });
  }

  makeWorker() {
    const worker = new Worker(workerScript());
    window.zirezeCompiled.then((compiled) => worker.postMessage({ compiled }));
    this.plotsGiven = undefined;
    worker.onmessage = (e) => this.message(e.data);
    worker.onerror = (e) => {
      e.preventDefault();
      worker.terminate();
      if (this.worker === worker) this.worker = null;
      this.finish({ failed: e.message || String(e) });
    };
    return worker;
  }

  message(m) {
    if (!this.job) return;
    if (m.type === 'progress') {
      this.job.share = m.share;
      this.job.text = m.text;
      showProgress(this.job);
    } else if (m.type === 'done') {
      this.finish(m.result);
    } else {
      this.finish({ failed: m.message });
    }
  }

  finish(result) {
    const { stand } = this.job;
    this.job = null;
    this.results.set(stand, result);
    performance.mark('zireze-optimize-end');
    this.changed(stand);
  }
}

// ---- the search space ------------------------------------------------------------

// The form of the search space: the form's [optimize] table, or the defaults
// shown until a value is changed, which makes them the form's own.
export function spaceFields(model, restructure) {
  const w = t();
  const space = model.optimize || scenario.defaultSpace();
  const own = () => (model.optimize = space);
  const number = (key, label, obj = space, prop = key) => {
    const field = numberInput(`optimize.${key}`, label, obj, prop);
    field.querySelector('input').addEventListener('input', own);
    return field;
  };
  return [
    h(
      'div',
      { class: 'row' },
      select('optimize.objective', w.objective, scenario.objectives.map((o) => [o, w.objectives[o]]), space.objective, (v) => {
        own().objective = v;
        restructure();
      }),
      number('thinnings', w.spaceWords.thinnings),
    ),
    checkbox('optimize.row_thinning', w.spaceWords.row_thinning, space.row_thinning, (v) => {
      own().row_thinning = v;
      restructure();
    }),
    h('div', { class: 'row' }, scenario.spaceNumberKeys.map((k) => number(k, w.spaceWords[k]))),
    h(
      'div',
      { class: 'row' },
      number('rotation.0', w.spaceWords.rotation_min, space.rotation, 0),
      number('rotation.1', w.spaceWords.rotation_max, space.rotation, 1),
    ),
    h('p', { class: 'field-problem', 'data-problem': 'optimize.rotation' }),
    h('p', { class: 'field-problem', 'data-problem': 'optimize' }),
    h('p', { class: 'hint', text: w.spaceDefault }),
    h('button', {
      type: 'button',
      'data-key': 'optimize.reset',
      text: w.spaceReset,
      onclick: () => {
        delete model.optimize;
        restructure('optimize.reset');
      },
    }),
  ];
}

// ---- each stand's search and its best regime ---------------------------------------

function showProgress(job) {
  const row = document.querySelector(`.optimum-stand[data-stand="${CSS.escape(job.stand)}"]`);
  if (!row) return;
  row.querySelector('progress').value = job.share;
  row.querySelector('.progress-text').textContent = job.text;
}

// The optimum's cells (optimum.csv's row) as a list of terms: each cell's
// text as the file holds it (data-value) and as the page shows it (the
// objective by its name); empty cells left out, and the regime and the gain,
// which the schedule shows.
function optimumList(cells) {
  const w = t();
  const shown = (c) => (c.col === 'objective' ? w.objectives[c.value] || c.shown : c.shown);
  return h(
    'dl',
    { class: 'optimum-cells' },
    cells
      .filter((c) => !['stand', 'regime', 'gain'].includes(c.col) && c.value !== '')
      .flatMap((c) => [
        h('dt', { text: w.optimumColumns[c.col] || c.col }),
        h('dd', { 'data-col': c.col, 'data-value': c.value }, shown(c)),
      ]),
  );
}

// The best regime as a manager reads it: a line per thinning and for the
// felling, every figure the module's; the gain over the scenario's best
// regime, in percent.
function schedule(result, reference) {
  const lines = t().schedule;
  return [
    h('h4', { text: lines.title }),
    h(
      'ol',
      { class: 'schedule' },
      result.schedule.map((x) => h('li', { 'data-kind': x.kind, text: lines[x.kind](x) })),
    ),
    result.gain_percent
      ? h('p', { class: 'gain', 'data-value': result.gain_percent, text: lines.gain(reference, result.gain_percent) })
      : null,
  ];
}

// The best regime as a [[regime]] table of a scenario file, to copy.
function regimeToml(result) {
  const w = t();
  const status = h('span', { role: 'status' });
  return h(
    'details',
    { class: 'regime-toml' },
    h('summary', { text: w.regimeToml }),
    h('pre', {}, h('code', { text: result.regime_toml })),
    h('button', {
      type: 'button',
      class: 'copy-toml',
      text: w.copyToml,
      onclick: async () => {
        try {
          await navigator.clipboard.writeText(result.regime_toml);
          status.textContent = w.tomlCopied;
        } catch (err) {
          status.textContent = w.tomlNotCopied;
        }
      },
    }),
    status,
  );
}

function resultView(id, result, use) {
  const w = t();
  if (result.cancelled) return h('p', { class: 'hint', role: 'status', text: w.searchCancelled });
  if (result.failed !== undefined) return h('p', { class: 'refusal', role: 'status', text: `${w.searchFailed} ${result.failed}` });
  if (result.problems && result.problems.length)
    return h(
      'div',
      { class: 'optimum', 'data-stand': id, 'data-status': 'problems', role: 'status' },
      h('p', { class: 'refusal', text: w.searchProblems }),
      h('ul', {}, result.problems.map((p) => h('li', { text: p.what }))),
    );
  const cell = (col) => result.optimum.find((c) => c.col === col).value;
  const status = cell('status');
  return h(
    'div',
    { class: 'optimum', 'data-stand': id, 'data-status': status, role: 'status' },
    h('p', { class: status === 'ok' ? 'optimum-status' : 'refusal', text: w.optimumStatus[status] || status }),
    result.schedule ? schedule(result, cell('reference_regime')) : null,
    optimumList(result.optimum),
    result.regime
      ? h('button', {
          type: 'button',
          class: 'use-regime',
          'data-key': `optimize.stand.${id}.use`,
          text: `${w.useRegime} (${result.regime.id})`,
          onclick: () => use(result.regime),
        })
      : null,
    result.regime ? regimeToml(result) : null,
  );
}

// A stand's line (the stand `i` of the scenario, whose ids are `ids`): its
// id, its button (or the search's progress and Cancel), and the last
// search's answer.
function standRow(model, ids, optimiser, i, use) {
  const w = t();
  const id = ids[i];
  const job = optimiser.job && optimiser.job.stand === id ? optimiser.job : null;
  const result = optimiser.results.get(id);
  const key = `optimize.stand.${id}`;
  const controls = job
    ? [
        h('progress', { max: '1', value: String(job.share), 'aria-label': `${w.searching} ${id}` }),
        h('span', { class: 'progress-text', 'aria-live': 'polite', text: job.text }),
        h('button', { type: 'button', 'data-key': `${key}.cancel`, text: w.cancel, onclick: () => optimiser.cancel() }),
      ]
    : [
        h('button', {
          type: 'button',
          class: 'optimise',
          'data-key': `${key}.run`,
          'aria-label': `${w.optimise}: ${id}`,
          text: w.optimise,
          disabled: optimiser.running(),
          onclick: () => optimiser.start(scenario.formData(model, model.optimize || scenario.defaultSpace()), i, id),
        }),
      ];
  return h(
    'li',
    { class: 'optimum-stand', 'data-stand': id },
    h('div', { class: 'row' }, h('strong', { text: id }), controls),
    result && !job ? resultView(id, result, use) : null,
  );
}

// The stands' lines, keeping the focus on the element of the same key (the
// button that started a search gives it to Cancel, and back).
export function renderStandRows(list, model, ids, optimiser, use, focusKey) {
  const active = focusKey || (list.contains(document.activeElement) && document.activeElement.dataset.key);
  list.replaceChildren(...ids.map((id, i) => standRow(model, ids, optimiser, i, use)));
  if (!active) return;
  // A stand's button and its Cancel take each other's place.
  const other = active.replace(/\.(run|cancel)$/, (m) => (m === '.run' ? '.cancel' : '.run'));
  const el = [active, other].map((k) => list.querySelector(`[data-key="${CSS.escape(k)}"]`)).find((x) => x);
  if (el) el.focus();
}
