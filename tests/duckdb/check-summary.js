'use strict';
// Cross-checks the program's outputs in DuckDB (the @duckdb/node-api package, found through
// NODE_PATH). Run by check-summary.sh.
//
//   node check-summary.js captures DIR...
//     Each DIR holds t.jsonl (--transactions), p.csv (--points) and s.json (--summary) of one
//     run. Per device (server, unit), what SQL computes from the transaction log must equal the
//     summary's devices[]; the points file must hold the log's points; DuckDB must infer one
//     type per key of the log and convert it to Parquet.
//   node check-summary.js split CAPTURE COUNT OUT_PREFIX
//     Cuts a pcap file into COUNT files of whole records, OUT_PREFIX1.pcap ..., each with the
//     capture's file header: a rotated set, as dumpcap -b writes.
//   node check-summary.js readme SQL_FILE WORK_DIR
//     Runs the statements of SQL_FILE (the README's queries) in WORK_DIR, where the README's
//     commands left out/*/, and checks their results against the runs' summaries.
//
// Prints one line per failed check and exits with status 1 when any failed.

const fs = require('fs');
const path = require('path');
const { DuckDBInstance } = require('@duckdb/node-api');

let failures = 0;
function fail(where, what, rows) {
    failures += 1;
    console.log(`FAIL ${where}: ${what}`);
    for (const row of (rows || []).slice(0, 20)) {
        console.log(`    ${JSON.stringify(row)}`);
    }
}

function quote(text) {
    return `'${text.replace(/'/g, "''")}'`;
}

async function rows(connection, sql) {
    const reader = await connection.runAndReadAll(sql);
    return reader.getRowObjectsJson();
}

// The log's documented keys with the types they must fit; a value that does not fit stops
// read_json with an error.
const kLogColumns = `{
    report_frame: 'UBIGINT', transaction_id: 'INTEGER', unit: 'INTEGER', "function": 'INTEGER',
    client: 'VARCHAR', server: 'VARCHAR', request: 'JSON', response: 'JSON',
    response_time_ms: 'DOUBLE', exception: 'JSON', unanswered: 'VARCHAR',
    points: 'STRUCT(reference INTEGER, "index" INTEGER, "value" INTEGER)[]'}`;

function summaryDevices(summary) {
    return `(SELECT unnest(json_extract(content, '$.devices[*]')) AS d FROM read_text(${quote(summary)}))`;
}

// DuckDB's quantile_disc is taken to be the value at rank floor((n - 1) * q) of the sorted
// values, as the summary defines its quantiles: the lower middle value for the median.
async function checkQuantileDefinition(connection) {
    for (const n of [4, 5, 12]) {
        for (const q of [0.5, 0.9]) {
            const [row] = await rows(connection,
                `SELECT quantile_disc(x::DOUBLE, ${q}) AS value FROM range(${n}) AS r(x)`);
            const expected = Math.floor((n - 1) * q);
            if (Number(row.value) !== expected) {
                const what = `quantile_disc of 0..${n - 1} at ${q} is ${row.value}, not the value at rank floor((n - 1) * q), ${expected}`;
                if (q === 0.5) {
                    fail('duckdb', what);
                } else {
                    console.log(`note: ${what}`);
                }
            }
        }
    }
}

