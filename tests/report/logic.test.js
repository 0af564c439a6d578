'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const { R, tables, parseXml, readLog, englishTexts } = require('./helpers.js');
const { CountingDom, element, fromDom } = require('./counting-dom.js');
const sample = require('./sample-log.js');

const serial = R.serialFromYmd;

test('command line: file name between the application path and the last word', async (t) => {
    await t.test('quoted path and a user name with blanks', () => {
        assert.deepEqual(R.parseCommandLine('"C:\\Program Files\\Ostrak\\Report.hta" Anna Maria-Time.xml English'), {
            appPath: 'C:\\Program Files\\Ostrak\\Report.hta', logFile: 'Anna Maria-Time.xml', language: 'English', computer: '', shared: ''
        });
    });
    await t.test('unquoted path with blanks ends at the application\'s extension', () => {
        assert.deepEqual(R.parseCommandLine('C:\\My Tools\\Ostrak\\Report.hta user1-Time.xml Russian'), {
            appPath: 'C:\\My Tools\\Ostrak\\Report.hta', logFile: 'user1-Time.xml', language: 'Russian', computer: '', shared: ''
        });
    });
    await t.test('extra blanks around the words are ignored, inner blanks kept', () => {
        const parsed = R.parseCommandLine('  "C:\\O\\Report.hta"   Jo  Ann-Time.xml   English  ');
        assert.equal(parsed.logFile, 'Jo  Ann-Time.xml');
        assert.equal(parsed.language, 'English');
    });
    await t.test('no arguments, or only one of them', () => {
        assert.deepEqual(R.parseCommandLine('"C:\\O\\Report.hta"'), { appPath: 'C:\\O\\Report.hta', logFile: '', language: '', computer: '', shared: '' });
        assert.equal(R.parseCommandLine('"C:\\O\\Report.hta" user1-Time.xml').logFile, 'user1-Time.xml');
        assert.deepEqual(R.parseCommandLine('"C:\\O\\Report.hta" Russian').language, 'Russian');
        assert.deepEqual(R.parseCommandLine(''), { appPath: '', logFile: '', language: '', computer: '', shared: '' });
    });
    await t.test('the file-type marker of .hta around the address is not taken for arguments', () => {
        const marker = '{1E460BD7-F1C3-4B2E-88BF-4E770A288AF5}';
        const parsed = R.parseCommandLine(`"C:\\O\\Report.hta" ${marker}file:///C:/O/Report.hta${marker} user1-Time.xml English`);
        assert.equal(parsed.logFile, 'user1-Time.xml');
        assert.equal(parsed.language, 'English');
    });
    await t.test('this computer\'s name and the shared folder follow the language', () => {
        const cases = [
            ['"C:\\O\\Report.hta" Anna Maria-Time.xml English /computer:DESKTOP-7 /shared:"D:\\OneDrive\\Ostrak data"',
                ['Anna Maria-Time.xml', 'English', 'DESKTOP-7', 'D:\\OneDrive\\Ostrak data']],
            ['"C:\\O\\Report.hta" anna-Time.xml Russian /computer:laptop.home', ['anna-Time.xml', 'Russian', 'laptop.home', '']],
            ['C:\\O\\Report.hta  Jo Ann-Time.xml  English  /computer:PC  /shared:"\\\\nas\\time"  ', ['Jo Ann-Time.xml', 'English', 'PC', '\\\\nas\\time']]
        ];
        for (const [commandLine, [logFile, language, computer, shared]] of cases) {
            const parsed = R.parseCommandLine(commandLine);
            assert.deepEqual([parsed.logFile, parsed.language, parsed.computer, parsed.shared], [logFile, language, computer, shared], commandLine);
        }
    });
    await t.test('the user and the projects files follow from the log name', () => {
        assert.equal(R.userOfLogFile('Anna Maria-Time.xml'), 'Anna Maria');
        assert.deepEqual(R.projectFileNames('user1-Time.xml'), ['user1-Projects.xml', 'Projects.xml']);
    });
});

test('day numbers count days since 30 December 1899, as the log\'s id does', () => {
    assert.equal(serial(1900, 1, 1), 2);
    assert.equal(serial(2000, 1, 1), 36526);
    assert.equal(serial(2007, 4, 21), 39193);
    assert.deepEqual(R.ymdFromSerial(39193), { y: 2007, m: 4, d: 21 });
    assert.deepEqual(R.ymdFromSerial(serial(2024, 2, 29) + 1), { y: 2024, m: 3, d: 1 });
    assert.equal(R.weekday(serial(2026, 12, 7)), 1, 'a Monday');
    assert.equal(R.weekday(serial(2026, 12, 6)), 0, 'a Sunday');
    assert.equal(R.serialOfLocalDate(new Date(2026, 11, 7, 23, 59)), serial(2026, 12, 7));
});

