// The report on a ten-year log under Node, through a stand-in for MSXML that counts the nodes
// handed to script: what "This week" and "All time" read, as the report application reads
// them. Run with --expose-gc for the memory figures.
'use strict';

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

// A fixed generator, so every run reads the same log.
function random(seed) {
    let state = seed;
    return (limit) => {
        state = (state * 16807) % 2147483647;
        return state % limit;
    };
}

// The bench's ten-year shape: 3,650 days from 1 January 2015, 20 applications a day in an
// order of their own, 10 documents each.
function tenYearLog() {
    const next = random(0x0571A4);
    const first = R.serialFromYmd(2015, 1, 1);
    const dates = [];
    for (let serial = first; serial < first + DAYS; serial++) {
        const date = R.ymdFromSerial(serial);
        const order = APP_NAMES.map((name, index) => index);
        for (let i = order.length - 1; i > 0; i--) {
            const j = next(i + 1);
            [order[i], order[j]] = [order[j], order[i]];
        }
        const apps = [];
        let dayTime = 0;
        for (let a = 0; a < APPS_PER_DAY; a++) {
            const docs = [];
            let appTime = next(120);
            for (let d = 0; d < DOCS_PER_APP; d++) {
                const time = 1 + next(1800);
                appTime += time;
                docs.push(element('Doc', { name: `Document ${d * 100 + next(100)}`, time: String(time) }));
            }
            dayTime += appTime;
            apps.push(element('App', { name: APP_NAMES[order[a]], time: String(appTime) }, docs));
        }
        dates.push(element('Date', { id: String(serial), y: String(date.y), m: String(date.m), d: String(date.d),
            time: String(dayTime) }, apps));
    }
    return { dom: new CountingDom(element('#document', {}, [element('Ostrak', {}, dates)])), first, last: first + DAYS - 1 };
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
