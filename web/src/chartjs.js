// Chart.js, read when the first chart is made, not before the first tables:
// the page holds its script as text (assemble.mjs), run here once, with the
// parts of it the charts use registered.
let chartJs = null;

function library() {
  if (!chartJs) {
    const script = document.createElement('script');
    script.textContent = document.getElementById('zireze-chartjs').textContent;
    document.head.append(script);
    chartJs = window.zirezeChartJs;
    const { Chart, ...parts } = chartJs;
    Chart.register(...Object.values(parts));
  }
  return chartJs;
}

// A chart of Chart.js on `canvas`.
export const makeChart = (canvas, config) => new (library().Chart)(canvas, config);