test('reading the log', async (t) => {
    await t.test('days come out in date order, one per day, with their applications and documents', () => {
        const log = readLog([
            [2026, 12, 2, [['Editor', 100, [['b.txt', 60], ['a.txt', 40]]]]],
            [2026, 12, 1, [['Browser', 50]]]
        ]);
        assert.deepEqual(log.days.map((d) => d.serial), [serial(2026, 12, 1), serial(2026, 12, 2)]);
        assert.equal(log.first, serial(2026, 12, 1));
        assert.equal(log.last, serial(2026, 12, 2));
        assert.deepEqual(log.days[1].apps, [{ name: 'Editor', time: 100, rest: 0, docs: [{ name: 'b.txt', time: 60 }, { name: 'a.txt', time: 40 }] }]);
    });
    await t.test('a hand-edited second Date of the same day joins the first', () => {
        const log = R.readLog(parseXml('<Ostrak>' +
            '<Date id="39193" y="2007" m="4" d="21"><App name="Editor" time="10"><Doc name="a" time="10"/></App></Date>' +
            '<Date y="2007" m="04" d="21"><App name="Editor" time="5"><Doc name="a" time="3"/></App><App name="Mail" time="7"/></Date>' +
            '</Ostrak>'));
        assert.equal(log.days.length, 1);
        assert.deepEqual(log.days[0].apps, [
            { name: 'Editor', time: 15, rest: 2, docs: [{ name: 'a', time: 13 }] },
            { name: 'Mail', time: 7, rest: 7, docs: [] }
        ]);
    });
    await t.test('time without a document stays with the application; bad times never lose document time', () => {
        const log = R.readLog(parseXml('<Ostrak><Date y="2026" m="1" d="5">' +
            '<App name="short" time="5"><Doc name="x" time="8"/></App>' +
            '<App name="broken" time="lots"><Doc name="y" time="4"/><Doc name="z" time="-3"/></App>' +
            '<App name="none"/>' +
            '</Date></Ostrak>'));
        assert.deepEqual(log.days[0].apps.map((a) => [a.name, a.time, a.rest]), [['short', 8, 0], ['broken', 4, 0], ['none', 0, 0]]);
        assert.deepEqual(log.days[0].apps[1].docs, [{ name: 'y', time: 4 }, { name: 'z', time: 0 }]);
    });
    await t.test('a Date without y, m and d is placed by its id; one with neither is skipped', () => {
        const log = R.readLog(parseXml('<Ostrak><Date id="39193"><App name="a" time="1"/></Date>' +
            '<Date y="2007" m="2" d="30"><App name="b" time="1"/></Date><Date><App name="c" time="1"/></Date></Ostrak>'));
        assert.deepEqual(log.days.map((d) => [d.serial, d.apps[0].name]), [[39193, 'a']]);
    });
    await t.test('names are data, whatever they spell', () => {
        const log = readLog([[2026, 3, 1, [['__proto__', 5, [['constructor', 5]]], ['Редактор', 3, [['заметки «план».txt', 3]]]]]]);
        assert.deepEqual(log.days[0].apps.map((a) => a.name), ['__proto__', 'Редактор']);
        assert.equal(log.days[0].apps[0].docs[0].name, 'constructor');
        assert.equal(log.days[0].apps[1].docs[0].name, 'заметки «план».txt');
        // Enough names for the looked-up index, on two days.
        const names = [...Array(17).keys()].map(String).concat(['__proto__', 'constructor', 'toString', 'hasOwnProperty', 'valueOf']);
        const apps = names.map((name, i) => [name, i + 1, [[name, i + 1]]]);
        const summary = R.summarize(readLog([[2026, 3, 1, apps], [2026, 3, 2, apps]]), serial(2026, 3, 1), serial(2026, 3, 2));
        assert.deepEqual(summary.apps.map((a) => [a.name, a.time, a.docs.length]).sort(),
            names.map((name, i) => [name, 2 * (i + 1), 1]).sort());
    });
    await t.test('an empty log', () => {
        assert.deepEqual(R.readLog(parseXml('<Ostrak/>')), { days: [], first: null, last: null });
        assert.deepEqual(R.emptyLog(), { days: [], first: null, last: null });
    });
    await t.test('a period reads, through XPath, its own days as a whole read has them, and nothing below other days', () => {
        // Hand edits among them: leading zeros, an id that disagrees with y, m and d, no id,
        // no valid date but an id, and two Dates of one day.
        const text = '<Ostrak>' +
            '<Date id="46356" y="2026" m="11" d="30"><App name="a" time="1"><Doc name="x" time="1"/></App></Date>' +
            '<Date id="46357" y="2026" m="12" d="01"><App name="b" time="2"/></Date>' +
            '<Date id="40000" y="2026" m="12" d="2"><App name="c" time="3"/></Date>' +
            '<Date y="2026" m="12" d="3"><App name="d" time="4"/></Date>' +
            '<Date id="46360" y="2026" m="13" d="1"><App name="e" time="5"/></Date>' +
            '<Date id="46361" y="2026" m="12" d="5"><App name="f" time="6"><Doc name="y" time="6"/></App></Date>' +
            '<Date id="46361" y="2026" m="12" d="5"><App name="f" time="1"/></Date>' +
            '<Date id="46357" y="2027" m="1" d="1"><App name="g" time="7"/></Date>' +
            '</Ostrak>';
        const whole = R.readLog(parseXml(text));
        const dom = new CountingDom(element('#document', {}, [fromDom(parseXml(text).documentElement)]));
        const reader = R.logReader(dom);
        const span = reader.span();
        assert.deepEqual([span.first, span.last], [whole.first, whole.last]);
        for (let from = whole.first - 1; from <= whole.last + 1; from++) {
            for (const to of [from, from + 1, from + 6]) {
                dom.visits = 0;
                const days = reader.daysIn(from, to);
                assert.deepEqual(days, whole.days.filter((day) => day.serial >= from && day.serial <= to), `${from}..${to}`);
                const below = days.reduce((sum, day) => sum + day.apps.reduce((n, app) => n + 1 + app.docs.length, 0), 0);
                assert.ok(dom.visits <= below + 4 + to - from, `${from}..${to}: ${dom.visits} nodes for ${below} below its days`);
            }
        }
    });
    await t.test('a period summed straight from the elements equals one summed from the whole log', () => {
        // The sample logs repeat names across days; the hand-edited one repeats a day and holds
        // times that disagree with their documents.
        const edited = '<Ostrak><Date id="46356" y="2026" m="11" d="30"><App name="a" time="5"><Doc name="x" time="8"/></App>' +
            '<App name="Idle" time="4"/><App name="b" time="lots"><Doc name="x" time="3"/></App></Date>' +
            '<Date y="2026" m="11" d="30"><App name="a" time="9"><Doc name="x" time="2"/><Doc name="y" time="1"/></App><App name="c"/></Date>' +
            '<Date id="46357" y="2026" m="12" d="1"><App name="__proto__" time="7"><Doc name="constructor" time="7"/></App></Date></Ostrak>';
        const logs = [[edited, R.readProjects(parseXml('<List><Project id="1">P</Project><Filter project="1" where="1">x</Filter></List>')), 'Idle']]
            .concat(['English', 'Russian'].map((language) => [sample.makeLog(serial(2026, 12, 9), language),
                R.readProjects(parseXml(sample.projects(language))), sample.inactiveName(language)]));
        for (const [text, projects, inactiveName] of logs) {
            const whole = R.readLog(parseXml(text));
            const reader = R.logReader(new CountingDom(element('#document', {}, [fromDom(parseXml(text).documentElement)])));
            const options = { inactiveNames: [inactiveName], projects };
            for (const [from, to] of [[whole.first, whole.last], [whole.first, whole.first], [whole.last - 6, whole.last]]) {
                assert.deepEqual(R.summarize(reader, from, to, options), R.summarize(whole, from, to, options), `${from}..${to}`);
            }
        }
    });
});

