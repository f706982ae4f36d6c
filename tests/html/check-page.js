'use strict';
// Opens an HTML report in headless Chromium through the DevTools protocol, the network off, and
// checks it as a reader would see it. Run by check-page.sh with node's WebSocket.
//
//   node check-page.js CHROMIUM PAGE SUMMARY TRANSACTIONS SCREENSHOT STORY FACTS
//
// Every page: no request but itself, no console error, CR LF line ends and its CSP; the same
// tables and charts without script; the device table's counts those of the summary's devices[];
// the clients table and the talkers diagram those of the summary's clients[] and devices[] (the
// exceptions counted from the transaction log); every chart with a title, a plot rect and data;
// no <text> outside its SVG, over another one or over a chart's plot rect; nothing wider than
// the window at 1280 px, the page using a 1920 px screen, fitting A4 in print; one
// response-time range on every histogram. STORY names what else the crafted capture must show
// (see make_page_captures.py; FACTS is its JSON): 'step', 'coil', 'slow-poll', 'write-only'.
// Saves a screenshot (PNG) of the page at 1280 px, and beside the page the top of it at 1920 px
// (report-1920.png) and the page printed on A4, as a PDF and as a PNG of the print layout
// (report.pdf, report-print.png).

const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const geometry = require('./page-geometry.js');

const [chromium, page, summaryPath, transactionsPath, screenshot, story, factsJson] =
    process.argv.slice(2);
const facts = factsJson ? JSON.parse(factsJson) : {};
const problems = [];

function browser() {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'zep-html-'));
    const child = spawn(chromium, ['--headless', '--disable-gpu', '--no-sandbox',
        '--remote-debugging-port=0', `--user-data-dir=${profile}`, '--window-size=1280,2000',
        '--hide-scrollbars', 'about:blank'], { stdio: ['ignore', 'ignore', 'pipe'] });
    return new Promise((resolve, reject) => {
        let text = '';
        const timer = setTimeout(() => reject(new Error(`no DevTools address:\n${text}`)), 30000);
        child.stderr.on('data', (chunk) => {
            text += chunk;
            const found = /DevTools listening on (ws:\/\/\S+)/.exec(text);
            if (found) {
                clearTimeout(timer);
                resolve({ child, address: found[1], profile });
            }
        });
    });
}

// One DevTools connection: commands answered by id, events handed to `onEvent`.
function connect(address, onEvent) {
    const socket = new WebSocket(address);
    let next = 0;
    const waiting = new Map();
    socket.onmessage = (message) => {
        const data = JSON.parse(message.data);
        if (data.id !== undefined && waiting.has(data.id)) {
            const { resolve, reject } = waiting.get(data.id);
            waiting.delete(data.id);
            data.error ? reject(new Error(JSON.stringify(data.error))) : resolve(data.result);
        } else if (data.method) {
            onEvent(data);
        }
    };
    const send = (method, params = {}, sessionId) => new Promise((resolve, reject) => {
        next += 1;
        waiting.set(next, { resolve, reject });
        socket.send(JSON.stringify({ id: next, method, params, sessionId }));
    });
    return new Promise((resolve) => { socket.onopen = () => resolve({ send, socket }); });
}

// Opens the page in a new tab; `before` runs between attaching and navigating.
async function open(send, loads, url, before) {
    const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
    for (const domain of ['Page', 'Network', 'Runtime', 'Log']) {
        await send(`${domain}.enable`, {}, sessionId);
    }
    await send('Network.emulateNetworkConditions', {
        offline: true, latency: 0, downloadThroughput: -1, uploadThroughput: -1 }, sessionId);
    await before(sessionId);
    const load = new Promise((resolve) => loads.set(sessionId, resolve));
    await send('Page.navigate', { url }, sessionId);
    await Promise.race([load, new Promise((r) => setTimeout(r, 20000))]);
    const evaluate = async (fn, ...args) => {
        const expression = `(${fn})(...${JSON.stringify(args)})`;
        const { result, exceptionDetails } = await send('Runtime.evaluate',
            { expression, returnByValue: true }, sessionId);
        if (exceptionDetails) {
            throw new Error(`in the page: ${JSON.stringify(exceptionDetails)}`);
        }
        return result.value;
    };
    return { sessionId, evaluate };
}

function viewport(send, sessionId, width, height, media) {
    return Promise.all([
        send('Emulation.setDeviceMetricsOverride',
            { width, height, deviceScaleFactor: 1, mobile: false }, sessionId),
        send('Emulation.setEmulatedMedia', { media }, sessionId),
    ]);
}

