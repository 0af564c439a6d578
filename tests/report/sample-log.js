// A made-up but lifelike time log of six weeks, the same for a given day and language, for
// the rendered report and its screenshot. Plain ES5: the test page loads it in the browser.
var OstrakSample = (function () {
    'use strict';

    var APPS = {
        English: [
            { name: 'Visual Studio Code', weight: 30, docs: ['report-logic.js - ostrak', 'main_dialog.cpp - ostrak', 'README.md - ostrak', 'notes.md - diary'] },
            { name: 'Google Chrome', weight: 24, docs: ['Inbox (3) - mail', 'Pull requests - ostrak', 'MDN Web Docs', 'Weather forecast', 'Train timetable', 'Bank - accounts'] },
            { name: 'Microsoft Word', weight: 14, docs: ['Quarterly report.docx', 'Contract draft.docx', 'Meeting notes.docx'] },
            { name: 'Microsoft Excel', weight: 10, docs: ['Budget 2027.xlsx', 'Timesheet.xlsx'] },
            { name: 'Outlook', weight: 8, docs: ['Inbox - anna@example.com', 'Calendar'] },
            { name: 'Telegram', weight: 5, docs: [] },
            { name: 'File Explorer', weight: 4, docs: ['Downloads', 'Documents'] },
            { name: 'Notepad', weight: 3, docs: ['todo.txt'] }
        ],
        Russian: [
            { name: 'Visual Studio Code', weight: 30, docs: ['report-logic.js - ostrak', 'main_dialog.cpp - ostrak', 'README.md - ostrak', 'заметки.md - дневник'] },
            { name: 'Google Chrome', weight: 24, docs: ['Входящие (3) - почта', 'Pull requests - ostrak', 'Справочник MDN', 'Прогноз погоды', 'Расписание электричек', 'Банк - счета'] },
            { name: 'Microsoft Word', weight: 14, docs: ['Отчёт за квартал.docx', 'Проект договора.docx', 'Протокол совещания.docx'] },
            { name: 'Microsoft Excel', weight: 10, docs: ['Бюджет 2027.xlsx', 'Табель.xlsx'] },
            { name: 'Outlook', weight: 8, docs: ['Входящие - anna@example.com', 'Календарь'] },
            { name: 'Telegram', weight: 5, docs: [] },
            { name: 'Проводник', weight: 4, docs: ['Загрузки', 'Документы'] },
            { name: 'Блокнот', weight: 3, docs: ['дела.txt'] }
        ]
    };

    var INACTIVE = { English: 'Idle', Russian: 'Бездействие' };

    var PROJECTS = {
        English: '<List>\n   <Project id="1">Ostrak</Project>\n   <Project id="2">Finance</Project>\n   <Project id="3">Mail</Project>\n' +
            '   <Filter project="1" where="1">ostrak</Filter>\n   <Filter project="2" where="0">Excel</Filter>\n' +
            '   <Filter project="2" where="1">Bank</Filter>\n   <Filter project="3" where="0">Outlook</Filter>\n' +
            '   <Filter project="3" where="1">Inbox</Filter>\n</List>',
        Russian: '<List>\n   <Project id="1">Ostrak</Project>\n   <Project id="2">Финансы</Project>\n   <Project id="3">Почта</Project>\n' +
            '   <Filter project="1" where="1">ostrak</Filter>\n   <Filter project="2" where="0">Excel</Filter>\n' +
            '   <Filter project="2" where="1">банк</Filter>\n   <Filter project="3" where="0">Outlook</Filter>\n' +
            '   <Filter project="3" where="1">входящие</Filter>\n</List>'
    };

    // A small linear congruential generator, so the sample never changes between runs.
    function random(seed) {
        var state = seed % 2147483647;
        if (state <= 0) state += 2147483646;
        return function () {
            state = state * 16807 % 2147483647;
            return (state - 1) / 2147483646;
        };
    }

    function escapeXml(text) {
        return String(text).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');
    }

    function ymd(serial) {
        var date = new Date((serial - 25569) * 86400000);
        return { y: date.getUTCFullYear(), m: date.getUTCMonth() + 1, d: date.getUTCDate() };
    }

    function pad2(number) {
        return (number < 10 ? '0' : '') + number;
    }

    // The log's text for the 42 days that end with today; laptop: a second computer's, used
    // for a shorter while each day.
    function makeLog(today, language, laptop) {
        var apps = APPS[language] || APPS.English;
        var inactive = INACTIVE[language] || INACTIVE.English;
        var next = random(today * 7 + (language === 'Russian' ? 3 : 1) + (laptop ? 500 : 0));
        var lines = ['<?xml version="1.0" encoding="UTF-8"?>', '<Ostrak>'];
        for (var serial = today - 41; serial <= today; serial++) {
            var weekday = ((serial + 6) % 7 + 7) % 7;
            var weekend = weekday === 0 || weekday === 6;
            if (weekend && next() < 0.7) continue;
            var hours = weekend ? 1 + next() * 2 : serial === today ? 3.2 : 5.5 + next() * 3;
            if (laptop) hours /= 3;
            var budget = Math.round(hours * 3600);
            var day = ymd(serial);
            var appLines = [];
            var dayTotal = 0;
            for (var a = 0; a < apps.length; a++) {
                var app = apps[a];
                var share = app.weight / 100 * (0.5 + next());
                var appTime = Math.round(budget * share);
                if (appTime < 60) continue;
                var docLines = [];
                var docTotal = 0;
                for (var d = 0; d < app.docs.length; d++) {
                    if (next() < 0.3) continue;
                    var docTime = Math.round(appTime / app.docs.length * (0.4 + next()));
                    if (docTotal + docTime > appTime) docTime = appTime - docTotal;
                    if (docTime <= 0) continue;
                    docTotal += docTime;
                    docLines.push('         <Doc name="' + escapeXml(app.docs[d]) + '" time="' + docTime + '"/>');
                }
                appLines.push('      <App name="' + escapeXml(app.name) + '" time="' + appTime + '"' + (docLines.length ? '>' : '/>'));
                if (docLines.length) appLines.push(docLines.join('\n'), '      </App>');
                dayTotal += appTime;
            }
            var idleStretches = 1 + Math.floor(next() * 3);
            var idleLines = [];
            var idleTotal = 0;
            for (var i = 0; i < idleStretches; i++) {
                var idle = 300 + Math.round(next() * 1500);
                idleTotal += idle;
                idleLines.push('         <Doc name="' + pad2(12 + i) + '.' + pad2(Math.floor(next() * 60)) + ' - ..." time="' + idle + '"/>');
            }
            appLines.push('      <App name="' + escapeXml(inactive) + '" time="' + idleTotal + '">', idleLines.join('\n'), '      </App>');
            dayTotal += idleTotal;
            lines.push('   <Date id="' + serial + '" y="' + day.y + '" m="' + day.m + '" d="' + day.d + '" time="' + dayTotal + '">');
            lines.push(appLines.join('\n'));
            lines.push('   </Date>');
        }
        lines.push('</Ostrak>');
        return lines.join('\n');
    }

    // The month's timeline file that goes with the log: each day's time cut into stretches of
    // a few minutes to half an hour, shuffled and laid end to end from a morning start. The
    // timeline began 20 days before today: a month wholly before that has no file (null).
    function makeTimeline(today, language, year, month, laptop) {
        var firstDay = today - 20;
        var monthStart = Math.round(Date.UTC(year, month - 1, 1) / 86400000) + 25569;
        var monthEnd = Math.round(Date.UTC(year, month, 1) / 86400000) + 25568;
        if (monthEnd < firstDay || monthStart > today) return null;
        var next = random(today * 11 + month + (laptop ? 500 : 0));
        var lines = ['start\tseconds\tapplication\tdocument'];
        var blocks = makeLog(today, language, laptop).split('   <Date ').slice(1);
        for (var b = 0; b < blocks.length; b++) {
            var serial = +/id="(\d+)"/.exec(blocks[b])[1];
            if (serial < Math.max(firstDay, monthStart) || serial > monthEnd) continue;
            var chunks = [];
            var app = null;
            var rows = blocks[b].split('\n');
            for (var r = 0; r < rows.length; r++) {
                var found = /<(App|Doc) name="([^"]*)" time="(\d+)"/.exec(rows[r]);
                if (!found) continue;
                var seconds = +found[3];
                if (found[1] === 'App') {
                    app = { name: found[2], rest: seconds };
                    chunks.push({ app: app, doc: '', seconds: 0 });
                    continue;
                }
                app.rest -= seconds;
                // An idle stretch stays whole, as the tracker records it.
                var piece = found[2].indexOf(' - ...') > 0 ? seconds : 180 + Math.floor(next() * 1620);
                for (var left = seconds; left > 0; left -= piece) chunks.push({ app: app, doc: found[2], seconds: Math.min(piece, left) });
            }
            var cut = [];
            for (var c = 0; c < chunks.length; c++) {
                var chunk = chunks[c];
                if (chunk.doc === '') chunk.seconds = Math.max(0, chunk.app.rest);
                if (chunk.seconds > 0) cut.push(chunk);
            }
            for (var s = cut.length - 1; s > 0; s--) {
                var other = Math.floor(next() * (s + 1));
                var swap = cut[s];
                cut[s] = cut[other];
                cut[other] = swap;
            }
            var date = ymd(serial);
            var clock = (laptop ? 10 : 8) * 3600 + Math.floor(next() * 5400);
            for (var k = 0; k < cut.length; k++) {
                lines.push(date.y + '-' + pad2(date.m) + '-' + pad2(date.d) + ' ' + pad2(Math.floor(clock / 3600) % 24) + ':' +
                    pad2(Math.floor(clock / 60) % 60) + ':' + pad2(clock % 60) + '\t' + cut[k].seconds + '\t' +
                    cut[k].app.name + '\t' + cut[k].doc);
                clock += cut[k].seconds;
            }
        }
        return lines.join('\n') + '\n';
    }

    return {
        makeLog: makeLog,
        makeTimeline: makeTimeline,
        inactiveName: function (language) { return INACTIVE[language] || INACTIVE.English; },
        projects: function (language) { return PROJECTS[language] || PROJECTS.English; }
    };
}());

if (typeof module !== 'undefined' && module.exports) module.exports = OstrakSample;
