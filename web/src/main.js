// The page: a form that describes stands and regimes, the scenario text it
// makes, and what the WebAssembly returns for it (tables, charts, problems,
// files). JavaScript formats no figure and computes none: it shows the
// texts and numbers the model's C++ code hands over.
import { Charts, runLabel } from './charts.js';
import { language, setLanguage, t } from './i18n.js';
import { defaultScenario, fieldAt, fromRead, newRegime, newStand, toToml } from './scenario.js';

const FORM_FILE = 'cenario.toml';

let wasm = null; // the module (createZireze, inlined before this script)
let model = defaultScenario();
let fields = new Map();
let result = null;
let charts = null;
let pending = 0;

// ---- WebAssembly ----------------------------------------------------------

async function loadWasm() {
  // The first module was started by the page before this script; a module
  // made again after a failure starts here.
  const started = window.zirezeStart;
  window.zirezeStart = null;
  wasm = await (started || createZireze()); // eslint-disable-line no-undef
  performance.mark('zireze-wasm');
}

// A run of the scenario text. The module cannot break the page: should it
// fail (memory, say), the page says so and starts a fresh module.
function runText(text, file) {
  try {
    performance.mark('zireze-run-start');
    const json = wasm.run_scenario(text, file);
    performance.mark('zireze-run-end');
    return JSON.parse(json);
  } catch (e) {
    wasm = null;
    loadWasm().then(() => schedule(0));
    return { problems: [{ line: 0, column: 0, what: t().failed, message: t().failed }] };
  }
}

function tick(value, decimals) {
  try {
    return wasm ? wasm.tick(value, decimals) : '';
  } catch (e) {
    return '';
  }
}

// ---- small DOM helpers ----------------------------------------------------

function h(tag, attrs = {}, ...children) {
  const el = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs)) {
    if (v === undefined || v === null || v === false) continue;
    if (k === 'class') el.className = v;
    else if (k === 'text') el.textContent = v;
    else if (k.startsWith('on')) el.addEventListener(k.slice(2), v);
    else if (k === 'value') el.value = v;
    else el.setAttribute(k, v === true ? '' : v);
  }
  for (const c of children.flat()) if (c !== null && c !== undefined) el.append(c);
  return el;
}

const $ = (id) => document.getElementById(id);

// An id for a field key ("stand.0.age" -> "f-stand-0-age").
const fid = (key) => 'f-' + key.replace(/\./g, '-');

// A labelled input bound to model[obj][prop], with its problem line below.
function input(key, label, obj, prop, attrs = {}) {
  const id = fid(key);
  const el = h('input', {
    id,
    type: 'text',
    value: obj[prop],
    'aria-describedby': id + '-problem',
    'data-key': key,
    autocomplete: 'off',
    spellcheck: 'false',
    ...attrs,
    oninput: (e) => {
      obj[prop] = e.target.value;
      schedule();
    },
  });
  return h(
    'div',
    { class: 'field' },
    h('label', { for: id, text: label }),
    el,
    h('p', { class: 'field-problem', id: id + '-problem', 'data-problem': key }),
  );
}

function select(key, label, options, value, onchange) {
  const id = fid(key);
  return h(
    'div',
    { class: 'field' },
    h('label', { for: id, text: label }),
    h(
      'select',
      { id, 'data-key': key, 'aria-describedby': id + '-problem', onchange: (e) => onchange(e.target.value) },
      options.map(([v, text]) => h('option', { value: v, text, selected: v === value })),
    ),
    h('p', { class: 'field-problem', id: id + '-problem', 'data-problem': key }),
  );
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
  const kindFields = [];
  if (s.kind === 'trees' || s.kind === 'basal_area' || s.kind === 'trees_planted') {
    kindFields.push(input(`${k}.density`, w.density[s.kind], s, 'density', { inputmode: 'decimal' }));
  } else if (s.kind === 'counts') {
    kindFields.push(input(`${k}.counts`, w.counts, s, 'counts', { class: 'wide' }));
  } else if (s.kind === 'weibull') {
    kindFields.push(
      input(`${k}.weibull.trees`, w.wTrees, s.weibull, 'trees', { inputmode: 'decimal' }),
      input(`${k}.weibull.a`, w.wA, s.weibull, 'a', { inputmode: 'decimal' }),
      input(`${k}.weibull.b`, w.wB, s.weibull, 'b', { inputmode: 'decimal' }),
      input(`${k}.weibull.c`, w.wC, s.weibull, 'c', { inputmode: 'decimal' }),
    );
  } else {
    kindFields.push(
      input(`${k}.attributes.trees`, w.aTrees, s.attributes, 'trees', { inputmode: 'decimal' }),
      input(`${k}.attributes.basal_area`, w.aBasalArea, s.attributes, 'basal_area', { inputmode: 'decimal' }),
      input(`${k}.attributes.dmin`, w.aDmin, s.attributes, 'dmin', { inputmode: 'decimal' }),
      input(`${k}.attributes.p90`, w.aP90, s.attributes, 'p90', { inputmode: 'decimal' }),
    );
  }
  return h(
    'fieldset',
    { class: 'card stand', 'data-index': i },
    h('legend', { text: `${w.stand} ${i + 1}` }),
    h('p', { class: 'field-problem', 'data-problem': k }),
    h(
      'div',
      { class: 'row' },
      input(`${k}.id`, w.id, s, 'id'),
      input(`${k}.age`, w.age, s, 'age', { inputmode: 'decimal' }),
    ),
    h(
      'div',
      { class: 'row' },
      select(
        `${k}.siteKind`,
        w.site,
        [
          ['site_class', w.siteClass],
          ['dominant_height', w.dominantHeight],
        ],
        s.siteKind,
        (v) => {
          s.siteKind = v;
          restructure();
        },
      ),
      input(`${k}.site`, s.siteKind === 'site_class' ? w.siteClass : w.dominantHeight, s, 'site', {
        inputmode: 'decimal',
      }),
    ),
    select(
      `${k}.kind`,
      w.description,
      Object.entries(w.kinds),
      s.kind,
      (v) => {
        s.kind = v;
        restructure();
      },
    ),
    h('div', { class: 'row' }, kindFields),
    model.stands.length > 1
      ? h('button', {
          type: 'button',
          class: 'remove',
          'data-key': `${k}.remove`,
          text: w.removeStand,
          onclick: () => {
            model.stands.splice(i, 1);
            restructure('add-stand');
          },
        })
      : null,
  );
}

