// Small DOM helpers and the form's labelled fields. Every field carries the
// key of the value it holds (data-key) and a problem line (data-problem)
// where the reader's problems about that value are shown.

let changed = () => {};

// What every field calls after handing its value over: the page runs the form.
export function onChange(fn) {
  changed = fn;
}

export function h(tag, attrs = {}, ...children) {
  const el = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs)) {
    if (v === undefined || v === null || v === false) continue;
    if (k === 'class') el.className = v;
    else if (k === 'text') el.textContent = v;
    else if (k.startsWith('on')) el.addEventListener(k.slice(2), v);
    else if (k === 'value') el.value = v;
    else if (k === 'checked') el.checked = true;
    else el.setAttribute(k, v === true ? '' : v);
  }
  for (const c of children.flat()) if (c !== null && c !== undefined) el.append(c);
  return el;
}

export const $ = (id) => document.getElementById(id);

// An id for a field key ("stand.0.age" -> "f-stand-0-age").
export const fid = (key) => 'f-' + key.replace(/\./g, '-');

const problemLine = (key) => h('p', { class: 'field-problem', id: fid(key) + '-problem', 'data-problem': key });

// A labelled input showing `value`, handing what is typed to `set`, with its
// problem line below and, when given, a one-line explanation under its label.
export function input(key, label, value, set, attrs = {}, hint = '') {
  const id = fid(key);
  const el = h('input', {
    id,
    type: 'text',
    value,
    'aria-describedby': (hint ? id + '-hint ' : '') + id + '-problem',
    'data-key': key,
    autocomplete: 'off',
    spellcheck: 'false',
    ...attrs,
    oninput: (e) => {
      set(e.target.value);
      changed();
    },
  });
  return h(
    'div',
    { class: hint ? 'field explained' : 'field' },
    h('label', { for: id, text: label }),
    hint ? h('p', { class: 'hint', id: id + '-hint', text: hint }) : null,
    el,
    problemLine(key),
  );
}

// A number typed as text: the C++ code reads it.
export function numberInput(key, label, obj, prop, hint = '') {
  return input(key, label, obj[prop] ?? '', (v) => (obj[prop] = v), { inputmode: 'decimal' }, hint);
}

export function select(key, label, options, value, onchange) {
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
    problemLine(key),
  );
}

export function checkbox(key, label, checked, onchange) {
  const id = fid(key);
  return h(
    'div',
    { class: 'field checkbox' },
    h('input', {
      type: 'checkbox',
      id,
      'data-key': key,
      'aria-describedby': id + '-problem',
      checked,
      onchange: (e) => onchange(e.target.checked),
    }),
    h('label', { for: id, text: label }),
    problemLine(key),
  );
}

export function download(name, bytes, type) {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  const a = h('a', { href: url, download: name });
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 1000);
}
