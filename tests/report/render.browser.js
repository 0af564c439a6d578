// The report as the user sees it: the test page renders the sample log in headless Chromium,
// driven through chromedriver's WebDriver interface; the figures on screen are checked against
// the logic run here under Node, and screenshots are written for a person to look at.
// Run by tools/report-screenshot.sh; SCREENSHOT_DIR says where the pictures go.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { R, tables, parseXml } = require('./helpers.js');
const sample = require('./sample-log.js');
const { Browser } = require('./browser.js');

const pagePath = path.join(__dirname, 'render-page.html');
const screenshotDir = process.env.SCREENSHOT_DIR || path.join(__dirname, '..', '..', 'build', 'report-screenshots');
const TODAY = R.serialFromYmd(2026, 12, 4);

// What the page should show, worked out here from the same sample with the same logic.
function expected(language, from, to) {
    const log = R.readLog(parseXml(sample.makeLog(TODAY, language)));
    const projects = R.readProjects(parseXml(sample.projects(language)));
    const texts = R.resolveTexts(null, language, tables);
    const summary = R.summarize(log, from, to, { inactiveNames: [sample.inactiveName(language)], projects });
    return { summary, texts, log };
}

// The same for this computer and the laptop of the test page's shared folder together.
function expectedAll(language, from, to) {
    const options = { inactiveNames: [sample.inactiveName(language)], projects: R.readProjects(parseXml(sample.projects(language))) };
    const summaries = [false, true].map((laptop) => R.summarize(R.readLog(parseXml(sample.makeLog(TODAY, language, laptop))), from, to, options));
    return { summary: R.combineSummaries(summaries, from, to, options), own: summaries[0], texts: R.resolveTexts(null, language, tables) };
}

const state = `return {
    label: document.querySelector('.period-label').textContent,
    work: document.getElementById('ostrak-work').textContent,
    inactive: document.getElementById('ostrak-inactive').textContent,
    bars: document.querySelectorAll('#ostrak-chart g.bar').length,
    outside: document.querySelectorAll('#ostrak-chart g.bar.outside').length,
    apps: Array.prototype.map.call(document.querySelectorAll('tr.app .name'), function (e) { return e.textContent; }),
    docRows: document.querySelectorAll('tr.doc').length,
    projects: Array.prototype.map.call(document.querySelectorAll('tr.project'), function (row) {
        return [row.querySelector('.name').textContent, row.querySelector('.num').textContent];
    }),
    selected: document.querySelector('.periods button.selected').textContent,
    stepDisabled: document.querySelector('button.step').disabled,
    status: document.getElementById('ostrak-status').textContent,
    error: document.querySelector('.field-error') ? document.querySelector('.field-error').textContent : ''
};`;

