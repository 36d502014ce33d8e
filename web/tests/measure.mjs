// The page's speed in headless Chromium, from disk (file://): how soon the
// first table is on screen, how long a regime of 10 steps takes to
// recompute (WebAssembly, tables; the charts follow, one per task), and
// the longest task on the main thread while the page recomputes and is
// typed into; then how long the search for one stand's best regime takes
// (the default space, with prices), and the main thread's longest task and
// input delay while the worker searches and the form is typed into. Prints
// the figures; asserts nothing (they depend on the machine's load).
//
//   web/build.sh && node web/tests/measure.mjs [PAGE]
//
// PAGE: another build of the page to measure (build-web/index.html if not
// given), so that two builds can be measured in turn under the same load.
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const url = pathToFileURL(process.argv[2] || join(root, 'build-web', 'index.html')).href;
const profile = mkdtempSync(join(tmpdir(), 'zireze-measure-'));
const context = await chromium.launchPersistentContext(profile, {
  executablePath: process.env.ZIREZE_CHROMIUM || '/usr/bin/chromium',
  headless: true,
  viewport: { width: 1280, height: 900 },
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const mark = (page, name) =>
  page.evaluate((n) => performance.getEntriesByName(n).map((e) => e.startTime), name);

// 1. First table: from the start of navigation to the tables in the page,
// and to the next frame painted after them.
const first = [];
for (let i = 0; i < 7; i++) {
  const page = await context.newPage();
  await page.goto(url);
  await page.waitForFunction(() => performance.getEntriesByName('zireze-results').length > 0);
  first.push((await mark(page, 'zireze-results'))[0]);
  await page.close();
}

// 2. A regime of 10 steps, recomputed on "Calcular".
const steps = [
  '{ thin = "rows", one_in = 3 }', '{ grow_to = 25 }', '{ thin = "selective", residual_basal_area = 15 }',
  '{ grow_to = 30 }', '{ thin = "rows", one_in = 4 }', '{ grow_to = 35 }',
  '{ thin = "selective", residual_basal_area = 20 }', '{ grow_to = 40 }',
  '{ thin = "selective", residual_basal_area = 22 }', '{ grow_to = 50 }',
];
const scenario = `[[stand]]\nid = "a"\nage = 20\nsite_class = 16\ntrees = 1500\n\n[[regime]]\nid = "dez"\nsteps = [\n  ${steps.join(',\n  ')},\n]\n`;
const page = await context.newPage();
await page.goto(url + '?scenario=' + encodeURIComponent(scenario));
await page.waitForFunction(() => document.body.dataset.state === 'ready');
// The main thread's longest task, and the delay of each input event.
const observe = () => {
  window.longest = 0;
  new PerformanceObserver((list) => {
    for (const e of list.getEntries()) window.longest = Math.max(window.longest, e.duration);
  }).observe({ type: 'longtask' });
  window.inputDelay = [];
  new PerformanceObserver((list) => {
    for (const e of list.getEntries()) window.inputDelay.push(e.processingStart - e.startTime);
  }).observe({ type: 'event', durationThreshold: 16 });
};
await page.evaluate(observe);
const recompute = [];
const charts = [];
for (let i = 0; i < 20; i++) {
  await page.evaluate(() => performance.clearMarks());
  await page.click('#run');
  // Typed while the page recomputes and draws.
  await page.keyboard.type('x');
  await page.keyboard.press('Backspace');
  await page.waitForFunction(() => performance.getEntriesByName('zireze-charts').length > 0);
  const [start] = await mark(page, 'zireze-recompute');
  recompute.push((await mark(page, 'zireze-results'))[0] - start);
  charts.push((await mark(page, 'zireze-charts'))[0] - start);
}
const tables = await page.locator('table.stand-table').count();
const { longest, inputDelay } = await page.evaluate(() => ({ longest: window.longest, inputDelay: window.inputDelay }));

// 3. The best regime of one stand (the default space, with prices and
// costs), searched in the worker; typed into meanwhile.
const valued = `[[stand]]\nid = "a"\nage = 20\nsite_class = 16\ntrees = 1500\n\n[economics]\ndiscount_rate = 0.03\nsawlog = 55\nroundwood = 30\nthinning = 250\nthinning_per_m3 = 8\nfelling = 150\nfelling_per_m3 = 6\nannual = 15\nestablishment = 1500\n`;
const searching = await context.newPage();
await searching.goto(url + '?scenario=' + encodeURIComponent(valued));
await searching.waitForFunction(() => document.body.dataset.state === 'ready');
await searching.evaluate(observe);
const search = [];
for (let i = 0; i < 6; i++) {
  await searching.evaluate(() => performance.clearMarks());
  await searching.click('[data-key="optimize.stand.a.run"]');
  // Typed while the worker searches.
  await searching.focus('#f-stand-0-age');
  for (let k = 0; k < 5; k++) {
    await searching.keyboard.type('1');
    await searching.keyboard.press('Backspace');
  }
  await searching.waitForSelector('.optimum[data-stand="a"]', { timeout: 60000 });
  const [start] = await mark(searching, 'zireze-optimize-start');
  search.push((await mark(searching, 'zireze-optimize-end'))[0] - start);
}
const evaluations = await searching.getAttribute('.optimum [data-col="evaluations"]', 'data-value');
const during = await searching.evaluate(() => ({ longest: window.longest, inputDelay: window.inputDelay }));
await context.close();
rmSync(profile, { recursive: true, force: true });

const ms = (x) => `${x.toFixed(0)} ms`;
console.log(`first table on screen (7 openings): median ${ms(median(first))}, slowest ${ms(Math.max(...first))}`);
console.log(`10-step regime (${tables} tables), recompute to tables (20 runs): median ${ms(median(recompute))}, slowest ${ms(Math.max(...recompute))}`);
console.log(`  and to the last chart: median ${ms(median(charts))}, slowest ${ms(Math.max(...charts))}`);
console.log(`longest main-thread task meanwhile: ${ms(longest)} (0: none over 50 ms)`);
console.log(`input delay of keys typed meanwhile: ${inputDelay.length ? 'slowest ' + ms(Math.max(...inputDelay)) : 'no event over 16 ms'}`);
console.log(`best regime of one stand (default space, ${evaluations} regimes run), click to answer: first (worker started) ${ms(search[0])}, then median ${ms(median(search.slice(1)))}, slowest ${ms(Math.max(...search.slice(1)))}`);
console.log(`  meanwhile, longest main-thread task: ${ms(during.longest)} (0: none over 50 ms); input delay: ${during.inputDelay.length ? 'slowest ' + ms(Math.max(...during.inputDelay)) : 'no event over 16 ms'}`);