function renderStep(r, j, st, n) {
  const w = t();
  const key = `regime.${j}.step.${n}`;
  const move = (to) => {
    const [x] = r.steps.splice(n, 1);
    r.steps.splice(to, 0, x);
  };
  let value;
  if (st.kind === 'rows') {
    value = select(
      `${key}`,
      w.oneIn,
      ['2', '3', '4', '5', '6'].map((x) => [x, x]),
      String(st.one_in),
      (v) => {
        st.one_in = v;
        schedule(0);
      },
    );
  } else {
    value = input(key, st.kind === 'selective' ? w.residual : w.growTo, st, 'value', { inputmode: 'decimal' });
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
        Object.entries(w.stepKinds),
        st.kind,
        (v) => {
          st.kind = v;
          if (v === 'rows') st.one_in = st.one_in || '3';
          else st.value = st.value || '';
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
          restructure(`regime.${j}.step.${n - 1}.up`);
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
          restructure(`regime.${j}.step.${n + 1}.down`);
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
    input(`${k}.id`, w.id, r, 'id'),
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
          r.steps.push({ kind: 'grow', value: '' });
          restructure(`regime.${j}.step.${r.steps.length - 1}.kind`);
        },
      }),
      h('button', {
        type: 'button',
        class: 'remove',
        'data-key': `${k}.remove`,
        text: w.removeRegime,
        onclick: () => {
          model.regimes.splice(j, 1);
          restructure('add-regime');
        },
      }),
    ),
  );
}

function renderForm() {
  const w = t();
  const bark = $('bark');
  bark.checked = model.bark;
  $('stand-list').replaceChildren(...model.stands.map(renderStand));
  $('regime-list').replaceChildren(...model.regimes.map(renderRegime));
  void w;
}

function renderStatic() {
  const w = t();
  document.documentElement.lang = language();
  document.title = w.title;
  for (const el of document.querySelectorAll('[data-word]')) el.textContent = w[el.dataset.word];
  $('language').setAttribute('aria-label', w.languageLabel);
}

// ---- problems --------------------------------------------------------------

function showProblems(problems, fieldMap, refusals) {
  for (const p of document.querySelectorAll('[data-problem]')) p.textContent = '';
  for (const el of document.querySelectorAll('[aria-invalid]')) el.removeAttribute('aria-invalid');
  const list = $('problems');
  list.replaceChildren();
  const mark = (key, text) => {
    const p = document.querySelector(`[data-problem="${CSS.escape(key)}"]`);
    if (!p) return false;
    p.textContent = p.textContent ? p.textContent + ' ' + text : text;
    const field = document.querySelector(`[data-key="${CSS.escape(key)}"]`);
    if (field) field.setAttribute('aria-invalid', 'true');
    return true;
  };
  for (const p of problems) {
    list.append(h('li', { text: p.message }));
    if (fieldMap) {
      const key = fieldAt(fieldMap, p.line, p.column);
      if (key) mark(key, p.what);
    }
  }
  for (const r of refusals) mark(r.key, r.text);
  $('problem-box').hidden = problems.length === 0;
}

// ---- results ---------------------------------------------------------------

function download(name, bytes, type) {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  const a = h('a', { href: url, download: name });
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 1000);
}

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