function checkDevices(shown, summary) {
    const sum = (counts) => Object.values(counts).reduce((a, b) => a + b, 0);
    if (shown.length !== summary.devices.length) {
        problems.push(`${shown.length} device rows, the summary has ${summary.devices.length}`);
    }
    for (const device of summary.devices) {
        const row = shown.find((cells) => cells[0] === device.server && cells[1] === String(device.unit));
        if (!row) {
            problems.push(`no row for ${device.server} unit ${device.unit}`);
            continue;
        }
        const expected = [device.requests, sum(device.exceptions), sum(device.unanswered)].map(String);
        if (JSON.stringify(row.slice(3, 6)) !== JSON.stringify(expected)) {
            problems.push(`${device.server} unit ${device.unit}: ${row.slice(3, 6)} against ${expected}`);
        }
        const p50 = device.response_time_ms.p50;
        if (p50 !== null && Math.abs(Number(row[6]) - p50) > 0.0005 + 1e-9) {
            problems.push(`${device.server} unit ${device.unit}: p50 ${row[6]} against ${p50}`);
        }
    }
}

// The clients table and the talkers diagram against the summary of the same run; a client's
// exceptions are its transactions answered with one, counted in the transaction log.
function checkTalkers(shown, summary, transactions) {
    const exceptions = new Map();
    for (const t of transactions) {
        const client = t.client.replace(/:\d+$/, '').replace(/^\[|\]$/g, '');
        exceptions.set(client, (exceptions.get(client) || 0) + (t.exception !== null ? 1 : 0));
    }
    const rows = shown.clients;
    if (rows === null) {
        problems.push('no clients table (table#clients)');
    } else {
        if (rows.length !== summary.clients.length) {
            problems.push(`${rows.length} client rows, the summary has ${summary.clients.length}`);
        }
        for (const client of summary.clients) {
            const row = rows.find((r) => r.client === client.address);
            if (!row) {
                problems.push(`no clients row for ${client.address}`);
                continue;
            }
            const expected = {
                requests: client.requests.reduce((a, f) => a + f.requests, 0),
                writes: client.writes,
                exceptions: exceptions.get(client.address) || 0,
                devices: client.devices.length,
            };
            for (const [column, value] of Object.entries(expected)) {
                if (row.cells[column] !== String(value)) {
                    problems.push(`clients ${client.address} ${column}: ${row.cells[column]} against ${value}`);
                }
            }
        }
    }
    if (shown.talkers === null) {
        problems.push('no talkers diagram (svg#talkers)');
        return;
    }
    const unitName = (d) => `${d.server} unit ${d.unit}`;
    const expectedNodes = new Set([
        ...summary.clients.map((c) => `client ${c.address}`),
        ...summary.devices.map((d) => `server ${d.server}`),
        ...summary.devices.map((d) => `unit ${unitName(d)}`),
    ]);
    const expectedEdges = new Set([
        ...summary.clients.flatMap((c) => c.devices.map((d) => `${c.address} -> ${d.server}`)),
        ...summary.devices.map((d) => `${d.server} -> ${unitName(d)}`),
    ]);
    const compare = (what, drawn, expected) => {
        const drawnSet = new Set(drawn);
        const missing = [...expected].filter((x) => !drawnSet.has(x));
        const extra = [...drawnSet].filter((x) => !expected.has(x));
        if (missing.length > 0 || extra.length > 0 || drawn.length !== drawnSet.size) {
            problems.push(`talkers ${what}: missing ${JSON.stringify(missing)}, not in the summary ` +
                `${JSON.stringify(extra)}, ${drawn.length - drawnSet.size} drawn twice`);
        }
    };
    compare('nodes', shown.talkers.nodes, expectedNodes);
    compare('edges', shown.talkers.edges, expectedEdges);
}

function checkCharts(shown) {
    if (shown.charts.length === 0) {
        problems.push('no chart');
    }
    for (const chart of shown.charts) {
        if (!chart.title || !chart.plot || chart.axisLabels.length === 0 ||
            chart.axisLabels.some((l) => !l) || chart.drawn === 0) {
            problems.push(`chart ${JSON.stringify(chart)}`);
        }
    }
    const ranges = new Set(shown.histograms.map((h) => `${h.ms0} ${h.ms1}`));
    if (ranges.size > 1) {
        problems.push(`the histograms have ${ranges.size} ranges: ${[...ranges].join(', ')}`);
    }
    for (const h of shown.histograms) {
        if (!(Number(h.ms0) > 0 && Number(h.ms1) > Number(h.ms0))) {
            problems.push(`histogram range data-ms0 ${h.ms0} data-ms1 ${h.ms1}`);
        }
    }
}

