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

// ---- the stands a regime runs on ---------------------------------------------

// A regime's `stands` key, between its id and its steps as the file writes
// it; none chosen: the key goes, and the regime runs on every stand.
export function setRegimeStands(r, ids) {
  const { id, steps } = r;
  for (const k of Object.keys(r)) delete r[k];
  Object.assign(r, ids.length ? { id, stands: ids, steps } : { id, steps });
}

// A stand renamed: the regimes that name it follow.
export function renameStand(regimes, from, to) {
  for (const r of regimes) if (r.stands) r.stands = r.stands.map((id) => (id === from ? to : id));
}

// ---- prices and costs ([economics]) ---------------------------------------------

// The keys of the [economics] table, in the file's order. A key left blank
// is not given (0); with every key blank there is no table.
export const economicsKeys = [
  'discount_rate',
  'sawlog',
  'roundwood',
  'residue',
  'thinning',
  'thinning_per_m3',
  'felling',
  'felling_per_m3',
  'annual',
  'establishment',
  'land_value',
  'fire_hazard',
];

// ---- the search space ([optimize]) ----------------------------------------------

export const objectives = ['lev', 'npv', 'mai_vol_tot', 'mai_vol_rol', 'mai_vol_mad'];

// The space `zireze optimize` searches without an [optimize] table, as the
// file writes it.
export function defaultSpace() {
  return {
    objective: 'lev',
    thinnings: '3',
    row_thinning: false,
    earliest_thinning: '12',
    min_interval: '5',
    min_removal: '0.1',
    max_removal: '0.4',
    min_residual_basal_area: '10',
    rotation: ['30', '70'],
  };
}

// The number keys of the space after the objective, the row thinning and
// before the felling ages.
export const spaceNumberKeys = ['earliest_thinning', 'min_interval', 'min_removal', 'max_removal', 'min_residual_basal_area'];

// ---- the form as plain data --------------------------------------------------------

// A table without its blank values; none when nothing is left.
function filled(table) {
  if (!table) return undefined;
  const kept = Object.entries(table).filter(([, v]) => !(typeof v === 'string' && v.trim() === ''));
  return kept.length ? Object.fromEntries(kept) : undefined;
}

// The plain data the C++ code writes as the scenario file, in the file's
// order: the plots file chosen (stands_csv), the [economics] and [optimize]
// tables without their blank values (`space`: the search space to write,
// when the form has none of its own), the stands typed.
export function formData(model, space = model.optimize) {
  const data = { bark: model.bark };
  if (model.stands_csv) data.stands_csv = model.stands_csv;
  const economics = filled(model.economics);
  if (economics) data.economics = economics;
  const optimize = filled(space);
  if (optimize) data.optimize = optimize;
  if (model.stand.length) data.stand = model.stand;
  if (model.regime && model.regime.length) data.regime = model.regime;
  return data;
}