async function checkDevices(connection, dir) {
    const log = path.join(dir, 't.jsonl');
    const summary = path.join(dir, 's.json');
    // Response times below zero (a clock that went back) count as 0 in the summary's quantiles.
    await connection.run(`
        CREATE OR REPLACE TEMP TABLE sql_devices AS
        SELECT server, unit,
               count(request) AS requests,
               count(exception) AS exceptions,
               count(unanswered) AS unanswered,
               quantile_disc(ms, 0.5) AS p50,
               list_sort(list(ms) FILTER (WHERE ms IS NOT NULL)) AS times
        FROM (SELECT *, CASE WHEN response_time_ms < 0 THEN 0 ELSE response_time_ms END AS ms
              FROM read_json(${quote(log)}, format = 'newline_delimited', columns = ${kLogColumns}))
        GROUP BY server, unit`);
    await connection.run(`
        CREATE OR REPLACE TEMP TABLE summary_devices AS
        SELECT d->>'server' AS server, (d->>'unit')::INTEGER AS unit,
               (d->>'requests')::BIGINT AS requests,
               coalesce(list_sum(map_values((d->'exceptions')::MAP(VARCHAR, BIGINT))), 0) AS exceptions,
               coalesce(list_sum(map_values((d->'unanswered')::MAP(VARCHAR, BIGINT))), 0) AS unanswered,
               (d->'response_time_ms'->>'count')::BIGINT AS times,
               (d->'response_time_ms'->>'exact')::BOOLEAN AS exact,
               (d->'response_time_ms'->>'p50')::DOUBLE AS p50,
               (d->'response_time_ms'->>'p90')::DOUBLE AS p90,
               (d->'response_time_ms'->>'p99')::DOUBLE AS p99
        FROM ${summaryDevices(summary)}`);
    // A sketch that is no longer exact is within 0.5 % of the true quantile (values below
    // 0.001 ms count as 0), and given to 3 significant digits: within 1 %.
    const close = (a, b) => `(s.exact AND ${a} = ${b} OR NOT s.exact AND abs(${a} - ${b}) <= 0.01 * ${b} + 0.001)`;
    const rank = (q) => `q.times[floor((len(q.times) - 1) * ${q})::BIGINT + 1]`;
    const mismatches = await rows(connection, `
        SELECT coalesce(q.server, s.server) AS server, coalesce(q.unit, s.unit) AS unit,
               q.requests AS sql_requests, s.requests AS summary_requests,
               q.exceptions AS sql_exceptions, s.exceptions AS summary_exceptions,
               q.unanswered AS sql_unanswered, s.unanswered AS summary_unanswered,
               len(q.times) AS sql_times, s.times AS summary_times,
               q.p50 AS sql_p50_quantile_disc, ${rank(0.5)} AS sql_p50_rank, s.p50 AS summary_p50,
               ${rank(0.9)} AS sql_p90_rank, s.p90 AS summary_p90,
               ${rank(0.99)} AS sql_p99_rank, s.p99 AS summary_p99
        FROM sql_devices AS q FULL JOIN summary_devices AS s
             ON q.server = s.server AND q.unit = s.unit
        WHERE q.server IS NULL OR s.server IS NULL
           OR q.requests <> s.requests OR q.exceptions <> s.exceptions
           OR q.unanswered <> s.unanswered OR len(q.times) <> s.times
           OR (len(q.times) = 0) <> (s.p50 IS NULL)
           OR len(q.times) > 0 AND NOT (${close('q.p50', 's.p50')} AND ${close(rank(0.5), 's.p50')}
                                       AND ${close(rank(0.9), 's.p90')} AND ${close(rank(0.99), 's.p99')})
        ORDER BY ALL`);
    if (mismatches.length > 0) {
        fail(dir, 'per device, the transaction log in SQL and the summary\'s devices[] differ', mismatches);
    }
    const [count] = await rows(connection, 'SELECT count(*) AS n FROM summary_devices');
    return Number(count.n);
}

async function checkPoints(connection, dir) {
    const log = path.join(dir, 't.jsonl');
    const points = path.join(dir, 'p.csv');
    const summary = path.join(dir, 's.json');
    // Written rows per device: the points of the summary's writes that were not refused with an
    // exception; a mask write (22) has no point in the points file (nor in the log).
    const writes = await rows(connection, `
        WITH w AS (SELECT unnest(json_extract(content, '$.writes[*]')) AS w FROM read_text(${quote(summary)})),
        summary_writes AS (
            SELECT w->>'server' AS server, (w->>'unit')::INTEGER AS unit,
                   sum(json_array_length(w->'points')) AS n
            FROM w WHERE w->>'outcome' <> 'exception' AND (w->>'function')::INTEGER <> 22
            GROUP BY ALL HAVING n > 0),
        csv_writes AS (
            SELECT server, unit::INTEGER AS unit, count(*) AS n
            FROM read_csv(${quote(points)}, header = true) WHERE access = 'write' GROUP BY ALL)
        SELECT coalesce(s.server, c.server) AS server, coalesce(s.unit, c.unit) AS unit,
               s.n AS summary_written_points, c.n AS csv_write_rows
        FROM summary_writes AS s FULL JOIN csv_writes AS c ON s.server = c.server AND s.unit = c.unit
        WHERE s.n IS DISTINCT FROM c.n ORDER BY ALL`);
    if (writes.length > 0) {
        fail(dir, 'per device, the points file\'s write rows and the points of the summary\'s writes not refused differ', writes);
    }
    // Row for row: a transaction with its request and no exception has in the points file
    // exactly the points of its log line; any other transaction has none there.
    const rowsDiffer = await rows(connection, `
        WITH from_log AS (
            SELECT report_frame, client, server, unit, transaction_id,
                   unnest(points, recursive := true)
            FROM read_json(${quote(log)}, format = 'newline_delimited', columns = ${kLogColumns})
            WHERE request IS NOT NULL AND exception IS NULL),
        log_rows AS (SELECT report_frame, client, server, unit, transaction_id, reference, "value" FROM from_log),
        csv_rows AS (
            SELECT report_frame::UBIGINT, client, server, unit::INTEGER, transaction_id::INTEGER,
                   reference::INTEGER, "value"::INTEGER
            FROM read_csv(${quote(points)}, header = true)),
        only_log AS (SELECT * FROM log_rows EXCEPT ALL SELECT * FROM csv_rows),
        only_csv AS (SELECT * FROM csv_rows EXCEPT ALL SELECT * FROM log_rows)
        SELECT 'only in the log' AS side, * FROM only_log
        UNION ALL SELECT 'only in the points file', * FROM only_csv
        ORDER BY ALL`);
    if (rowsDiffer.length > 0) {
        fail(dir, `the points file and the points of the log's answered transactions differ (${rowsDiffer.length} rows)`, rowsDiffer);
    }
    const [count] = await rows(connection, `SELECT count(*) AS n FROM read_csv(${quote(points)}, header = true)`);
    return Number(count.n);
}