function stateTable(run, s) {
  const w = t();
  const head = h('tr', {}, columns.map((c) => h('th', { scope: 'col', text: c })));
  const rows = s.classes.map((cells) => h('tr', { class: 'class-row' }, cells.map((c) => h('td', { text: c }))));
  // Six cells, as the console's totals line: the first spans the centre's
  // column, which the totals leave blank.
  const totals = h(
    'tr',
    { class: 'totals-row' },
    s.totals.map((c, i) => h('td', { text: c, colspan: i === 0 ? '2' : null })),
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
    h('caption', { text: `${s.heading} — ${w.step} ${s.step} (${w.events[s.event]})` }),
    h('thead', {}, head),
    h('tbody', {}, rows),
    h('tfoot', {}, totals),
  );
  const removed =
    s.shown.removed_ts !== undefined
      ? h('p', {
          class: 'removed',
          text: `${w.removed}: N.ARV. ${s.shown.removed_ts}   AREA BASAL ${s.shown.removed_ba}   VOL.TOT. ${s.shown.removed_vol_tot}   VOL.ROL. ${s.shown.removed_vol_rol}   VOL.MAD. ${s.shown.removed_vol_mad}`,
        })
      : null;
  return h(
    'div',
    { class: 'state' },
    s.note ? h('p', { class: 'note', text: s.note }) : null,
    h('pre', { class: 'header', text: s.header.join('\n') }),
    h('div', { class: 'table-wrap', tabindex: '0', role: 'region', 'aria-label': s.heading }, table),
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
  const files = res.files || [];
  $('downloads').replaceChildren(...files.slice(0, 3).map((name, i) => fileButton(i, name)));
  $('tables').replaceChildren(
    ...res.runs.map((run) =>
      h(
        'section',
        { class: 'run', 'data-stand': run.stand, 'data-regime': run.regime },
        h('h3', { text: runLabel(run) }),
        fileButton(run.file, run.report, `${w.report}: ${run.report}`),
        run.states.map((s) => stateTable(run, s)),
        run.refusal
          ? h('p', { class: 'refusal', role: 'status', text: `${w.step} ${run.refused_step}: ${w.refused}${run.refusal}` })
          : null,
      ),
    ),
  );
  charts.show(res.runs);
}

// ---- running ---------------------------------------------------------------

function show(res, fieldMap) {
  result = res;
  const refusals = [];
  for (const run of res.runs || [])
    if (run.refusal) {
      const j = model.regimes.findIndex((r) => r.id === run.regime);
      if (j >= 0)
        refusals.push({ key: `regime.${j}.step.${run.refused_step - 1}`, text: `${t().refused}${run.refusal} (${run.stand})` });
    }
  showProblems(res.problems || [], fieldMap, refusals);
  renderResults(res);
  updateLink();
  document.body.dataset.state = 'ready';
  performance.mark('zireze-results');
}

function runForm() {
  if (!wasm) return;
  performance.mark('zireze-recompute');
  const made = toToml(model);
  fields = made.fields;
  show(runText(made.text, FORM_FILE), fields);
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
  const res = runText(text, file);
  if (res.problems && res.problems.length) {
    // The form stays as it was, and so do its results.
    runForm();
    showProblems(res.problems, null, []);
    return false;
  }
  model = fromRead(res);
  renderForm();
  const made = toToml(model);
  fields = made.fields;
  show(res, fields);
  return true;
}

function scenarioLink() {
  const base = location.href.split(/[?#]/)[0];
  return base + '?scenario=' + encodeURIComponent(toToml(model).text);
}

function updateLink() {
  $('link').value = scenarioLink();
}

// ---- start ---------------------------------------------------------------------

function wire() {
  charts = new Charts($('charts'), $('distribution'), tick);
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
    let n = model.stands.length + 1;
    while (model.stands.some((s) => s.id === `talhao-${n}`)) n++;
    model.stands.push(newStand(`talhao-${n}`));
    restructure(`stand.${model.stands.length - 1}.id`);
  });
  $('add-regime').addEventListener('click', () => {
    let n = model.regimes.length + 1;
    while (model.regimes.some((r) => r.id === `regime-${n}`)) n++;
    model.regimes.push(newRegime(`regime-${n}`));
    restructure(`regime.${model.regimes.length - 1}.id`);
  });
  $('run').addEventListener('click', () => {
    clearTimeout(pending);
    runForm();
  });
  $('save').addEventListener('click', () => {
    download('cenario.toml', new TextEncoder().encode(toToml(model).text), 'application/toml');
  });
  $('load').addEventListener('change', async (e) => {
    const file = e.target.files && e.target.files[0];
    if (!file) return;
    const text = await file.text();
    e.target.value = '';
    loadText(text, file.name);
  });
  $('copy-link').addEventListener('click', async () => {
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