function checkBytes(html) {
    const bare = html.split('\n').slice(0, -1).findIndex((line) => !line.endsWith('\r'));
    if (bare >= 0) {
        problems.push(`line ${bare + 1} ends in LF without CR`);
    }
    const csp = /<meta http-equiv="Content-Security-Policy" content="([^"]*)"/.exec(html);
    if (!csp || !/default-src 'none'/.test(csp[1])) {
        problems.push(`CSP: ${csp ? csp[1] : 'none'}`);
    }
}

// The series drawn as (time, value) points, subpath by subpath, from the chart's data-t0/t1/v0/v1
// and its plot rect.
function seriesPoints(chart, series) {
    return series.subpaths.map((points) => points.map(([x, y]) => [
        chart.t0 + (x - chart.plot.x) / chart.plot.width * (chart.t1 - chart.t0),
        chart.v0 + (chart.plot.y + chart.plot.height - y) / chart.plot.height * (chart.v1 - chart.v0),
    ]));
}

function findSeries(shown, matches, what) {
    for (const chart of shown.timeCharts) {
        const series = chart.series.find((s) => matches(s.name));
        if (series) {
            if (![chart.t0, chart.t1, chart.v0, chart.v1].every(Number.isFinite)) {
                problems.push(`${what}: the chart lacks data-t0/t1/v0/v1 (${JSON.stringify(chart.raw)})`);
                return null;
            }
            if (series.relative) {
                problems.push(`${what}: relative path commands`);
            }
            return { chart, series, subpaths: seriesPoints(chart, series) };
        }
    }
    problems.push(`no series ${what} (class="series" data-name) in a time chart`);
    return null;
}

// A level held from `from` to `until`, then another: each point's value that of its side of the
// change, the change drawn between `lastBefore` and `firstAfter` (the samples either side).
function checkLevels(what, found, { first, last, before, after, lastBefore, firstAfter }) {
    const { chart, subpaths } = found;
    const points = subpaths.flat();
    const slack = Math.max(1, 0.02 * (chart.t1 - chart.t0));
    const near = Math.abs(chart.v1 - chart.v0) * 0.01 + 1e-9;
    const text = (p) => `(${(p[0] - chart.t0).toFixed(2)} s, ${p[1].toFixed(3)})`;
    if (points.length < 2) {
        problems.push(`${what}: ${points.length} points drawn`);
        return;
    }
    const times = points.map((p) => p[0]);
    if (Math.min(...times) > first + slack) {
        problems.push(`${what}: drawn from ${text(points[0])}, the first sample is at ${(first - chart.t0).toFixed(2)} s`);
    }
    if (Math.max(...times) < last - slack) {
        problems.push(`${what}: drawn until ${(Math.max(...times) - chart.t0).toFixed(2)} s, the last sample is at ${(last - chart.t0).toFixed(2)} s`);
    }
    const low = Math.min(before, after) - near;
    const high = Math.max(before, after) + near;
    const early = points.filter((p) => p[0] < lastBefore - slack);
    const late = points.filter((p) => p[0] > firstAfter + slack);
    const outside = points.filter((p) => p[1] < low || p[1] > high);
    if (outside.length > 0) {
        problems.push(`${what}: drawn beyond ${before} and ${after}: ${outside.slice(0, 4).map(text)}`);
    }
    const wrongEarly = early.filter((p) => Math.abs(p[1] - before) > near);
    const wrongLate = late.filter((p) => Math.abs(p[1] - after) > near);
    if (early.length === 0 || wrongEarly.length > 0) {
        problems.push(`${what}: before the change not at ${before}: ${wrongEarly.slice(0, 4).map(text)}` +
            ` (${early.length} points)`);
    }
    if (late.length === 0 || wrongLate.length > 0) {
        problems.push(`${what}: after the change not at ${after}: ${wrongLate.slice(0, 4).map(text)}` +
            ` (${late.length} points)`);
    }
}

function isStep(found) {
    return found.series.subpaths.every((points) => points.every((p, i) => i === 0 ||
        Math.abs(p[0] - points[i - 1][0]) < 0.05 || Math.abs(p[1] - points[i - 1][1]) < 0.05));
}

