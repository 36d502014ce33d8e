// The first script of the page, run as soon as the WebAssembly's bytes above
// it are parsed (in base64: the page is one text file that opens from disk):
// they are compiled once, off the main thread, while the rest of the page is
// read. The page and the worker that searches a stand's best regime make
// their modules on that one compiled module.
//
// zirezeCompiled: the compiled module (a promise).
// zirezeCreate(): a module of the page on it.

// A module (createZireze: the module's script, read after this one) on the
// compiled module `compiled`; the worker's script holds this function too.
function zirezeModule(compiled) {
  return new Promise((resolve, reject) => {
    const instantiateWasm = (imports, receive) => {
      WebAssembly.instantiate(compiled, imports).then((instance) => receive(instance, compiled), reject);
      return {};
    };
    createZireze({ instantiateWasm }).then(resolve, reject); // eslint-disable-line no-undef
  });
}

window.zirezeCompiled = (async () => {
  const text = document.getElementById('zireze-wasm').textContent.trim();
  // The browser's own decoder where it has one.
  const bytes = Uint8Array.fromBase64
    ? Uint8Array.fromBase64(text)
    : Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
  return WebAssembly.compile(bytes);
})();

window.zirezeCreate = async () => zirezeModule(await window.zirezeCompiled);
