// The page in headless Chromium, opened from disk (file://): a reference
// stand typed into the form, a scenario shared by ?scenario=, a scenario
// saved and loaded again, refusals and hostile input, prices, the search
// for a stand's best regime and its schedule, plots from a CSV file, and
// axe-core's checks. The figures are the reference runs'
// (tests/golden/NAME.rep); the downloads are the bytes of the dialogue's
// report and of `zireze run`'s CSV files; the best regime is `zireze
// optimize`'s.
//
//   node --test web/tests/page.test.mjs      (after web/build.sh)
// ZIREZE_PROGRAM: the native program, to compare the CSV files and the
// optimum with.
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const golden = join(root, 'tests', 'golden');
const scenarios = join(root, 'tests', 'batch', 'golden');
const pageUrl = pathToFileURL(join(root, 'build-web', 'index.html')).href;

let context;
let profile;
const errors = [];

before(async () => {
  profile = mkdtempSync(join(tmpdir(), 'zireze-chromium-'));
  context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.ZIREZE_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    acceptDownloads: true,
    viewport: { width: 1280, height: 900 },
    args: [
      '--headless',
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
    ],
  });
});

after(async () => {
  await context?.close();
  rmSync(profile, { recursive: true, force: true });
  // No input of any test broke the page.
  assert.deepEqual(errors, []);
});

// `init`: a script run in the page before its own.
async function open(query = '', init = null) {
  const page = await context.newPage();
  if (init) await page.addInitScript(init);
  page.on('pageerror', (e) => errors.push(`${query}: ${e.message}`));
  page.on('console', (m) => m.type() === 'error' && errors.push(`${query}: ${m.text()}`));
  // Nothing but the page itself is loaded.
  await page.route(/^(?!file:|data:|blob:)/, (route) => {
    errors.push(`request to ${route.request().url()}`);
    return route.abort();
  });
  await page.goto(pageUrl + query);
  await settled(page);
  return page;
}

// Waits until the last change has been run and shown.
async function settled(page) {
  await page.waitForFunction(() => document.body.dataset.state === 'ready');
}

// The class and totals cells of every table, as the page shows them.
function tables(page) {
  return page.$$eval('table.stand-table', (ts) =>
    ts.map((t) => ({
      stand: t.dataset.stand,
      regime: t.dataset.regime,
      step: t.dataset.step,
      event: t.dataset.event,
      classes: [...t.querySelectorAll('tr.class-row')].map((r) => [...r.cells].map((c) => c.textContent)),
      totals: [...t.querySelector('tr.totals-row').cells].map((c) => c.textContent),
    })),
  );
}

// The tables of a report: the class lines and the totals line between and
// after the separators, each split into its fields.
const separator = ' ---     ------';
function reportTables(name) {
  const lines = readFileSync(join(golden, `${name}.rep`), 'latin1').split('\n');
  const out = [];
  for (let i = 0; i < lines.length; i++) {
    if (!lines[i].startsWith(separator)) continue;
    const classes = [];
    let j = i + 1;
    for (; !lines[j].startsWith(separator); j++) classes.push(lines[j].trim().split(/ +/));
    out.push({ classes, totals: lines[j + 1].trim().split(/ +/) });
    i = j + 1;
  }
  return out;
}

function sameFigures(shown, name) {
  const expected = reportTables(name);
  assert.equal(shown.length, expected.length, `${name}: number of tables`);
  shown.forEach((t, k) => {
    assert.deepEqual(t.classes, expected[k].classes, `${name}: classes of table ${k}`);
    assert.deepEqual(t.totals, expected[k].totals, `${name}: totals of table ${k}`);
  });
}

// The rows of a CSV file, each a list of its cells' texts (unquoted).
function csvRows(text) {
  const rows = [];
  let row = [];
  let cell = '';
  let quoted = false;
  for (let i = 0; i < text.length; i++) {
    const c = text[i];
    if (quoted) {
      if (c === '"' && text[i + 1] === '"') cell += text[++i];
      else if (c === '"') quoted = false;
      else cell += c;
    } else if (c === '"') quoted = true;
    else if (c === ',') {
      row.push(cell);
      cell = '';
    } else if (c === '\n') {
      rows.push([...row, cell]);
      row = [];
      cell = '';
    } else cell += c;
  }
  return rows;
}

