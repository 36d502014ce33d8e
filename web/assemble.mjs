// Writes the page as one file: the template with the style sheet and the
// scripts inlined (the WebAssembly module, with its binary inside, and the
// page's bundle), so that it opens from file:// as well as from a server.
// The worker's script is inlined too, as text the page does not run: the
// page makes the worker from it and the module's text.
//
//   node assemble.mjs TEMPLATE STYLE MODULE BUNDLE WORKER OUTPUT
import { readFileSync, writeFileSync } from 'node:fs';

const [template, style, module, bundle, worker, output] = process.argv.slice(2);
// A script's text may not hold "</script" inside the element.
const script = (file, attrs = '') =>
  `<script${attrs}>\n${readFileSync(file, 'utf8').replace(/<\/script/gi, '<\\/script')}\n</script>`;
let page = readFileSync(template, 'utf8');
// Replacement by function: a "$" in the inlined text stays as it is.
page = page.replace('<!-- STYLE -->', () => `<style>\n${readFileSync(style, 'utf8')}</style>`);
// The module starts compiling its WebAssembly before the page's bundle is
// read, and the bundle takes it from window.zirezeStart.
const start = '<script>window.zirezeStart = createZireze();</script>';
page = page.replace(
  '<!-- SCRIPT -->',
  () =>
    [
      script(module, ' id="zireze-module"'),
      start,
      script(worker, ' type="text/x-zireze-worker" id="zireze-worker"'),
      script(bundle),
    ].join('\n'),
);
writeFileSync(output, page);
