// The form's scenario and its TOML text, the scenario file of `zireze run`.
// The page keeps every value as typed; the text goes to the C++ reader,
// which reads the numbers and reports every problem with its line and
// column. Each value is written on a known line and column, so that a
// problem finds its way back to the field it is about.

export function defaultScenario() {
  return {
    bark: true,
    stands: [newStand('talhao-1')],
    regimes: [
      {
        id: 'dois-desbastes',
        steps: [
          { kind: 'rows', one_in: '3' },
          { kind: 'grow', value: '30' },
          { kind: 'selective', value: '20' },
          { kind: 'grow', value: '45' },
        ],
      },
    ],
  };
}

export function newStand(id) {
  return {
    id,
    age: '20',
    siteKind: 'site_class',
    site: '16',
    kind: 'trees',
    density: '1500',
    counts: '',
    weibull: { trees: '', a: '', b: '', c: '' },
    attributes: { trees: '', basal_area: '', dmin: '', p90: '' },
  };
}

export function newRegime(id) {
  return { id, steps: [{ kind: 'grow', value: '' }] };
}

// A TOML string: quotes, backslashes and control characters escaped.
function tomlString(s) {
  let out = '"';
  for (const ch of String(s)) {
    const c = ch.codePointAt(0);
    if (ch === '"' || ch === '\\') out += '\\' + ch;
    else if (c < 0x20 || c === 0x7f) out += '\\u' + c.toString(16).padStart(4, '0');
    else out += ch;
  }
  return out + '"';
}

// A typed number as TOML number text, when it is one in a form the dialogue
// reads: ".5", "5.", "007" and a Fortran exponent "3.0D1" are written as
// TOML spells them (the digits are kept, so the value read is the same).
// Anything else is written as a string, which the reader refuses as "not a
// number" where it stands.
export function tomlNumber(text) {
  let s = String(text).trim();
  const m = /^([+-]?)(\d*)(?:\.(\d*))?(?:[eEdD]([+-]?\d+))?$/.exec(s);
  if (m && (m[2] !== '' || (m[3] !== undefined && m[3] !== ''))) {
    const intPart = m[2].replace(/^0+(?=\d)/, '') || '0';
    s = m[1] + intPart;
    if (m[3] !== undefined) s += '.' + (m[3] === '' ? '0' : m[3]);
    if (m[4] !== undefined) s += 'e' + m[4];
    return s;
  }
  return tomlString(text);
}

// Lines of TOML text, and where each field's value starts on them.
class Writer {
  constructor() {
    this.lines = [];
    this.fields = new Map(); // line number (from 1) -> [{ column, key }]
    this.encoder = new TextEncoder();
  }
  // Writes a line; `parts` alternates literal text and [key, value text].
  line(...parts) {
    let text = '';
    const at = [];
    for (const p of parts) {
      if (Array.isArray(p)) {
        at.push({ column: this.encoder.encode(text).length + 1, key: p[0] });
        text += p[1];
      } else {
        text += p;
      }
    }
    this.lines.push(text);
    if (at.length) this.fields.set(this.lines.length, at);
  }
  mark(key) {
    const at = this.fields.get(this.lines.length) || [];
    at.unshift({ column: 1, key });
    this.fields.set(this.lines.length, at);
  }
}