// The values table: per run its stand, regime and each cell's data-value.
function valueRows(page) {
  return page.$$eval('table.values-table tr.value-row', (rs) =>
    rs.map((r) => ({
      stand: r.dataset.stand,
      regime: r.dataset.regime,
      cells: Object.fromEntries([...r.cells].map((c) => [c.dataset.col, c.dataset.value])),
    })),
  );
}

// `zireze COMMAND` on a scenario's text (and the files beside it, by name):
// the files it writes, by name.
function native(command, text, names, beside = {}) {
  const out = mkdtempSync(join(tmpdir(), 'zireze-run-'));
  writeFileSync(join(out, 'scenario.toml'), text);
  for (const [name, bytes] of Object.entries(beside)) writeFileSync(join(out, name), bytes);
  execFileSync(process.env.ZIREZE_PROGRAM, [command, join(out, 'scenario.toml'), '--out', out]);
  const files = Object.fromEntries(names.map((name) => [name, readFileSync(join(out, name))]));
  rmSync(out, { recursive: true, force: true });
  return files;
}

// The rows of a CSV file as objects, by column.
function csvObjects(text) {
  const [header, ...rows] = csvRows(text);
  return rows.map((r) => Object.fromEntries(header.map((c, i) => [c, r[i]])));
}

// axe-core finds nothing in the page against WCAG 2 A and AA and its best practices.
async function accessible(page) {
  await page.addScriptTag({ path: join(root, 'web', 'node_modules', 'axe-core', 'axe.min.js') });
  const { violations } = await page.evaluate(() =>
    window.axe.run(document, { runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'best-practice'] } }),
  );
  assert.deepEqual(
    violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`),
    [],
  );
}

async function downloaded(page, selector) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click(selector)]);
  return { name: download.suggestedFilename(), bytes: readFileSync(await download.path()) };
}

test('a reference stand typed into the form gives the reference tables', async () => {
  // unthinned_ts_row: age 30, site class 16, 1000 trees; one row in three, then 35 years.
  const page = await open();
  await page.fill('#f-stand-0-id', 'unthinned_ts_row');
  await page.fill('#f-stand-0-age', '30');
  await page.fill('#f-stand-0-site_class', '16');
  await page.fill('#f-stand-0-trees', '1000');
  // The default regime: rows 1 in 3, grow to 30, selective, grow to 45.
  // Keep the first two (the keyboard alone), then grow to 35.
  await page.focus('[data-key="regime.0.steps.3.remove"]');
  await page.keyboard.press('Enter');
  await page.focus('[data-key="regime.0.steps.2.remove"]');
  await page.keyboard.press('Enter');
  await page.fill('#f-regime-0-steps-1', '35');
  await page.click('#run');
  await settled(page);

  const shown = await tables(page);
  assert.deepEqual(
    shown.map((t) => [t.stand, t.step, t.event]),
    [
      ['unthinned_ts_row', '0', 'initial'],
      ['unthinned_ts_row', '1', 'thinned'],
      ['unthinned_ts_row', '2', 'projected'],
    ],
  );
  assert.ok(shown.every((t) => t.classes.every((c) => c.length === 7) && t.totals.length === 6));
  sameFigures(shown, 'unthinned_ts_row');
  const report = await downloaded(page, '.run button.file');
  assert.ok(report.bytes.equals(readFileSync(join(golden, 'unthinned_ts_row.rep'))), 'report bytes');
  await page.close();
});

test('?scenario= runs a shared scenario; its report and CSV files are those of zireze run', async () => {
  // A Weibull stand: its report holds the Latin-1 byte 0xC2. Felled at the
  // end (which the report does not show) and valued: the values and cash
  // flows are downloads too.
  const text =
    readFileSync(join(scenarios, 'thinned_weibull.toml'), 'utf8').replace('{ grow_to = 35 },', '{ grow_to = 35 }, { fell = true },') +
    '\n[economics]\ndiscount_rate = 0.03\nsawlog = 60\nroundwood = 30\nfelling = 200\n';
  const page = await open('?scenario=' + encodeURIComponent(text));
  sameFigures(await tables(page), 'thinned_weibull');
  const report = await downloaded(page, '.run button.file');
  const expected = readFileSync(join(golden, 'thinned_weibull.rep'));
  assert.ok(expected.includes(0xc2));
  assert.ok(report.bytes.equals(expected), 'report bytes, Latin-1');

  if (process.env.ZIREZE_PROGRAM) {
    const names = await page.$$eval('#downloads [data-file]', (bs) => bs.map((b) => b.dataset.file));
    assert.deepEqual(names, ['stands.csv', 'classes.csv', 'runs.csv', 'values.csv', 'cashflows.csv']);
    const files = native('run', text, names);
    for (const name of names) {
      const csv = await downloaded(page, `#downloads [data-file="${name}"]`);
      assert.ok(csv.bytes.equals(files[name]), name);
    }
    // The values table holds values.csv's text, cell by cell.
    const [header, ...rows] = csvRows(files['values.csv'].toString());
    assert.deepEqual(
      await valueRows(page),
      rows.map((r) => ({ stand: r[0], regime: r[1], cells: Object.fromEntries(header.map((c, i) => [c, r[i]])) })),
    );
  }
  // The link offered for the scenario brings the same tables back.
  const link = await page.inputValue('#link');
  const again = await context.newPage();
  await again.goto(link);
  await settled(again);
  assert.deepEqual(await tables(again), await tables(page));
  await again.close();
  await page.close();
});

