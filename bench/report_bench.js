// The report on a ten-year log under Node, through a stand-in for MSXML that counts the nodes
// handed to script: what "This week" and "All time" read, as the report application reads
// them. Run with --expose-gc for the memory figures.
'use strict';

const fs = require('node:fs');
const path = require('node:path');
const R = require(path.join(__dirname, '..', 'delivered', 'report', 'report-logic.js'));
const { CountingDom, element } = require(path.join(__dirname, '..', 'tests', 'report', 'counting-dom.js'));

const DAYS = 3650;
const APPS_PER_DAY = 20;
const DOCS_PER_APP = 10;
const WEEK_TARGET = 3;
const APP_NAMES = ['Microsoft Word', 'Microsoft Excel', 'Microsoft Outlook', 'Mozilla Firefox', 'Google Chrome',
    'Visual Studio Code', 'Microsoft Visual Studio', 'Total Commander', 'Проводник', 'Блокнот', '1С:Предприятие',
    'Skype', 'Telegram', 'Adobe Acrobat Reader', 'Paint.NET', 'Far Manager', 'PuTTY', 'Windows PowerShell',
    'Microsoft PowerPoint', 'Zoom', 'Microsoft Teams', 'WinRAR', 'Калькулятор', 'Notepad++'];

// The ten-year log's days as plain data: 3,650 days from 1 January 2015, 20 applications a
// day in an order of their own, 10 documents each, from a fixed generator so every run reads
// the same log. Plain ES5 without outside names: the Chromium page runs its source too.
function tenYearDays(days, appsPerDay, docsPerApp, appNames) {
    var state = 0x0571A4;
    function next(limit) {
        state = (state * 16807) % 2147483647;
        return state % limit;
    }
    var first = Math.round(Date.UTC(2015, 0, 1) / 86400000) + 25569;
    var result = [];
    for (var serial = first; serial < first + days; serial++) {
        var date = new Date((serial - 25569) * 86400000);
        var order = [];
        for (var n = 0; n < appNames.length; n++) order.push(n);
        for (var i = order.length - 1; i > 0; i--) {
            var j = next(i + 1);
            var swap = order[i];
            order[i] = order[j];
            order[j] = swap;
        }
        var apps = [];
        for (var a = 0; a < appsPerDay; a++) {
            var docs = [];
            var appTime = next(120);
            for (var d = 0; d < docsPerApp; d++) {
                var time = 1 + next(1800);
                appTime += time;
                docs.push({ name: 'Document ' + (d * 100 + next(100)), time: time });
            }
            apps.push({ name: appNames[order[a]], time: appTime, docs: docs });
        }
        result.push({ serial: serial, y: date.getUTCFullYear(), m: date.getUTCMonth() + 1, d: date.getUTCDate(), apps: apps });
    }
    return result;
}

// The same days as the tracker writes them: indented, one element a line.
function tenYearLogText(days) {
    function escape(text) {
        return String(text).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/"/g, '&quot;');
    }
    var lines = ['<?xml version="1.0" encoding="UTF-8"?>', '<Ostrak>'];
    for (var i = 0; i < days.length; i++) {
        var day = days[i];
        lines.push('   <Date id="' + day.serial + '" y="' + day.y + '" m="' + day.m + '" d="' + day.d + '">');
        for (var a = 0; a < day.apps.length; a++) {
            var app = day.apps[a];
            lines.push('      <App name="' + escape(app.name) + '" time="' + app.time + '">');
            for (var d = 0; d < app.docs.length; d++) {
                lines.push('         <Doc name="' + escape(app.docs[d].name) + '" time="' + app.docs[d].time + '"/>');
            }
            lines.push('      </App>');
        }
        lines.push('   </Date>');
    }
    lines.push('</Ostrak>');
    return lines.join('\n');
}

function tenYearLog() {
    const days = tenYearDays(DAYS, APPS_PER_DAY, DOCS_PER_APP, APP_NAMES);
    const dates = days.map((day) => element('Date', { id: String(day.serial), y: String(day.y), m: String(day.m), d: String(day.d) },
        day.apps.map((app) => element('App', { name: app.name, time: String(app.time) },
            app.docs.map((doc) => element('Doc', { name: doc.name, time: String(doc.time) }))))));
    return { dom: new CountingDom(element('#document', {}, [element('Ostrak', {}, dates)])), first: days[0].serial, last: days[days.length - 1].serial };
}

