// The page: a form that describes stands (typed, or a plots file chosen),
// regimes, prices and costs and the search space as plain data shaped like
// a scenario file, and what the WebAssembly returns for it (the scenario's
// text, tables, values, charts, problems, files, and each stand's best
// regime, searched in a worker).
// JavaScript formats no figure and computes none: it shows the texts and
// numbers the model's C++ code hands over.
import { Charts, runLabel } from './charts.js';
import { $, checkbox, download, h, input, numberInput, onChange, select } from './dom.js';
import { language, setLanguage, t } from './i18n.js';
import { Optimiser, renderStandRows, spaceFields } from './optimize.js';
import * as scenario from './scenario.js';
import { ValueChart, valuesTable } from './values.js';

let wasm = null; // the module (zirezeCreate, start.js)
let model = scenario.defaultScenario();
let toml = ''; // the scenario's TOML text, as the C++ code wrote it: saved and shared
let charts = null;
let valueChart = null;
let optimiser = null;
let pending = 0;
let retried = null; // the input run again on a fresh module after a failure
let stopped = null; // the input that failed on a fresh module too: not run until it changes
// The plots file chosen, which the form's stands_csv names: { name, size,
// bytes } (no bytes when it is larger than the reader reads, which it says).
let plots = null;
let plotIds = []; // the ids of its stands, as the last run read them
let waiting = null; // a scenario file that waits for its plots file: { text, file, wanted }

// ---- WebAssembly ----------------------------------------------------------

async function loadWasm() {
  // The first module was started by the page before this script; a module
  // made again after a failure starts here.
  const started = window.zirezeStart;
  window.zirezeStart = null;
  wasm = await (started || zirezeCreate()); // eslint-disable-line no-undef
  givePlots();
  performance.mark('zireze-wasm');
}

// The plots file, to the module and to the worker's.
function givePlots() {
  if (wasm) wasm.set_plots(plots ? plots.name : '', plots ? plots.size : 0, plots ? plots.bytes : null);
  if (optimiser) optimiser.plots = plots;
}

// A run of the module on `input` (the form, or a file's text). The module
// cannot break the page: should it fail (memory, say), the page says so and
// runs the form again on a fresh module; should that fail on the same input
// too, the page says so and runs it no more until the input changes.
function runModule(input, run) {
  const failure = (word) => ({ problems: [{ what: t()[word], message: t()[word] }] });
  if (input === stopped) return failure('failedAgain');
  try {
    performance.mark('zireze-run-start');
    const res = JSON.parse(run(wasm));
    performance.mark('zireze-run-end');
    retried = stopped = null;
    return res;
  } catch (e) {
    wasm = null;
    if (input === retried) {
      stopped = input;
      loadWasm();
      return failure('failedAgain');
    }
    retried = input;
    loadWasm().then(() => schedule(0));
    return failure('failed');
  }
}

function tick(value, decimals) {
  try {
    return wasm ? wasm.tick(value, decimals) : '';
  } catch (e) {
    return '';
  }
}

// Re-renders the form after a change of its shape, keeping the focus on the
// element of the same key.
function restructure(focusKey) {
  const active = focusKey || (document.activeElement && document.activeElement.dataset.key);
  renderForm();
  if (active) {
    const el = document.querySelector(`[data-key="${CSS.escape(active)}"]`);
    if (el) el.focus();
  }
  schedule(0);
}

// ---- the form ----------------------------------------------------------