async function checkLogTypes(connection, dir) {
    const log = path.join(dir, 't.jsonl');
    // Every key path (array positions taken as one) holds values of one JSON type, or null.
    const mixed = await rows(connection, `
        WITH nodes AS (
            SELECT regexp_replace(t.fullkey, '\\[[0-9]+\\]', '[*]', 'g') AS key,
                   CASE WHEN t.type IN ('UBIGINT', 'BIGINT', 'DOUBLE') THEN 'NUMBER' ELSE t.type END AS type
            FROM read_json_objects(${quote(log)}, format = 'newline_delimited') AS j, json_tree(j.json) AS t
            WHERE t.type <> 'NULL')
        SELECT key, list(DISTINCT type ORDER BY type) AS types FROM nodes
        GROUP BY key HAVING count(DISTINCT type) > 1 ORDER BY key`);
    if (mixed.length > 0) {
        fail(dir, 'keys of the transaction log hold values of more than one type', mixed);
    }
    // read_json_auto over the whole file: no column it could not type (JSON) holds a value.
    let columns = [];
    try {
        columns = await rows(connection, `
            SELECT column_name, column_type
            FROM (DESCRIBE SELECT * FROM read_json_auto(${quote(log)}, sample_size = -1))`);
    } catch (error) {
        fail(dir, `read_json_auto on the whole log failed: ${error.message}`);
        return;
    }
    for (const column of columns) {
        if (/UNION/.test(column.column_type)) {
            fail(dir, `read_json_auto gave ${column.column_name} a union type ${column.column_type}`);
        }
        if (column.column_type === 'JSON' || column.column_type === 'JSON[]') {
            const [row] = await rows(connection, `
                SELECT count(*) AS n FROM read_json_auto(${quote(log)}, sample_size = -1)
                WHERE "${column.column_name}" IS NOT NULL AND "${column.column_name}"::VARCHAR NOT IN ('null', '[]')`);
            if (Number(row.n) > 0) {
                fail(dir, `read_json_auto could not type ${column.column_name} (${column.column_type}) yet it holds values`);
            }
        }
    }
    const parquet = path.join(dir, 't.parquet');
    await connection.run(`COPY (SELECT * FROM read_json_auto(${quote(log)})) TO ${quote(parquet)} (FORMAT parquet)`);
    const [counts] = await rows(connection, `
        SELECT (SELECT count(*) FROM read_parquet(${quote(parquet)})) AS parquet,
               (SELECT count(*) FROM read_json_objects(${quote(log)}, format = 'newline_delimited')) AS lines`);
    if (counts.parquet !== counts.lines || Number(counts.lines) === 0) {
        fail(dir, `the Parquet copy has ${counts.parquet} rows, the log ${counts.lines} lines`);
    }
}

async function checkCaptures(connection, dirs) {
    await checkQuantileDefinition(connection);
    for (const dir of dirs) {
        const before = failures;
        try {
            const devices = await checkDevices(connection, dir);
            const points = await checkPoints(connection, dir);
            await checkLogTypes(connection, dir);
            if (devices === 0) {
                fail(dir, 'the summary names no device');
            }
            if (failures === before) {
                console.log(`ok ${path.basename(dir)}: ${devices} devices, ${points} point rows`);
            }
        } catch (error) {
            fail(dir, `a query failed: ${error.message}`);
        }
    }
}