test('reading projects: every Project and Filter anywhere, in document order', () => {
    const long = 'x'.repeat(300);
    const data = R.readProjects(parseXml('<Root><Filter project="2" where="1">draft</Filter>' +
        `<Group><Project id="2">Writing</Project><Project id="7">${long}</Project></Group>` +
        '<Filter project="7" where="0">Mail</Filter><Filter where="x">odd</Filter><Project>Unnumbered</Project><Filter project="2" where="1"/></Root>'));
    assert.deepEqual(data.projects, [{ id: 2, name: 'Writing' }, { id: 7, name: 'x'.repeat(254) }, { id: 0, name: 'Unnumbered' }]);
    assert.deepEqual(data.filters, [
        { text: 'draft', project: 2, where: 1 },
        { text: 'Mail', project: 7, where: 0 },
        { text: 'odd', project: 0, where: 0 },
        { text: '', project: 2, where: 1 }
    ]);
});

test('project matching', async (t) => {
    const projects = {
        projects: [{ id: 1, name: 'Ostrak' }, { id: 2, name: 'Finance' }, { id: 3, name: 'Mail' }],
        filters: [
            { text: 'OSTRAK', project: 1, where: 1 },
            { text: 'excel', project: 2, where: 0 },
            { text: 'inbox', project: 3, where: 1 },
            { text: 'банк', project: 2, where: 1 },
            { text: 'Outlook', project: 3, where: 0 }
        ]
    };
    const match = R.projectMatcher(projects);
    await t.test('where-kind 0 looks in the application name, 1 in the document name, ignoring case', () => {
        assert.equal(match('Microsoft Excel', 'Budget.xlsx'), 2);
        assert.equal(match('Editor', 'ostrak/main.cpp'), 1);
        assert.equal(match('Excel', 'nothing here'), 2);
        assert.equal(match('Ostrak', 'notes'), null, 'a document filter does not look at the application');
        assert.equal(match('Browser', 'Мой БАНК - счета'), 2, 'letter case of Cyrillic too');
    });
    await t.test('the first filter in list order wins', () => {
        assert.equal(match('Microsoft Excel', 'ostrak figures.xlsx'), 1);
        assert.equal(match('Outlook', 'Inbox - ostrak'), 1);
        assert.equal(match('Outlook', 'Inbox'), 3);
    });
    await t.test('filters without text or without their project are passed over', () => {
        const odd = R.projectMatcher({
            projects: [{ id: 1, name: 'A' }],
            filters: [{ text: '', project: 1, where: 1 }, { text: 'doc', project: 9, where: 1 }, { text: 'doc', project: 1, where: 5 }]
        });
        assert.equal(odd('app', 'a doc'), 1, 'any kind but 0 looks in the document');
        assert.equal(odd('app', 'other'), null);
        assert.equal(R.projectMatcher(null)('app', 'doc'), null);
    });
});