function renderStand(s, i) {
  const w = t();
  const k = `stand.${i}`;
  const kind = scenario.standKind(s);
  const site = scenario.siteKey(s);
  let kindFields;
  if (kind === 'counts') {
    kindFields = [input(`${k}.counts`, w.counts, scenario.countsText(s.counts), (v) => (s.counts = scenario.countsOf(v)), { class: 'wide' })];
  } else if (kind === 'weibull' || kind === 'attributes') {
    const labels =
      kind === 'weibull'
        ? { trees: w.wTrees, a: w.wA, b: w.wB, c: w.wC }
        : { trees: w.aTrees, basal_area: w.aBasalArea, dmin: w.aDmin, p90: w.aP90 };
    kindFields = Object.entries(labels).map(([f, label]) => numberInput(`${k}.${kind}.${f}`, label, s[kind], f));
  } else {
    kindFields = [numberInput(`${k}.${kind}`, w.density[kind], s, kind)];
  }
  return h(
    'fieldset',
    { class: 'card stand', 'data-index': i },
    h('legend', { text: `${w.stand} ${i + 1}` }),
    h('p', { class: 'field-problem', 'data-problem': k }),
    h(
      'div',
      { class: 'row' },
      input(`${k}.id`, w.id, s.id, (v) => renameStand(s, v)),
      numberInput(`${k}.age`, w.age, s, 'age'),
    ),
    h(
      'div',
      { class: 'row' },
      select(
        `${k}.site`,
        w.site,
        [
          ['site_class', w.siteClass],
          ['dominant_height', w.dominantHeight],
        ],
        site,
        (v) => {
          scenario.setSiteKey(s, v);
          restructure();
        },
      ),
      numberInput(`${k}.${site}`, site === 'site_class' ? w.siteClass : w.dominantHeight, s, site),
    ),
    select(`${k}.kind`, w.description, Object.entries(w.kinds), kind, (v) => {
      scenario.setStandKind(s, v);
      restructure();
    }),
    h('div', { class: 'row' }, kindFields),
    model.stand.length > 1 || model.stands_csv
      ? h('button', {
          type: 'button',
          class: 'remove',
          'data-key': `${k}.remove`,
          text: w.removeStand,
          onclick: () => {
            model.stand.splice(i, 1);
            restructure('add-stand');
          },
        })
      : null,
  );
}

function renderStep(r, j, st, n) {
  const w = t();
  const key = `regime.${j}.steps.${n}`;
  const move = (to) => {
    const [x] = r.steps.splice(n, 1);
    r.steps.splice(to, 0, x);
  };
  // The step's value is keyed by the step: a problem of any of its keys is
  // shown there (a felling, which has no value, has only the problem line).
  const kind = scenario.stepKind(st);
  const vk = scenario.valueKey(st);
  let value;
  if (kind === 'rows') {
    value = select(
      key,
      w.oneIn,
      ['2', '3', '4', '5', '6'].map((x) => [x, x]),
      st.one_in,
      (v) => {
        st.one_in = v;
        schedule(0);
      },
    );
  } else if (vk) {
    value = numberInput(key, { selective: w.residual, grow_to: w.growTo, grow_by: w.growBy }[kind], st, vk);
  } else {
    value = h('p', { class: 'field-problem', 'data-problem': key });
  }
  return h(
    'li',
    { class: 'step' },
    h(
      'div',
      { class: 'row' },
      select(
        `${key}.kind`,
        `${w.step} ${n + 1}: ${w.stepKind}`,
        scenario.stepKinds.map((x) => [x, w.stepKinds[x]]),
        kind,
        (v) => {
          r.steps[n] = scenario.stepOf(v, st);
          restructure();
        },
      ),
      value,
    ),
    h(
      'div',
      { class: 'step-buttons' },
      h('button', {
        type: 'button',
        'data-key': `${key}.up`,
        'aria-label': `${w.up}: ${w.step} ${n + 1}`,
        title: w.up,
        text: '↑',
        disabled: n === 0,
        onclick: () => {
          move(n - 1);
          restructure(`regime.${j}.steps.${n - 1}.up`);
        },
      }),
      h('button', {
        type: 'button',
        'data-key': `${key}.down`,
        'aria-label': `${w.down}: ${w.step} ${n + 1}`,
        title: w.down,
        text: '↓',
        disabled: n === r.steps.length - 1,
        onclick: () => {
          move(n + 1);
          restructure(`regime.${j}.steps.${n + 1}.down`);
        },
      }),
      h('button', {
        type: 'button',
        'data-key': `${key}.remove`,
        'aria-label': `${w.remove}: ${w.step} ${n + 1}`,
        title: w.remove,
        text: '✕',
        onclick: () => {
          r.steps.splice(n, 1);
          restructure(`regime.${j}.add`);
        },
      }),
    ),
  );
}

