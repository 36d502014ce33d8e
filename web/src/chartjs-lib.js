// The parts of Chart.js the page's charts use, as one script of their own
// (window.zirezeChartJs), which src/chartjs.js runs when the first chart is made.
export {
  BarController,
  BarElement,
  CategoryScale,
  Chart,
  Legend,
  LinearScale,
  LineController,
  LineElement,
  PointElement,
  Title,
  Tooltip,
} from 'chart.js';
