// The worker that searches a stand's best regime, away from the page's
// thread. Its script is the page's module (createZireze) followed by this
// one. Asked { form, stand }, it tells { type: 'progress', share, text } as
// the search goes, then { type: 'done', result } with the module's answer,
// or { type: 'failed', message }.
/* global createZireze */
const zirezeReady = createZireze();

self.onmessage = async (e) => {
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