function renderRegime(r, j) {
  const w = t();
  const k = `regime.${j}`;
  return h(
    'fieldset',
    { class: 'card regime', 'data-index': j },
    h('legend', { text: `${w.regime} ${j + 1}` }),
    h('p', { class: 'field-problem', 'data-problem': k }),
    input(`${k}.id`, w.id, r.id, (v) => (r.id = v)),
    regimeStands(r, j),
    r.steps.length
      ? h('ol', { class: 'steps', 'aria-label': w.steps }, r.steps.map((st, n) => renderStep(r, j, st, n)))
      : h('p', { class: 'hint', text: w.emptyList }),
    h(
      'div',
      { class: 'row' },
      h('button', {
        type: 'button',
        'data-key': `${k}.add`,
        text: w.addStep,
        onclick: () => {
          r.steps.push(scenario.stepOf('grow_to'));
          restructure(`regime.${j}.steps.${r.steps.length - 1}.kind`);
        },
      }),
      h('button', {
        type: 'button',
        class: 'remove',
        'data-key': `${k}.remove`,
        text: w.removeRegime,
        onclick: () => {
          model.regime.splice(j, 1);
          restructure('add-regime');
        },
      }),
    ),
  );
}

// The stands a regime runs on: a box per stand of the form, and per id the
// regime names that no stand has (so that it can be unticked). A problem
// about any of them is shown below the boxes.
function regimeStands(r, j) {
  const w = t();
  const ids = [...new Set([...standIds(), ...(r.stands || [])])];
  const toggle = (id, on) => {
    const chosen = r.stands || [];
    scenario.setRegimeStands(r, ids.filter((x) => (x === id ? on : chosen.includes(x))));
    schedule(0);
  };
  const box = (id, n) => checkbox(`regime.${j}.stand-box.${n}`, id, (r.stands || []).includes(id), (on) => toggle(id, on));
  return h(
    'fieldset',
    { class: 'regime-stands' },
    h('legend', { text: w.regimeStands }),
    h('div', { class: 'row' }, ids.map(box)),
    h('p', { class: 'hint', text: w.regimeStandsHint }),
    h('p', { class: 'field-problem', 'data-problem': `regime.${j}.stands` }),
  );
}

// A stand's new id: the regimes that name it follow, and the lists of stands
// (the regimes', the searches') show it.
function renameStand(s, id) {
  scenario.renameStand(model.regime, s.id, id);
  s.id = id;
  $('regime-list').replaceChildren(...model.regime.map(renderRegime));
  renderOptimumRows();
}

// The prices and costs: a field per key of the [economics] table; the table
// is the form's once a value is typed.
function renderEconomics() {
  const w = t();
  const economics = model.economics || {};
  $('economics-fields').replaceChildren(
    ...scenario.economicsKeys.map((key) => {
      const field = numberInput(`economics.${key}`, w.economicsWords[key], economics, key, w.economicsHints[key]);
      field.querySelector('input').addEventListener('input', () => (model.economics = economics));
      return field;
    }),
  );
}

// Every stand of the scenario: those typed, then those of the plots file.
const standIds = () => [...model.stand.map((s) => s.id), ...plotIds];

function renderOptimumRows(focusKey) {
  renderStandRows($('optimum-list'), model, standIds(), optimiser, useRegime, focusKey);
}

// The name of the plots file a scenario file waits for (its path's last part).
const wantedName = () => waiting && waiting.wanted.slice(waiting.wanted.lastIndexOf('/') + 1);

// The plots file: which one the form reads, or which one a scenario file
// waits for; the link says that it holds no plots.
function renderPlots() {
  const w = t();
  const name = model.stands_csv;
  const wanted = wantedName();
  $('plots-file').textContent = wanted ? `${w.plotsWanted} ${wanted}` : name ? `${w.plotsFrom} ${name}` : '';
  $('remove-plots').hidden = !name;
  $('link-plots').textContent = name ? w.plotsLink(name) : '';
}