function heapBytes() {
    if (global.gc) global.gc();
    return process.memoryUsage().heapUsed;
}

// Runs what the report does for a period and returns the nodes visited, the time and the
// script heap it keeps.
function measure(dom, read) {
    dom.visits = 0;
    const before = heapBytes();
    const start = process.hrtime.bigint();
    const kept = read();
    const milliseconds = Number(process.hrtime.bigint() - start) / 1e6;
    const after = heapBytes();
    return { visits: dom.visits, milliseconds, heap: Math.max(0, after - before), kept };
}

const log = tenYearLog();
const today = log.last;
const options = { firstDay: 1, inactiveNames: ['Inactive'], projects: { projects: [], filters: [] } };
const week = R.periodRange('thisWeek', today, options);
let weekNodes = 0;
for (const date of log.dom.all('Date')) {
    const serial = Number(date.attributes.id);
    if (serial < week.from || serial > week.to) continue;
    weekNodes += 1;
    for (const app of date.children) weekNodes += 1 + app.children.length;
}

const thisWeek = measure(log.dom, () => R.periodView(R.logReader(log.dom), week, options));
// What the report keeps while it shows the period: its log (a reader, or before, the whole log
// as script objects) and what it shows.
const allTime = measure(log.dom, () => {
    const reader = R.logReader(log.dom);
    return { reader, shown: R.periodView(reader, R.periodRange('all', today, { log: reader }), options) };
});
// The way the report read the log before: everything into script objects first.
const wholeFirst = measure(log.dom, () => {
    const whole = R.readLog(log.dom);
    return { whole, shown: R.periodView(whole, R.periodRange('all', today, { log: whole }), options) };
});

const mib = (bytes) => (bytes / (1024 * 1024)).toFixed(1) + ' MiB';
const ratio = thisWeek.visits / weekNodes;
console.log(`\nThe report under Node ${process.version} on a ten-year log (${DAYS} days x ${APPS_PER_DAY} applications x ` +
    `${DOCS_PER_APP} documents), through a stand-in for MSXML that counts the nodes handed to script`);
console.log(`  This week (${R.isoDate(week.from)} to ${R.isoDate(week.to)}): ${thisWeek.visits} nodes visited for the ` +
    `${weekNodes} of the week, ${thisWeek.milliseconds.toFixed(1)} ms (most of it the stand-in's own XPath walk)`);
console.log(`  All time: ${allTime.visits} nodes visited, ${allTime.milliseconds.toFixed(0)} ms, script heap kept ` +
    `${global.gc ? mib(allTime.heap) : '(run with --expose-gc)'}; read whole first, as before: ${wholeFirst.visits} nodes, ` +
    `${wholeFirst.milliseconds.toFixed(0)} ms, ${global.gc ? mib(wholeFirst.heap) : '-'}`);
console.log(`Target: "This week" visits at most ${WEEK_TARGET} x the nodes of that week: ` +
    `${ratio <= WEEK_TARGET ? 'holds' : 'MISSED'} (${ratio.toFixed(2)})`);

// ---- The report in Chromium -------------------------------------------------------------------
// The view itself in headless Chromium over the ten-year log, parsed by the browser's DOM: what a
// user waits for after each click. Each figure is the click's script and the page's layout.

const ALL_TIME_TARGET = 1500;
const CLICK_TARGET = 100;
const ROUNDS = 3;

