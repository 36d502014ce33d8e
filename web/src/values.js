// What each run is worth, with prices and costs: the values table (one row
// per run, one cell per column of values.csv, each cell holding the text the
// file holds and showing it rounded as the C++ code rounds it) and a bar
// chart of one value of every run.
import { baseOptions, palette, runLabel } from './charts.js';
import { makeChart } from './chartjs.js';
import { h } from './dom.js';
import { t } from './i18n.js';

// A column's heading: its words, and its name in values.csv.
function heading(column) {
  const words = t().valueColumns[column.name] || column.name;
  return h('th', { scope: 'col', 'data-col': column.name }, words, h('br'), h('code', { text: column.name }));
}

export function valuesTable(columns, runs) {
  const row = (run) =>
    h(
      'tr',
      { class: 'value-row', 'data-stand': run.stand, 'data-regime': run.regime },
      run.values.map((c) => h('td', { 'data-col': c.col, 'data-value': c.value, text: c.shown })),
    );
  return h(
    'table',
    { class: 'values-table' },
    h('caption', { text: t().valuesCaption }),
    h('thead', {}, h('tr', {}, columns.map(heading))),
    h('tbody', {}, runs.map(row)),
  );
}

// The columns the chart can show: the values (not the stand, nor the regime).
const charted = (columns) => columns.filter((c) => c.name !== 'stand' && c.name !== 'regime');

export class ValueChart {
  constructor(container, tick) {
    this.container = container;
    this.tick = tick;
    this.chart = null;
    this.column = 'npv';
  }

  // The choice of the value and the chart's canvas, made once.
  ensure() {
    if (this.chart) return;
    this.select = h('select', {
      id: 'value-column',
      onchange: (e) => {
        this.column = e.target.value;
        this.draw();
      },
    });
    const canvas = h('canvas', { role: 'img' });
    this.container.append(
      h('div', { class: 'field' }, h('label', { for: 'value-column', id: 'value-column-label' }), this.select),
      h('figure', { class: 'chart chart-wide' }, canvas),
    );
    const options = baseOptions(this.tick, '', '', '');
    options.scales.x.ticks = {};
    options.plugins.legend.display = false;
    options.plugins.tooltip.callbacks = { label: (item) => item.raw.shown };
    options.parsing = { xAxisKey: 'x', yAxisKey: 'y' };
    this.chart = makeChart(canvas, { type: 'bar', data: { labels: [], datasets: [] }, options });
  }

  // The first chart is made once the results are painted.
  show(columns, runs) {
    this.columns = charted(columns);
    this.runs = runs;
    if (!this.columns.some((c) => c.name === this.column)) this.column = 'npv';
    if (this.chart) {
      this.fill();
    } else if (!this.waiting) {
      this.waiting = true;
      requestAnimationFrame(() =>
        setTimeout(() => {
          this.ensure();
          this.fill();
        }),
      );
    }
  }

  // The choice of the value, and the chart of the one chosen.
  fill() {
    const words = t();
    $label(this.container).textContent = words.valueChartOf;
    this.select.replaceChildren(
      ...this.columns.map((c) =>
        h('option', { value: c.name, text: words.valueColumns[c.name] || c.name, selected: c.name === this.column }),
      ),
    );
    this.draw();
  }

  // One bar per run: the value's number, its text in the tooltip; none where
  // the run has no value.
  draw() {
    const words = t();
    const title = words.valueColumns[this.column] || this.column;
    const chart = this.chart;
    chart.options.plugins.title.text = title;
    chart.options.scales.y.title.text = title;
    chart.canvas.setAttribute('aria-label', `${title} / ${words.valuesCaption}`);
    const labels = this.runs.map(runLabel);
    const cell = (run) => run.values.find((c) => c.col === this.column);
    chart.data = {
      labels,
      datasets: [
        {
          label: title,
          backgroundColor: this.runs.map((run, i) => palette[i % palette.length]),
          data: this.runs.map((run, i) => ({ x: labels[i], y: cell(run).number ?? null, shown: cell(run).shown })),
        },
      ],
    };
    chart.update('none');
  }
}

const $label = (container) => container.querySelector('#value-column-label');