test('periods', async (t) => {
    const sunday = serial(2026, 12, 6);
    const range = (kind, today, options) => {
        const period = R.periodRange(kind, today, options);
        return [R.isoDate(period.from), R.isoDate(period.to)];
    };
    await t.test('days, weeks from the language\'s first weekday, and calendar months', () => {
        assert.deepEqual(range('today', sunday), ['2026-12-06', '2026-12-06']);
        assert.deepEqual(range('yesterday', sunday), ['2026-12-05', '2026-12-05']);
        assert.deepEqual(range('thisWeek', sunday), ['2026-11-30', '2026-12-06']);
        assert.deepEqual(range('lastWeek', sunday), ['2026-11-23', '2026-11-29']);
        assert.deepEqual(range('thisWeek', sunday, { firstDay: 0 }), ['2026-12-06', '2026-12-12']);
        assert.deepEqual(range('thisWeek', serial(2026, 11, 30)), ['2026-11-30', '2026-12-06']);
        assert.deepEqual(range('thisMonth', sunday), ['2026-12-01', '2026-12-31']);
        assert.deepEqual(range('lastMonth', sunday), ['2026-11-01', '2026-11-30']);
        assert.deepEqual(range('lastMonth', serial(2027, 1, 15)), ['2026-12-01', '2026-12-31']);
        assert.deepEqual(range('thisMonth', serial(2028, 2, 10)), ['2028-02-01', '2028-02-29']);
    });
    await t.test('all time spans the log; a range is put in order', () => {
        const log = readLog([[2025, 3, 4, [['a', 1]]], [2026, 1, 2, [['a', 1]]]]);
        assert.deepEqual(range('all', sunday, { log }), ['2025-03-04', '2026-01-02']);
        assert.deepEqual(range('all', sunday, { log: R.emptyLog() }), ['2026-12-06', '2026-12-06']);
        assert.deepEqual(range('range', sunday, { from: serial(2026, 5, 9), to: serial(2026, 5, 1) }), ['2026-05-01', '2026-05-09']);
    });
    await t.test('stepping keeps whole months whole and moves other periods by their length', () => {
        const step = (period, direction) => {
            const shifted = R.shiftPeriod(period, direction);
            return [R.isoDate(shifted.from), R.isoDate(shifted.to)];
        };
        assert.deepEqual(step(R.periodRange('thisMonth', serial(2026, 3, 31)), -1), ['2026-02-01', '2026-02-28']);
        assert.deepEqual(step(R.periodRange('thisMonth', serial(2026, 12, 31)), 1), ['2027-01-01', '2027-01-31']);
        assert.deepEqual(step(R.periodRange('thisWeek', sunday), 1), ['2026-12-07', '2026-12-13']);
        assert.deepEqual(step(R.periodRange('today', sunday), -1), ['2026-12-05', '2026-12-05']);
        assert.deepEqual(step(R.periodRange('range', sunday, { from: serial(2026, 1, 1), to: serial(2026, 1, 10) }), 1), ['2026-01-11', '2026-01-20']);
    });
});

test('summary of a period', async (t) => {
    const log = readLog([
        [2026, 11, 29, [['Editor', 999]]],
        [2026, 11, 30, [
            ['Editor', 3000, [['ostrak.cpp', 2000], ['notes.txt', 600]]],
            ['Browser', 1200, [['Inbox - mail', 1200]]],
            ['Inactive', 900, [['12.05 - ...', 900]]],
            ['', 60]
        ]],
        [2026, 12, 2, [['Browser', 1800, [['ostrak issues', 1800]]], ['Mail', 600], ['Неактивно', 300]]],
        [2026, 12, 7, [['Editor', 5]]]
    ]);
    const projects = {
        projects: [{ id: 1, name: 'Ostrak' }, { id: 2, name: 'Mail' }, { id: 3, name: 'Idle project' }],
        filters: [{ text: 'ostrak', project: 1, where: 1 }, { text: 'mail', project: 2, where: 0 }, { text: 'inbox', project: 2, where: 1 }]
    };
    const summary = R.summarize(log, serial(2026, 11, 30), serial(2026, 12, 6), { inactiveNames: ['Inactive', 'Неактивно'], projects });

    await t.test('inactive time and the nameless application stand apart from work', () => {
        assert.equal(summary.work, 3000 + 1200 + 1800 + 600);
        assert.equal(summary.inactive, 900 + 60 + 300);
        assert.ok(summary.apps.every((app) => app.name !== 'Inactive' && app.name !== ''));
    });
    await t.test('applications and their documents sorted by time, shares of the work time', () => {
        assert.deepEqual(summary.apps.map((a) => [a.name, a.time]), [['Browser', 3000], ['Editor', 3000], ['Mail', 600]]);
        assert.deepEqual(summary.apps[0].docs.map((d) => [d.name, d.time]), [['ostrak issues', 1800], ['Inbox - mail', 1200]]);
        assert.equal(summary.apps[1].rest, 400);
        assert.equal(summary.apps[2].share, 600 / 6600);
    });
    await t.test('projects take documents, and the time without a document by the application name', () => {
        assert.deepEqual(summary.projects.map((p) => [p.name, p.time]), [['Ostrak', 3800], ['Mail', 1800]]);
        assert.equal(summary.noProject, 600 + 400);
        assert.equal(summary.projects.reduce((sum, p) => sum + p.time, 0) + summary.noProject, summary.work);
        assert.equal(summary.projectCount, 3);
        assert.equal(summary.apps[1].docs.find((d) => d.name === 'ostrak.cpp').project, 1);
    });
    await t.test('days carry their work split into the top applications and the rest', () => {
        const small = R.summarize(log, serial(2026, 11, 30), serial(2026, 12, 6), { inactiveNames: ['Inactive'], topCount: 1 });
        assert.deepEqual(small.topApps, ['Browser']);
        assert.deepEqual(small.days.map((d) => [R.isoDate(d.serial), d.work, d.inactive, d.parts]), [
            ['2026-11-30', 4200, 960, [1200, 3000]],
            ['2026-12-02', 2700, 0, [1800, 900]]
        ]);
        assert.equal(small.activeDays, 2);
        assert.equal(small.averagePerActiveDay, Math.round(6900 / 2));
    });
    await t.test('a period without time', () => {
        const empty = R.summarize(log, serial(2026, 12, 3), serial(2026, 12, 6), {});
        assert.equal(empty.work, 0);
        assert.deepEqual(empty.apps, []);
        assert.equal(empty.noProjectShare, 0);
        assert.equal(empty.averagePerActiveDay, 0);
    });
});