function benchPage() {
    const folder = path.join(__dirname, '..', 'build', 'report-bench');
    fs.mkdirSync(folder, { recursive: true });
    const report = path.join(__dirname, '..', 'delivered', 'report');
    const page = path.join(folder, 'report-bench.html');
    const scripts = ['report-texts.js', 'report-logic.js', 'report-view.js']
        .map((name) => `<script charset="utf-8" src="file://${path.join(report, name)}"></script>`).join('\n');
    fs.writeFileSync(page, `<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Report speed</title>
<link rel="stylesheet" type="text/css" href="file://${path.join(report, 'report.css')}">
${scripts}
</head><body><div id="report"></div>
<script>
var tenYearDays = ${tenYearDays.toString()};
var tenYearLogText = ${tenYearLogText.toString()};
(function () {
    var R = OstrakReport;
    var days = tenYearDays(${DAYS}, ${APPS_PER_DAY}, ${DOCS_PER_APP}, ${JSON.stringify(APP_NAMES)});
    var logDocument = new DOMParser().parseFromString(tenYearLogText(days), 'application/xml');
    var today = days[days.length - 1].serial;
    var host = {
        load: function () {
            return {
                texts: R.resolveTexts(null, 'English', OstrakReportTexts),
                logFile: 'bench-Time.xml', logPath: 'C:\\\\Ostrak\\\\bench-Time.xml',
                log: R.logReader(logDocument),
                projects: { projects: [{ id: 1, name: 'Ostrak' }], filters: [{ text: 'Document 1', project: 1, where: 1 }] },
                inactiveNames: ['Inactive'], error: ''
            };
        },
        today: function () { return today; },
        timeline: function () { return null; },
        csvFormat: function () { return R.csvFormat(',', '.'); },
        exportCsv: function (name) { return { ok: true, path: name }; },
        openFile: function () {}
    };
    OstrakReportView.start(document.getElementById('report'), host);
    window.benchReady = true;
}());
</script></body></html>`);
    return page;
}

// Clicks the first element the selector finds and waits for the page's layout; null when the
// report has no such element.
const CLICK = `var target = document.querySelector(arguments[0]);
if (!target) return null;
var start = performance.now();
target.click();
document.body.offsetHeight;
return performance.now() - start;`;

async function chromiumFigures() {
    let Browser;
    try {
        ({ Browser } = require(path.join(__dirname, '..', 'tests', 'report', 'browser.js')));
    } catch (error) {
        return null;
    }
    const browser = await Browser.start();
    try {
        await browser.call('POST', `${browser.session}/timeouts`, { script: 120000, pageLoad: 300000 });
        await browser.resize(1280, 900);
        const loadStart = process.hrtime.bigint();
        await browser.open(benchPage(), '');
        const opened = Number(process.hrtime.bigint() - loadStart) / 1e6;
        // Each round starts from a fresh read of the log ("Refresh"), so "All time" is computed,
        // not taken from what an earlier round kept.
        const steps = [
            ['"Refresh" on "Today"', 'button[data-action="refresh"]'],
            ['"All time" shown', 'button[data-kind="all"]'],
            ['an application folded', 'tr.app[data-index="0"]'],
            ['and unfolded', 'tr.app[data-index="0"]'],
            ['"Show all"', 'a[data-action="show-all"]'],
            ['a table switch', '[data-table="timesheet"]'],
            ['its days, "Show all"', 'a[data-action="timesheet-all"]'],
            ['and back', '[data-table="summary"]'],
            ['"Today" again', 'button[data-kind="today"]']
        ];
        const times = steps.map(() => []);
        for (let round = 0; round < ROUNDS; round++) {
            for (let s = 0; s < steps.length; s++) times[s].push(await browser.run(CLICK, steps[s][1]));
        }
        return { opened, steps: steps.map((step, s) => ({ name: step[0], times: times[s] })) };
    } finally {
        await browser.stop();
    }
}

function median(values) {
    const sorted = values.slice().sort((a, b) => a - b);
    return sorted[Math.floor(sorted.length / 2)];
}

chromiumFigures().then((figures) => {
    if (!figures) return;
    console.log(`\nThe report in headless Chromium on the same log (page opened, log generated and parsed: ` +
        `${(figures.opened / 1000).toFixed(1)} s); median of ${ROUNDS} rounds, each round's figures in brackets`);
    let held = true;
    for (const step of figures.steps) {
        if (step.times.some((time) => time === null)) {
            console.log(`  ${step.name}: not in this report`);
            continue;
        }
        const target = step.name.startsWith('"All time"') ? ALL_TIME_TARGET : CLICK_TARGET;
        if (median(step.times) > target && !step.name.startsWith('"Refresh"')) held = false;
        console.log(`  ${step.name}: ${median(step.times).toFixed(0)} ms [${step.times.map((time) => time.toFixed(0)).join(', ')}]`);
    }
    console.log(`Target: "All time" in at most ${ALL_TIME_TARGET} ms, each later click in at most ${CLICK_TARGET} ms: ` +
        `${held ? 'holds' : 'MISSED'}`);
}, (error) => {
    console.log(`\nThe report in Chromium: not measured (${error.message}); tools/report-screenshot.sh installs Chromium and its driver`);
});