const STORIES = {
    step(shown) {
        const found = findSeries(shown, (name) => name === '40001', 'register 40001');
        if (found) {
            checkLevels('40001', found, {
                first: facts.first, last: facts.last, before: facts.before, after: facts.after,
                lastBefore: facts.last_before, firstAfter: facts.first_after });
        }
    },
    coil(shown) {
        const bits = [
            ['coil 00001', (n) => Number(n) === 1, facts.coil_off_until, facts.coil_on_from],
            ['input 10001', (n) => Number(n) === 10001, facts.input_off_until, facts.input_on_from],
        ];
        for (const [what, matches, lastBefore, firstAfter] of bits) {
            const found = findSeries(shown, matches, what);
            if (!found) {
                continue;
            }
            if (found.chart.v0 !== 0 || found.chart.v1 !== 1) {
                problems.push(`${what}: data-v0 ${found.chart.v0} data-v1 ${found.chart.v1}, not 0 and 1`);
            }
            if (!isStep(found)) {
                problems.push(`${what}: not drawn as steps (a segment neither level nor upright)`);
            }
            checkLevels(what, found, { first: facts.first, last: facts.last, before: 0,
                after: 1, lastBefore, firstAfter });
            if (what.startsWith('coil')) {
                checkWriteMark(found.chart);
            }
        }
    },
    'slow-poll'(shown) {
        const found = findSeries(shown, (name) => name === 'requests', 'requests');
        if (!found) {
            return;
        }
        const away = 2 * facts.period;
        const inner = found.subpaths.flat().filter((p) =>
            p[0] > facts.first + away && p[0] < facts.last - away);
        const off = inner.filter((p) => Math.abs(p[1] - facts.rate) > 0.2 * facts.rate);
        if (inner.length === 0 || off.length > 0) {
            problems.push(`requests: ${off.length} of ${inner.length} points away from ` +
                `${facts.rate}/s by more than 20%, e.g. ${off.slice(0, 4).map((p) =>
                    `(${(p[0] - found.chart.t0).toFixed(1)} s, ${p[1].toFixed(3)}/s)`)}`);
        }
    },
    'write-only'(shown) {
        for (const table of shown.tableRows.filter((t) => t.rows > 101)) {
            problems.push(`table#${table.id} shows ${table.rows} rows: a write-only capture is summarised`);
        }
        if (!new RegExp(`\\b${facts.writes}\\b|1,500`).test(shown.notes.join(' '))) {
            problems.push(`no note counts the ${facts.writes} writes: ${JSON.stringify(shown.notes)}`);
        }
    },
};

function checkWriteMark(chart) {
    const marks = chart.writeMarks;
    const mark = marks.find((m) => Math.abs(m.time - facts.write_time) < 0.001);
    if (!mark) {
        problems.push(`no write mark at ${facts.write_time} on the coil's chart: ${JSON.stringify(marks)}`);
        return;
    }
    if (mark.client !== facts.write_client || !mark.title.includes(facts.write_client)) {
        problems.push(`write mark client ${mark.client}, title "${mark.title}", not ${facts.write_client}`);
    }
    const drawnAt = chart.t0 + (mark.x - chart.plot.x) / chart.plot.width * (chart.t1 - chart.t0);
    if (Math.abs(drawnAt - facts.write_time) > Math.max(0.5, 0.01 * (chart.t1 - chart.t0))) {
        problems.push(`write mark drawn at ${(drawnAt - chart.t0).toFixed(2)} s, written at ` +
            `${(facts.write_time - chart.t0).toFixed(2)} s`);
    }
}

function checkLayout(where, found) {
    for (const problem of found.slice(0, 12)) {
        problems.push(`${where}: ${problem}`);
    }
    if (found.length > 12) {
        problems.push(`${where}: ${found.length - 12} more layout problems`);
    }
}