test('a scenario saved and loaded again gives the same form and tables', async () => {
  const page = await open();
  await page.click('#add-regime');
  await page.fill('#f-regime-1-steps-0', '40');
  await page.selectOption('#f-stand-0-kind', 'attributes');
  for (const [field, value] of [
    ['trees', '850'],
    ['basal_area', '22.5'],
    ['dmin', '8'],
    ['p90', '30'],
  ])
    await page.fill(`#f-stand-0-attributes-${field}`, value);
  await page.click('#run');
  await settled(page);
  const shown = await tables(page);
  assert.equal(new Set(shown.map((t) => t.regime)).size, 2);
  const saved = await downloaded(page, '#save');

  const fresh = await open();
  await fresh.setInputFiles('#load', { name: 'cenario.toml', mimeType: 'text/plain', buffer: saved.bytes });
  await settled(fresh);
  assert.deepEqual(await tables(fresh), shown);
  const resaved = await downloaded(fresh, '#save');
  assert.equal(resaved.bytes.toString(), saved.bytes.toString());

  // A broken file: its problems as FILE:LINE:COLUMN, the form as it was.
  await fresh.setInputFiles('#load', { name: 'broken.toml', mimeType: 'text/plain', buffer: Buffer.from('bark = true\n[[stand]\n') });
  await settled(fresh);
  assert.match(await fresh.textContent('#problems'), /^broken\.toml:2:\d+: /);
  assert.deepEqual(await tables(fresh), shown);
  await page.close();
  await fresh.close();
});

