// The charts: the development of the stand against age (one line per run,
// thinnings and the felling marked, what they removed in the tooltips) and
// the diameter distribution of a state (before and after a thinning).
// Chart.js draws; every number it writes (ticks, tooltips) is text from the
// WebAssembly.
import { makeChart } from './chartjs.js';
import { t } from './i18n.js';

export const palette = ['#1b6e3a', '#b5541c', '#2d5fa8', '#8a2f7c', '#6b6b14', '#0f7f86', '#a4243b', '#555'];

// The development charts: the figure of kStandColumns each one plots, the
// removal shown beside it, and its title.
const metrics = [
  { column: 'ts', removed: 'removed_ts', title: 'chartTrees' },
  { column: 'ba', removed: 'removed_ba', title: 'chartBasalArea' },
  { column: 'hd', removed: null, title: 'chartHeight' },
  { column: 'vol_tot', removed: 'removed_vol_tot', title: 'chartVolTot' },
  { column: 'vol_rol', removed: 'removed_vol_rol', title: 'chartVolRol' },
  { column: 'vol_mad', removed: 'removed_vol_mad', title: 'chartVolMad' },
];

// A tick as the tables write figures (the WebAssembly's layout), with as
// many decimals as the spacing of the ticks needs.
function tickCallback(tick) {
  return (value, index, ticks) => {
    const step = ticks.length > 1 ? Math.abs(ticks[1].value - ticks[0].value) : 1;
    const decimals = step >= 1 || !(step > 0) ? 0 : Math.min(4, Math.ceil(-Math.log10(step) - 1e-9));
    return tick(value, decimals);
  };
}

export function baseOptions(tick, title, xTitle, yTitle) {
  return {
    animation: false,
    responsive: true,
    maintainAspectRatio: false,
    plugins: {
      title: { display: true, text: title },
      legend: { display: true, position: 'bottom' },
      tooltip: {},
    },
    scales: {
      x: { title: { display: true, text: xTitle }, ticks: { callback: tickCallback(tick) } },
      y: { title: { display: true, text: yTitle }, ticks: { callback: tickCallback(tick) } },
    },
  };
}

export class Charts {
  constructor(container, distributionContainer, tick) {
    this.container = container;
    this.distContainer = distributionContainer;
    this.tick = tick;
    this.charts = [];
    this.dist = null;
    this.states = [];
    this.generation = 0;
  }

  // Creates the canvases once; each chart is made when first drawn, and
  // later results only change its data.
  ensure() {
    if (this.charts.length) return;
    for (const m of metrics) {
      const figure = document.createElement('figure');
      figure.className = 'chart';
      const canvas = document.createElement('canvas');
      canvas.setAttribute('role', 'img');
      figure.append(canvas);
      this.container.append(figure);
      this.charts.push({ metric: m, canvas, chart: null });
    }
    const label = document.createElement('label');
    label.htmlFor = 'dist-state';
    label.id = 'dist-label';
    const select = document.createElement('select');
    select.id = 'dist-state';
    select.addEventListener('change', () => this.drawDistribution());
    const figure = document.createElement('figure');
    figure.className = 'chart chart-wide';
    const canvas = document.createElement('canvas');
    canvas.setAttribute('role', 'img');
    figure.append(canvas);
    this.distContainer.append(label, select, figure);
    this.select = select;
    const options = baseOptions(this.tick, '', '', '');
    options.scales.x.ticks = {};
    options.plugins.tooltip.callbacks = {
      title: (items) => (items.length ? `${t().classAxis}: ${items[0].label}` : ''),
      label: (item) => `${item.dataset.label}: ${item.raw.shown}`,
    };
    options.parsing = { xAxisKey: 'x', yAxisKey: 'y' };
    this.dist = makeChart(canvas, { type: 'bar', data: { labels: [], datasets: [] }, options });
  }

  // Draws the charts of new results, one chart per task, so that the page
  // answers input between them; newer results cancel what is left. The
  // first results are painted before the charts are made.
  show(runs) {
    const generation = ++this.generation;
    const jobs = metrics.map((m, i) => () => {
      this.ensure();
      this.drawMetric(this.charts[i], runs);
    });
    jobs.push(() => this.choose(runs));
    const next = () => {
      if (generation !== this.generation || !jobs.length) {
        if (!jobs.length) performance.mark('zireze-charts');
        return;
      }
      jobs.shift()();
      setTimeout(next, 0);
    };
    if (this.charts.length) setTimeout(next, 0);
    else requestAnimationFrame(() => setTimeout(next, 0));
  }

