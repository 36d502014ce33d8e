// Writes the page as one file: the template with the style sheet and the
// scripts inlined, so that it opens from file:// as well as from a server.
// The WebAssembly comes first, in base64, with the script that compiles it
// while the rest of the page is read (start.js); then the module's script,
// the page's bundle, and as text the page does not run at once, Chart.js
// (run when the first chart is made) and the worker's script (the page
// makes the worker from it and the module's script). (Gzipped, the
// WebAssembly would take a third of the page's bytes, but the browser
// inflates on the page's thread, between the parser's tasks: the module was
// ready later than from plain base64.) The licence, with the notices of what
// the page bundles, opens the file as a comment: the page is a copy of the
// software and carries them.
//
//   node assemble.mjs TEMPLATE STYLE START WASM MODULE BUNDLE CHARTJS WORKER LICENSE OUTPUT
import { readFileSync, writeFileSync } from 'node:fs';

const [template, style, start, wasm, module, bundle, chartjs, worker, licence, output] = process.argv.slice(2);
// A script's text may not hold "</script" inside the element.
const script = (text, attrs = '') => `<script${attrs}>\n${text.replace(/<\/script/gi, '<\\/script')}\n</script>`;
const scriptOf = (file, attrs) => script(readFileSync(file, 'utf8'), attrs);

let page = readFileSync(template, 'utf8');
// A comment may not hold "--" (nor so end early).
const notice = readFileSync(licence, 'utf8').replace(/--/g, '- -');
page = page.replace(/^<!doctype html>\n/i, (doctype) => `${doctype}<!--\n${notice}-->\n`);
// Replacement by function: a "$" in the inlined text stays as it is.
page = page.replace('<!-- STYLE -->', () => `<style>\n${readFileSync(style, 'utf8')}</style>`);
page = page.replace('<!-- WASM -->', () =>
  [script(readFileSync(wasm).toString('base64'), ' type="application/octet-stream" id="zireze-wasm"'), scriptOf(start)].join('\n'),
);
// The first module is made before the page's bundle is read, and the bundle
// takes it from window.zirezeStart.
page = page.replace('<!-- SCRIPT -->', () =>
  [
    scriptOf(module, ' id="zireze-module"'),
    script('window.zirezeStart = zirezeCreate();'),
    scriptOf(worker, ' type="text/x-zireze-worker" id="zireze-worker"'),
    scriptOf(bundle),
    scriptOf(chartjs, ' type="text/x-zireze-chartjs" id="zireze-chartjs"'),
  ].join('\n'),
);
writeFileSync(output, page);