// The statements of the README's SQL block, run where its commands wrote out/.
async function checkReadme(connection, sqlFile, workDir) {
    process.chdir(workDir);
    const statements = fs.readFileSync(sqlFile, 'utf8').split(/;\s*(?:\n|$)/)
        .map((s) => s.replace(/^\s*--.*$/gm, '').trim()).filter((s) => s.length > 0);
    if (statements.length < 3) {
        fail('README', `its SQL block has ${statements.length} statements, not at least 3`);
        return;
    }
    const results = [];
    for (const statement of statements) {
        try {
            results.push(await rows(connection, statement));
        } catch (error) {
            fail('README', `the statement failed: ${statement}\n    ${error.message}`);
            return;
        }
    }
    // The per-device query over every run adds up to the runs' summaries.
    const perDevice = results.find((r) => r.length > 0 && 'requests' in r[0] && 'server' in r[0]);
    const summaries = fs.readdirSync('out').map((run) => path.join('out', run, 'summary.json'))
        .filter((file) => fs.existsSync(file));
    if (summaries.length < 3) {
        fail('README', `the commands left ${summaries.length} summaries in out/, not at least 3`);
    }
    const [expected] = await rows(connection, `
        SELECT sum((d->>'requests')::BIGINT) AS requests,
               sum(coalesce(list_sum(map_values((d->'exceptions')::MAP(VARCHAR, BIGINT))), 0)) AS exceptions
        FROM (SELECT unnest(json_extract(content, '$.devices[*]')) AS d FROM read_text('out/*/summary.json'))`);
    if (!perDevice) {
        fail('README', 'no query gives requests per server');
    } else {
        const sum = (key) => perDevice.reduce((total, row) => total + Number(row[key]), 0);
        if (sum('requests') !== Number(expected.requests) ||
            ('exceptions' in perDevice[0] && sum('exceptions') !== Number(expected.exceptions))) {
            fail('README', `the per-device query counts ${sum('requests')} requests and ${sum('exceptions')} exceptions, ` +
                 `the summaries ${expected.requests} and ${expected.exceptions}`);
        }
    }
    // The Parquet file holds every line of every log.
    const parquet = fs.readdirSync('.').filter((file) => file.endsWith('.parquet'));
    if (parquet.length !== 1) {
        fail('README', `the statements left ${parquet.length} Parquet files`);
    } else {
        const [counts] = await rows(connection, `
            SELECT (SELECT count(*) FROM read_parquet(${quote(parquet[0])})) AS parquet,
                   (SELECT count(*) FROM read_json_objects('out/*/transactions.jsonl', format = 'newline_delimited')) AS lines`);
        if (counts.parquet !== counts.lines) {
            fail('README', `${parquet[0]} has ${counts.parquet} rows, the logs ${counts.lines} lines`);
        }
    }
    if (failures === 0) {
        console.log(`ok README: ${statements.length} statements over ${summaries.length} runs`);
    }
}

function splitCapture(capture, count, prefix) {
    const bytes = fs.readFileSync(capture);
    const magic = bytes.readUInt32LE(0);
    const little = magic === 0xa1b2c3d4 || magic === 0xa1b23c4d;
    if (!little && bytes.readUInt32BE(0) !== 0xa1b2c3d4 && bytes.readUInt32BE(0) !== 0xa1b23c4d) {
        throw new Error(`${capture} is not a pcap file`);
    }
    const records = [];
    for (let offset = 24; offset + 16 <= bytes.length;) {
        const length = little ? bytes.readUInt32LE(offset + 8) : bytes.readUInt32BE(offset + 8);
        records.push(bytes.subarray(offset, offset + 16 + length));
        offset += 16 + length;
    }
    const size = Math.ceil(records.length / count);
    for (let piece = 0; piece < count; piece += 1) {
        const slice = records.slice(piece * size, (piece + 1) * size);
        fs.writeFileSync(`${prefix}${piece + 1}.pcap`, Buffer.concat([bytes.subarray(0, 24), ...slice]));
    }
}

async function main() {
    const [mode, ...args] = process.argv.slice(2);
    if (mode === 'split') {
        splitCapture(args[0], Number(args[1]), args[2]);
        return;
    }
    const instance = await DuckDBInstance.create(':memory:');
    const connection = await instance.connect();
    const [version] = await rows(connection, 'SELECT version() AS v');
    console.log(`DuckDB ${version.v}`);
    if (mode === 'captures') {
        await checkCaptures(connection, args.map((dir) => path.resolve(dir)));
    } else if (mode === 'readme') {
        await checkReadme(connection, path.resolve(args[0]), args[1]);
    } else {
        console.log('usage: check-summary.js captures DIR... | split CAPTURE COUNT OUT_PREFIX | readme SQL_FILE WORK_DIR');
        process.exit(2);
    }
    process.exit(failures > 0 ? 1 : 0);
}

main().catch((error) => {
    console.log(`FAIL: ${error.stack || error}`);
    process.exit(1);
});