  makeMetricChart(slot) {
    const options = baseOptions(this.tick, '', '', '');
    options.scales.x.type = 'linear';
    options.plugins.tooltip.callbacks = {
      title: (items) => (items.length ? `${t().ageAxis}: ${items[0].raw.sx}` : ''),
      label: (item) => {
        const r = item.raw;
        let s = `${item.dataset.label}: ${r.sy}`;
        if (r.removed) s += ` (${t().removed} ${r.removed})`;
        return s;
      },
    };
    slot.chart = makeChart(slot.canvas, { type: 'line', data: { datasets: [] }, options });
  }

  drawMetric(slot, runs) {
    if (!slot.chart) this.makeMetricChart(slot);
    const chart = slot.chart;
    const words = t();
    const m = slot.metric;
    chart.options.plugins.title.text = words[m.title];
    chart.options.scales.x.title.text = words.ageAxis;
    chart.options.scales.y.title.text = words[m.title];
    chart.canvas.setAttribute('aria-label', `${words[m.title]} / ${words.ageAxis}`);
    chart.data.datasets = runs.map((run, i) => {
      const color = palette[i % palette.length];
      return {
        label: runLabel(run),
        borderColor: color,
        backgroundColor: color,
        data: run.states.map((s) => ({
          x: s.values.age,
          y: s.values[m.column],
          sx: s.shown.age,
          sy: s.shown[m.column],
          removed: m.removed && s.shown[m.removed] !== undefined ? s.shown[m.removed] : '',
        })),
        pointStyle: run.states.map((s) => (s.shown.removed_ts !== undefined ? 'triangle' : 'circle')),
        pointRadius: run.states.map((s) => (s.shown.removed_ts !== undefined ? 7 : 3)),
      };
    });
    chart.update('none');
  }

  choose(runs) {
    const words = t();
    // The states of every run, for the distribution's choice.
    const previous = this.select.value;
    this.states = [];
    this.select.textContent = '';
    runs.forEach((run, r) =>
      run.states.forEach((s, k) => {
        const option = document.createElement('option');
        option.value = `${r}.${k}`;
        option.textContent = `${runLabel(run)} — ${words.step} ${s.step} (${words.events[s.event]}, ${words.ageAxis} ${s.shown.age})`;
        this.select.append(option);
        this.states.push({ key: option.value, run, k });
      }),
    );
    // The first thinning shows before and after; else the last state.
    const firstThinning = this.states.find((x) => x.run.states[x.k].event === 'thinned');
    const keep = this.states.find((x) => x.key === previous);
    const chosen = keep || firstThinning || this.states[this.states.length - 1];
    if (chosen) this.select.value = chosen.key;
    document.getElementById('dist-label').textContent = words.distributionOf;
    this.drawDistribution();
  }

  drawDistribution() {
    const words = t();
    const chosen = this.states.find((x) => x.key === this.select.value);
    const chart = this.dist;
    chart.options.plugins.title.text = words.distribution;
    chart.options.scales.x.title.text = words.classAxis;
    chart.options.scales.y.title.text = words.treesAxis;
    chart.canvas.setAttribute('aria-label', words.distribution);
    if (!chosen) {
      chart.data = { labels: [], datasets: [] };
      chart.update('none');
      return;
    }
    const state = chosen.run.states[chosen.k];
    const shown = [];
    if (state.event === 'thinned' && chosen.k > 0)
      shown.push({ label: words.before, state: chosen.run.states[chosen.k - 1], color: '#b5541c' });
    shown.push({
      label: state.event === 'thinned' ? words.after : words.events[state.event],
      state,
      color: '#1b6e3a',
    });
    // The classes of both states, by centre, each named by its table cell.
    const centres = new Map();
    for (const s of shown)
      s.state.class_values.forEach(([dap], i) => centres.set(dap, s.state.classes[i][0]));
    const order = [...centres.keys()].sort((a, b) => a - b);
    chart.data = {
      labels: order.map((d) => centres.get(d)),
      datasets: shown.map((s) => ({
        label: s.label,
        backgroundColor: s.color,
        data: order.map((d) => {
          const i = s.state.class_values.findIndex(([dap]) => dap === d);
          return i < 0
            ? { x: centres.get(d), y: 0, shown: '' }
            : { x: centres.get(d), y: s.state.class_values[i][1], shown: s.state.classes[i][1] };
        }),
      })),
    };
    chart.update('none');
  }
}

export function runLabel(run) {
  return run.regime ? `${run.stand} · ${run.regime}` : `${run.stand} ${t().noRegime}`;
}