test('chart bars cover the whole period: days, then weeks, then months', () => {
    const log = readLog([[2026, 1, 5, [['a', 100]]], [2026, 1, 7, [['b', 50]]], [2026, 6, 30, [['a', 10]]]]);
    const bars = (from, to) => R.chartBuckets(R.summarize(log, from, to, { topCount: 1 }));

    const week = bars(serial(2026, 1, 5), serial(2026, 1, 11));
    assert.equal(week.unit, 'day');
    assert.deepEqual(week.buckets.map((b) => b.work), [100, 0, 50, 0, 0, 0, 0]);
    assert.deepEqual(week.buckets[2].parts, [0, 50]);

    const half = bars(serial(2026, 1, 1), serial(2026, 6, 30));
    assert.equal(half.unit, 'week');
    assert.equal(R.weekday(half.buckets[1].from), 1, 'weeks start on Monday');
    assert.equal(half.buckets[0].from, serial(2026, 1, 1), 'the first bar starts with the period');
    assert.equal(half.buckets[half.buckets.length - 1].to, serial(2026, 6, 30));
    assert.equal(half.buckets.reduce((sum, b) => sum + b.work, 0), 160);

    const years = bars(serial(2025, 1, 1), serial(2027, 12, 31));
    assert.equal(years.unit, 'month');
    assert.equal(years.buckets.length, 36);
    assert.equal(years.buckets[12].work, 150);
    assert.equal(years.buckets[17].work, 10);
});

test('chart axis: a round step, at most about four lines', () => {
    assert.deepEqual(R.axisScale(0), { step: 300, top: 300 });
    assert.deepEqual(R.axisScale(1000), { step: 300, top: 1200 });
    assert.deepEqual(R.axisScale(8 * 3600 + 1), { step: 10800, top: 32400 });
    assert.deepEqual(R.axisScale(100 * 3600), { step: 144000, top: 432000 });
});

test('formats', async (t) => {
    await t.test('hours and minutes, rounded to the minute', () => {
        assert.deepEqual([0, 29, 30, 3569, 3570, 36000, 360000].map(R.formatClock), ['0:00', '0:00', '0:01', '0:59', '1:00', '10:00', '100:00']);
        assert.equal(R.formatLong(7 * 3600 + 32 * 60, englishTexts), '7 h 32 min');
        assert.equal(R.formatLong(3 * 3600 + 10, englishTexts), '3 h');
        assert.equal(R.formatLong(45 * 60, englishTexts), '45 min');
        assert.equal(R.formatLong(0, englishTexts), '0 min');
    });
    await t.test('percentages', () => {
        assert.deepEqual([0, 0.004, 0.005, 0.123, 1].map(R.formatPercent), ['0%', '<1%', '1%', '12%', '100%']);
    });
    await t.test('dates in the language\'s own form', () => {
        const russian = R.resolveTexts(null, 'Russian', tables);
        assert.equal(R.formatDate(serial(2026, 5, 9), russian.DateFormat, russian), 'сб, 9 мая 2026');
        assert.equal(R.formatDate(serial(2026, 11, 30), englishTexts.DateFormat, englishTexts), 'Mon 30 Nov 2026');
        assert.equal(R.formatDate(serial(2026, 1, 2), russian.DateInput, russian), '02.01.2026');
    });
    await t.test('typed dates: year-month-day or day.month.year, real days only', () => {
        assert.equal(R.parseDateInput(' 2026-12-06 '), serial(2026, 12, 6));
        assert.equal(R.parseDateInput('6.12.2026'), serial(2026, 12, 6));
        assert.equal(R.parseDateInput('29.02.2028'), serial(2028, 2, 29));
        for (const bad of ['2026-02-30', '31.04.2026', '2026/12/06', '', 'yesterday', '12-06-2026']) {
            assert.equal(R.parseDateInput(bad), null, bad);
        }
    });
});

test('texts: the language file first, then the built-in table of the language', () => {
    const language = parseXml('<Language><Common><Inactive>Away</Inactive></Common>' +
        '<Report><Title>Time report</Title><Today/></Report><Other><Export>wrong section</Export></Other></Language>');
    const texts = R.resolveTexts(R.languageLookup(language), 'English', tables);
    assert.equal(texts.Title, 'Time report');
    assert.equal(texts.Today, tables.English.Today, 'an empty element falls back');
    assert.equal(texts.Export, tables.English.Export, 'a key of another section does not count');
    assert.equal(texts.InactiveName, 'Away');
    assert.equal(R.resolveTexts(null, 'rUSSIAN', tables).Today, 'Сегодня');
    assert.equal(R.resolveTexts(null, 'Ukrainian', tables).Today, 'Today');
    assert.equal(R.resolveTexts(null, 'English', tables).InactiveName, '');
    assert.equal(R.fillIn('Show all {n}', { n: 12 }), 'Show all 12');
});

