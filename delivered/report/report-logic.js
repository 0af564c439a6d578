// What the report computes: the command line, the time log and the projects read into plain
// objects, periods, totals per application, document, project and day, and the CSV text.
// Nothing here touches a window, a file or an ActiveX object, so the same file runs in the
// report application (old script engine: plain ES5 only) and under Node for the tests.
// XML comes in through the few DOM members that MSXML and other parsers share:
// getElementsByTagName, getAttribute, childNodes, firstChild, nodeType, nodeName, nodeValue;
// and MSXML's selectNodes where the document has it.
var OstrakReport = (function () {
    'use strict';

    var MILLISECONDS_PER_DAY = 86400000;
    // Day number of 1 January 1970 in the count of days since 30 December 1899 that the
    // time log's "id" attribute uses.
    var UNIX_EPOCH_SERIAL = 25569;
    var NAME_LIMIT = 254;
    var DEFAULT_TOP_COUNT = 6;

    // ---- Small helpers --------------------------------------------------------------------

    function trim(text) {
        return String(text).replace(/^\s+|\s+$/g, '');
    }

    function stripQuotes(text) {
        if (text.length >= 2 && text.charAt(0) === '"' && text.charAt(text.length - 1) === '"') {
            return text.substring(1, text.length - 1);
        }
        return text;
    }

    function pad2(number) {
        return (number < 10 ? '0' : '') + number;
    }

    // Maps keyed by names taken from window titles: a prefix keeps names such as
    // "__proto__" or "constructor" from meeting the object's own members.
    function key(name) {
        return '$' + name;
    }

    // Entries with a name, found by it: { list, index }. A short list is searched in place
    // (an application has a few documents a day); a long one through an index made when first
    // needed, which starts as a hash table: otherwise every new name would give the engine a
    // new object shape to build, and reading a long log would spend most of its time there.
    var SEARCHED_IN_PLACE = 16;

    function namedList() {
        return { list: [], index: null };
    }

    function findNamed(named, name) {
        var list = named.list;
        if (list.length <= SEARCHED_IN_PLACE) {
            for (var i = 0; i < list.length; i++) {
                if (list[i].name === name) return list[i];
            }
            return null;
        }
        if (!named.index) {
            named.index = nameIndex();
            for (var j = 0; j < list.length; j++) named.index[indexKey(list[j].name)] = list[j];
        }
        return named.index[indexKey(name)] || null;
    }

    function addNamed(named, entry) {
        named.list.push(entry);
        if (named.index) named.index[indexKey(entry.name)] = entry;
        return entry;
    }

    // An object without a prototype takes any name as its key, "__proto__" and "constructor"
    // too, and a lookup by the name itself costs far less than one by a new string made for
    // it (a long log looks up most names a million times). Without Object.create, "$" + name.
    var BARE_KEYS = typeof Object.create === 'function';

    function nameIndex() {
        if (BARE_KEYS) return Object.create(null);
        var index = { dictionary: true };
        delete index.dictionary;
        return index;
    }

    function indexKey(name) {
        return BARE_KEYS ? name : key(name);
    }

    function has(map, name) {
        return Object.prototype.hasOwnProperty.call(map, key(name));
    }

    function attribute(element, name) {
        var value = element.getAttribute(name);
        return value === null || value === undefined ? '' : String(value);
    }

    // A non-negative whole number, or null when the text is not one.
    function wholeNumber(text) {
        // Digits alone, as the tracker writes them, read without a pattern: a long log holds
        // more than a million of them.
        var length = text.length;
        var value = 0;
        var i = 0;
        for (; i < length && i < 12; i++) {
            var digit = text.charCodeAt(i) - 48;
            if (digit < 0 || digit > 9) break;
            value = value * 10 + digit;
        }
        if (i === length && length > 0) return value;
        var match = /^\s*(\d{1,12})\s*$/.exec(text);
        return match ? parseInt(match[1], 10) : null;
    }

    function integerOr(text, otherwise) {
        var match = /^\s*([+\-]?\d{1,10})\s*$/.exec(text);
        return match ? parseInt(match[1], 10) : otherwise;
    }

    // The element's own elements of that name. Through the element's own search rather than its
    // child nodes: one call into the component instead of one per node, and the indenting
    // text between the elements is never handed to script. In the time log an App holds only
    // Docs and a Date only Apps, so the search finds the children alone.
    function childElements(element, name) {
        return element.getElementsByTagName(name);
    }

    // The value of the element's first child node, as the tracker reads names and texts.
    function firstChildText(element) {
        var child = element.firstChild;
        if (!child) return '';
        var value = child.nodeValue;
        return value === null || value === undefined ? '' : String(value);
    }

    function byTimeThenName(a, b) {
        if (a.time !== b.time) return b.time - a.time;
        if (a.name === b.name) return 0;
        return a.name < b.name ? -1 : 1;
    }

    // ---- Command line ---------------------------------------------------------------------

    // The shell starts the report as: the application's path (quoted or not), the log's file
    // name, one blank, the language name, and then " /computer:<name>" and, when a shared
    // folder is set, ' /shared:"<folder>"'. The file name is everything between the path and
    // the language, because a user name may hold blanks; the switches come off the end first
    // (a Windows user name cannot hold a slash, so no file name ends like one).
    function parseCommandLine(commandLine) {
        // The file-type command of .hta wraps the file's address in this marker; mshta
        // normally removes it, but a command line that still holds it must not be misread.
        var text = trim(String(commandLine || '').replace(
            /\{1E460BD7-F1C3-4B2E-88BF-4E770A288AF5\}[^{]*\{1E460BD7-F1C3-4B2E-88BF-4E770A288AF5\}/gi, ' '));
        var appPath;
        var rest;
        if (text.charAt(0) === '"') {
            var close = text.indexOf('"', 1);
            appPath = close < 0 ? text.substring(1) : text.substring(1, close);
            rest = close < 0 ? '' : text.substring(close + 1);
        } else {
            // An unquoted path may hold blanks: it ends with the application's own extension.
            var end = /\.hta(?=\s|$)/i.exec(text);
            var stop = end ? end.index + 4 : text.search(/\s|$/);
            appPath = text.substring(0, stop);
            rest = text.substring(stop);
        }
        rest = trim(rest);
        var computer = '';
        var shared = '';
        for (var found = true; found;) {
            found = false;
            var switchMatch = /(?:^|\s)\/(computer|shared):("[^"]*"|\S*)$/i.exec(rest);
            if (switchMatch) {
                if (switchMatch[1].toLowerCase() === 'computer') computer = stripQuotes(switchMatch[2]);
                else shared = stripQuotes(switchMatch[2]);
                rest = trim(rest.substring(0, switchMatch.index));
                found = true;
            }
        }
        var logFile = '';
        var language = '';
        if (rest !== '') {
            var lastBlank = Math.max(rest.lastIndexOf(' '), rest.lastIndexOf('\t'));
            if (lastBlank < 0) {
                // One word only: a log file name, or a language.
                if (/\.xml$/i.test(rest)) logFile = rest;
                else language = rest;
            } else {
                logFile = trim(rest.substring(0, lastBlank));
                language = rest.substring(lastBlank + 1);
            }
        }
        return { appPath: appPath, logFile: stripQuotes(logFile), language: stripQuotes(language), computer: computer, shared: shared };
    }

    // "user1-Time.xml" gives "user1"; any other name gives itself without ".xml".
    function userOfLogFile(logFile) {
        var match = /^(.*)-Time\.xml$/i.exec(logFile);
        if (match) return match[1];
        return logFile.replace(/\.xml$/i, '');
    }

    // The projects files in the order they are tried: per user, then shared.
    function projectFileNames(logFile) {
        return [userOfLogFile(logFile) + '-Projects.xml', 'Projects.xml'];
    }

    // ---- The shared folder -----------------------------------------------------------------

    // Characters a computer's name in a copy's file name never holds: the tracker makes each
    // of them "_", so a name with one is a copy's name changed by someone else.
    var NOT_IN_COMPUTER_NAME = /[\u0000-\u0020\u007f\s\\\/:*?"<>|@]/;

    // What a file in the shared folder is by its name: a computer's copy of its log
    // ("anna@LAPTOP-Time.xml" gives { kind: 'copy', user: 'anna', computer: 'LAPTOP' }), a month
    // of a computer's timeline (kind 'timeline'), or null for anything else, such as a sync
    // program's conflict copy ("anna@LAPTOP-Time (conflicted copy).xml"). A name with several
    // "@" is split at the last one.
    function sharedFileKind(fileName) {
        var match = /^(.*)@([^@]*)-Time\.xml$/i.exec(fileName);
        var kind = 'copy';
        if (!match) {
            match = /^(.*)@([^@]*)-Timeline-\d{4}-\d\d\.tsv$/i.exec(fileName);
            kind = 'timeline';
        }
        if (!match || match[1] === '' || match[2] === '' || NOT_IN_COMPUTER_NAME.test(match[2])) return null;
        return { kind: kind, user: match[1], computer: match[2] };
    }

    // The files of the shared folder sorted out: the other computers' copies (by name, as
    // "user@computer"), this computer's own copy (never read: the log beside the report is
    // this computer's), and the files left out, each with its reason ('name'). Timeline months
    // are read through their computer's copy and not listed. own: { user, computer } of this
    // computer; names are told apart without regard to letter case, as Windows does.
    function sharedFiles(fileNames, own) {
        var ownName = (own.user + '@' + own.computer).toLowerCase();
        var result = { copies: [], own: null, skipped: [] };
        for (var i = 0; i < fileNames.length; i++) {
            var found = sharedFileKind(fileNames[i]);
            if (!found) {
                result.skipped.push({ file: fileNames[i], reason: 'name' });
                continue;
            }
            if (found.kind !== 'copy') continue;
            var copy = { file: fileNames[i], user: found.user, computer: found.computer, name: found.user + '@' + found.computer };
            if (copy.name.toLowerCase() === ownName) result.own = copy;
            else result.copies.push(copy);
        }
        result.copies.sort(function (a, b) {
            var x = a.name.toLowerCase();
            var y = b.name.toLowerCase();
            return x < y ? -1 : x > y ? 1 : 0;
        });
        return result;
    }

    // A computer's name as the tracker puts it in its file names.
    function computerFileName(name) {
        var cleaned = String(name).replace(new RegExp(NOT_IN_COMPUTER_NAME.source, 'g'), '_').replace(/\.+$/, '');
        return cleaned === '' ? 'computer' : cleaned;
    }

    // A computer's month of its timeline in the shared folder.
    function sharedTimelineFileName(user, computer, year, month) {
        return user + '@' + computer + '-Timeline-' + year + '-' + pad2(month) + '.tsv';
    }

    // ---- Days -----------------------------------------------------------------------------

    function isValidDate(year, month, day) {
        if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
        return day <= ymdFromSerial(serialFromYmd(year, month + 1, 1) - 1).d;
    }

    // Day number as the time log counts it: days since 30 December 1899.
    function serialFromYmd(year, month, day) {
        // Date.UTC rolls months over, so month 13 is January of the next year.
        return Math.round(Date.UTC(year, month - 1, day) / MILLISECONDS_PER_DAY) + UNIX_EPOCH_SERIAL;
    }

    function ymdFromSerial(serial) {
        var date = new Date((serial - UNIX_EPOCH_SERIAL) * MILLISECONDS_PER_DAY);
        return { y: date.getUTCFullYear(), m: date.getUTCMonth() + 1, d: date.getUTCDate() };
    }

    // 0 for Sunday to 6 for Saturday.
    function weekday(serial) {
        return ((serial + 6) % 7 + 7) % 7;
    }

    function serialOfLocalDate(date) {
        return serialFromYmd(date.getFullYear(), date.getMonth() + 1, date.getDate());
    }

    // The day of a Date element: its y, m and d (leading zeros allowed, so a hand-edited
    // day joins the real one), or else its id; null when neither names a day.
    function daySerialOf(element) {
        var year = wholeNumber(attribute(element, 'y'));
        var month = wholeNumber(attribute(element, 'm'));
        var day = wholeNumber(attribute(element, 'd'));
        if (year !== null && month !== null && day !== null && isValidDate(year, month, day)) {
            return serialFromYmd(year, month, day);
        }
        var id = wholeNumber(attribute(element, 'id'));
        if (id !== null && id >= 2 && id <= 2958465) return id;
        return null;
    }

    // ---- Reading the time log -------------------------------------------------------------

    // The log as plain objects: days in date order, each with its applications, each with its
    // documents and the seconds credited to the application without a document ("rest").
    // Two Date elements of one day, and repeated names, are added together. An application's
    // time is never taken as less than the sum of its documents.
    function readLog(documentNode) {
        var days = readDays(documentNode.getElementsByTagName('Date'), null, null);
        return {
            days: days,
            first: days.length ? days[0].serial : null,
            last: days.length ? days[days.length - 1].serial : null
        };
    }

    function emptyLog() {
        return { days: [], first: null, last: null };
    }

    // The days of Date elements that lie in from..to (null: no bound), read as readLog reads
    // them. Only these Date elements are read below their own attributes.
    function readDays(dateElements, from, to) {
        var days = [];
        var dayIndex = {};
        var appIndexes = {};
        for (var i = 0, dateCount = dateElements.length; i < dateCount; i++) {
            var dateElement = dateElements.item(i);
            var serial = daySerialOf(dateElement);
            if (serial === null || (from !== null && serial < from) || (to !== null && serial > to)) continue;
            var day = dayIndex[serial];
            if (!day) {
                day = { serial: serial, apps: [] };
                dayIndex[serial] = day;
                appIndexes[serial] = namedList();
                days.push(day);
            }
            var apps = childElements(dateElement, 'App');
            for (var a = 0, count = apps.length; a < count; a++) addApp(day, appIndexes[serial], apps.item(a));
        }
        days.sort(function (x, y) { return x.serial - y.serial; });
        return days;
    }

    // "20260405" for 5 April 2026: a day as a number that XPath can compute from y, m and d.
    function ymdNumber(serial) {
        var date = ymdFromSerial(serial);
        return date.y * 10000 + date.m * 100 + date.d;
    }

    // The Date elements that may lie in from..to, chosen by the XML component itself with an
    // XPath query, so that a long log is not walked node by node from script: those whose id
    // or whose y, m and d fall in the period (readDays then decides as readLog does). A DOM
    // without XPath gives all Date elements.
    function dateElementsIn(documentNode, from, to) {
        var nodes = null;
        var query = '//Date';
        if (from !== null) {
            var date = '(@y * 10000 + @m * 100 + @d)';
            query += '[(@id >= ' + from + ' and @id <= ' + to + ') or (' + date + ' >= ' + ymdNumber(from) +
                ' and ' + date + ' <= ' + ymdNumber(to) + ')]';
        }
        try {
            nodes = documentNode.selectNodes(query);
        } catch (error) {
            nodes = null;
        }
        return nodes || documentNode.getElementsByTagName('Date');
    }

    // The log as the report application holds it: the loaded document, from which each period
    // reads its own days. The first and last day are found once, from the Date elements' own
    // attributes; nothing else is read until a period asks for it.
    function logReader(documentNode) {
        var span = null;
        return {
            daysIn: function (from, to) {
                return readDays(dateElementsIn(documentNode, from, to), from, to);
            },
            // Straight into a period's tally (see summarize), without the days as objects first:
            // a long period's documents are met once, not once per day and again per period.
            tallyIn: function (from, to, tally) {
                tallyElements(dateElementsIn(documentNode, from, to), from, to, tally);
            },
            span: function () {
                if (!span) {
                    span = { first: null, last: null };
                    var dates = dateElementsIn(documentNode, null, null);
                    for (var i = 0, dateCount = dates.length; i < dateCount; i++) {
                        var serial = daySerialOf(dates.item(i));
                        if (serial === null) continue;
                        if (span.first === null || serial < span.first) span.first = serial;
                        if (span.last === null || serial > span.last) span.last = serial;
                    }
                }
                return span;
            }
        };
    }

    // What addApp and summarize make of the Date elements in from..to, added to the tally.
    function tallyElements(dateElements, from, to, tally) {
        for (var i = 0, dateCount = dateElements.length; i < dateCount; i++) {
            var dateElement = dateElements.item(i);
            var serial = daySerialOf(dateElement);
            if (serial === null || serial < from || serial > to) continue;
            var day = tallyDay(tally, serial);
            var appElements = childElements(dateElement, 'App');
            for (var a = 0, count = appElements.length; a < count; a++) {
                var appElement = appElements.item(a);
                var name = attribute(appElement, 'name');
                // The length once: through COM each reading of it is a call into the component.
                var docs = childElements(appElement, 'Doc');
                var docCount = docs.length;
                var documentsTotal = 0;
                var d;
                if (isInactiveName(tally.inactiveNames, name)) {
                    for (d = 0; d < docCount; d++) documentsTotal += wholeNumber(attribute(docs.item(d), 'time')) || 0;
                    day.inactive += appTime(appElement, documentsTotal);
                    continue;
                }
                var app = tallyApp(tally, name);
                for (d = 0; d < docCount; d++) {
                    var docElement = docs.item(d);
                    var seconds = wholeNumber(attribute(docElement, 'time')) || 0;
                    tallyDoc(tally, day, app, attribute(docElement, 'name'), seconds);
                    documentsTotal += seconds;
                }
                var total = appTime(appElement, documentsTotal);
                tallyAppTime(day, app, total, total - documentsTotal);
            }
        }
    }

    // An App element's time: as recorded, but never less than its documents' time.
    function appTime(appElement, documentsTotal) {
        var recorded = wholeNumber(attribute(appElement, 'time'));
        return recorded === null ? documentsTotal : Math.max(recorded, documentsTotal);
    }

    // The days from..to of a log: read whole (readLog, emptyLog) or through logReader.
    function logDays(log, from, to) {
        return log.daysIn ? log.daysIn(from, to) : log.days;
    }

    // The first and last day of a log, read whole or through logReader.
    function logSpan(log) {
        return log && log.span ? log.span() : log;
    }

    // dayApps: the day's applications by name, each with its documents by name (kept apart
    // from the day so that what is read stays plain data).
    function addApp(day, dayApps, appElement) {
        var name = attribute(appElement, 'name');
        var entry = findNamed(dayApps, name);
        if (!entry) {
            entry = addNamed(dayApps, { name: name, app: { name: name, time: 0, rest: 0, docs: [] }, docs: namedList() });
            day.apps.push(entry.app);
        }
        var app = entry.app;
        var documentsTotal = 0;
        var docs = childElements(appElement, 'Doc');
        for (var i = 0, count = docs.length; i < count; i++) {
            var docElement = docs.item(i);
            var docName = attribute(docElement, 'name');
            var seconds = wholeNumber(attribute(docElement, 'time')) || 0;
            var doc = findNamed(entry.docs, docName);
            if (!doc) {
                doc = addNamed(entry.docs, { name: docName, time: 0 });
                app.docs.push(doc);
            }
            doc.time += seconds;
            documentsTotal += seconds;
        }
        var appTotal = appTime(appElement, documentsTotal);
        app.time += appTotal;
        app.rest += appTotal - documentsTotal;
    }

    // ---- Projects and filters -------------------------------------------------------------

    function readProjects(documentNode) {
        var projects = [];
        var filters = [];
        var projectElements = documentNode.getElementsByTagName('Project');
        for (var i = 0; i < projectElements.length; i++) {
            var project = projectElements.item(i);
            projects.push({
                id: integerOr(attribute(project, 'id'), 0),
                name: firstChildText(project).substring(0, NAME_LIMIT)
            });
        }
        var filterElements = documentNode.getElementsByTagName('Filter');
        for (var j = 0; j < filterElements.length; j++) {
            var filter = filterElements.item(j);
            filters.push({
                text: firstChildText(filter).substring(0, NAME_LIMIT),
                project: integerOr(attribute(filter, 'project'), 0),
                where: integerOr(attribute(filter, 'where'), 0)
            });
        }
        return { projects: projects, filters: filters };
    }

    // The matcher used for every application and document of a summary. A filter counts when
    // its text is found, ignoring letter case, in the application name (where-kind 0) or in
    // the document name (any other kind); the first such filter in list order decides.
    // Filters without text, or for a project that does not exist, are passed over: an empty
    // text would claim everything, and time for a missing project could not be shown.
    function projectMatcher(projectData) {
        var projects = (projectData && projectData.projects) || [];
        var known = {};
        for (var i = 0; i < projects.length; i++) known[key(projects[i].id)] = true;
        var rules = [];
        var filters = (projectData && projectData.filters) || [];
        for (var j = 0; j < filters.length; j++) {
            var filter = filters[j];
            if (filter.text === '' || !known[key(filter.project)]) continue;
            rules.push({ text: filter.text.toLowerCase(), project: filter.project, inApp: filter.where === 0 });
        }
        return function (appName, docName) {
            var app = null;
            var doc = null;
            for (var r = 0; r < rules.length; r++) {
                var rule = rules[r];
                var haystack;
                if (rule.inApp) {
                    if (app === null) app = appName.toLowerCase();
                    haystack = app;
                } else {
                    if (doc === null) doc = docName.toLowerCase();
                    haystack = doc;
                }
                if (haystack.indexOf(rule.text) >= 0) return rule.project;
            }
            return null;
        };
    }

    // ---- Periods --------------------------------------------------------------------------

    function startOfWeek(serial, firstDay) {
        return serial - (weekday(serial) - firstDay + 7) % 7;
    }

    function monthRange(year, month) {
        return { from: serialFromYmd(year, month, 1), to: serialFromYmd(year, month + 1, 1) - 1 };
    }

    // The days of a period kind: { kind, from, to, unit }. The unit (day, week, month, span)
    // says how the period steps to the previous or next one.
    // options: firstDay (0 Sunday to 6 Saturday, default Monday), log (for "all"),
    // from and to (for "range").
    function periodRange(kind, today, options) {
        options = options || {};
        var firstDay = typeof options.firstDay === 'number' ? options.firstDay : 1;
        var todayDate = ymdFromSerial(today);
        var week = startOfWeek(today, firstDay);
        var range;
        switch (kind) {
        case 'today':
            return { kind: kind, from: today, to: today, unit: 'day' };
        case 'yesterday':
            return { kind: kind, from: today - 1, to: today - 1, unit: 'day' };
        case 'thisWeek':
            return { kind: kind, from: week, to: week + 6, unit: 'week' };
        case 'lastWeek':
            return { kind: kind, from: week - 7, to: week - 1, unit: 'week' };
        case 'thisMonth':
            range = monthRange(todayDate.y, todayDate.m);
            return { kind: kind, from: range.from, to: range.to, unit: 'month' };
        case 'lastMonth':
            range = monthRange(todayDate.y, todayDate.m - 1);
            return { kind: kind, from: range.from, to: range.to, unit: 'month' };
        case 'all':
            var span = logSpan(options.log);
            if (span && span.first !== null && span.first !== undefined) {
                return { kind: kind, from: span.first, to: span.last, unit: 'span' };
            }
            return { kind: kind, from: today, to: today, unit: 'span' };
        default:
            var from = typeof options.from === 'number' ? options.from : today;
            var to = typeof options.to === 'number' ? options.to : from;
            if (to < from) {
                var swap = from;
                from = to;
                to = swap;
            }
            return { kind: 'range', from: from, to: to, unit: to === from ? 'day' : 'span' };
        }
    }

    // The whole unit (day, week, month, year) that holds the day.
    function unitRange(unit, serial, firstDay) {
        var date = ymdFromSerial(serial);
        switch (unit) {
        case 'week':
            var week = startOfWeek(serial, firstDay);
            return { from: week, to: week + 6 };
        case 'month':
            return monthRange(date.y, date.m);
        case 'year':
            return { from: serialFromYmd(date.y, 1, 1), to: serialFromYmd(date.y + 1, 1, 1) - 1 };
        default:
            return { from: serial, to: serial };
        }
    }

    // The period before (direction -1) or after (+1) the given one. A day, week, month or year
    // steps to the whole unit beside it, even when the period itself was cut short (a bar at
    // the edge of the chart); any other span moves by its own length.
    function shiftPeriod(period, direction, firstDay) {
        firstDay = typeof firstDay === 'number' ? firstDay : 1;
        var unit = period.unit;
        if (unit === 'day' || unit === 'week' || unit === 'month' || unit === 'year') {
            var here = unitRange(unit, period.from, firstDay);
            var next = unitRange(unit, direction < 0 ? here.from - 1 : here.to + 1, firstDay);
            return { kind: 'range', from: next.from, to: next.to, unit: unit };
        }
        var length = period.to - period.from + 1;
        return {
            kind: 'range',
            from: period.from + direction * length,
            to: period.to + direction * length,
            unit: length === 1 ? 'day' : unit
        };
    }

    // The period a click on a chart bar shows: the bar's own days, stepping by the bar's unit.
    function barPeriod(bucket, unit) {
        return { kind: 'range', from: bucket.from, to: bucket.to, unit: unit };
    }

    // ---- Summary --------------------------------------------------------------------------

    function isInactiveName(inactiveNames, name) {
        for (var i = 0; i < inactiveNames.length; i++) {
            if (inactiveNames[i] === name) return true;
        }
        return false;
    }

    // Everything the report shows for the days from..to, computed once per period: totals of
    // the period, its applications with their documents (each with its project), its projects,
    // and its days (work, idle, seconds per application and per project by "$" + name or id,
    // the time without a project). Plain data apart from the log it came from, so that the
    // view can fold, page and switch tables from it alone.
    // options: inactiveNames (application names that mean "no window in front"; the empty
    // name always does, since that is what the tracker records without a language file),
    // projects ({ projects, filters }), topCount (applications drawn apart in the chart) or
    // topApps (those applications by name, to draw a neighbouring period in the same colours).
    function summarize(log, from, to, options) {
        options = options || {};
        var tally = newTally(options);
        if (log.tallyIn) {
            log.tallyIn(from, to, tally);
        } else {
            var logDaysRead = logDays(log, from, to);
            for (var i = 0; i < logDaysRead.length; i++) {
                var logDay = logDaysRead[i];
                if (logDay.serial < from || logDay.serial > to) continue;
                var day = tallyDay(tally, logDay.serial);
                for (var a = 0; a < logDay.apps.length; a++) {
                    var logApp = logDay.apps[a];
                    if (isInactiveName(tally.inactiveNames, logApp.name)) {
                        day.inactive += logApp.time;
                        continue;
                    }
                    var app = tallyApp(tally, logApp.name);
                    for (var d = 0; d < logApp.docs.length; d++) tallyDoc(tally, day, app, logApp.docs[d].name, logApp.docs[d].time);
                    tallyAppTime(day, app, logApp.time, logApp.rest);
                }
            }
        }
        return finishSummary(tally, from, to, options);
    }

    function newTally(options) {
        return {
            inactiveNames: (options.inactiveNames || []).concat(['']),
            match: projectMatcher(options.projects),
            apps: [],
            appIndex: namedList(),
            days: {},
            serials: []
        };
    }

    // Several computers' summaries of the days from..to as one: the seconds of each day,
    // application, document and project added up. Each summary is left as it was, so a
    // computer's own figures stay at hand for showing it alone. options as for summarize;
    // the projects of the summaries must be those given here.
    function combineSummaries(summaries, from, to, options) {
        options = options || {};
        var tally = newTally(options);
        for (var i = 0; i < summaries.length; i++) {
            var summary = summaries[i];
            for (var d = 0; d < summary.days.length; d++) {
                var given = summary.days[d];
                var day = tallyDay(tally, given.serial);
                day.work += given.work;
                day.inactive += given.inactive;
                day.noProject += given.noProject;
                addSeconds(day.apps, given.apps);
                addSeconds(day.projects, given.projects);
            }
            for (var a = 0; a < summary.apps.length; a++) {
                var givenApp = summary.apps[a];
                var app = tallyApp(tally, givenApp.name);
                app.time += givenApp.time;
                app.rest += givenApp.rest;
                for (var n = 0; n < givenApp.docs.length; n++) {
                    var givenDoc = givenApp.docs[n];
                    var doc = findNamed(app.docIndex, givenDoc.name);
                    if (!doc) doc = app.docs[app.docs.push(addNamed(app.docIndex, { name: givenDoc.name, time: 0, project: givenDoc.project })) - 1];
                    doc.time += givenDoc.time;
                }
            }
        }
        return finishSummary(tally, from, to, options);
    }

    function addSeconds(total, more) {
        for (var name in more) {
            if (Object.prototype.hasOwnProperty.call(more, name)) total[name] = (total[name] || 0) + more[name];
        }
    }

    // The summary of a filled tally: sorted, with shares, the period's projects and each day's
    // split into the applications drawn apart.
    function finishSummary(tally, from, to, options) {
        var projectList = (options.projects && options.projects.projects) || [];
        var topCount = options.topCount || DEFAULT_TOP_COUNT;
        var apps = tally.apps;
        var projectTime = {};
        var noProject = 0;
        var work = 0;
        var inactive = 0;
        var days = [];
        tally.serials.sort(function (x, y) { return x - y; });
        for (var n = 0; n < tally.serials.length; n++) {
            var kept = tally.days[tally.serials[n]];
            work += kept.work;
            inactive += kept.inactive;
            if (kept.work > 0 || kept.inactive > 0) days.push(kept);
        }

        apps.sort(byTimeThenName);
        for (var p = 0; p < apps.length; p++) {
            var entry = apps[p];
            delete entry.docIndex;
            entry.share = work > 0 ? entry.time / work : 0;
            entry.docs.sort(byTimeThenName);
            for (var q = 0; q < entry.docs.length; q++) {
                var item = entry.docs[q];
                item.share = work > 0 ? item.time / work : 0;
                noProject += credit(projectTime, item.project, item.time);
            }
            noProject += credit(projectTime, entry.restProject, entry.rest);
        }

        var projects = [];
        var seen = {};
        for (var r = 0; r < projectList.length; r++) {
            var project = projectList[r];
            if (seen[key(project.id)]) continue;
            seen[key(project.id)] = true;
            var seconds = projectTime[key(project.id)] || 0;
            if (seconds > 0) {
                projects.push({ id: project.id, name: project.name, time: seconds, share: work > 0 ? seconds / work : 0 });
            }
        }
        projects.sort(byTimeThenName);

        var topApps = options.topApps ? options.topApps.slice(0) : [];
        for (var t = 0; !options.topApps && t < apps.length && t < topCount; t++) topApps.push(apps[t].name);
        for (var s = 0; s < days.length; s++) days[s].parts = splitByTop(days[s], topApps);

        var activeDays = 0;
        for (var w = 0; w < days.length; w++) if (days[w].work > 0) activeDays++;

        return {
            from: from,
            to: to,
            work: work,
            inactive: inactive,
            apps: apps,
            projects: projects,
            projectCount: projectList.length,
            noProject: noProject,
            noProjectShare: work > 0 ? noProject / work : 0,
            days: days,
            topApps: topApps,
            activeDays: activeDays,
            averagePerActiveDay: activeDays > 0 ? Math.round(work / activeDays) : 0
        };
    }

    // The lines under an application: its documents and, when it also has documents, the
    // time it had without one, all by time.
    function documentRows(app, work, noDocumentText) {
        var rows = app.docs.slice(0);
        if (app.rest > 0 && app.docs.length > 0) {
            rows.push({ name: noDocumentText, time: app.rest, share: work > 0 ? app.rest / work : 0, project: app.restProject, isRest: true });
            rows.sort(function (a, b) { return b.time - a.time || (a.isRest ? 1 : 0) - (b.isRest ? 1 : 0); });
        }
        return rows;
    }

    // Adds seconds to a project's total; returns the seconds that found no project.
    function credit(projectTime, project, seconds) {
        if (project === null) return seconds;
        projectTime[key(project)] = (projectTime[key(project)] || 0) + seconds;
        return 0;
    }

    // A period's totals are gathered in a tally: its days by day number, its applications by
    // name, each with its documents by name and their projects.
    function tallyDay(tally, serial) {
        var day = tally.days[serial];
        if (!day) {
            day = { serial: serial, work: 0, inactive: 0, apps: {}, projects: {}, noProject: 0 };
            tally.days[serial] = day;
            tally.serials.push(serial);
        }
        return day;
    }

    function tallyApp(tally, name) {
        var app = findNamed(tally.appIndex, name);
        if (!app) {
            app = addNamed(tally.appIndex, { name: name, time: 0, rest: 0, docs: [], docIndex: namedList(), restProject: tally.match(name, '') });
            tally.apps.push(app);
        }
        return app;
    }

    function tallyDoc(tally, day, app, name, seconds) {
        var doc = findNamed(app.docIndex, name);
        if (!doc) doc = app.docs[app.docs.push(addNamed(app.docIndex, { name: name, time: 0, project: tally.match(app.name, name) })) - 1];
        doc.time += seconds;
        day.noProject += credit(day.projects, doc.project, seconds);
    }

    // seconds: the application's time on the day; rest: the part without a document.
    function tallyAppTime(day, app, seconds, rest) {
        day.work += seconds;
        day.apps[key(app.name)] = (day.apps[key(app.name)] || 0) + seconds;
        app.time += seconds;
        app.rest += rest;
        day.noProject += credit(day.projects, app.restProject, rest);
    }

    // A day's work split into the top applications, in their order, and the rest last.
    function splitByTop(day, topApps) {
        var parts = [];
        var other = day.work;
        for (var i = 0; i < topApps.length; i++) {
            var seconds = day.apps[key(topApps[i])] || 0;
            parts.push(seconds);
            other -= seconds;
        }
        parts.push(other);
        return parts;
    }

    // What the report shows for a period: its summary, the summary its chart draws and the
    // chart's bars. One day alone makes a poor chart: its week is drawn around it, in the
    // day's colours. options: firstDay, inactiveNames, projects. summarizeDays(which, from, to,
    // settings) gives the summary ('summary' or 'chartSummary') of those days.
    function viewOfPeriod(summarizeDays, period, options) {
        var firstDay = typeof options.firstDay === 'number' ? options.firstDay : 1;
        var summary = summarizeDays('summary', period.from, period.to, {
            inactiveNames: options.inactiveNames,
            projects: options.projects
        });
        var chartSummary = summary;
        if (period.from === period.to) {
            var weekStart = startOfWeek(period.from, firstDay);
            chartSummary = summarizeDays('chartSummary', weekStart, weekStart + 6, {
                inactiveNames: options.inactiveNames,
                topApps: summary.topApps
            });
        }
        return { summary: summary, chartSummary: chartSummary, chart: chartBuckets(chartSummary, { firstDay: firstDay }) };
    }

    function periodView(log, period, options) {
        return viewOfPeriod(function (which, from, to, settings) {
            return summarize(log, from, to, settings);
        }, period, options);
    }

    // periodView over several computers, from each one's own periodView of the same period.
    function combinePeriodViews(views, period, options) {
        return viewOfPeriod(function (which, from, to, settings) {
            var parts = [];
            for (var i = 0; i < views.length; i++) parts.push(views[i][which]);
            return combineSummaries(parts, from, to, settings);
        }, period, options);
    }

    // ---- Timeline -------------------------------------------------------------------------

    var TIMELINE_LINE = /^(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)\t(\d+)\t([^\t]*)\t([^\t]*)$/;

    // The tracker's month file beside the log: "user1-Time.xml" and 2026, 12 give
    // "user1-Timeline-2026-12.tsv".
    function timelineFileName(logFile, year, month) {
        return userOfLogFile(logFile) + '-Timeline-' + year + '-' + pad2(month) + '.tsv';
    }

    // The months the days from..to touch, first to last: [{ y, m }].
    function timelineMonths(from, to) {
        var months = [];
        var date = ymdFromSerial(from);
        var y = date.y;
        var m = date.m;
        while (serialFromYmd(y, m, 1) <= to) {
            months.push({ y: y, m: m });
            m++;
            if (m > 12) {
                m = 1;
                y++;
            }
        }
        return months;
    }

    // The stretches of a month file's text: { serial, start (second of the day), seconds, app,
    // doc }. The header, a last line without its line break (a write cut short), and any line
    // that is not exactly the four fields of a stretch are left out.
    function readTimeline(text) {
        var stretches = [];
        var lines = String(text || '').replace(/^\ufeff/, '').split('\n');
        lines.pop();
        for (var i = 0; i < lines.length; i++) {
            var match = TIMELINE_LINE.exec(lines[i]);
            if (!match) continue;
            var year = +match[1];
            var month = +match[2];
            var day = +match[3];
            var hour = +match[4];
            var minute = +match[5];
            var second = +match[6];
            var seconds = +match[7];
            if (!isValidDate(year, month, day) || hour > 23 || minute > 59 || second > 59 || seconds <= 0) continue;
            stretches.push({
                serial: serialFromYmd(year, month, day),
                start: hour * 3600 + minute * 60 + second,
                seconds: seconds,
                app: match[8].substring(0, NAME_LIMIT + 1),
                doc: match[9].substring(0, NAME_LIMIT)
            });
        }
        return stretches;
    }

    // Each day from..to as the timeline shows it: { serial, known (its month has a file),
    // stretches (by start, each marked inactive or not), first and last activity (seconds
    // from the day's midnight, at most a whole day), span, work }; first and last are null on
    // a day without activity. The tracker splits a stretch at midnight; a line written before
    // it did may run past midnight, and is split here the same way, so each day shows only its
    // own part. monthText(y, m) gives a month file's text, or null when there is none.
    function timelineDays(monthText, from, to, options) {
        var inactiveNames = ((options && options.inactiveNames) || []).concat(['']);
        var days = [];
        for (var serial = from; serial <= to; serial++) {
            days.push({ serial: serial, known: false, stretches: [], first: null, last: null, span: 0, work: 0 });
        }
        // The day before the period too: its last stretch may run into the first day.
        var months = timelineMonths(from - 1, to);
        for (var i = 0; i < months.length; i++) {
            var text = monthText(months[i].y, months[i].m);
            if (text === null || text === undefined) continue;
            var range = monthRange(months[i].y, months[i].m);
            for (var d = Math.max(from, range.from); d <= Math.min(to, range.to); d++) days[d - from].known = true;
            var stretches = readTimeline(text);
            for (var j = 0; j < stretches.length; j++) {
                var stretch = stretches[j];
                stretch.inactive = isInactiveName(inactiveNames, stretch.app);
                placeStretch(days, from, to, stretch);
            }
        }
        for (var k = 0; k < days.length; k++) {
            var day = days[k];
            day.stretches.sort(function (a, b) { return a.start - b.start; });
            for (var n = 0; n < day.stretches.length; n++) {
                var each = day.stretches[n];
                if (each.inactive) continue;
                day.work += each.seconds;
                if (day.first === null || each.start < day.first) day.first = each.start;
                if (day.last === null || each.start + each.seconds > day.last) day.last = each.start + each.seconds;
            }
            if (day.first !== null) day.span = day.last - day.first;
        }
        return days;
    }

    // Several computers' timelineDays over the same days as one: a day's first activity is the
    // earliest of any computer, its last the latest, its work their sum.
    function combineTimelineDays(lists) {
        if (lists.length === 1) return lists[0];
        var days = [];
        for (var k = 0; lists.length && k < lists[0].length; k++) {
            var day = { serial: lists[0][k].serial, known: false, stretches: [], first: null, last: null, span: 0, work: 0 };
            for (var i = 0; i < lists.length; i++) {
                var each = lists[i][k];
                day.known = day.known || each.known;
                day.stretches = day.stretches.concat(each.stretches);
                day.work += each.work;
                if (each.first === null) continue;
                if (day.first === null || each.first < day.first) day.first = each.first;
                if (day.last === null || each.last > day.last) day.last = each.last;
            }
            day.stretches.sort(function (a, b) { return a.start - b.start; });
            if (day.first !== null) day.span = day.last - day.first;
            days.push(day);
        }
        return days;
    }

    // Puts the stretch's piece of each day from..to on that day.
    function placeStretch(days, from, to, stretch) {
        var serial = stretch.serial;
        var start = stretch.start;
        var left = stretch.seconds;
        while (left > 0 && serial <= to) {
            var seconds = Math.min(left, 86400 - start);
            if (serial >= from) {
                days[serial - from].stretches.push(seconds === stretch.seconds ? stretch : {
                    serial: serial, start: start, seconds: seconds, app: stretch.app, doc: stretch.doc, inactive: stretch.inactive
                });
            }
            left -= seconds;
            serial++;
            start = 0;
        }
    }

    // A stretch's length: "1 h 5 min", "12 min", and seconds under a minute ("40 s" in the
    // language's minute unit's place would be wrong, so "0:40").
    function formatDuration(seconds, texts) {
        if (seconds < 60) return '0:' + pad2(seconds);
        return formatLong(seconds, texts);
    }

    // A second of the day as "h:mm"; the day's end as "24:00", past it the next day's time.
    function formatTimeOfDay(seconds) {
        var minutes = Math.floor(seconds / 60);
        if (minutes > 1440) minutes %= 1440;
        return Math.floor(minutes / 60) + ':' + pad2(minutes % 60);
    }

    // ---- Chart ----------------------------------------------------------------------------

    // The bars of the chart: one per day for up to three months, one per week for up to two
    // years, one per month for up to four, one per year beyond, so that a long period still
    // gives bars one can read. Every bar of the period is there, empty or not; the first and
    // last are cut to the period.
    function chartBuckets(summary, options) {
        options = options || {};
        var firstDay = typeof options.firstDay === 'number' ? options.firstDay : 1;
        var length = summary.to - summary.from + 1;
        var unit = length <= 92 ? 'day' : length <= 731 ? 'week' : length <= 1461 ? 'month' : 'year';
        var buckets = [];
        var start = unitRange(unit, summary.from, firstDay).from;
        while (start <= summary.to) {
            var end = unitRange(unit, start, firstDay).to;
            buckets.push({
                from: Math.max(start, summary.from),
                to: Math.min(end, summary.to),
                work: 0,
                inactive: 0,
                parts: zeros(summary.topApps.length + 1)
            });
            start = end + 1;
        }
        var b = 0;
        for (var i = 0; i < summary.days.length; i++) {
            var day = summary.days[i];
            while (b < buckets.length && buckets[b].to < day.serial) b++;
            if (b >= buckets.length) break;
            var bucket = buckets[b];
            bucket.work += day.work;
            bucket.inactive += day.inactive;
            for (var p = 0; p < day.parts.length; p++) bucket.parts[p] += day.parts[p];
        }
        return { unit: unit, buckets: buckets };
    }

    // Two short lines under bar number index of a chart: the day and its weekday, the day and
    // the month where it changes, a week's first day, a month and its year, or a year. A
    // month alone is named in the nominative (ChartMonths); "5 May" in a week's is a date.
    function barLabel(chart, index, texts) {
        var bucket = chart.buckets[index];
        var date = ymdFromSerial(bucket.from);
        var month = String(texts.Months).split(',')[date.m - 1] || String(date.m);
        var monthAlone = String(texts.ChartMonths).split(',')[date.m - 1] || String(date.m);
        switch (chart.unit) {
        case 'year':
            return [String(date.y), ''];
        case 'month':
            return [monthAlone, date.m === 1 || index === 0 ? String(date.y) : ''];
        case 'week':
            return [date.d + ' ' + month, ''];
        default:
            if (chart.buckets.length <= 14) return [String(date.d), String(texts.WeekDays).split(',')[weekday(bucket.from)] || ''];
            return [String(date.d), date.d === 1 || index === 0 ? monthAlone : ''];
        }
    }

    function zeros(count) {
        var list = [];
        for (var i = 0; i < count; i++) list.push(0);
        return list;
    }

    // Gridlines for the chart's time axis: a round step in seconds and the axis top.
    function axisScale(maxSeconds) {
        var steps = [300, 600, 900, 1800, 3600, 7200, 10800, 14400, 21600, 36000, 72000, 144000, 360000, 720000, 1440000, 3600000];
        var step = steps[steps.length - 1];
        for (var i = 0; i < steps.length; i++) {
            if (steps[i] * 4 >= maxSeconds) {
                step = steps[i];
                break;
            }
        }
        var top = Math.max(step, Math.ceil(maxSeconds / step) * step);
        return { step: step, top: top };
    }

    // ---- Texts and formats ----------------------------------------------------------------

    // A lookup of "Section/Item" keys in a language document, as the tracker reads them: an
    // element named like the item whose parent is named like the section, the first in
    // document order; its text is the value of its first child node.
    function languageLookup(documentNode) {
        return function (textKey) {
            if (!documentNode) return '';
            var slash = textKey.indexOf('/');
            var section = slash < 0 ? null : textKey.substring(0, slash);
            var item = slash < 0 ? textKey : textKey.substring(slash + 1);
            var elements = documentNode.getElementsByTagName(item);
            for (var i = 0; i < elements.length; i++) {
                var element = elements.item(i);
                var parent = element.parentNode;
                if (section === null || (parent && parent.nodeName === section)) return firstChildText(element);
            }
            return '';
        };
    }

    // The report's texts: each "Report/..." key from the language file when it has one,
    // otherwise from the built-in table of the language (English for unknown languages).
    // "Inactive" is the tracker's own "Common/Inactive".
    function resolveTexts(lookup, language, tables) {
        var table = tableFor(language, tables);
        var texts = {};
        for (var name in table) {
            if (!Object.prototype.hasOwnProperty.call(table, name)) continue;
            var found = lookup ? lookup('Report/' + name) : '';
            texts[name] = found !== '' ? found : table[name];
        }
        texts.InactiveName = lookup ? lookup('Common/Inactive') : '';
        return texts;
    }

    function tableFor(language, tables) {
        var wanted = String(language || '').toLowerCase();
        for (var name in tables) {
            if (Object.prototype.hasOwnProperty.call(tables, name) && name.toLowerCase() === wanted) return tables[name];
        }
        return tables.English;
    }

    function fillIn(template, values) {
        return String(template).replace(/\{(\w+)\}/g, function (whole, name) {
            return Object.prototype.hasOwnProperty.call(values, name) ? String(values[name]) : whole;
        });
    }

    // Hours and minutes, "h:mm", rounded to the minute.
    function formatClock(seconds) {
        var minutes = Math.round(seconds / 60);
        return Math.floor(minutes / 60) + ':' + pad2(minutes % 60);
    }

    // "7 h 32 min", "45 min", "3 h"; under half a minute shows as "0 min".
    function formatLong(seconds, texts) {
        var minutes = Math.round(seconds / 60);
        var hours = Math.floor(minutes / 60);
        minutes = minutes % 60;
        if (hours === 0) return minutes + ' ' + texts.MinuteUnit;
        if (minutes === 0) return hours + ' ' + texts.HourUnit;
        return hours + ' ' + texts.HourUnit + ' ' + minutes + ' ' + texts.MinuteUnit;
    }

    function formatPercent(fraction) {
        if (fraction <= 0) return '0%';
        if (fraction < 0.005) return '<1%';
        return Math.round(fraction * 100) + '%';
    }

    // A day by the language's pattern: {d} {dd} {m} {mm} {mon} {y} {wd}.
    function formatDate(serial, pattern, texts) {
        var date = ymdFromSerial(serial);
        var months = String(texts.Months || '').split(',');
        var days = String(texts.WeekDays || '').split(',');
        return fillIn(pattern, {
            d: date.d,
            dd: pad2(date.d),
            m: date.m,
            mm: pad2(date.m),
            y: date.y,
            mon: months[date.m - 1] || date.m,
            wd: days[weekday(serial)] || ''
        });
    }

    function isoDate(serial) {
        var date = ymdFromSerial(serial);
        return date.y + '-' + pad2(date.m) + '-' + pad2(date.d);
    }

    // A day typed by the user: year-month-day or day.month.year; null when it is no date.
    function parseDateInput(text) {
        var value = trim(text || '');
        var year;
        var month;
        var day;
        var match = /^(\d{4})-(\d{1,2})-(\d{1,2})$/.exec(value);
        if (match) {
            year = +match[1];
            month = +match[2];
            day = +match[3];
        } else {
            match = /^(\d{1,2})\.(\d{1,2})\.(\d{4})$/.exec(value);
            if (!match) return null;
            day = +match[1];
            month = +match[2];
            year = +match[3];
        }
        return isValidDate(year, month, day) ? serialFromYmd(year, month, day) : null;
    }

    // ---- CSV ------------------------------------------------------------------------------

    // Separator and decimal mark for the spreadsheet of this computer: its list separator,
    // unless that is missing or the same as the decimal mark.
    function csvFormat(listSeparator, decimalMark) {
        var decimal = decimalMark === ',' ? ',' : '.';
        var separator = listSeparator && listSeparator.length === 1 && listSeparator !== decimal &&
            listSeparator !== '"' ? listSeparator : (decimal === ',' ? ';' : ',');
        return { separator: separator, decimal: decimal };
    }

    // One field. Names come from window titles, which web pages choose: a name that a
    // spreadsheet would run as a formula gets an apostrophe in front.
    function csvText(value, separator) {
        var text = String(value);
        if (/^[=+\-@\t\r]/.test(text)) text = "'" + text;
        if (text.indexOf(separator) >= 0 || /["\r\n]/.test(text) || /^\s|\s$/.test(text)) {
            text = '"' + text.replace(/"/g, '""') + '"';
        }
        return text;
    }

    function csvShare(fraction, decimal) {
        return (Math.round(fraction * 1000) / 10).toFixed(1).replace('.', decimal);
    }

    // A table for a spreadsheet in the user's list separator and decimal mark: rows of cells,
    // texts quoted as needed, lines ended as Windows ends them.
    function csvTable(meta) {
        var format = csvFormat(meta.separator, meta.decimal);
        var lines = [];
        return {
            format: format,
            row: function (cells) {
                lines.push(cells.join(format.separator));
            },
            text: function (value) {
                return csvText(value, format.separator);
            },
            blank: function () {
                lines.push('');
            },
            contents: function () {
                return lines.join('\r\n') + '\r\n';
            }
        };
    }

    // The tables the report shows, for a spreadsheet: a heading block, the applications with
    // their documents, the projects, and the days. Times as h:mm and as whole minutes.
    function buildCsv(summary, texts, meta) {
        meta = meta || {};
        var projectNames = projectNamesById(meta.projects);
        var table = csvTable(meta);
        var format = table.format;
        var row = table.row;
        var text = table.text;
        function minutes(seconds) {
            return String(Math.round(seconds / 60));
        }

        row([text(texts.Title), text(meta.logFile || '')]);
        row([text(texts.Period), isoDate(summary.from), isoDate(summary.to)]);
        row([text(texts.WorkTime), formatClock(summary.work), minutes(summary.work)]);
        row([text(texts.InactiveTime), formatClock(summary.inactive), minutes(summary.inactive)]);
        table.blank();

        row([text(texts.Application), text(texts.Document), text(texts.Project), text(texts.Time), text(texts.MinutesColumn), text(texts.Share)]);
        for (var i = 0; i < summary.apps.length; i++) {
            var app = summary.apps[i];
            row([text(app.name), '', '', formatClock(app.time), minutes(app.time), csvShare(app.share, format.decimal)]);
            var docs = documentRows(app, summary.work, texts.NoDocument);
            for (var d = 0; d < docs.length; d++) {
                var doc = docs[d];
                var project = has(projectNames, doc.project) ? projectNames[key(doc.project)] : '';
                row([text(app.name), text(doc.name), text(project), formatClock(doc.time), minutes(doc.time), csvShare(doc.share, format.decimal)]);
            }
        }
        row([text(texts.Total), '', '', formatClock(summary.work), minutes(summary.work), csvShare(summary.work > 0 ? 1 : 0, format.decimal)]);
        table.blank();

        row([text(texts.Project), text(texts.Time), text(texts.MinutesColumn), text(texts.Share)]);
        for (var p = 0; p < summary.projects.length; p++) {
            var project = summary.projects[p];
            row([text(project.name), formatClock(project.time), minutes(project.time), csvShare(project.share, format.decimal)]);
        }
        row([text(texts.NoProject), formatClock(summary.noProject), minutes(summary.noProject), csvShare(summary.noProjectShare, format.decimal)]);
        table.blank();

        row([text(texts.Date), text(texts.WorkTime), text(texts.MinutesColumn), text(texts.InactiveTime), text(texts.MinutesColumn)]);
        for (var s = 0; s < summary.days.length; s++) {
            var day = summary.days[s];
            row([isoDate(day.serial), formatClock(day.work), minutes(day.work), formatClock(day.inactive), minutes(day.inactive)]);
        }
        return table.contents();
    }

    // Project names by "$" + id, the first of a repeated id winning, as the report lists them.
    function projectNamesById(projectData) {
        var names = {};
        var projects = (projectData && projectData.projects) || [];
        for (var i = projects.length - 1; i >= 0; i--) names[key(projects[i].id)] = projects[i].name;
        return names;
    }

    // "user1-Report-2026-11-30-2026-12-06.csv": beside the log, named by user and period.
    // The timesheet's kind is "Timesheet".
    function csvFileName(logFile, summary, kind) {
        var user = userOfLogFile(logFile).replace(/[\\\/:*?"<>|]/g, '_');
        return user + '-' + (kind || 'Report') + '-' + isoDate(summary.from) + (summary.to !== summary.from ? '-' + isoDate(summary.to) : '') + '.csv';
    }

    // ---- Timesheet --------------------------------------------------------------------------

    // One row per day with time in the log: its first and last activity from the timeline
    // (null without one), its work and idle, and each of the period's projects' seconds in
    // the order of summary.projects, then the time without a project. timeline: the days of
    // timelineDays over the same period (or none).
    function timesheetRows(summary, timeline) {
        var activity = {};
        for (var t = 0; timeline && t < timeline.length; t++) activity[timeline[t].serial] = timeline[t];
        var rows = [];
        for (var i = 0; i < summary.days.length; i++) {
            var day = summary.days[i];
            var seen = activity[day.serial];
            var projects = [];
            for (var p = 0; p < summary.projects.length; p++) projects.push(day.projects[key(summary.projects[p].id)] || 0);
            rows.push({
                serial: day.serial,
                first: seen && seen.first !== null ? seen.first : null,
                last: seen && seen.first !== null ? seen.last : null,
                work: day.work,
                inactive: day.inactive,
                projects: projects,
                noProject: day.noProject
            });
        }
        return rows;
    }

    // Hours with two decimals in the spreadsheet's decimal mark: "7,53".
    function csvHours(seconds, decimal) {
        return (Math.round(seconds / 36) / 100).toFixed(2).replace('.', decimal);
    }

    // The timesheet for a spreadsheet: a heading block, then per day its date, first and last
    // activity, work and idle in hours, and each project's hours; a total line last.
    function buildTimesheetCsv(summary, timeline, texts, meta) {
        meta = meta || {};
        var table = csvTable(meta);
        var format = table.format;
        var row = table.row;
        var text = table.text;
        function hours(seconds) {
            return csvHours(seconds, format.decimal);
        }
        var head = [text(texts.Date), text(texts.FirstActivity), text(texts.LastActivity), text(texts.WorkHours), text(texts.IdleHours)];
        for (var p = 0; p < summary.projects.length; p++) head.push(text(summary.projects[p].name));
        if (summary.projectCount > 0) head.push(text(texts.NoProject));

        row([text(texts.Timesheet), text(meta.logFile || '')]);
        row([text(texts.Period), isoDate(summary.from), isoDate(summary.to)]);
        table.blank();
        row(head);
        var rows = timesheetRows(summary, timeline);
        for (var i = 0; i < rows.length; i++) {
            var each = rows[i];
            var cells = [isoDate(each.serial), each.first === null ? '' : formatTimeOfDay(each.first),
                each.last === null ? '' : formatTimeOfDay(each.last), hours(each.work), hours(each.inactive)];
            for (var q = 0; q < each.projects.length; q++) cells.push(hours(each.projects[q]));
            if (summary.projectCount > 0) cells.push(hours(each.noProject));
            row(cells);
        }
        var total = [text(texts.Total), '', '', hours(summary.work), hours(summary.inactive)];
        for (var r = 0; r < summary.projects.length; r++) total.push(hours(summary.projects[r].time));
        if (summary.projectCount > 0) total.push(hours(summary.noProject));
        row(total);
        return table.contents();
    }

    // ---- Colours ------------------------------------------------------------------------------

    // A colour for each application, taken from its name so that it keeps its colour in every
    // view: the palette place of the name's hash, or, when an application listed earlier has
    // that place, the next free one (only when more names than places, places repeat).
    function colorPlaces(names, paletteSize) {
        var taken = {};
        var places = [];
        for (var i = 0; i < names.length; i++) {
            var hash = 2166136261;
            for (var c = 0; c < names[i].length; c++) {
                hash ^= names[i].charCodeAt(c);
                hash = (hash * 16777619) >>> 0;
            }
            var place = hash % paletteSize;
            for (var tries = 0; tries < paletteSize && taken[place]; tries++) place = (place + 1) % paletteSize;
            taken[place] = true;
            places.push(place);
        }
        return places;
    }

    // ---- The user's calendar -------------------------------------------------------------------

    // The first day of the week from Windows' regional setting, which counts 0 for Monday to 6
    // for Sunday, as the report counts it (0 Sunday to 6 Saturday); null when it is no such day.
    function firstDayFromWindows(value) {
        var number = wholeNumber(String(value === null || value === undefined ? '' : value));
        return number !== null && number <= 6 ? (number + 1) % 7 : null;
    }

    return {
        parseCommandLine: parseCommandLine,
        userOfLogFile: userOfLogFile,
        projectFileNames: projectFileNames,
        sharedFileKind: sharedFileKind,
        sharedFiles: sharedFiles,
        computerFileName: computerFileName,
        sharedTimelineFileName: sharedTimelineFileName,
        serialFromYmd: serialFromYmd,
        ymdFromSerial: ymdFromSerial,
        serialOfLocalDate: serialOfLocalDate,
        weekday: weekday,
        readLog: readLog,
        emptyLog: emptyLog,
        logReader: logReader,
        readProjects: readProjects,
        projectMatcher: projectMatcher,
        startOfWeek: startOfWeek,
        periodRange: periodRange,
        shiftPeriod: shiftPeriod,
        barPeriod: barPeriod,
        summarize: summarize,
        combineSummaries: combineSummaries,
        periodView: periodView,
        combinePeriodViews: combinePeriodViews,
        documentRows: documentRows,
        chartBuckets: chartBuckets,
        barLabel: barLabel,
        axisScale: axisScale,
        languageLookup: languageLookup,
        resolveTexts: resolveTexts,
        fillIn: fillIn,
        formatClock: formatClock,
        formatLong: formatLong,
        formatPercent: formatPercent,
        formatDate: formatDate,
        isoDate: isoDate,
        parseDateInput: parseDateInput,
        csvFormat: csvFormat,
        buildCsv: buildCsv,
        csvFileName: csvFileName,
        projectNamesById: projectNamesById,
        timesheetRows: timesheetRows,
        buildTimesheetCsv: buildTimesheetCsv,
        colorPlaces: colorPlaces,
        firstDayFromWindows: firstDayFromWindows,
        unitRange: unitRange,
        timelineFileName: timelineFileName,
        timelineMonths: timelineMonths,
        readTimeline: readTimeline,
        timelineDays: timelineDays,
        combineTimelineDays: combineTimelineDays,
        formatTimeOfDay: formatTimeOfDay,
        formatDuration: formatDuration
    };
}());

if (typeof module !== 'undefined' && module.exports) module.exports = OstrakReport;