test('the rendered report in Chromium', { timeout: 120000 }, async (t) => {
    const browser = await Browser.start();
    t.after(() => browser.stop());
    const week = R.periodRange('thisWeek', TODAY);

    await t.test('today: the day\'s figures, its week drawn around it', async () => {
        await browser.open(pagePath, 'lang=English&today=2026-12-04');
        const shown = await browser.run(state);
        const { summary, texts } = expected('English', TODAY, TODAY);
        assert.equal(shown.label, 'Fri 4 Dec 2026');
        assert.equal(shown.selected, 'Today');
        assert.equal(shown.work, R.formatLong(summary.work, texts));
        assert.equal(shown.inactive, R.formatLong(summary.inactive, texts));
        assert.deepEqual(shown.apps, summary.apps.map((app) => app.name));
        assert.equal(shown.bars, 7);
        assert.equal(shown.outside, 6);
        await browser.screenshot(path.join(screenshotDir, 'report-english-today.png'));
    });

    await t.test('a day\'s timeline: its band, its first and last activity, a stretch\'s tip', async () => {
        const days = R.timelineDays((y, m) => sample.makeTimeline(TODAY, 'English', y, m), TODAY, TODAY, { inactiveNames: ['Idle'] });
        const day = days[0];
        const shown = await browser.run(`return {
            first: document.getElementById('ostrak-first').textContent,
            last: document.getElementById('ostrak-last').textContent,
            blocks: document.querySelectorAll('#ostrak-timeline .block').length,
            grey: document.querySelectorAll('#ostrak-timeline .block.inactive').length,
            read: window.ostrakTestHost.monthsRead
        };`);
        assert.equal(shown.first, R.formatTimeOfDay(day.first));
        assert.equal(shown.last, R.formatTimeOfDay(day.last));
        assert.equal(shown.blocks, day.stretches.length);
        assert.equal(shown.grey, day.stretches.filter((s) => s.inactive).length);
        assert.ok(shown.grey > 0 && shown.blocks > shown.grey);
        assert.deepEqual(shown.read, ['2026-12'], 'only the day\'s month is read');
        const first = day.stretches[0];
        await browser.hover('#ostrak-timeline .block[data-stretch="0"]');
        const tip = await browser.run('var tip = document.getElementById("ostrak-band-tip"); return [tip.style.display, tip.textContent];');
        assert.equal(tip[0], 'block');
        assert.ok(tip[1].startsWith(first.app + first.doc + 'Start' + R.formatTimeOfDay(first.start)), tip[1]);
        await browser.screenshot(path.join(screenshotDir, 'report-english-day-timeline.png'));
    });

    await t.test('this week: totals, applications and projects as the logic has them', async () => {
        await browser.click('button[data-kind="thisWeek"]');
        const shown = await browser.run(state);
        const { summary, texts } = expected('English', week.from, week.to);
        assert.equal(shown.label, 'Mon 30 Nov 2026 \u2013 Sun 6 Dec 2026');
        assert.equal(shown.work, R.formatLong(summary.work, texts));
        assert.deepEqual(shown.apps, summary.apps.map((app) => app.name));
        assert.deepEqual(shown.projects, summary.projects.map((p) => [p.name, R.formatClock(p.time)])
            .concat([['Without a project', R.formatClock(summary.noProject)]]));
        assert.equal(shown.bars, 7);
        assert.equal(shown.outside, 0);
        await browser.hover('#ostrak-chart g.bar[data-bar="2"] rect.hit');
        const tip = await browser.run('var tip = document.getElementById("ostrak-tooltip"); return [tip.style.display, tip.textContent];');
        assert.equal(tip[0], 'block');
        assert.match(tip[1], /^Wed 2 Dec 2026Work time/);
        await browser.screenshot(path.join(screenshotDir, 'report-english-week.png'));
    });

    await t.test('the timesheet: each day\'s first and last activity from the timeline, work from the log', async () => {
        await browser.click('button[data-table="timesheet"]');
        const rows = await browser.run('return Array.prototype.map.call(document.querySelectorAll("tr.sheet-day"), ' +
            'function (row) { return [row.cells[1].textContent, row.cells[2].textContent, row.cells[3].textContent]; });');
        const { summary } = expected('English', week.from, week.to);
        const days = R.timelineDays((y, m) => sample.makeTimeline(TODAY, 'English', y, m), week.from, week.to, { inactiveNames: ['Idle'] });
        assert.deepEqual(rows, R.timesheetRows(summary, days).map((row) => [R.formatTimeOfDay(row.first), R.formatTimeOfDay(row.last),
            R.formatClock(row.work)]));
        await browser.click('button[data-table="summary"]');
    });

    await t.test('an application row folds its documents away', async () => {
        const before = (await browser.run(state)).docRows;
        await browser.click('tr.app[data-index="0"]');
        const after = (await browser.run(state)).docRows;
        assert.ok(after < before, `${after} < ${before}`);
        await browser.click('tr.app[data-index="0"]');
        assert.equal((await browser.run(state)).docRows, before);
    });

    await t.test('export hands the host the CSV of what is shown, then offers to open it', async () => {
        await browser.click('button[data-action="export"]');
        const exported = await browser.run('return window.ostrakTestHost.exports;');
        const { summary, texts } = expected('English', week.from, week.to);
        assert.equal(exported.length, 1);
        assert.equal(exported[0].fileName, 'Anna Maria-Report-2026-11-30-2026-12-06.csv');
        assert.equal(exported[0].text, R.buildCsv(summary, texts, { logFile: 'Anna Maria-Time.xml', separator: ';', decimal: ',',
            projects: R.readProjects(parseXml(sample.projects('English'))) }));
        assert.equal((await browser.run(state)).status, 'Saved: C:\\Ostrak\\Anna Maria-Report-2026-11-30-2026-12-06.csv Open');
        await browser.click('#ostrak-status a');
        assert.deepEqual(await browser.run('return window.ostrakTestHost.opened;'), ['C:\\Ostrak\\Anna Maria-Report-2026-11-30-2026-12-06.csv']);
    });

    await t.test('stepping back a week, all time, and a click on a bar', async () => {
        await browser.click('button.step[data-direction="-1"]');
        assert.equal((await browser.run(state)).label, 'Mon 23 Nov 2026 \u2013 Sun 29 Nov 2026');
        await browser.click('button[data-kind="all"]');
        let shown = await browser.run(state);
        const log = expected('English', TODAY, TODAY).log;
        assert.equal(shown.bars, log.last - log.first + 1);
        assert.equal(shown.stepDisabled, true);
        await browser.click('#ostrak-chart g.bar[data-bar="3"] rect.hit');
        shown = await browser.run(state);
        assert.equal(shown.label, R.formatDate(log.first + 3, tables.English.DateFormat, tables.English));
        assert.equal(shown.selected, 'Dates\u2026');
        await browser.click('button.step[data-direction="1"]');
        assert.equal((await browser.run(state)).label, R.formatDate(log.first + 4, tables.English.DateFormat, tables.English));
    });

    await t.test('a chosen range: a wrong date is refused, a right one is shown', async () => {
        await browser.click('button[data-kind="range"]');
        await browser.type('#ostrak-from', '2026-11-31');
        await browser.click('button[data-action="apply-range"]');
        assert.match((await browser.run(state)).error, /YYYY-MM-DD/);
        await browser.type('#ostrak-from', '2026-11-16');
        await browser.type('#ostrak-to', '2026-11-20');
        await browser.click('button[data-action="apply-range"]');
        const shown = await browser.run(state);
        const { summary, texts } = expected('English', R.serialFromYmd(2026, 11, 16), R.serialFromYmd(2026, 11, 20));
        assert.equal(shown.label, 'Mon 16 Nov 2026 \u2013 Fri 20 Nov 2026');
        assert.equal(shown.work, R.formatLong(summary.work, texts));
        assert.equal(shown.error, '');
    });

    await t.test('Russian texts, last month', async () => {
        await browser.open(pagePath, 'lang=Russian&today=2026-12-04');
        await browser.click('button[data-kind="lastMonth"]');
        const shown = await browser.run(state);
        const { summary, texts } = expected('Russian', R.serialFromYmd(2026, 11, 1), R.serialFromYmd(2026, 11, 30));
        assert.equal(shown.selected, 'Прошлый месяц');
        assert.equal(shown.label, 'вс, 1 нояб. 2026 \u2013 пн, 30 нояб. 2026');
        assert.equal(shown.work, R.formatLong(summary.work, texts));
        assert.equal(shown.bars, 30);
        await browser.screenshot(path.join(screenshotDir, 'report-russian-last-month.png'));
    });

    await t.test('without projects the projects panel says how to make them', async () => {
        await browser.open(pagePath, 'lang=English&today=2026-12-04&projects=0');
        const hint = await browser.run('return document.querySelector(".hint.block").textContent;');
        assert.equal(hint, tables.English.NoProjects);
    });

    await t.test('long lists open a page at a time: documents by 200, timesheet days by a year', async () => {
        await browser.run(`var host = window.ostrakTestHost, load = host.load, docs = '', days = '';
            for (var i = 0; i < 450; i++) docs += '<Doc name="d' + i + '" time="' + (1000 - i) + '"/>';
            for (var d = 46360 - 399; d < 46360; d++) days += '<Date id="' + d + '"><App name="Mail" time="60"/></Date>';
            host.load = function () {
                var data = load();
                data.log = OstrakReport.logReader(new DOMParser().parseFromString('<Ostrak>' + days + '<Date y="2026" m="12" d="4">' +
                    '<App name="Editor" time="500000">' + docs + '</App></Date></Ostrak>', 'application/xml'));
                return data;
            };`);
        await browser.click('button[data-action="refresh"]');
        const list = 'return [document.querySelectorAll("tr.doc").length, document.querySelector("tr.more").textContent];';
        assert.deepEqual(await browser.run(list), [5, 'Show all 451']);
        await browser.click('a[data-action="show-all"]');
        assert.deepEqual(await browser.run(list), [200, '200 more \u00b7 Show fewer']);
        await browser.click('a[data-action="show-more"]');
        await browser.click('a[data-action="show-more"]');
        assert.deepEqual(await browser.run(list), [451, 'Show fewer']);
        await browser.click('a[data-action="show-all"]');
        assert.equal((await browser.run(list))[0], 5);
        await browser.click('button[data-kind="all"]');
        await browser.click('button[data-table="timesheet"]');
        const sheet = 'return [document.querySelectorAll("tr.sheet-day").length, document.querySelector("div.more").textContent];';
        assert.deepEqual(await browser.run(sheet), [62, 'Show all 400']);
        await browser.click('a[data-action="timesheet-all"]');
        assert.deepEqual(await browser.run(sheet), [366, '34 more \u00b7 Show fewer']);
        await browser.click('a[data-action="timesheet-more"]');
        assert.deepEqual(await browser.run(sheet), [400, 'Show fewer']);
        await browser.click('button[data-table="summary"]');
    });

    // Half of a 1920-pixel screen at 125 %, and a usual laptop window.
    for (const language of ['English', 'Russian']) {
        await t.test(`${language} at 768 pixels: every period button in view, names readable`, async () => {
            await browser.resize(768, 900);
            await browser.open(pagePath, `lang=${language}&today=2026-12-04`);
            const cut = await browser.run(`var width = document.documentElement.clientWidth, cut = [];
                Array.prototype.forEach.call(document.querySelectorAll('.periods button, .header button'), function (b) {
                    var r = b.getBoundingClientRect(), hit = document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2);
                    if (r.left < 0 || r.right > width || r.width < b.scrollWidth || !b.contains(hit)) cut.push(b.textContent);
                });
                return cut;`);
            assert.deepEqual(cut, []);
            await browser.click('button[data-kind="lastMonth"]');
            const narrowest = await browser.run('return Math.min.apply(null, Array.prototype.map.call(' +
                'document.querySelectorAll("tr.project .name, tr.app .name"), function (e) { return e.parentNode.clientWidth; }));');
            assert.ok(narrowest >= 200, `names get ${narrowest} px`);
        });
        const short = language.toLowerCase();
        await t.test(`${language} screenshots of a month, a day and the timesheet at 768 and 1280 pixels`, async () => {
            for (const width of [768, 1280]) {
                await browser.resize(width, 900);
                await browser.open(pagePath, `lang=${language}&today=2026-12-04`);
                await browser.click('button[data-kind="lastMonth"]');
                await browser.screenshot(path.join(screenshotDir, `report-${short}-month-${width}.png`), width);
                await browser.click('button[data-table="timesheet"]');
                await browser.screenshot(path.join(screenshotDir, `report-${short}-timesheet-${width}.png`), width);
                await browser.click('button[data-kind="today"]');
                await browser.click('button[data-table="summary"]');
                await browser.screenshot(path.join(screenshotDir, `report-${short}-day-${width}.png`), width);
            }
            await browser.resize(1180, 900);
        });
    }

    const choices = 'return Array.prototype.map.call(document.querySelectorAll("#ostrak-computer option"), ' +
        'function (o) { return [o.value, o.textContent, o.selected]; });';
    for (const language of ['English', 'Russian']) {
        const short = language.toLowerCase();
        const texts = R.resolveTexts(null, language, tables);
        await t.test(`${language}: all computers' week is the sum of both logs, the choice is kept, the left-out files listed`, async () => {
            await browser.open(pagePath, `lang=${language}&today=2026-12-04&computers=1`);
            const offered = await browser.run(choices);
            assert.deepEqual(offered.map((o) => o[0]), ['', '*', 'anna@LAPTOP', 'bob@PC']);
            assert.equal(offered[0][2], true, 'this computer first');
            assert.equal(offered[2][1], 'anna@LAPTOP \u2014 ' + R.fillIn(texts.LastCopy, { time: R.formatDate(TODAY, texts.DateFormat, texts) + ' 9:05' }));
            await browser.click('#ostrak-computer option[value="*"]');
            await browser.click('button[data-kind="thisWeek"]');
            const shown = await browser.run(state);
            const { summary, own } = expectedAll(language, week.from, week.to);
            assert.equal(shown.work, R.formatLong(summary.work, texts));
            assert.notEqual(shown.work, R.formatLong(own.work, texts));
            assert.deepEqual(shown.apps, summary.apps.map((app) => app.name));
            assert.deepEqual((await browser.run(choices))[1][2], true, 'the choice stays with the period');
            assert.deepEqual(await browser.run('return window.ostrakTestHost.copiesRead;'), ['anna@LAPTOP', 'bob@PC'], 'each copy read once');
            await browser.click('a[data-action="toggle-skipped"]');
            const skipped = await browser.run('return [document.getElementById("ostrak-skipped").textContent, ' +
                'Array.prototype.map.call(document.querySelectorAll("ul.skipped li"), function (li) { return li.textContent; })];');
            assert.ok(skipped[0].startsWith(R.fillIn(texts.Skipped, { n: 2 })), skipped[0]);
            assert.deepEqual(skipped[1], ['anna@LAPTOP-Time (conflicted copy).xml \u2014 ' + texts.SkippedName, 'bob@PC-Time.xml \u2014 ' + texts.SkippedUnreadable]);
            await browser.screenshot(path.join(screenshotDir, `report-${short}-all-computers-week.png`));
            await browser.click('button[data-action="export"]');
            const exported = await browser.run('return window.ostrakTestHost.exports.pop();');
            assert.equal(exported.fileName, 'Anna Maria-all-Report-2026-11-30-2026-12-06.csv');
            assert.ok(exported.text.includes(R.formatClock(summary.work)), 'the file holds the sum');
        });

        await t.test(`${language}: all computers' day shows one band per computer`, async () => {
            await browser.click('button[data-kind="today"]');
            const bands = await browser.run('return [Array.prototype.map.call(document.querySelectorAll(".band-name"), function (e) { return e.textContent; }), ' +
                'Array.prototype.map.call(document.querySelectorAll("#ostrak-timeline .band"), function (b) { return b.querySelectorAll(".block").length; }), ' +
                'document.getElementById("ostrak-day-work").textContent];');
            const days = [false, true].map((laptop) => R.timelineDays((y, m) => sample.makeTimeline(TODAY, language, y, m, laptop), TODAY, TODAY,
                { inactiveNames: [sample.inactiveName(language)] })[0]);
            assert.deepEqual(bands[0], ['Anna Maria@DESKTOP-7', 'anna@LAPTOP']);
            assert.deepEqual(bands[1], days.map((day) => day.stretches.length));
            assert.equal(bands[2], R.formatLong(expectedAll(language, TODAY, TODAY).summary.work, texts));
            await browser.hover('#ostrak-timeline .band[data-band="1"] .block[data-stretch="0"]');
            const tip = await browser.run('return document.getElementById("ostrak-band-tip").textContent;');
            assert.ok(tip.startsWith(days[1].stretches[0].app), tip);
            await browser.screenshot(path.join(screenshotDir, `report-${short}-all-computers-day.png`));
            await browser.click('#ostrak-computer option[value=""]');
            assert.equal(await browser.run('return document.querySelectorAll("#ostrak-timeline .band").length;'), 1);
        });
    }
});
