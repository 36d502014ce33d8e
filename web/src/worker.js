// The worker that searches a stand's best regime, away from the page's
// thread. Its script is start.js's zirezeModule and the page's module
// (createZireze) followed by this one. It is first handed the page's
// compiled module ({ compiled }), and the page's plots file ({ plots }) when
// it changes; asked { form, stand }, it tells
// { type: 'progress', share, text } as the search goes, then
// { type: 'done', result } with the module's answer, or { type: 'failed', message }.
/* global zirezeModule */
let compiledModule;
const zirezeReady = new Promise((resolve) => (compiledModule = resolve)).then(zirezeModule);

self.onmessage = async (e) => {
  if (e.data.compiled) {
    compiledModule(e.data.compiled);
    return;
  }
  if ('plots' in e.data) {
    const { plots } = e.data;
    const zireze = await zirezeReady;
    zireze.set_plots(plots ? plots.name : '', plots ? plots.size : 0, plots ? plots.bytes : null);
    return;
  }
  const { form, stand } = e.data;
  try {
    const zireze = await zirezeReady;
    const told = (share, text) => self.postMessage({ type: 'progress', share, text });
    const result = JSON.parse(zireze.optimize_form(form, stand, told));
    self.postMessage({ type: 'done', result });
  } catch (err) {
    self.postMessage({ type: 'failed', message: String(err) });
  }
};
