'use strict';
// Opens an HTML report in headless Chromium through the DevTools protocol, the network off, and
// checks it as a reader would see it. Run by check-page.sh with node's WebSocket.
//
//   node check-page.js CHROMIUM PAGE SUMMARY SCREENSHOT
//
// Fails when the page asks for anything but itself, logs a console error or throws, when the
// device table's counts differ from the summary's devices[] of the same run, or when a chart
// lacks its title, its two axis labels or drawn data. Saves a screenshot (PNG).

const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [chromium, page, summaryPath, screenshot] = process.argv.slice(2);
const problems = [];

function browser() {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'zep-html-'));
    const child = spawn(chromium, ['--headless', '--disable-gpu', '--no-sandbox',
        '--remote-debugging-port=0', `--user-data-dir=${profile}`, '--window-size=1280,2000',
        'about:blank'], { stdio: ['ignore', 'ignore', 'pipe'] });
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

// What the page shows, read in the page.
function readPage() {
    const cells = (row) => Array.from(row.cells, (cell) => cell.textContent.trim());
    const devices = Array.from(document.querySelectorAll('#device-table tbody tr'), cells);
    const charts = Array.from(document.querySelectorAll('svg.chart'), (svg) => ({
        title: (svg.querySelector(':scope > title') || {}).textContent || '',
        axisLabels: Array.from(svg.querySelectorAll('text.axis-label'), (t) => t.textContent),
        drawn: Array.from(svg.querySelectorAll('path.line, rect.bar'), (mark) => {
            const box = mark.getBBox();
            return box.width + box.height;
        }).filter((size) => size > 0).length,
    }));
    // Sorting by requests must not throw.
    const header = document.querySelectorAll('#device-table th')[3];
    if (header) {
        header.click();
    }
    return JSON.stringify({ devices, charts, sorted: header ? header.getAttribute('aria-sort') : null });
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

async function main() {
    const { child, address, profile } = await browser();
    try {
        const requests = [];
        const errors = [];
        let loaded;
        const load = new Promise((resolve) => { loaded = resolve; });
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
            } else if (event.method === 'Page.loadEventFired') {
                loaded();
            }
        });
        const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
        const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
        for (const domain of ['Page', 'Network', 'Runtime', 'Log']) {
            await send(`${domain}.enable`, {}, sessionId);
        }
        await send('Network.emulateNetworkConditions', {
            offline: true, latency: 0, downloadThroughput: -1, uploadThroughput: -1 }, sessionId);
        const url = `file://${path.resolve(page)}`;
        await send('Page.navigate', { url }, sessionId);
        await Promise.race([load, new Promise((r) => setTimeout(r, 20000))]);
        const { result } = await send('Runtime.evaluate',
            { expression: `(${readPage})()`, returnByValue: true }, sessionId);
        const shown = JSON.parse(result.value);
        const shot = await send('Page.captureScreenshot', { format: 'png' }, sessionId);
        fs.writeFileSync(screenshot, Buffer.from(shot.data, 'base64'));
        socket.close();

        for (const request of requests.filter((r) => r !== url)) {
            problems.push(`the page asked for ${request}`);
        }
        for (const error of errors) {
            problems.push(`console error: ${error}`);
        }
        if (shown.sorted !== 'ascending') {
            problems.push('the device table did not sort');
        }
        checkDevices(shown.devices, JSON.parse(fs.readFileSync(summaryPath, 'utf8')));
        if (shown.charts.length === 0) {
            problems.push('no chart');
        }
        for (const chart of shown.charts) {
            if (!chart.title || chart.axisLabels.length !== 2 || chart.axisLabels.some((l) => !l) ||
                chart.drawn === 0) {
                problems.push(`chart ${JSON.stringify(chart)}`);
            }
        }
        console.log(`${path.basename(page)}: ${shown.devices.length} devices, ${shown.charts.length} charts`);
    } finally {
        await new Promise((resolve) => {
            child.once('exit', resolve);
            child.kill();
        });
        fs.rmSync(profile, { recursive: true, force: true, maxRetries: 5 });
    }
}

main().then(() => {
    for (const problem of problems) {
        console.log(`FAIL ${path.basename(page)}: ${problem}`);
    }
    process.exit(problems.length > 0 ? 1 : 0);
}, (error) => {
    console.log(`FAIL ${path.basename(page)}: ${error.stack}`);
    process.exit(1);
});
