'use strict';
// What check-page.js reads and measures inside the page. Each function runs in the page on its
// own (it is sent as text), so it uses nothing from this file's scope and returns plain data.

// The page's tables, charts and diagram as data. Chart geometry is in each SVG's user units:
// every element's coordinates are carried through its transforms to the SVG's.
function readPage() {
    const cells = (row) => Array.from(row.cells, (cell) => cell.textContent.trim());
    const devices = Array.from(document.querySelectorAll('#device-table tbody tr'), cells);
    // From an element's own coordinates to its SVG's user units.
    const toSvg = (svg, element) => {
        const matrix = svg.getScreenCTM().inverse().multiply(element.getScreenCTM());
        return (x, y) => {
            const p = new DOMPoint(x, y).matrixTransform(matrix);
            return [p.x, p.y];
        };
    };
    const plotOf = (svg) => {
        const rect = svg.querySelector('rect.plot');
        if (!rect) {
            return null;
        }
        const map = toSvg(svg, rect);
        const b = rect.getBBox();
        const [x0, y0] = map(b.x, b.y);
        const [x1, y1] = map(b.x + b.width, b.y + b.height);
        return { x: Math.min(x0, x1), y: Math.min(y0, y1), width: Math.abs(x1 - x0),
            height: Math.abs(y1 - y0) };
    };
    // Subpaths of absolute M/L/H/V commands (Z closes back); relative commands are flagged.
    const pathPoints = (d) => {
        const subpaths = [];
        let relative = false;
        let current = null;
        let x = 0;
        let y = 0;
        const commands = d.match(/[a-zA-Z][^a-zA-Z]*/g) || [];
        for (const command of commands) {
            const letter = command[0];
            const numbers = (command.slice(1).match(/[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?/g) || [])
                .map(Number);
            if (letter !== letter.toUpperCase()) {
                relative = true;
                continue;
            }
            if (letter === 'M' || letter === 'L') {
                for (let i = 0; i + 1 < numbers.length; i += 2) {
                    x = numbers[i];
                    y = numbers[i + 1];
                    if (letter === 'M' && i === 0) {
                        current = [];
                        subpaths.push(current);
                    }
                    current.push([x, y]);
                }
            } else if (letter === 'H' || letter === 'V') {
                for (const n of numbers) {
                    letter === 'H' ? (x = n) : (y = n);
                    current.push([x, y]);
                }
            } else if (letter === 'Z' && current && current.length > 0) {
                current.push(current[0].slice());
            } else {
                relative = true;  // curves and arcs cannot be read back as points
            }
        }
        return { subpaths, relative };
    };
    const seriesOf = (svg, element) => {
        const shapes = element.matches('path, polyline') ? [element]
            : Array.from(element.querySelectorAll('path, polyline'));
        const subpaths = [];
        let relative = false;
        for (const shape of shapes) {
            const map = toSvg(svg, shape);
            let read;
            if (shape.tagName === 'polyline') {
                const n = (shape.getAttribute('points').match(/[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?/g) || [])
                    .map(Number);
                const points = [];
                for (let i = 0; i + 1 < n.length; i += 2) {
                    points.push([n[i], n[i + 1]]);
                }
                read = { subpaths: [points], relative: false };
            } else {
                read = pathPoints(shape.getAttribute('d') || '');
            }
            relative = relative || read.relative;
            subpaths.push(...read.subpaths.map((points) => points.map(([x, y]) => map(x, y))));
        }
        return { name: element.getAttribute('data-name'), subpaths, relative };
    };
    const number = (svg, name) => (svg.hasAttribute(name) ? Number(svg.getAttribute(name)) : NaN);
    const charts = Array.from(document.querySelectorAll('svg.chart'), (svg) => ({
        title: ((svg.querySelector(':scope > title') || {}).textContent || '').slice(0, 80),
        plot: Boolean(svg.querySelector('rect.plot')),
        axisLabels: Array.from(svg.querySelectorAll('text.axis-label'), (t) => t.textContent),
        drawn: Array.from(svg.querySelectorAll('.series, path.line, rect.bar'), (mark) => {
            const box = mark.getBBox();
            return box.width + box.height;
        }).filter((size) => size > 0).length,
    }));
    const timeCharts = Array.from(document.querySelectorAll('svg.chart[data-t0]'), (svg) => ({
        raw: Array.from(svg.attributes, (a) => `${a.name}=${a.value}`).join(' '),
        t0: number(svg, 'data-t0'),
        t1: number(svg, 'data-t1'),
        v0: number(svg, 'data-v0'),
        v1: number(svg, 'data-v1'),
        plot: plotOf(svg),
        series: Array.from(svg.querySelectorAll('.series[data-name]'), (s) => seriesOf(svg, s)),
        writeMarks: Array.from(svg.querySelectorAll('g.write-mark'), (g) => {
            const b = g.getBBox();
            const [x] = toSvg(svg, g)(b.x + b.width / 2, b.y);
            return { time: Number(g.getAttribute('data-time')), client: g.getAttribute('data-client'),
                title: (g.querySelector('title') || {}).textContent || '', x };
        }),
    })).filter((chart) => chart.plot !== null);
    const histograms = Array.from(document.querySelectorAll('svg.histogram'), (svg) => ({
        ms0: svg.getAttribute('data-ms0'), ms1: svg.getAttribute('data-ms1') }));
    const clientsTable = document.querySelector('table#clients');
    const clients = clientsTable && Array.from(clientsTable.querySelectorAll('tr[data-client]'),
        (row) => ({
            client: row.getAttribute('data-client'),
            cells: Object.fromEntries(Array.from(row.querySelectorAll('[data-col]'),
                (cell) => [cell.getAttribute('data-col'), cell.textContent.trim()])),
        }));
    const talkersSvg = document.querySelector('svg#talkers');
    const talkers = talkersSvg && {
        nodes: Array.from(talkersSvg.querySelectorAll('g.node'),
            (g) => `${g.getAttribute('data-kind')} ${g.getAttribute('data-name')}`),
        edges: Array.from(talkersSvg.querySelectorAll('g.edge'),
            (g) => `${g.getAttribute('data-from')} -> ${g.getAttribute('data-to')}`),
    };
    return {
        devices,
        charts,
        timeCharts,
        histograms,
        clients,
        talkers,
        // Rows a reader sees without opening anything (a closed <details> hides its table).
        tableRows: Array.from(document.querySelectorAll('table'), (t) => ({
            id: t.id,
            rows: Array.from(t.rows).filter((row) => row.checkVisibility()).length,
        })),
        notes: Array.from(document.querySelectorAll('.note'), (n) => n.textContent.trim()),
    };
}

// What reads badly at the current window: text outside its SVG, text over text or over a chart's
// plot rect, anything reaching past the window's right edge.
function layoutProblems() {
    const problems = [];
    const slack = 0.5;
    const name = (e) => {
        const svg = e.closest('svg');
        const owner = svg ? (svg.querySelector(':scope > title') || {}).textContent || svg.id || 'svg' : '';
        return `${e.tagName}${e.id ? '#' + e.id : ''}${e.getAttribute('class') ? '.' + e.getAttribute('class').replace(/ /g, '.') : ''}` +
            `${e.tagName === 'text' ? ` "${e.textContent.slice(0, 30)}"` : ''}${owner ? ` in "${owner.slice(0, 60)}"` : ''}`;
    };
    const overlap = (a, b) => Math.min(a.right, b.right) - Math.max(a.left, b.left) > slack &&
        Math.min(a.bottom, b.bottom) - Math.max(a.top, b.top) > slack;
    const inside = (inner, outer) => inner.left >= outer.left - slack && inner.right <= outer.right + slack &&
        inner.top >= outer.top - slack && inner.bottom <= outer.bottom + slack;
    for (const svg of document.querySelectorAll('svg')) {
        const box = svg.getBoundingClientRect();
        if (box.width === 0 || box.height === 0) {
            continue;
        }
        const texts = Array.from(svg.querySelectorAll('text'))
            .map((t) => ({ t, r: t.getBoundingClientRect() }))
            .filter(({ r }) => r.width > 0 && r.height > 0);
        const plot = svg.querySelector('rect.plot');
        const plotBox = plot && plot.getBoundingClientRect();
        texts.forEach(({ t, r }, i) => {
            if (!inside(r, box)) {
                problems.push(`${name(t)} lies outside its SVG`);
            }
            if (plotBox && overlap(r, plotBox) && !t.closest('.write-mark')) {
                problems.push(`${name(t)} overlaps the plot`);
            }
            for (const other of texts.slice(i + 1)) {
                if (overlap(r, other.r)) {
                    problems.push(`${name(t)} overlaps ${name(other.t)}`);
                }
            }
        });
    }
    const width = document.documentElement.clientWidth;
    if (document.documentElement.scrollWidth > width + 1) {
        problems.push(`the page is ${document.documentElement.scrollWidth} px wide in a ${width} px window`);
    }
    // Only the outermost element past the edge is named.
    for (const e of document.body.querySelectorAll('*')) {
        const r = e.getBoundingClientRect();
        if (r.width > 0 && r.right > width + 1 && e.parentElement.getBoundingClientRect().right <= width + 1) {
            problems.push(`${name(e)} reaches ${Math.round(r.right)} px in a ${width} px window`);
        }
    }
    return problems;
}

// How much of a wide window the page uses, and whether a device's charts sit side by side.
function widthUsed() {
    const content = document.querySelector('main') || document.body;
    let sideBySide = null;
    for (const group of document.querySelectorAll('.charts')) {
        const tops = Array.from(group.querySelectorAll(':scope > figure'), (f) => Math.round(f.getBoundingClientRect().top));
        if (tops.length >= 2) {
            sideBySide = sideBySide || new Set(tops).size < tops.length;
        }
    }
    return { window: document.documentElement.clientWidth,
        body: Math.round(content.getBoundingClientRect().width), sideBySide };
}

// What a reader without script sees the same: the tables' rows, the charts and their marks.
function contentCounts() {
    return {
        tables: Array.from(document.querySelectorAll('table'), (t) => t.rows.length),
        svgs: document.querySelectorAll('svg').length,
        series: document.querySelectorAll('.series').length,
        text: document.body.innerText.replace(/[\u25B2\u25BC]/g, '').replace(/\s+/g, ' ').length,
    };
}

// Clicks the device table's Requests heading; the sort it then shows.
function sortByRequests() {
    const header = document.querySelectorAll('#device-table th')[3];
    if (!header) {
        return null;
    }
    header.click();
    return header.getAttribute('aria-sort');
}

module.exports = { readPage, layoutProblems, widthUsed, contentCounts, sortByRequests };