test('refused values show their reasons next to the field; hostile input breaks nothing', async () => {
  const page = await open();
  await page.fill('#f-stand-0-age', '0');
  await settled(page);
  assert.match(await page.textContent('[data-problem="stand.0.age"]'), /A IDADE TEM DE SER MAIOR QUE ZERO/);
  assert.equal(await page.getAttribute('#f-stand-0-age', 'aria-invalid'), 'true');
  await page.fill('#f-stand-0-age', '20');
  // A residual basal area above the stand's: the model refuses the step.
  await page.fill('#f-regime-0-steps-2', '90');
  await settled(page);
  assert.match(
    await page.textContent('[data-problem="regime.0.steps.2"]'),
    /VALOR NAO ACEITE: A AREA BASAL RESIDUAL TEM DE SER MAIOR QUE ZERO E NAO SUPERIOR A ACTUAL/,
  );
  assert.equal((await tables(page)).length, 3); // the states before the refused step

  for (const value of ['', 'abc', '1e39', '-1', '1e-50', '<b>x</b>', '9'.repeat(400), '"\\\n']) {
    await page.fill('#f-stand-0-trees', value);
    await settled(page);
    assert.notEqual(await page.textContent('[data-problem="stand.0.trees"]'), '', `density ${value}`);
  }
  await page.selectOption('#f-stand-0-kind', 'counts');
  await page.fill('#f-stand-0-counts', '1 '.repeat(60));
  await settled(page);
  assert.match(await page.textContent('[data-problem="stand.0.counts"]'), /at most 50 classes/);
  await page.close();

  for (const query of [
    '?scenario=' + encodeURIComponent('[[stand'),
    '?scenario=%E0%A4%A',
    '?scenario=' + encodeURIComponent('stands_csv = "plots.csv"\n'),
    '?scenario=' + encodeURIComponent(`[[stand]]\nid="a"\nage=20\nsite_class=16\ntrees=1500\n[[regime]]\nid="r"\nsteps=[${'{grow_to=30},'.repeat(3000)}]\n`),
  ]) {
    const p = await open(query);
    assert.notEqual(await p.textContent('#problems'), '', query.slice(0, 40));
    await p.close();
  }
});

test('a scenario of more stand states than a 32-bit count holds is refused as too many', async () => {
  // 65,536 stands under a regime of 65,535 steps: 2^32 states, which a count
  // in 32 bits (the WebAssembly's size_t) would wrap to none. One step a line.
  const stands = Array.from({ length: 65536 }, (_, i) => `[[stand]]\nid="s${i}"\nage=20\nsite_class=16\ntrees=1500\n`);
  const text = `${stands.join('')}[[regime]]\nid="r"\nsteps=[\n${'{grow_to=30},\n'.repeat(65535)}]\n`;
  const page = await open();
  const shown = await tables(page);
  await page.setInputFiles('#load', { name: 'many.toml', mimeType: 'text/plain', buffer: Buffer.from(text) });
  await page.waitForFunction(() => document.querySelector('#problems').textContent !== '', null, { timeout: 60000 });
  assert.match(await page.textContent('#problems'), /^many\.toml:1:1: more than 2000 stand states/);
  assert.deepEqual(await tables(page), shown);
  await page.close();
});

test('a failure of the WebAssembly that recurs on a fresh module ends in a message, not a loop', async () => {
  // Every module made fails on a stand named "falha", as one whose memory has
  // run out would; the page counts the modules it makes.
  const page = await open('', () => {
    let create;
    window.zirezeModules = 0;
    Object.defineProperty(window, 'createZireze', {
      configurable: true,
      set: (f) => (create = f),
      get: () => (...options) => {
        window.zirezeModules++;
        return create(...options).then((m) => {
          const run = m.run_form.bind(m);
          m.run_form = (form) => {
            if (form.stand.some((s) => s.id === 'falha')) throw new WebAssembly.RuntimeError('unreachable');
            return run(form);
          };
          return m;
        });
      },
    });
  });
  await page.fill('#f-stand-0-id', 'falha');
  await page.waitForFunction(() => document.querySelector('#problems').textContent.includes('nem depois de recomeçar'));
  const made = await page.evaluate(() => window.zirezeModules);
  assert.ok(made <= 3, `${made} modules`);
  // Nothing more is tried on the same form, even when asked.
  await page.click('#run');
  await page.waitForTimeout(1500);
  assert.equal(await page.evaluate(() => window.zirezeModules), made);
  assert.match(await page.textContent('#problems'), /nem depois de recomeçar/);
  // A change of the form runs again.
  await page.fill('#f-stand-0-id', 'talhao-1');
  await settled(page);
  assert.equal(await page.textContent('#problems'), '');
  assert.equal((await tables(page)).length, 5);
  await page.close();
});

