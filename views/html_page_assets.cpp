#include "views/html_page_assets.h"

const char* const kPageStyle = R"(
body { font: 13px/1.35 system-ui, sans-serif; color: #1a1a1a; margin: 16px 0; padding: 0 24px; }
h1 { font-size: 20px; } h2 { font-size: 16px; margin-top: 28px; } h3 { font-size: 14px; margin: 18px 0 6px; }
table { border-collapse: collapse; margin: 6px 0; width: 100%; }
table.facts { width: auto; }
th, td { border: 1px solid #ccc; padding: 2px 6px; text-align: left; vertical-align: top; overflow-wrap: break-word; }
th { background: #eef1f5; }
td:first-child { white-space: nowrap; }
td.n { text-align: right; font-variant-numeric: tabular-nums; }
@media screen { td.w { white-space: nowrap; } }
table.sortable th { cursor: pointer; }
th[aria-sort=ascending]::after { content: " \25B2"; } th[aria-sort=descending]::after { content: " \25BC"; }
.note { color: #7a4b00; }
ul.warnings li, tr.scanning td:first-child { color: #a02020; }
.charts { display: grid; grid-template-columns: repeat(auto-fill, minmax(340px, 1fr)); gap: 12px 20px; align-items: start; }
figure { margin: 0; min-width: 0; }
svg { max-width: 100%; height: auto; }
svg.chart { display: block; width: 100%; font-size: 10px; background: #fff; }
svg.talkers { display: block; }
svg .axis { fill: none; stroke: #444; }
svg .chart-title { font-weight: bold; font-size: 11px; }
svg .tick-label.x, svg .axis-label { text-anchor: middle; }
svg .tick-label.y { text-anchor: end; }
svg .legend { text-anchor: end; }
svg .bar { fill: #4a7bb7; }
svg .bar:hover { fill: #1d4f8c; }
svg .line { fill: none; stroke-width: 1.2; }
svg .value, svg .requests { stroke: #1d6fb8; }
svg .exceptions { stroke: #c0392b; }
@media screen and (min-width: 1400px) {
  body { display: grid; grid-template-columns: minmax(0, auto) minmax(0, 1fr); column-gap: 40px; align-items: start; }
  body > * { grid-column: 1 / -1; }
  body > #capture { grid-column: 1; grid-row: span 2; }
  body > #devices, body > #who-talks { grid-column: 2; }
}
@page { size: A4; margin: 12mm; }
@media print {
  body { margin: 0; padding: 0; font-size: 10px; }
  .charts { grid-template-columns: repeat(2, minmax(0, 1fr)); gap: 8px 12px; }
  table { page-break-inside: auto; }
  th, td { padding: 1px 3px; }
  th { font-size: 8.5px; padding: 1px 2px; }
  tr, figure, svg { page-break-inside: avoid; break-inside: avoid; }
  thead { display: table-header-group; }
  h2, h3 { page-break-after: avoid; break-after: avoid; }
  table.sortable th { cursor: auto; }
}
)";

const char* const kPageScript = R"(
(function () {
  function key(row, column) {
    var text = row.cells[column] ? row.cells[column].textContent.trim() : '';
    var number = Number(text);
    return text !== '' && !isNaN(number) ? number : text;
  }
  function sort(th) {
    var table = th.closest('table');
    var body = table.tBodies[0];
    var ascending = th.getAttribute('aria-sort') !== 'ascending';
    Array.prototype.forEach.call(table.querySelectorAll('th'), function (other) {
      other.removeAttribute('aria-sort');
    });
    th.setAttribute('aria-sort', ascending ? 'ascending' : 'descending');
    var rows = Array.prototype.slice.call(body.rows);
    rows.sort(function (a, b) {
      var x = key(a, th.cellIndex), y = key(b, th.cellIndex);
      var order = typeof x === 'number' && typeof y === 'number' ? x - y
                                                                  : String(x).localeCompare(String(y));
      return ascending ? order : -order;
    });
    rows.forEach(function (row) { body.appendChild(row); });
  }
  Array.prototype.forEach.call(document.querySelectorAll('table.sortable thead th'), function (th) {
    th.tabIndex = 0;
    th.title = 'Sort by this column';
    th.addEventListener('click', function () { sort(th); });
    th.addEventListener('keydown', function (event) { if (event.key === 'Enter') { sort(th); } });
  });
})();
)";