test('CSV export', async (t) => {
    const log = readLog([[2026, 12, 1, [
        ['Browser', 3600, [['Report; "final", v2', 1800], ['=HYPERLINK("x")', 600]]],
        ['Editor', 1500, [['a.txt', 1500]]],
        ['Inactive', 120]
    ]]]);
    const projects = { projects: [{ id: 4, name: 'Reports' }], filters: [{ text: 'report', project: 4, where: 1 }] };
    const summary = R.summarize(log, serial(2026, 12, 1), serial(2026, 12, 1), { inactiveNames: ['Inactive'], projects });

    await t.test('with the spreadsheet\'s separator and decimal mark, lines ended by CR LF', () => {
        const csv = R.buildCsv(summary, englishTexts, { logFile: 'user1-Time.xml', separator: ';', decimal: ',', projects });
        const lines = csv.split('\r\n');
        assert.equal(lines[lines.length - 1], '', 'the last line is ended too');
        assert.ok(!/[^\r]\n/.test(csv), 'no bare line feeds');
        assert.deepEqual(lines.slice(0, 5), [
            'Ostrak report;user1-Time.xml',
            'Period;2026-12-01;2026-12-01',
            'Work time;1:25;85',
            'Idle;0:02;2',
            ''
        ]);
        assert.deepEqual(lines.slice(5, 12), [
            'Application;Document;Project;Time;Minutes;Share',
            'Browser;;;1:00;60;70,6',
            'Browser;"Report; ""final"", v2";Reports;0:30;30;35,3',
            'Browser;(no document);;0:20;20;23,5',
            'Browser;"\'=HYPERLINK(""x"")";;0:10;10;11,8',
            'Editor;;;0:25;25;29,4',
            'Editor;a.txt;;0:25;25;29,4'
        ]);
        assert.ok(lines.includes('Total;;;1:25;85;100,0'));
        assert.ok(lines.includes('Project;Time;Minutes;Share'));
        assert.ok(lines.includes('Reports;0:30;30;35,3'));
        assert.ok(lines.includes('Without a project;0:55;55;64,7'));
        assert.ok(lines.includes('2026-12-01;1:25;85;0:02;2'));
    });
    await t.test('the separator follows the computer\'s list separator unless it clashes', () => {
        assert.deepEqual(R.csvFormat(',', '.'), { separator: ',', decimal: '.' });
        assert.deepEqual(R.csvFormat(';', ','), { separator: ';', decimal: ',' });
        assert.deepEqual(R.csvFormat(',', ','), { separator: ';', decimal: ',' });
        assert.deepEqual(R.csvFormat('', ''), { separator: ',', decimal: '.' });
        const csv = R.buildCsv(summary, englishTexts, { separator: ',', decimal: '.' });
        assert.ok(csv.includes('\r\nBrowser,"Report; ""final"", v2",,0:30,30,35.3\r\n'));
    });
    await t.test('the file is named by user and period', () => {
        assert.equal(R.csvFileName('Anna Maria-Time.xml', summary), 'Anna Maria-Report-2026-12-01.csv');
        assert.equal(R.csvFileName('a:b-Time.xml', { from: serial(2026, 11, 30), to: serial(2026, 12, 6) }), 'a_b-Report-2026-11-30-2026-12-06.csv');
    });
});

test('the timeline: month files read into days, cut lines left out, only the period\'s months asked', () => {
    const december = 'start\tseconds\tapplication\tdocument\n' +
        '2026-12-07 08:55:00\t300\tIdle\t08.55 - ...\n' +
        '2026-12-07 09:00:00\t1800\tEditor\tnotes.txt\n' +
        '2026-12-07 09:30:00\t12\tEdi\t\t\t\t\n' +          // a line a crash cut short, closed by the next batch
        '2026-12-07 09:30:00\t600\tBrowser\t\n' +
        '2026-12-07 23:50:00\t1200\tEditor\tlate.txt\n' +   // across midnight, written before the split
        '2026-12-09 10:00:00\t60\tEditor\tnotes.txt\n' +
        '2026-12-09 10:01:00\t6';                           // the last write, cut short
    const asked = [];
    const monthText = (y, m) => {
        asked.push(`${y}-${m}`);
        return m === 12 ? december : null;
    };
    const days = R.timelineDays(monthText, serial(2026, 11, 30), serial(2026, 12, 9), { inactiveNames: ['Idle'] });
    assert.deepEqual(asked, ['2026-11', '2026-12']);
    assert.equal(days.length, 10);
    const summary = (day) => [day.known, day.stretches.length, day.first, day.last, day.span, day.work];
    assert.deepEqual(summary(days[0]), [false, 0, null, null, 0, 0], 'no file for November');
    assert.deepEqual(summary(days[7]), [true, 4, 9 * 3600, 24 * 3600, 15 * 3600, 3000], '7 December, up to midnight');
    assert.deepEqual(summary(days[8]), [true, 1, 0, 600, 600, 600], 'the stretch\'s part past midnight');
    assert.deepEqual(summary(days[9]), [true, 1, 10 * 3600, 10 * 3600 + 60, 60, 60], 'the cut last line is not read');
    assert.deepEqual(days[7].stretches.map((s) => [s.app, s.doc, s.inactive]),
        [['Idle', '08.55 - ...', true], ['Editor', 'notes.txt', false], ['Browser', '', false], ['Editor', 'late.txt', false]]);
    assert.equal(R.formatTimeOfDay(days[7].last), '24:00');
    assert.equal(R.timelineFileName('Anna Maria-Time.xml', 2026, 3), 'Anna Maria-Timeline-2026-03.tsv');
});

