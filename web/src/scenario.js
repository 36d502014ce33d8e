// The form's scenario: plain data shaped like the scenario file of `zireze
// run` (its keys, in its order), every number kept as the text typed. The
// C++ code writes it as TOML, reads it, and hands back each problem with the
// path of the value it is about ("stand.0.age", "regime.1.steps.2"), which
// is also the key of the field that holds that value.

export function defaultScenario() {
  return {
    bark: true,
    stand: [newStand('talhao-1')],
    regime: [
      {
        id: 'dois-desbastes',
        steps: [
          { thin: 'rows', one_in: '3' },
          { grow_to: '30' },
          { thin: 'selective', residual_basal_area: '20' },
          { grow_to: '45' },
        ],
      },
    ],
  };
}

export function newStand(id) {
  return { id, age: '20', site_class: '16', trees: '1500' };
}

export function newRegime(id) {
  return { id, steps: [stepOf('grow_to')] };
}

// The keys that describe a stand's density or diameters, one per kind.
const standKinds = ['trees', 'basal_area', 'trees_planted', 'counts', 'weibull', 'attributes'];
const blank = {
  counts: () => [],
  weibull: () => ({ trees: '', a: '', b: '', c: '' }),
  attributes: () => ({ trees: '', basal_area: '', dmin: '', p90: '' }),
};

export const standKind = (s) => standKinds.find((k) => k in s);
export const siteKey = (s) => ('dominant_height' in s ? 'dominant_height' : 'site_class');

// Replaces the key `from` of `obj` by `to`, in its place, so that the file
// keeps the order of its keys.
function rename(obj, from, to, value) {
  const entries = Object.entries(obj).map(([k, v]) => (k === from ? [to, value] : [k, v]));
  for (const k of Object.keys(obj)) delete obj[k];
  Object.assign(obj, Object.fromEntries(entries));
}

// What a stand was given under the kinds it left, to come back to.
const kept = new WeakMap();

export function setStandKind(s, kind) {
  const from = standKind(s);
  const store = kept.get(s) || {};
  kept.set(s, store);
  // The three densities share the figure typed.
  const slot = (k) => (k in blank ? k : 'density');
  store[slot(from)] = s[from];
  rename(s, from, kind, store[slot(kind)] ?? (kind in blank ? blank[kind]() : ''));
}

export function setSiteKey(s, key) {
  rename(s, siteKey(s), key, s[siteKey(s)]);
}

// The kinds of step, as plain data; the key of each one's value.
export const stepKinds = ['rows', 'selective', 'grow_to', 'grow_by', 'fell'];
const valueKeys = { rows: 'one_in', selective: 'residual_basal_area', grow_to: 'grow_to', grow_by: 'grow_by' };

export function stepKind(st) {
  if (st.thin === 'rows' || st.thin === 'selective') return st.thin;
  return Object.keys(st)[0];
}

export const valueKey = (st) => valueKeys[stepKind(st)];

// A step of `kind`, keeping the value typed in `previous` where it fits.
export function stepOf(kind, previous) {
  if (kind === 'rows') return { thin: 'rows', one_in: '3' };
  if (kind === 'fell') return { fell: true };
  const typed = previous && stepKind(previous) !== 'rows' && previous[valueKey(previous)];
  const value = typed || '';
  return kind === 'selective' ? { thin: 'selective', residual_basal_area: value } : { [kind]: value };
}

// The counts as typed (separated by blanks, commas or semicolons) and back.
export const countsOf = (text) => text.split(/[\s,;]+/).filter((x) => x !== '');
export const countsText = (counts) => counts.join(' ');