// A plots file chosen: the form's stands_csv, or the one the scenario file
// waiting for it names.
async function choosePlots(file) {
  const tooLarge = wasm && file.size > wasm.largest_plots();
  const bytes = tooLarge ? new Uint8Array(0) : new Uint8Array(await file.arrayBuffer());
  plots = { name: wantedName() || file.name, size: file.size, bytes };
  plotIds = [];
  givePlots();
  if (waiting) {
    const { text, file: scenarioFile } = waiting;
    loadText(text, scenarioFile);
    return;
  }
  model.stands_csv = plots.name;
  restructure('stands_csv');
}

function dropPlots() {
  plots = null;
  plotIds = [];
  delete model.stands_csv;
  givePlots();
}

// The best regime found for a stand, into the editor: regime "best-STAND" on
// that stand only, in place of one of the same id.
function useRegime(regime) {
  const j = model.regime.findIndex((r) => r.id === regime.id);
  if (j >= 0) model.regime[j] = regime;
  else model.regime.push(regime);
  restructure(`regime.${j >= 0 ? j : model.regime.length - 1}.id`);
}

function renderForm() {
  $('bark').checked = model.bark;
  $('stand-list').replaceChildren(...model.stand.map(renderStand));
  $('regime-list').replaceChildren(...model.regime.map(renderRegime));
  renderEconomics();
  $('space-fields').replaceChildren(...spaceFields(model, restructure));
  renderOptimumRows();
  renderPlots();
}

function renderStatic() {
  const w = t();
  document.documentElement.lang = language();
  document.title = w.title;
  for (const el of document.querySelectorAll('[data-word]')) el.textContent = w[el.dataset.word];
  $('language').setAttribute('aria-label', w.languageLabel);
}

// ---- problems --------------------------------------------------------------

// Each problem in the list; one about a value of the form (its path) also
// next to the field of the longest key that begins its path (one of the
// plots file whole, with its line and column).
function showProblems(problems, refusals) {
  for (const p of document.querySelectorAll('[data-problem]')) p.textContent = '';
  for (const el of document.querySelectorAll('[aria-invalid]')) el.removeAttribute('aria-invalid');
  const list = $('problems');
  list.replaceChildren();
  const mark = (path, text) => {
    for (let key = path; key; key = key.slice(0, Math.max(0, key.lastIndexOf('.')))) {
      const p = document.querySelector(`[data-problem="${CSS.escape(key)}"]`);
      if (!p) continue;
      p.textContent = p.textContent ? p.textContent + ' ' + text : text;
      const field = document.querySelector(`[data-key="${CSS.escape(key)}"]`);
      if (field) field.setAttribute('aria-invalid', 'true');
      return;
    }
  };
  for (const p of problems) {
    list.append(h('li', { text: p.message }));
    if (p.path) mark(p.path, p.path === 'stands_csv' ? p.message : p.what);
  }
  for (const r of refusals) mark(r.path, r.text);
  $('problem-box').hidden = problems.length === 0;
}

// ---- results ---------------------------------------------------------------

function fileButton(index, name, label) {
  return h('button', {
    type: 'button',
    class: 'file',
    'data-file': name,
    text: label || name,
    onclick: () => {
      // Bytes as the C++ code wrote them: the reports are Latin-1.
      const bytes = wasm.file_bytes(index);
      download(name, bytes, name.endsWith('.csv') ? 'text/csv' : 'application/octet-stream');
    },
  });
}

const columns = ['DAP', 'N.ARV.', 'AREA BASAL', 'ALTURA', 'VOL.TOT.', 'VOL.ROL.', 'VOL.MAD.'];
// The totals line: the figures of the stands table under the columns' names.
const totals = ['n', 'g', 'h', 'vol_tot', 'vol_rol', 'vol_mad'];