test('the charts are drawn (screenshot under build-web/screenshots/)', async () => {
  const page = await open();
  await page.waitForFunction(() => performance.getEntriesByName('zireze-charts').length > 0);
  assert.equal(await page.locator('#charts canvas').count(), 6);
  mkdirSync(join(root, 'build-web', 'screenshots'), { recursive: true });
  await page.screenshot({ path: join(root, 'build-web', 'screenshots', 'page.png'), fullPage: true });
  // On a phone's screen nothing is wider than the screen (the tables scroll
  // in their own boxes), once the charts have followed the new width.
  await page.setViewportSize({ width: 390, height: 844 });
  await page.waitForFunction(() => document.documentElement.scrollWidth <= window.innerWidth, null, {
    timeout: 5000,
  });
  await page.screenshot({ path: join(root, 'build-web', 'screenshots', 'phone.png') });
  await page.close();
});

test('prices, the stands of a regime and the search space typed into the form are in the scenario and its link', async () => {
  const page = await open();
  await page.click('#add-stand');
  await page.fill('#f-stand-1-id', 'norte');
  // The regime on the new stand only; the first is tabled alone.
  await page.check('#f-regime-0-stand-box-1');
  await page.click('#economics summary');
  await page.fill('#f-economics-discount_rate', '0.03');
  await page.fill('#f-economics-sawlog', '55');
  // The fire hazard's field explains itself to a screen reader too.
  await page.fill('#f-economics-fire_hazard', '0.01');
  const described = await page.getAttribute('#f-economics-fire_hazard', 'aria-describedby');
  assert.match(await page.textContent('#' + described.split(' ')[0]), /fire ends the rotation|incêndio acaba a rotação/);
  await page.click('#space summary');
  await page.selectOption('#f-optimize-objective', 'npv');
  await settled(page);
  assert.deepEqual(
    (await valueRows(page)).map((r) => [r.stand, r.regime]),
    [
      ['talhao-1', ''],
      ['norte', 'dois-desbastes'],
    ],
  );
  // A stand renamed: the regime follows it.
  await page.fill('#f-stand-1-id', 'sul');
  await settled(page);
  assert.equal(await page.textContent('[for="f-regime-0-stand-box-1"]'), 'sul');
  const saved = (await downloaded(page, '#save')).bytes.toString();
  assert.match(saved, /\[economics\]\ndiscount_rate = 0\.03\nsawlog = 55\nfire_hazard = 0\.01\n/);
  assert.match(saved, /\[optimize\]\nobjective = "npv"\nthinnings = 3\n/);
  assert.match(saved, /id = "dois-desbastes"\nstands = \["sul"\]\n/);

  const again = await context.newPage();
  await again.goto(await page.inputValue('#link'));
  await settled(again);
  assert.deepEqual(await valueRows(again), await valueRows(page));
  assert.equal(await again.isChecked('#f-regime-0-stand-box-1'), true);
  assert.equal(await again.inputValue('#f-economics-sawlog'), '55.0');
  assert.equal(await again.inputValue('#f-economics-fire_hazard'), '0.01');
  assert.equal(await again.inputValue('#f-optimize-objective'), 'npv');
  await again.close();
  await page.close();
});

