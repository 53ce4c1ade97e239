// The speed peer in JavaScript: SheetJS (npm package "xlsx", installed by scripts/bench into the
// bench build folder) reads the workbook with its formatted cell texts, and the trades are classified
// and summed per size bucket as the statistics run does. Prints the day's totals.
//   NODE_PATH=build-bench/node_modules node bench/peer_sheetjs.js WORKBOOK
'use strict';
const XLSX = require('xlsx');

const book = XLSX.readFile(process.argv[2]);
const sheet = book.Sheets[book.SheetNames[0]];
function text(row, column) {
  const cell = sheet[XLSX.utils.encode_cell({r: row - 1, c: column - 1})];
  return cell === undefined ? '' : cell.w !== undefined ? cell.w : String(cell.v);
}

const sums = {};
for (const name of ['inflow', 'outflow', 'uncertain', 'up', 'down']) sums[name] = Array.from({length: 11}, () => [0, 0]);
const directionColumn = text(8, 4) ? 5 : 4;
let reference = 0;
for (let row = 6; text(row, 1); ++row) {
  const direction = text(row, directionColumn);
  const lots = parseFloat(text(row, 3));
  const price = parseFloat(text(row, 2));
  const bucket = Math.min(Math.floor(lots / 100), 10);
  const add = (name) => { sums[name][bucket][0] += lots; sums[name][bucket][1] += lots * price / 100; };
  if (direction === 'S') add('outflow');
  else if (direction) add('inflow');
  else {
    add('uncertain');
    if (price > reference) add('up');
    else if (price < reference) add('down');
  }
  reference = price;
}
const total = (name) => sums[name].reduce((s, b) => s + b[0], 0);
console.log(`inflow ${total('inflow')} outflow ${total('outflow')} uncertain ${total('uncertain')}`);