test('stepping after a click on a bar moves by the bar\'s whole unit', () => {
    const dates = (period) => [R.isoDate(period.from), R.isoDate(period.to)];
    const cases = [
        // [period charted, bar, its days, the next period, the previous one from that next one]
        ['months of three years', serial(2021, 1, 1), serial(2023, 12, 31), 15,
            ['2022-04-01', '2022-04-30'], ['2022-05-01', '2022-05-31'], ['2022-04-01', '2022-04-30']],
        ['weeks, the first cut to the log\'s first day (a Wednesday)', serial(2026, 1, 7), serial(2026, 6, 30), 0,
            ['2026-01-07', '2026-01-11'], ['2026-01-12', '2026-01-18'], ['2026-01-05', '2026-01-11']],
        ['years of a ten-year log that began in March', serial(2015, 3, 11), serial(2024, 12, 31), 0,
            ['2015-03-11', '2015-12-31'], ['2016-01-01', '2016-12-31'], ['2015-01-01', '2015-12-31']],
        ['the last day of a month', serial(2026, 5, 1), serial(2026, 5, 31), 30,
            ['2026-05-31', '2026-05-31'], ['2026-06-01', '2026-06-01'], ['2026-05-31', '2026-05-31']]
    ];
    for (const [name, from, to, index, bar, next, back] of cases) {
        const chart = R.chartBuckets(R.summarize(R.emptyLog(), from, to, {}), { firstDay: 1 });
        const clicked = R.barPeriod(chart.buckets[index], chart.unit);
        assert.deepEqual(dates(clicked), bar, name);
        const later = R.shiftPeriod(clicked, 1, 1);
        assert.deepEqual(dates(later), next, name);
        assert.deepEqual(dates(R.shiftPeriod(later, -1, 1)), back, name);
    }
    const sundayWeeks = R.shiftPeriod(R.periodRange('thisWeek', serial(2026, 12, 9), { firstDay: 0 }), 1, 0);
    assert.deepEqual(dates(sundayWeeks), ['2026-12-13', '2026-12-19'], 'weeks of a Sunday-first calendar');
    assert.deepEqual([0, 6, 5, '7', null, 'x'].map(R.firstDayFromWindows), [1, 0, 6, null, null, null],
        'Windows counts from Monday, the report from Sunday');
});

test('a month alone is named in the nominative under the chart, a week by its date', () => {
    const russian = R.resolveTexts(null, 'Russian', tables);
    const labels = (from, to) => {
        const chart = R.chartBuckets(R.summarize(R.emptyLog(), from, to, {}));
        return chart.buckets.map((bucket, index) => R.barLabel(chart, index, russian)[0]);
    };
    assert.deepEqual(labels(serial(2025, 1, 1), serial(2027, 12, 31)).slice(2, 7), ['март', 'апр.', 'май', 'июнь', 'июль']);
    assert.equal(labels(serial(2026, 4, 27), serial(2026, 9, 30))[1], '4 мая');
    assert.deepEqual(labels(serial(2015, 3, 11), serial(2024, 12, 31)).slice(0, 2), ['2015', '2016']);
});

test('a day split at midnight: one work time each, and the day after has its timeline', () => {
    // "Every second accounted for" wrote 23:30 to 0:20 as two pieces in the log and the timeline;
    // an older timeline line of the night before runs past midnight whole.
    const log = readLog([[2026, 11, 30, [['Editor', 1800, [['late.txt', 1800]]]]], [2026, 12, 1, [['Editor', 1200, [['late.txt', 1200]]]]]]);
    const november = 'start\tseconds\tapplication\tdocument\n2026-11-29 23:00:00\t7200\tBrowser\told line\n' +
        '2026-11-30 23:30:00\t1800\tEditor\tlate.txt\n';
    const december = 'start\tseconds\tapplication\tdocument\n2026-12-01 00:00:00\t1200\tEditor\tlate.txt\n';
    const months = { '2026-11': november, '2026-12': december };
    const asked = [];
    const monthText = (y, m) => {
        asked.push(`${y}-${m}`);
        return months[`${y}-${m}`] || null;
    };
    for (const [day, work, first, last] of [[serial(2026, 11, 30), 1800, 0, 86400], [serial(2026, 12, 1), 1200, 0, 1200]]) {
        const summary = R.summarize(log, day, day, {});
        const timeline = R.timelineDays(monthText, day, day, {})[0];
        assert.equal(summary.work, work, R.isoDate(day));
        assert.deepEqual([timeline.first, timeline.last], [first, last], R.isoDate(day));
        assert.deepEqual(R.timesheetRows(summary, [timeline]).map((row) => [row.first, row.last, row.work]), [[first, last, work]]);
    }
    assert.deepEqual(asked.slice(-2), ['2026-11', '2026-12'], 'the first of a month looks at the month before for a stretch across its midnight');
});