async function main() {
    const html = fs.readFileSync(page, 'utf8');
    const summary = JSON.parse(fs.readFileSync(summaryPath, 'utf8'));
    const transactions = fs.readFileSync(transactionsPath, 'utf8').split('\n').filter((l) => l)
        .map((l) => JSON.parse(l));
    checkBytes(html);
    const { child, address, profile } = await browser();
    try {
        const requests = [];
        const errors = [];
        const loads = new Map();
        const { send, socket } = await connect(address, (event) => {
            const p = event.params;
            if (event.method === 'Network.requestWillBeSent') {
                requests.push(p.request.url);
            } else if (event.method === 'Runtime.consoleAPICalled' && p.type === 'error') {
                errors.push(p.args.map((a) => a.value).join(' '));
            } else if (event.method === 'Runtime.exceptionThrown') {
                errors.push(p.exceptionDetails.text);
            } else if (event.method === 'Log.entryAdded' && p.entry.level === 'error') {
                errors.push(p.entry.text);
            } else if (event.method === 'Page.loadEventFired' && loads.has(event.sessionId)) {
                loads.get(event.sessionId)();
            }
        });
        const url = `file://${path.resolve(page)}`;
        const tab = await open(send, loads, url,
            (sessionId) => viewport(send, sessionId, 1280, 900, 'screen'));
        const shown = await tab.evaluate(geometry.readPage);
        checkLayout('at 1280 px', await tab.evaluate(geometry.layoutProblems));
        const metrics = await send('Page.getLayoutMetrics', {}, tab.sessionId);
        // The whole page, up to a height Chromium still captures quickly.
        await viewport(send, tab.sessionId, 1280, Math.ceil(Math.min(metrics.cssContentSize.height, 6000)),
            'screen');
        const shot = await send('Page.captureScreenshot', { format: 'png' }, tab.sessionId);
        fs.writeFileSync(screenshot, Buffer.from(shot.data, 'base64'));
        const sorted = await tab.evaluate(geometry.sortByRequests);

        await viewport(send, tab.sessionId, 1920, 1200, 'screen');
        const wide = await tab.evaluate(geometry.widthUsed);
        if (wide.body < 0.85 * wide.window) {
            problems.push(`at ${wide.window} px the page is ${wide.body} px wide`);
        }
        if (wide.sideBySide === false) {
            problems.push(`at ${wide.window} px no two charts of a device side by side`);
        }
        checkLayout('at 1920 px', await tab.evaluate(geometry.layoutProblems));
        const wideShot = await send('Page.captureScreenshot', { format: 'png' }, tab.sessionId);
        fs.writeFileSync(page.replace(/\.html$/, '-1920.png'), Buffer.from(wideShot.data, 'base64'));
        // A4 less 12 mm margins, at 96 px per inch.
        await viewport(send, tab.sessionId, 703, 1000, 'print');
        checkLayout('printed on A4', await tab.evaluate(geometry.layoutProblems));
        const printed = await send('Page.getLayoutMetrics', {}, tab.sessionId);
        await viewport(send, tab.sessionId, 703, Math.ceil(Math.min(printed.cssContentSize.height, 6000)),
            'print');
        const printShot = await send('Page.captureScreenshot', { format: 'png' }, tab.sessionId);
        fs.writeFileSync(page.replace(/\.html$/, '-print.png'), Buffer.from(printShot.data, 'base64'));
        const pdf = await send('Page.printToPDF', { preferCSSPageSize: true }, tab.sessionId);
        fs.writeFileSync(page.replace(/\.html$/, '.pdf'), Buffer.from(pdf.data, 'base64'));

        const plain = await open(send, loads, url,
            (sessionId) => send('Emulation.setScriptExecutionDisabled', { value: true }, sessionId));
        const withoutScript = await plain.evaluate(geometry.contentCounts);
        const withScript = await tab.evaluate(geometry.contentCounts);
        if (JSON.stringify(withoutScript) !== JSON.stringify(withScript)) {
            problems.push(`without script ${JSON.stringify(withoutScript)}, with it ${JSON.stringify(withScript)}`);
        }
        socket.close();

        for (const request of requests.filter((r) => r !== url)) {
            problems.push(`the page asked for ${request}`);
        }
        for (const error of errors) {
            problems.push(`console error: ${error}`);
        }
        if (sorted !== 'ascending') {
            problems.push('the device table did not sort');
        }
        checkDevices(shown.devices, summary);
        checkTalkers(shown, summary, transactions);
        checkCharts(shown);
        if (STORIES[story]) {
            STORIES[story](shown);
        }
        console.log(`${path.basename(path.dirname(page))}: ${shown.devices.length} devices, ` +
            `${shown.charts.length} charts`);
    } finally {
        await new Promise((resolve) => {
            child.once('exit', resolve);
            child.kill();
        });
        // The browser's helper processes may still write into the profile after it exits; a
        // temporary folder left behind is no fault of the page.
        try {
            fs.rmSync(profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 200 });
        } catch (error) {
            console.log(`note: ${profile} not removed (${error.code})`);
        }
    }
}

main().then(() => {
    for (const problem of problems) {
        console.log(`FAIL ${story}: ${problem}`);
    }
    process.exit(problems.length > 0 ? 1 : 0);
}, (error) => {
    console.log(`FAIL ${story}: ${error.stack}`);
    process.exit(1);
});