test("a stand's best regime, searched in a worker, is zireze optimize's, its schedule that of its run; used, it is valued as the search valued it", async () => {
  // One stand, the default space, prices and costs, and a regime of its own
  // as the reference to beat.
  const text = `[[stand]]\nid = "talhao-1"\nage = 20\nsite_class = 16\ntrees = 1500\n
[[regime]]\nid = "dois"\nsteps = [{ grow_to = 25 }, { thin = "selective", residual_basal_area = 20 }, { grow_by = 20 }, { fell = true }]\n
[economics]\ndiscount_rate = 0.03\nsawlog = 55\nroundwood = 30\nthinning = 250\nthinning_per_m3 = 8\nfelling = 150
felling_per_m3 = 6\nannual = 15\nestablishment = 1500\n`;
  const page = await open('?scenario=' + encodeURIComponent(text));
  // Cancelled, the search leaves no answer; searched again, it gives one.
  await page.click('[data-key="optimize.stand.talhao-1.run"]');
  await page.click('[data-key="optimize.stand.talhao-1.cancel"]');
  assert.equal(await page.textContent('.optimum-stand[data-stand="talhao-1"] [role="status"]'), 'Procura cancelada.');
  await page.click('[data-key="optimize.stand.talhao-1.run"]');
  await page.waitForSelector('.optimum[data-stand="talhao-1"]', { timeout: 30000 });
  const optimum = '.optimum[data-stand="talhao-1"]';
  const shown = Object.fromEntries(
    await page.$$eval(`${optimum} dd`, (ds) => ds.map((d) => [d.dataset.col, d.dataset.value])),
  );
  assert.equal(shown.status, 'ok');
  assert.equal(shown.reference_regime, 'dois');
  const schedule = await page.$$eval(`${optimum} .schedule li`, (ls) => ls.map((l) => l.textContent));
  assert.match(schedule.at(-1), /^idade \d+\.0: corte final$/);

  if (process.env.ZIREZE_PROGRAM) {
    const files = native('optimize', text, ['optimum.csv', 'stands.csv']);
    const [expected] = csvObjects(files['optimum.csv'].toString());
    assert.deepEqual(
      shown,
      Object.fromEntries(Object.entries(expected).filter(([c, v]) => !['stand', 'regime', 'gain'].includes(c) && v !== '')),
    );
    // The regime as TOML: optimum.csv's steps.
    const toml = (await page.textContent(`${optimum} .regime-toml code`)).replace(/\s+/g, '').replace(',]', ']');
    assert.ok(toml.includes(`steps=${expected.regime.replace(/\s+/g, '')}`), toml);
    // The gain, in percent, from optimum.csv's.
    const gain = Number(await page.getAttribute(`${optimum} .gain`, 'data-value'));
    assert.ok(Math.abs(gain - 100 * Number(expected.gain)) <= 0.005, `gain ${gain} %`);
    // The schedule: per harvest of the best regime's run in stands.csv, its
    // age, what it leaves and the share of the basal area it removes.
    const states = csvObjects(files['stands.csv'].toString()).filter((r) => r.regime === 'best-talhao-1');
    const lines = states.flatMap((r, k) => {
      const age = Number(r.age).toFixed(1);
      if (r.event === 'felled') return [`idade ${age}: corte final`];
      if (r.event !== 'thinned') return [];
      const removes = Math.round((100 * Number(r.removed_ba)) / Number(states[k - 1].ba));
      return [`idade ${age}: desbaste selectivo até ${Number(r.ba).toFixed(1)} m2/ha (retira ${removes} % da área basal)`];
    });
    assert.deepEqual(schedule, lines);
  }

  // With results and an optimum shown (and its TOML open).
  await page.click(`${optimum} .regime-toml summary`);
  await accessible(page);

  // The best regime into the editor: its run's value is the optimum's.
  await page.click('.use-regime');
  await settled(page);
  const best = (await valueRows(page)).find((r) => r.regime === 'best-talhao-1');
  assert.equal(best.cells.lev, shown.value);
  assert.match(await page.inputValue('#link'), /best-talhao-1/);
  await page.close();
});