function stateTable(run, s) {
  const w = t();
  const step = `${w.step} ${s.step} (${w.events[s.event]})`;
  const removed =
    s.shown.removed_ts !== undefined
      ? h('p', {
          class: 'removed',
          text: `${w.removed}: N.ARV. ${s.shown.removed_ts}   AREA BASAL ${s.shown.removed_ba}   VOL.TOT. ${s.shown.removed_vol_tot}   VOL.ROL. ${s.shown.removed_vol_rol}   VOL.MAD. ${s.shown.removed_vol_mad}`,
        })
      : null;
  // The felled stand has no table: its step and what the felling removed.
  if (!s.header.length) return h('div', { class: 'state' }, h('p', { class: 'note', text: step }), removed);
  const caption = `${s.heading} — ${step}`;
  const head = h('tr', {}, columns.map((c) => h('th', { scope: 'col', text: c })));
  const rows = s.classes.map((cells) => h('tr', { class: 'class-row' }, cells.map((c) => h('td', { text: c }))));
  // Six cells, as the console's totals line: the first spans the centre's
  // column, which the totals leave blank.
  const totalsRow = h(
    'tr',
    { class: 'totals-row' },
    totals.map((c, i) => h('td', { text: s.shown[c], colspan: i === 0 ? '2' : null })),
  );
  const table = h(
    'table',
    {
      class: 'stand-table',
      'data-stand': run.stand,
      'data-regime': run.regime,
      'data-step': String(s.step),
      'data-event': s.event,
    },
    h('caption', { text: caption }),
    h('thead', {}, head),
    h('tbody', {}, rows),
    h('tfoot', {}, totalsRow),
  );
  return h(
    'div',
    { class: 'state' },
    s.note ? h('p', { class: 'note', text: s.note }) : null,
    h('pre', { class: 'header', text: s.header.join('\n') }),
    // Each region's name is its own: the run's, the table's heading and the step.
    h('div', { class: 'table-wrap', tabindex: '0', role: 'region', 'aria-label': `${runLabel(run)}: ${caption}` }, table),
    removed,
  );
}

function renderResults(res) {
  const w = t();
  const out = $('results');
  if (!res.runs) {
    out.hidden = true;
    return;
  }
  out.hidden = false;
  $('downloads').replaceChildren(...res.files.map((name, i) => fileButton(i, name)));
  renderValues(res);
  $('tables').replaceChildren(
    ...res.runs.map((run) =>
      h(
        'section',
        { class: 'run', 'data-stand': run.stand, 'data-regime': run.regime },
        h('h3', { text: runLabel(run) }),
        fileButton(run.file, run.report, `${w.report}: ${run.report}`),
        run.states.map((s) => stateTable(run, s)),
        run.status === 'refused'
          ? h('p', { class: 'refusal', role: 'status', text: `${w.step} ${run.refused_step}: ${w.refused}${run.message}` })
          : null,
        run.status === 'out_of_range'
          ? h('p', { class: 'refusal', role: 'status', text: `${w.outOfRange} (${run.message})` })
          : null,
      ),
    ),
  );
  charts.show(res.runs);
}

// With prices and costs: the values of every run, as a table and a chart.
function renderValues(res) {
  $('values').hidden = !res.value_columns;
  if (!res.value_columns) return;
  $('values-table').replaceChildren(valuesTable(res.value_columns, res.runs));
  valueChart.show(res.value_columns, res.runs);
}

// ---- running ---------------------------------------------------------------

// The stands of the plots file as this run read them: the regimes' lists of
// stands and the searches follow.
function readPlotIds(res) {
  const ids = model.stands_csv && res.stands ? res.stands.slice(model.stand.length) : plotIds;
  if (ids.join('\n') === plotIds.join('\n')) return;
  plotIds = ids;
  $('regime-list').replaceChildren(...model.regime.map(renderRegime));
  renderOptimumRows();
}

function show(res) {
  if (res.toml !== undefined) toml = res.toml;
  readPlotIds(res);
  const refusals = [];
  for (const run of res.runs || [])
    if (run.status === 'refused') {
      const j = model.regime.findIndex((r) => r.id === run.regime);
      if (j >= 0)
        refusals.push({ path: `regime.${j}.steps.${run.refused_step - 1}`, text: `${t().refused}${run.message} (${run.stand})` });
    }
  showProblems(res.problems || [], refusals);
  renderResults(res);
  updateLink();
  document.body.dataset.state = 'ready';
  performance.mark('zireze-results');
}

function runForm() {
  if (!wasm) return;
  performance.mark('zireze-recompute');
  const form = scenario.formData(model);
  show(runModule(JSON.stringify(form), (m) => m.run_form(form)));
}