test('the timesheet: per day first and last activity, work, idle and each project, in the spreadsheet\'s format', () => {
    const log = readLog([
        [2026, 12, 1, [['Editor', 5400, [['ostrak.cpp', 3600], ['план.txt', 1800]]], ['Idle', 600]]],
        [2026, 12, 2, [['Browser', 900]]]
    ]);
    const projects = { projects: [{ id: 1, name: 'Ostrak; core' }, { id: 2, name: 'Планы' }], filters: [
        { text: 'ostrak', project: 1, where: 1 }, { text: 'план', project: 2, where: 1 }] };
    const summary = R.summarize(log, serial(2026, 12, 1), serial(2026, 12, 3), { inactiveNames: ['Idle'], projects });
    const timeline = R.timelineDays(() => 'start\tseconds\tapplication\tdocument\n2026-12-01 08:30:00\t5400\tEditor\tostrak.cpp\n' +
        '2026-12-01 10:00:00\t600\tIdle\t\n', summary.from, summary.to, { inactiveNames: ['Idle'] });
    const csv = R.buildTimesheetCsv(summary, timeline, englishTexts, { logFile: 'user1-Time.xml', separator: ';', decimal: ',' });
    assert.deepEqual(csv.split('\r\n'), [
        'Timesheet;user1-Time.xml',
        'Period;2026-12-01;2026-12-03',
        '',
        'Date;First activity;Last activity;Work, hours;Idle, hours;"Ostrak; core";Планы;Without a project',
        '2026-12-01;8:30;10:00;1,50;0,17;1,00;0,50;0,00',
        '2026-12-02;;;0,25;0,00;0,00;0,00;0,25',
        'Total;;;1,75;0,17;1,00;0,50;0,25',
        ''
    ]);
    assert.equal(R.buildTimesheetCsv(summary, timeline, englishTexts, { separator: ',', decimal: '.' }).split('\r\n')[4],
        '2026-12-01,8:30,10:00,1.50,0.17,1.00,0.50,0.00');
    assert.equal(R.csvFileName('user1-Time.xml', summary, 'Timesheet'), 'user1-Timesheet-2026-12-01-2026-12-03.csv');
});

test('a shared folder\'s file is a copy only by the exact name the tracker gives it', () => {
    const cases = [
        ['anna@LAPTOP-Time.xml', { kind: 'copy', user: 'anna', computer: 'LAPTOP' }],
        ['Anna Maria@desktop-7.home-Time.xml', { kind: 'copy', user: 'Anna Maria', computer: 'desktop-7.home' }],
        ['a@b@PC-Time.xml', { kind: 'copy', user: 'a@b', computer: 'PC' }],
        ['anna@LAPTOP-Timeline-2026-12.tsv', { kind: 'timeline', user: 'anna', computer: 'LAPTOP' }],
        ['anna@LAPTOP-Time (conflicted copy).xml', null],
        ['anna@LAPTOP-Time-DESKTOP-1.xml', null],
        ['anna@LAPTOP (2)-Time.xml', null],
        ['anna@LAP_TOP:1-Time.xml', null],
        ['anna@LAPTOP-Time.xml.tmp', null],
        ['anna-Time.xml', null],
        ['@LAPTOP-Time.xml', null],
        ['anna@-Time.xml', null],
        ['anna@LAPTOP-Timeline-2026-12 (1).tsv', null]
    ];
    for (const [name, kind] of cases) assert.deepEqual(R.sharedFileKind(name), kind, name);
    assert.deepEqual(['my pc:2', 'srv.', '...', 'a@b\t"c"'].map(R.computerFileName), ['my_pc_2', 'srv', 'computer', 'a_b__c_'],
        'started by hand, this computer\'s name is cleaned as the tracker cleans it');
});

test('several computers\' figures add up under this computer\'s projects', () => {
    const projects = { projects: [{ id: 1, name: 'Budget' }], filters: [{ text: 'budget', project: 1, where: 1 }] };
    const day = serial(2026, 12, 4);
    const here = readLog([[2026, 12, 4, [['Excel', 100, [['budget.xlsx', 100]]], ['Idle', 40]]]]);
    const laptop = readLog([[2026, 12, 4, [['Excel', 260, [['budget.xlsx', 200], ['other.xlsx', 60]]]]], [2026, 12, 5, [['Mail', 30]]]]);
    const options = { inactiveNames: ['Idle'], projects };
    const summaries = [here, laptop].map((log) => R.summarize(log, day, day + 1, options));
    const sum = R.combineSummaries(summaries, day, day + 1, options);
    assert.deepEqual([sum.work, sum.inactive], [390, 40]);
    assert.deepEqual(sum.apps.map((app) => [app.name, app.time, app.docs.map((doc) => [doc.name, doc.time, doc.project])]),
        [['Excel', 360, [['budget.xlsx', 300, 1], ['other.xlsx', 60, null]]], ['Mail', 30, []]]);
    assert.deepEqual(sum.projects.map((p) => [p.name, p.time]), [['Budget', 300]]);
    assert.deepEqual(sum.days.map((d) => [d.serial, d.work, d.projects['$1'] || 0, d.noProject]), [[day, 360, 300, 60], [day + 1, 30, 0, 30]]);
    assert.deepEqual(summaries.map((s) => s.work), [100, 290], 'the summaries added up stay as they were');
});