test('plots from a CSV file: read by the one reader, valued and optimised as by zireze run and zireze optimize', async () => {
  // Four plots, one of each kind of stand; CRLF line ends, a quoted id.
  const plots = Buffer.from(
    'id,age,site_class,dominant_height,trees,basal_area,trees_planted,dmin,p90,a,b,c\r\n' +
      'P1,20,16,,1500,,,,,,,\r\nP2,22,,12.5,,25,,,,,,\r\n"P3",25,14,,1000,,,,,5,10,2\r\nP4,30,16,,850.4,22.5,,8,30,,,\r\n',
  );
  const text = `stands_csv = "talhoes.csv"\n\n[[regime]]\nid = "r"\nsteps = [{ thin = "rows", one_in = 4 }, { grow_to = 40 }, { fell = true }]\n
[economics]\ndiscount_rate = 0.03\nsawlog = 55\nroundwood = 30\nthinning = 250\nfelling = 150\nannual = 15\n
[optimize]\nobjective = "npv"\nthinnings = 1\n`;
  // A shared scenario that names its plots file waits for it.
  const page = await open('?scenario=' + encodeURIComponent(text));
  assert.match(await page.textContent('#problems'), /stands_csv: cannot read "talhoes\.csv": the page has not been given this file/);
  assert.match(await page.textContent('#plots-file'), /talhoes\.csv$/);
  // Chosen (under the name a download may give it), the plots are read.
  await page.setInputFiles('#plots', { name: 'talhoes (1).csv', mimeType: 'text/csv', buffer: plots });
  await settled(page);
  assert.equal(await page.textContent('#problems'), '');
  assert.deepEqual(await page.$$eval('.run', (rs) => rs.map((r) => r.dataset.stand)), ['P1', 'P2', 'P3', 'P4']);
  // The link and the saved scenario name the file and hold no plot.
  assert.match(await page.textContent('#link-plots'), /talhoes\.csv/);
  assert.match(await page.inputValue('#link'), /stands_csv%20%3D%20%22talhoes\.csv%22/);
  const saved = (await downloaded(page, '#save')).bytes.toString();
  assert.match(saved, /^bark = true\nstands_csv = "talhoes\.csv"\n/);
  assert.doesNotMatch(saved, /\[\[stand\]\]/);

  // The best regime of a plot, searched in the worker with the plots.
  await page.click('[data-key="optimize.stand.P3.run"]');
  await page.waitForSelector('.optimum[data-stand="P3"]', { timeout: 30000 });
  const value = await page.getAttribute('.optimum[data-stand="P3"] [data-col="value"]', 'data-value');
  await accessible(page);

  if (process.env.ZIREZE_PROGRAM) {
    // zireze run on the saved scenario beside the plots file: the page's files.
    const names = ['stands.csv', 'classes.csv', 'runs.csv', 'values.csv'];
    const files = native('run', saved, names, { 'talhoes.csv': plots });
    for (const name of names) assert.ok((await downloaded(page, `#downloads [data-file="${name}"]`)).bytes.equals(files[name]), name);
    const optima = csvObjects(native('optimize', saved, ['optimum.csv'], { 'talhoes.csv': plots })['optimum.csv'].toString());
    assert.equal(value, optima.find((r) => r.stand === 'P3').value);
  }

  // A plots file with a fault: the reader's message, next to the file's field.
  const broken = Buffer.from('id,age,site_class,trees\nP1,20,16,1500\nP2,abc,16,1500\n');
  await page.setInputFiles('#plots', { name: 'talhoes.csv', mimeType: 'text/csv', buffer: broken });
  await settled(page);
  const problem = await page.textContent('[data-problem="stands_csv"]');
  assert.equal(problem, 'talhoes.csv:3:4: age = abc: not a number');
  if (process.env.ZIREZE_PROGRAM) {
    const dir = mkdtempSync(join(tmpdir(), 'zireze-run-'));
    writeFileSync(join(dir, 'scenario.toml'), saved);
    writeFileSync(join(dir, 'talhoes.csv'), broken);
    const run = spawnSync(process.env.ZIREZE_PROGRAM, ['run', 'scenario.toml', '--out', 'out'], { cwd: dir, encoding: 'utf8' });
    rmSync(dir, { recursive: true, force: true });
    assert.equal(run.stderr.trim(), problem);
  }
  await page.close();
});

test('the page, a copy of the software, opens with the licence and the notices of what it bundles', () => {
  const page = readFileSync(join(root, 'build-web', 'index.html'), 'utf8');
  const licence = readFileSync(join(root, 'LICENSE'), 'utf8');
  assert.ok(page.startsWith(`<!doctype html>\n<!--\n${licence}-->\n<html`), page.slice(0, 200));
});