export function toToml(sc) {
  const w = new Writer();
  w.line('# Zireze scenario: every stand runs under every regime (zireze run SCENARIO.toml).');
  w.line('bark = ', ['bark', sc.bark ? 'true' : 'false']);
  sc.stands.forEach((s, i) => {
    const k = `stand.${i}`;
    w.line('');
    w.line('[[stand]]');
    w.mark(k);
    w.line('id = ', [`${k}.id`, tomlString(s.id)]);
    w.line('age = ', [`${k}.age`, tomlNumber(s.age)]);
    w.line(s.siteKind === 'dominant_height' ? 'dominant_height = ' : 'site_class = ', [
      `${k}.site`,
      tomlNumber(s.site),
    ]);
    if (s.kind === 'trees' || s.kind === 'basal_area' || s.kind === 'trees_planted') {
      w.line(`${s.kind} = `, [`${k}.density`, tomlNumber(s.density)]);
    } else if (s.kind === 'counts') {
      const items = String(s.counts)
        .split(/[\s,;]+/)
        .filter((x) => x !== '');
      w.line('counts = ', [`${k}.counts`, '[' + items.map(tomlNumber).join(', ') + ']']);
    } else if (s.kind === 'weibull') {
      const v = s.weibull;
      w.line(
        'weibull = { trees = ',
        [`${k}.weibull.trees`, tomlNumber(v.trees)],
        ', a = ',
        [`${k}.weibull.a`, tomlNumber(v.a)],
        ', b = ',
        [`${k}.weibull.b`, tomlNumber(v.b)],
        ', c = ',
        [`${k}.weibull.c`, tomlNumber(v.c)],
        ' }',
      );
    } else if (s.kind === 'attributes') {
      const v = s.attributes;
      w.line(
        'attributes = { trees = ',
        [`${k}.attributes.trees`, tomlNumber(v.trees)],
        ', basal_area = ',
        [`${k}.attributes.basal_area`, tomlNumber(v.basal_area)],
        ', dmin = ',
        [`${k}.attributes.dmin`, tomlNumber(v.dmin)],
        ', p90 = ',
        [`${k}.attributes.p90`, tomlNumber(v.p90)],
        ' }',
      );
    }
  });
  sc.regimes.forEach((r, j) => {
    const k = `regime.${j}`;
    w.line('');
    w.line('[[regime]]');
    w.mark(k);
    w.line('id = ', [`${k}.id`, tomlString(r.id)]);
    w.line('steps = [');
    r.steps.forEach((st, n) => {
      const key = `${k}.step.${n}`;
      if (st.kind === 'rows') w.line('  { thin = "rows", one_in = ', [key, tomlNumber(st.one_in)], ' },');
      else if (st.kind === 'selective')
        w.line('  { thin = "selective", residual_basal_area = ', [key, tomlNumber(st.value)], ' },');
      else w.line('  { grow_to = ', [key, tomlNumber(st.value)], ' },');
      w.mark(key);
    });
    w.line(']');
  });
  return { text: w.lines.join('\n') + '\n', fields: w.fields };
}

// The field a problem at (line, column) is about: the last value on its
// line that starts at or before the column; null when no field is there.
export function fieldAt(fields, line, column) {
  const at = fields.get(line);
  if (!at) return null;
  let best = at[0].key;
  for (const f of at) if (f.column <= column) best = f.key;
  return best;
}

// The form's scenario from the scenario as the C++ reader read it (every
// number already the shortest text of its float).
export function fromRead(read) {
  const blank = newStand('');
  return {
    bark: read.bark !== false,
    stands: read.stands.map((s) => {
      const stand = { ...blank, weibull: { ...blank.weibull }, attributes: { ...blank.attributes } };
      stand.id = s.id;
      stand.age = s.age;
      stand.siteKind = s.site_class !== undefined ? 'site_class' : 'dominant_height';
      stand.site = s.site_class !== undefined ? s.site_class : s.dominant_height;
      stand.kind = s.kind;
      stand.density = s.density || '';
      if (s.counts) stand.counts = s.counts.join(' ');
      if (s.weibull) stand.weibull = { ...s.weibull };
      if (s.attributes) stand.attributes = { ...s.attributes };
      return stand;
    }),
    regimes: read.regimes.map((r) => ({
      id: r.id,
      steps: r.steps.map((st) =>
        st.thin === 'rows'
          ? { kind: 'rows', one_in: String(st.one_in) }
          : st.thin === 'selective'
            ? { kind: 'selective', value: st.residual_basal_area }
            : { kind: 'grow', value: st.grow_to },
      ),
    })),
  };
}