// Runs the form after a pause in typing; a burst of keys runs once.
function schedule(delay = 120) {
  clearTimeout(pending);
  document.body.dataset.state = 'pending';
  pending = setTimeout(runForm, delay);
}

// A scenario file's text: read by the C++ reader; when it can be used, it
// becomes the form. Its problems are shown as FILE:LINE:COLUMN.
function loadText(text, file) {
  const res = runModule(`${file}\n${text}`, (m) => m.run_scenario(text, file));
  // A scenario whose plots file the page has not been given waits for it.
  waiting = res.plots_wanted ? { text, file, wanted: res.plots_wanted } : null;
  if (!res.scenario) {
    // The form stays as it was, and so do its results.
    runForm();
    showProblems(res.problems, []);
    renderPlots();
    return;
  }
  model = res.scenario;
  model.stand = model.stand || [];
  model.regime = model.regime || [];
  if (!model.stands_csv) dropPlots();
  plotIds = [];
  // The prices of a file are shown.
  if (model.economics) $('economics').open = true;
  renderForm();
  show(res);
}

// The scenario's text as of the last change: a change still waiting is run first.
function currentToml() {
  if (document.body.dataset.state === 'pending') {
    clearTimeout(pending);
    runForm();
  }
  return toml;
}

function updateLink() {
  const base = location.href.split(/[?#]/)[0];
  $('link').value = base + '?scenario=' + encodeURIComponent(toml);
}

// ---- start ---------------------------------------------------------------------

function wire() {
  onChange(() => schedule());
  charts = new Charts($('charts'), $('distribution'), tick);
  valueChart = new ValueChart($('value-chart'), tick);
  optimiser = new Optimiser(() => renderOptimumRows());
  $('language').addEventListener('click', () => {
    setLanguage(language() === 'pt' ? 'en' : 'pt');
    renderStatic();
    restructure('language');
  });
  $('bark').addEventListener('change', (e) => {
    model.bark = e.target.checked;
    schedule(0);
  });
  $('add-stand').addEventListener('click', () => {
    let n = model.stand.length + 1;
    while (model.stand.some((s) => s.id === `talhao-${n}`)) n++;
    model.stand.push(scenario.newStand(`talhao-${n}`));
    restructure(`stand.${model.stand.length - 1}.id`);
  });
  $('add-regime').addEventListener('click', () => {
    let n = model.regime.length + 1;
    while (model.regime.some((r) => r.id === `regime-${n}`)) n++;
    model.regime.push(scenario.newRegime(`regime-${n}`));
    restructure(`regime.${model.regime.length - 1}.id`);
  });
  $('run').addEventListener('click', () => {
    clearTimeout(pending);
    runForm();
  });
  $('save').addEventListener('click', () => {
    download('cenario.toml', new TextEncoder().encode(currentToml()), 'application/toml');
  });
  $('load').addEventListener('change', async (e) => {
    const file = e.target.files && e.target.files[0];
    if (!file) return;
    const text = await file.text();
    e.target.value = '';
    loadText(text, file.name);
  });
  $('plots').addEventListener('change', async (e) => {
    const file = e.target.files && e.target.files[0];
    if (!file) return;
    e.target.value = '';
    await choosePlots(file);
  });
  $('remove-plots').addEventListener('click', () => {
    dropPlots();
    if (!model.stand.length) model.stand.push(scenario.newStand('talhao-1'));
    restructure('stands_csv');
  });
  $('copy-link').addEventListener('click', async () => {
    currentToml();
    updateLink();
    const status = $('link-status');
    try {
      await navigator.clipboard.writeText($('link').value);
      status.textContent = t().linkCopied;
    } catch (err) {
      $('link').select();
      status.textContent = t().linkNotCopied;
    }
  });
}

async function start() {
  renderStatic();
  wire();
  renderForm();
  await loadWasm();
  const shared = new URLSearchParams(location.search).get('scenario');
  if (shared !== null) {
    loadText(shared, 'scenario');
  } else {
    runForm();
  }
}

start().catch((e) => {
  const box = document.getElementById('problem-box');
  if (box) {
    box.hidden = false;
    document.getElementById('problems').replaceChildren(h('li', { text: `${t().failed} ${e}` }));
  }
});
