// The report's window contents: period chooser, totals, chart and tables, drawn from what a
// host hands in. The host (report-app.js in the report application, a test page elsewhere)
// owns every file and ActiveX object; this file only uses the page.
// Host members: load() -> { log, projects, texts, inactiveNames, logFile, logPath, error,
// shared }, today() -> day number, firstDayOfWeek() -> 0 (Sunday) to 6 or null (optional),
// timeline(year, month, computer) -> text or null (optional; without a computer, this
// computer's), csvFormat() -> { separator, decimal }, exportCsv(fileName, text) -> { ok, path },
// openFile(path), readCopy(computer) -> a log or null (with a shared folder).
// shared: null, or { error, own: { name, copied }, computers: [{ name, file, copied }], skipped:
// [{ file, reason }] }, copied being milliseconds or null.
// A period's figures are computed once, when it is first shown; folding, paging and switching
// tables draw from them without reading the log again.
var OstrakReportView = (function () {
    'use strict';

    var R = OstrakReport;
    // Told apart at a glance and none of them grey, which means "other" and idle.
    var COLORS = ['#3b78c9', '#e58a3c', '#3a9e72', '#cc4b63', '#7f5cc6', '#b89a1b', '#2a9bb0', '#d46ab0', '#8a6a45'];
    var OTHER_COLOR = '#a7b0ba';
    var INACTIVE_COLOR = '#d5dae0';
    var DOCUMENTS_SHOWN = 5;
    // Documents drawn at a time once a list is opened: a long period's application may have
    // thousands, and a page draws them all at once only slowly.
    var DOCUMENTS_PAGE = 200;
    var CHART_HEIGHT = 230;
    // Timesheet rows shown before "Show all": the latest two months' days.
    var TIMESHEET_ROWS = 62;
    // Earlier days drawn at a time after "Show all": a year.
    var TIMESHEET_PAGE = 366;
    // Periods whose figures are kept for going back to them.
    var PERIODS_KEPT = 8;
    var RELATIVE_KINDS = { today: true, yesterday: true, thisWeek: true, lastWeek: true, thisMonth: true, lastMonth: true };
    var PERIOD_BUTTONS = [
        ['today', 'Today'], ['yesterday', 'Yesterday'], ['thisWeek', 'ThisWeek'], ['lastWeek', 'LastWeek'],
        ['thisMonth', 'ThisMonth'], ['lastMonth', 'LastMonth'], ['all', 'AllTime'], ['range', 'Range']
    ];

    function escapeHtml(text) {
        return String(text).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');
    }


    // The element itself or its nearest ancestor inside the root that carries the attribute.
    function documentCount(summary) {
        var count = 0;
        for (var i = 0; i < summary.apps.length; i++) count += summary.apps[i].docs.length;
        return count;
    }

    function findWithAttribute(element, name, root) {
        while (element && element !== root && element.nodeType === 1) {
            var value = element.getAttribute(name);
            if (value !== null && value !== '') return element;
            element = element.parentNode;
        }
        return null;
    }

    function View(root, host) {
        this.root = root;
        this.host = host;
        this.expandedAll = {};
        this.collapsed = {};
        this.status = null;
        this.rangeOpen = false;
        this.rangeError = '';
        this.table = 'summary';
        // Days the timesheet shows after "Show all"; 0 before it.
        this.timesheetAll = 0;
        // Whose time is shown: '' this computer, '*' all computers, else one by name; kept
        // while the report is open.
        this.choice = '';
        this.skippedOpen = false;
        this.load();
        this.period = R.periodRange('today', this.today, this.periodOptions());
        var self = this;
        root.addEventListener('click', function (event) { self.onClick(event); }, false);
        root.addEventListener('keydown', function (event) { self.onKeyDown(event); }, false);
        root.addEventListener('mousemove', function (event) { self.onMouseMove(event); }, false);
        root.addEventListener('mouseout', function (event) { self.onMouseOut(event); }, false);
        root.addEventListener('change', function (event) { self.onChange(event); }, false);
        var pending = null;
        window.addEventListener('resize', function () {
            if (pending) window.clearTimeout(pending);
            pending = window.setTimeout(function () { pending = null; self.drawChart(); }, 100);
        }, false);
        // A report left open past midnight moves "Today" and the other periods with the date.
        window.setInterval(function () { self.followToday(); }, 30000);
        this.render();
    }

    View.prototype.load = function () {
        this.data = this.host.load();
        this.timelineMonths = {};
        this.periodsShown = {};
        this.periodsOrder = [];
        this.texts = this.data.texts;
        // Other computers' logs, read when a choice first needs them; false for one that is
        // not a time log.
        this.copies = {};
        if (this.choice !== '' && !this.computerListed(this.choice)) this.choice = '';
        this.today = this.host.today();
        // The week of the user's Windows, else the language's.
        var windows = this.host.firstDayOfWeek ? this.host.firstDayOfWeek() : null;
        var firstDay = typeof windows === 'number' ? windows : parseInt(this.texts.FirstDay, 10);
        this.firstDay = firstDay >= 0 && firstDay <= 6 ? firstDay : 1;
    };

    // After midnight, the relative periods move to the new date.
    View.prototype.followToday = function () {
        var today = this.host.today();
        if (today === this.today) return false;
        this.today = today;
        if (RELATIVE_KINDS[this.period.kind]) this.period = R.periodRange(this.period.kind, today, this.periodOptions());
        this.render();
        return true;
    };

    // The figures of the period shown, computed the first time it is shown and kept: each
    // computer's, and those of each choice; all computers' are the sum of each one's.
    View.prototype.periodFigures = function () {
        var name = this.period.from + ':' + this.period.to;
        var period = this.periodsShown[name];
        if (!period) {
            period = { bySource: {}, byChoice: {} };
            this.periodsShown[name] = period;
            this.periodsOrder.push(name);
            if (this.periodsOrder.length > PERIODS_KEPT) delete this.periodsShown[this.periodsOrder.shift()];
        }
        var kept = period.byChoice['$' + this.choice];
        if (!kept) {
            var sources = this.sources();
            var options = { firstDay: this.firstDay, inactiveNames: this.data.inactiveNames, projects: this.data.projects };
            var views = [];
            for (var s = 0; s < sources.length; s++) {
                var own = period.bySource['$' + sources[s].name];
                if (!own) {
                    own = R.periodView(sources[s].log, this.period, options);
                    period.bySource['$' + sources[s].name] = own;
                }
                views.push(own);
            }
            kept = views.length === 1 ? { summary: views[0].summary, chartSummary: views[0].chartSummary, chart: views[0].chart }
                : R.combinePeriodViews(views, this.period, options);
            kept.sources = sources;
            kept.colors = {};
            var places = R.colorPlaces(kept.summary.topApps, COLORS.length);
            for (var i = 0; i < places.length; i++) kept.colors['$' + kept.summary.topApps[i]] = COLORS[places[i]];
            period.byChoice['$' + this.choice] = kept;
        }
        return kept;
    };

    // The logs of the choice: { name (user@computer, '' for this computer's alone), log,
    // computer (for its timeline; '' for this computer's) }. Copies that are not time logs are
    // left out.
    View.prototype.sources = function () {
        var shared = this.data.shared;
        var here = { name: shared ? shared.own.name : '', log: this.data.log, computer: undefined };
        if (!shared || this.choice === '') return [here];
        var list = this.choice === '*' ? [here] : [];
        for (var i = 0; i < shared.computers.length; i++) {
            var name = shared.computers[i].name;
            if (this.choice !== '*' && this.choice !== name) continue;
            var log = this.copyLog(name);
            if (log) list.push({ name: name, log: log, computer: name });
        }
        return list.length ? list : [{ name: this.choice, log: R.emptyLog(), computer: this.choice }];
    };

    View.prototype.copyLog = function (name) {
        if (!('$' + name in this.copies)) this.copies['$' + name] = (this.host.readCopy && this.host.readCopy(name)) || false;
        return this.copies['$' + name];
    };

    View.prototype.computerListed = function (name) {
        var shared = this.data.shared;
        if (!shared) return false;
        if (name === '*') return true;
        for (var i = 0; i < shared.computers.length; i++) if (shared.computers[i].name === name) return true;
        return false;
    };

    // An application's colour: its own when it is drawn apart in the chart, else grey.
    View.prototype.colorOf = function (name) {
        var color = this.shown.colors['$' + name];
        return color || OTHER_COLOR;
    };

    View.prototype.periodOptions = function (extra) {
        var options = { firstDay: this.firstDay, log: this.data.log };
        if (extra) {
            options.from = extra.from;
            options.to = extra.to;
        }
        return options;
    };

    View.prototype.date = function (serial) {
        return R.formatDate(serial, this.texts.DateFormat, this.texts);
    };

    View.prototype.render = function () {
        var t = this.texts;
        var shown = this.periodFigures();
        this.shown = shown;
        this.summary = shown.summary;
        this.chartSummary = shown.chartSummary;
        this.chart = shown.chart;
        var html = [];
        html.push(this.headerHtml());
        html.push(this.computersHtml());
        html.push(this.periodHtml());
        if (this.data.error) html.push('<div class="notice error">' + escapeHtml(this.data.error) + '</div>');
        html.push(this.cardsHtml());
        if (this.summary.work > 0) {
            html.push('<div class="panel chart-panel"><div class="panel-head"><h2>' +
                escapeHtml(this.chart.unit === 'day' ? t.PerDay : this.chart.unit === 'week' ? t.PerWeek : t.PerMonth) +
                '</h2><span class="hint">' + escapeHtml(t.ChartHint) + '</span></div>' +
                '<div class="chart" id="ostrak-chart"></div>' + this.legendHtml() +
                '<div class="tooltip" id="ostrak-tooltip"></div></div>');
            html.push(this.timelineHtml());
            html.push('<div id="ostrak-tables">' + this.tablesHtml() + '</div>');
        } else if (!this.data.error) {
            html.push('<div class="panel empty">' + escapeHtml(t.NoData) + '</div>');
        }
        html.push(this.statusHtml());
        this.root.innerHTML = html.join('');
        this.drawChart();
    };

    // After a click that changes only the tables (folding, paging, the tabs): the rest of the
    // page and its chart stay as they are.
    View.prototype.renderTables = function () {
        var holder = document.getElementById('ostrak-tables');
        if (!holder) {
            this.render();
            return;
        }
        holder.innerHTML = this.tablesHtml();
    };

    View.prototype.headerHtml = function () {
        var t = this.texts;
        var user = R.userOfLogFile(this.data.logFile || '');
        return '<div class="header"><div class="brand"><h1>' + escapeHtml(t.Title) + '</h1>' +
            (user ? '<span class="user" title="' + escapeHtml(this.data.logPath || this.data.logFile) + '">' + escapeHtml(user) + '</span>' : '') +
            '</div><div class="actions">' +
            '<button type="button" data-action="refresh">' + escapeHtml(t.Refresh) + '</button>' +
            '<button type="button" data-action="export-timesheet"' + (this.summary.days.length ? '' : ' disabled') + '>' +
            escapeHtml(t.ExportTimesheet) + '</button>' +
            '<button type="button" class="primary" data-action="export"' + (this.summary.work > 0 || this.summary.inactive > 0 ? '' : ' disabled') + '>' +
            escapeHtml(t.Export) + '</button></div></div>';
    };

    // With a shared folder: whose time to show, each computer with the time of its last copy,
    // and what the sum leaves out.
    View.prototype.computersHtml = function () {
        var t = this.texts;
        var shared = this.data.shared;
        if (!shared) return '';
        var html = '<div class="computers"><label>' + escapeHtml(t.Computers) + ' <select id="ostrak-computer" data-change="computer">';
        var options = [['', R.fillIn(t.ThisComputer, { name: shared.own.name }), shared.own.copied]];
        if (shared.computers.length) options.push(['*', R.fillIn(t.AllComputers, { n: shared.computers.length + 1 }), undefined]);
        for (var i = 0; i < shared.computers.length; i++) options.push([shared.computers[i].name, shared.computers[i].name, shared.computers[i].copied]);
        for (var o = 0; o < options.length; o++) {
            var copied = options[o][2];
            var label = options[o][1] + (copied === undefined ? '' : ' \u2014 ' + (copied === null ? t.NoCopy : R.fillIn(t.LastCopy, { time: this.moment(copied) })));
            html += '<option value="' + escapeHtml(options[o][0]) + '"' + (options[o][0] === this.choice ? ' selected' : '') + '>' + escapeHtml(label) + '</option>';
        }
        html += '</select></label>';
        var skipped = this.skipped();
        if (shared.error) html += ' <span class="field-error">' + escapeHtml(shared.error) + '</span>';
        if (skipped.length) {
            html += ' <span class="hint" id="ostrak-skipped">' + escapeHtml(R.fillIn(t.Skipped, { n: skipped.length })) +
                ' <a href="#" data-action="toggle-skipped">' + escapeHtml(this.skippedOpen ? t.HideSkipped : t.ShowSkipped) + '</a></span>';
            if (this.skippedOpen) {
                html += '<ul class="skipped">';
                for (var k = 0; k < skipped.length; k++) {
                    html += '<li><span class="file">' + escapeHtml(skipped[k].file) + '</span> \u2014 ' +
                        escapeHtml(skipped[k].reason === 'name' ? t.SkippedName : t.SkippedUnreadable) + '</li>';
                }
                html += '</ul>';
            }
        }
        return html + '</div>';
    };

    // The files the sum leaves out: those not named as copies, and copies read so far that are
    // not time logs.
    View.prototype.skipped = function () {
        var shared = this.data.shared;
        var list = shared.skipped.slice(0);
        for (var i = 0; i < shared.computers.length; i++) {
            var name = shared.computers[i].name;
            if (this.copies['$' + name] === false) list.push({ file: shared.computers[i].file, reason: 'unreadable' });
        }
        return list;
    };

    // A moment as the day and the time of day: "Fri 4 Dec 2026 14:05".
    View.prototype.moment = function (milliseconds) {
        var when = new Date(milliseconds);
        return this.date(R.serialOfLocalDate(when)) + ' ' + R.formatTimeOfDay(when.getHours() * 3600 + when.getMinutes() * 60);
    };

    View.prototype.periodHtml = function () {
        var t = this.texts;
        var html = '<div class="periods" role="toolbar">';
        for (var i = 0; i < PERIOD_BUTTONS.length; i++) {
            var kind = PERIOD_BUTTONS[i][0];
            var selected = kind === 'range' ? (this.period.kind === 'range' || this.rangeOpen) : this.period.kind === kind && !this.rangeOpen;
            html += '<button type="button" data-action="period" data-kind="' + kind + '" class="' + (selected ? 'selected' : '') + '">' +
                escapeHtml(t[PERIOD_BUTTONS[i][1]]) + '</button>';
        }
        html += '</div>';
        if (this.rangeOpen) {
            var example = R.formatDate(this.today, t.DateInput, t);
            html += '<div class="range">' + escapeHtml(t.From) +
                ' <input type="text" id="ostrak-from" size="11" data-range="1" value="' + escapeHtml(R.formatDate(this.period.from, t.DateInput, t)) + '" placeholder="' + escapeHtml(t.DateInputHint) + '"> ' +
                escapeHtml(t.To) +
                ' <input type="text" id="ostrak-to" size="11" data-range="1" value="' + escapeHtml(R.formatDate(this.period.to, t.DateInput, t)) + '" placeholder="' + escapeHtml(t.DateInputHint) + '"> ' +
                '<button type="button" class="primary" data-action="apply-range">' + escapeHtml(t.Show) + '</button>' +
                (this.rangeError ? ' <span class="field-error">' + escapeHtml(R.fillIn(t.BadDate, { format: t.DateInputHint, example: example })) + '</span>' : '') +
                '</div>';
        }
        var canStep = this.period.kind !== 'all';
        var label = this.period.from === this.period.to ? this.date(this.period.from)
            : this.date(this.period.from) + ' \u2013 ' + this.date(this.period.to);
        html += '<div class="period-line">' +
            '<button type="button" class="step" data-action="step" data-direction="-1" title="' + escapeHtml(t.Previous) + '"' + (canStep ? '' : ' disabled') + '>\u2039</button>' +
            '<span class="period-label">' + escapeHtml(label) + '</span>' +
            '<button type="button" class="step" data-action="step" data-direction="1" title="' + escapeHtml(t.Next) + '"' + (canStep ? '' : ' disabled') + '>\u203a</button>' +
            '</div>';
        return html;
    };

    View.prototype.cardsHtml = function () {
        var t = this.texts;
        var s = this.summary;
        var top = s.apps.length ? s.apps[0] : null;
        return '<div class="cards"><div class="card work"><div class="label">' + escapeHtml(t.WorkTime) + '</div>' +
            '<div class="value" id="ostrak-work">' + escapeHtml(R.formatLong(s.work, t)) + '</div>' +
            '<div class="sub">' + escapeHtml(R.fillIn(t.Counts, { apps: s.apps.length, docs: documentCount(s) })) + '</div></div>' +
            '<div class="card inactive"><div class="label">' + escapeHtml(t.InactiveTime) + '</div>' +
            '<div class="value" id="ostrak-inactive">' + escapeHtml(R.formatLong(s.inactive, t)) + '</div>' +
            '<div class="sub">' + escapeHtml(t.InactiveHint) + '</div></div>' +
            '<div class="card"><div class="label">' + escapeHtml(t.MostUsed) + '</div>' +
            '<div class="value name" title="' + escapeHtml(top ? top.name : '') + '">' + escapeHtml(top ? top.name : '\u2014') + '</div>' +
            '<div class="sub">' + (top ? escapeHtml(R.formatLong(top.time, t) + ' \u00b7 ' + R.formatPercent(top.share)) : '&nbsp;') + '</div></div>' +
            this.lastCardHtml() + '</div>';
    };

    // Over several days, the average day; for one day, how much of it went to projects.
    View.prototype.lastCardHtml = function () {
        var t = this.texts;
        var s = this.summary;
        if (s.from !== s.to) {
            return '<div class="card"><div class="label">' + escapeHtml(t.Average) + '</div>' +
                '<div class="value">' + escapeHtml(s.activeDays ? R.formatLong(s.averagePerActiveDay, t) : '\u2014') + '</div>' +
                '<div class="sub">' + escapeHtml(R.fillIn(t.DaysWorked, { n: s.activeDays })) + '</div></div>';
        }
        var inProjects = s.work - s.noProject;
        return '<div class="card"><div class="label">' + escapeHtml(t.InProjects) + '</div>' +
            '<div class="value">' + escapeHtml(s.projectCount ? R.formatLong(inProjects, t) : '\u2014') + '</div>' +
            '<div class="sub">' + escapeHtml(s.projectCount ? R.fillIn(t.OfWorkTime, { share: R.formatPercent(s.work > 0 ? inProjects / s.work : 0) }) : '') +
            '&nbsp;</div></div>';
    };

    View.prototype.legendHtml = function () {
        var s = this.summary;
        var html = '<div class="legend">';
        for (var i = 0; i < s.topApps.length; i++) {
            html += '<span class="item"><span class="swatch" style="background:' + this.colorOf(s.topApps[i]) + '"></span>' +
                '<span class="name" title="' + escapeHtml(s.topApps[i]) + '">' + escapeHtml(s.topApps[i]) + '</span></span>';
        }
        var hasOther = false;
        for (var b = 0; b < this.chart.buckets.length; b++) {
            var parts = this.chart.buckets[b].parts;
            if (parts[parts.length - 1] > 0) hasOther = true;
        }
        if (hasOther) {
            html += '<span class="item"><span class="swatch" style="background:' + OTHER_COLOR + '"></span>' + escapeHtml(this.texts.Other) + '</span>';
        }
        return html + '</div>';
    };

    View.prototype.shareCell = function (fraction, color) {
        var width = Math.max(0, Math.min(100, fraction * 100));
        return '<td class="share"><span class="bar"><span style="width:' + width.toFixed(1) + '%;background:' + color + '"></span></span>' +
            '<span class="percent">' + R.formatPercent(fraction) + '</span></td>';
    };


    View.prototype.appsHtml = function () {
        var t = this.texts;
        var s = this.summary;
        var projectNames = R.projectNamesById(this.data.projects);
        var html = '<div class="panel"><div class="panel-head"><h2>' + escapeHtml(t.Applications) + '</h2></div>' +
            '<table class="grid apps"><colgroup><col><col class="time"><col class="share"></colgroup>' +
            '<thead><tr><th>' + escapeHtml(t.Application) + ' / ' + escapeHtml(t.Document) + '</th><th class="num">' + escapeHtml(t.Time) +
            '</th><th class="num">' + escapeHtml(t.Share) + '</th></tr></thead><tbody>';
        for (var i = 0; i < s.apps.length; i++) {
            var app = s.apps[i];
            var color = this.colorOf(app.name);
            var rows = R.documentRows(app, s.work, t.NoDocument);
            var open = !this.collapsed['$' + app.name] && rows.length > 0;
            html += '<tr class="app' + (rows.length ? ' has-docs' : '') + '"' + (rows.length ? ' data-action="toggle-app" data-index="' + i + '"' : '') + '>' +
                '<td><div class="cell"><span class="caret">' + (rows.length ? (open ? '\u25be' : '\u25b8') : '') + '</span>' +
                '<span class="swatch" style="background:' + color + '"></span>' +
                '<span class="name" title="' + escapeHtml(app.name) + '">' + escapeHtml(app.name) + '</span></div></td>' +
                '<td class="num">' + R.formatClock(app.time) + '</td>' + this.shareCell(app.share, color) + '</tr>';
            if (!open) continue;
            var all = this.expandedAll['$' + app.name] || 0;
            var shown = Math.min(rows.length, all || DOCUMENTS_SHOWN);
            for (var d = 0; d < shown; d++) {
                var doc = rows[d];
                var tag = doc.project !== null && doc.project !== undefined && projectNames['$' + doc.project] !== undefined
                    ? '<span class="tag" title="' + escapeHtml(t.Project) + '">' + escapeHtml(projectNames['$' + doc.project]) + '</span>' : '';
                html += '<tr class="doc' + (doc.isRest ? ' rest' : '') + '"><td><div class="cell">' + tag +
                    '<span class="name" title="' + escapeHtml(doc.name) + '">' + escapeHtml(doc.name) + '</span></div></td>' +
                    '<td class="num">' + R.formatClock(doc.time) + '</td>' + this.shareCell(doc.share, color) + '</tr>';
            }
            if (rows.length > DOCUMENTS_SHOWN) {
                html += '<tr class="more"><td colspan="3">' + (all && shown < rows.length
                    ? '<a href="#" data-action="show-more" data-index="' + i + '">' +
                    escapeHtml(R.fillIn(t.ShowMore, { n: Math.min(DOCUMENTS_PAGE, rows.length - shown) })) + '</a> \u00b7 ' : '') +
                    '<a href="#" data-action="show-all" data-index="' + i + '">' +
                    escapeHtml(all ? t.ShowFewer : R.fillIn(t.ShowAll, { n: rows.length })) + '</a></td></tr>';
            }
        }
        html += '</tbody><tfoot><tr><td>' + escapeHtml(t.Total) + '</td><td class="num">' + R.formatClock(s.work) +
            '</td><td class="num">' + R.formatPercent(s.work > 0 ? 1 : 0) + '</td></tr></tfoot></table></div>';
        return html;
    };

    View.prototype.projectsHtml = function () {
        var t = this.texts;
        var s = this.summary;
        var html = '<div class="panel"><div class="panel-head"><h2>' + escapeHtml(t.Projects) + '</h2></div>';
        if (s.projectCount === 0) return html + '<p class="hint block">' + escapeHtml(t.NoProjects) + '</p></div>';
        html += '<table class="grid projects"><colgroup><col><col class="time"><col class="share"></colgroup>' +
            '<thead><tr><th>' + escapeHtml(t.Project) + '</th><th class="num">' + escapeHtml(t.Time) + '</th><th class="num">' +
            escapeHtml(t.Share) + '</th></tr></thead><tbody>';
        for (var i = 0; i < s.projects.length; i++) {
            var project = s.projects[i];
            html += '<tr class="project"><td><div class="cell"><span class="name" title="' + escapeHtml(project.name) + '">' +
                escapeHtml(project.name) + '</span></div></td><td class="num">' + R.formatClock(project.time) + '</td>' +
                this.shareCell(project.share, '#3b78c9') + '</tr>';
        }
        html += '<tr class="project none"><td><div class="cell"><span class="name">' + escapeHtml(t.NoProject) + '</span></div></td>' +
            '<td class="num">' + R.formatClock(s.noProject) + '</td>' + this.shareCell(s.noProjectShare, OTHER_COLOR) + '</tr>';
        html += '</tbody><tfoot><tr><td>' + escapeHtml(t.Total) + '</td><td class="num">' + R.formatClock(s.work) +
            '</td><td class="num">' + R.formatPercent(s.work > 0 ? 1 : 0) + '</td></tr></tfoot></table></div>';
        return html;
    };

    View.prototype.statusHtml = function () {
        if (!this.status) return '<div class="status" id="ostrak-status"></div>';
        var t = this.texts;
        if (!this.status.ok) {
            return '<div class="status error" id="ostrak-status">' + escapeHtml(R.fillIn(t.SaveFailed, { path: this.status.path })) + '</div>';
        }
        return '<div class="status" id="ostrak-status">' + escapeHtml(R.fillIn(t.Saved, { path: this.status.path })) +
            ' <a href="#" data-action="open-file">' + escapeHtml(t.Open) + '</a></div>';
    };

    // ---- Timeline ---------------------------------------------------------------------------

    // A month file's text from the host, asked once per month and computer until the next
    // refresh; null when there is none (or the host cannot read files). computer: undefined
    // for this computer's.
    View.prototype.monthText = function (year, month, computer) {
        var key = (computer === undefined ? '' : computer + '@') + year + '-' + month;
        if (!(key in this.timelineMonths)) {
            this.timelineMonths[key] = !this.host.timeline ? null
                : computer === undefined ? this.host.timeline(year, month) : this.host.timeline(year, month, computer);
        }
        return this.timelineMonths[key];
    };

    // Each computer's timeline days from..to for the choice shown.
    View.prototype.timelinesOf = function (from, to) {
        var self = this;
        var lists = [];
        var sources = this.shown.sources;
        for (var i = 0; i < sources.length; i++) {
            var computer = sources[i].computer;
            lists.push(R.timelineDays(function (y, m) { return self.monthText(y, m, computer); }, from, to, { inactiveNames: this.data.inactiveNames }));
        }
        return lists;
    };

    // The timeline's days from..to, all computers of the choice together.
    View.prototype.timelineOf = function (from, to) {
        return R.combineTimelineDays(this.timelinesOf(from, to));
    };

    // One day: its band of stretches, one band per computer. Longer periods show each day's
    // first and last activity in the timesheet.
    View.prototype.timelineHtml = function () {
        var s = this.summary;
        if (s.from !== s.to) return '';
        if (!this.shown.bands) this.shown.bands = this.timelinesOf(s.from, s.to);
        this.bands = [];
        for (var i = 0; i < this.shown.bands.length; i++) this.bands.push(this.shown.bands[i][0]);
        return this.dayTimelineHtml(R.combineTimelineDays(this.shown.bands)[0]);
    };

    // The applications and projects side by side (one under the other in a narrow window), or
    // the timesheet.
    View.prototype.tablesHtml = function () {
        var t = this.texts;
        var tabs = [['summary', t.AppsAndProjects], ['timesheet', t.Timesheet]];
        var html = '<div class="tabs" role="tablist">';
        for (var i = 0; i < tabs.length; i++) {
            html += '<button type="button" role="tab" data-action="table" data-table="' + tabs[i][0] + '" class="' +
                (this.table === tabs[i][0] ? 'selected' : '') + '">' + escapeHtml(tabs[i][1]) + '</button>';
        }
        html += '</div>';
        if (this.table === 'timesheet') return html + this.timesheetHtml();
        return html + '<div class="columns"><div class="column wide">' + this.appsHtml() + '</div>' +
            '<div class="column">' + this.projectsHtml() + '</div></div>';
    };

    // Per day: first and last activity, work, idle and each project's time; when there are
    // many days, the latest two months, then earlier days a year at a time.
    View.prototype.timesheetHtml = function () {
        var t = this.texts;
        var s = this.summary;
        var days = s.days;
        var shownCount = Math.min(days.length, this.timesheetAll || TIMESHEET_ROWS);
        var shownDays = days.slice(days.length - shownCount);
        var from = shownDays.length ? shownDays[0].serial : s.from;
        var name = from + ':' + s.to;
        if (!this.shown.timesheet || this.shown.timesheet.name !== name) {
            this.shown.timesheet = { name: name, rows: R.timesheetRows({ days: shownDays, projects: s.projects }, this.timelineOf(from, s.to)) };
        }
        var rows = this.shown.timesheet.rows;
        var withProjects = s.projectCount > 0;
        var html = '<div class="panel"><div class="sheet"><table class="grid timesheet"><thead><tr><th>' + escapeHtml(t.Date) +
            '</th><th class="num">' + escapeHtml(t.FirstActivity) + '</th><th class="num">' + escapeHtml(t.LastActivity) +
            '</th><th class="num">' + escapeHtml(t.WorkTime) + '</th><th class="num">' + escapeHtml(t.InactiveTime) + '</th>';
        for (var p = 0; p < s.projects.length; p++) {
            html += '<th class="num project" title="' + escapeHtml(s.projects[p].name) + '">' + escapeHtml(s.projects[p].name) + '</th>';
        }
        if (withProjects) html += '<th class="num project">' + escapeHtml(t.NoProject) + '</th>';
        html += '</tr></thead><tbody>';
        var none = '<span title="' + escapeHtml(t.NoTimeline) + '">\u2014</span>';
        for (var i = 0; i < rows.length; i++) {
            var row = rows[i];
            html += '<tr class="sheet-day" data-serial="' + row.serial + '"><td>' + escapeHtml(this.date(row.serial)) + '</td>' +
                '<td class="num">' + (row.first === null ? none : R.formatTimeOfDay(row.first)) + '</td>' +
                '<td class="num">' + (row.last === null ? none : R.formatTimeOfDay(row.last)) + '</td>' +
                '<td class="num">' + R.formatClock(row.work) + '</td><td class="num">' + R.formatClock(row.inactive) + '</td>';
            for (var q = 0; q < row.projects.length; q++) html += '<td class="num">' + R.formatClock(row.projects[q]) + '</td>';
            if (withProjects) html += '<td class="num">' + R.formatClock(row.noProject) + '</td>';
            html += '</tr>';
        }
        html += '</tbody><tfoot><tr><td>' + escapeHtml(t.Total) + '</td><td></td><td></td><td class="num">' + R.formatClock(s.work) +
            '</td><td class="num">' + R.formatClock(s.inactive) + '</td>';
        for (var r = 0; r < s.projects.length; r++) html += '<td class="num">' + R.formatClock(s.projects[r].time) + '</td>';
        if (withProjects) html += '<td class="num">' + R.formatClock(s.noProject) + '</td>';
        html += '</tr></tfoot></table></div>';
        if (days.length > TIMESHEET_ROWS) {
            html += '<div class="more">' + (this.timesheetAll && shownCount < days.length
                ? '<a href="#" data-action="timesheet-more">' +
                escapeHtml(R.fillIn(t.ShowMore, { n: Math.min(TIMESHEET_PAGE, days.length - shownCount) })) + '</a> \u00b7 ' : '') +
                '<a href="#" data-action="timesheet-all">' +
                escapeHtml(this.timesheetAll ? t.ShowFewer : R.fillIn(t.ShowAll, { n: days.length })) + '</a></div>';
        }
        return html + '</div>';
    };

    View.prototype.dayTimelineHtml = function (day) {
        var t = this.texts;
        var html = '<div class="panel timeline-panel" id="ostrak-timeline"><div class="panel-head"><h2>' + escapeHtml(t.Timeline) + '</h2>';
        if (day.first === null) {
            return html + '</div><div class="hint block" id="ostrak-no-timeline">' + escapeHtml(t.NoTimeline) + '</div></div>';
        }
        html += '<span class="hint">' + escapeHtml(t.TimelineHint) + '</span></div><div class="facts">' +
            this.factHtml(t.FirstActivity, R.formatTimeOfDay(day.first), 'ostrak-first') +
            this.factHtml(t.LastActivity, R.formatTimeOfDay(day.last), 'ostrak-last') +
            this.factHtml(t.Span, R.formatLong(day.span, t), 'ostrak-span') +
            this.factHtml(t.WorkTime, R.formatLong(this.summary.work, t), 'ostrak-day-work') + '</div>';
        var span = Math.max(day.span, 1);
        var named = this.bands.length > 1;
        for (var b = 0; b < this.bands.length; b++) {
            var band = this.bands[b];
            if (named) html += '<div class="band-name">' + escapeHtml(this.shown.sources[b].name) + '</div>';
            html += '<div class="band" data-band="' + b + '">';
            for (var i = 0; i < band.stretches.length; i++) {
                var stretch = band.stretches[i];
                var from = Math.max(stretch.start, day.first);
                var to = Math.min(stretch.start + stretch.seconds, day.last);
                if (to <= from) continue;
                html += '<div class="block' + (stretch.inactive ? ' inactive' : '') + '" data-stretch="' + i + '" style="left:' +
                    ((from - day.first) / span * 100).toFixed(3) + '%;width:' + ((to - from) / span * 100).toFixed(3) +
                    '%;background:' + this.stretchColor(stretch) + '"></div>';
            }
            html += '</div>';
        }
        html += '<div class="band-axis">';
        var step = span > 12 * 3600 ? 7200 : 3600;
        for (var hour = Math.ceil(day.first / step) * step; hour <= day.last; hour += step) {
            html += '<span style="left:' + ((hour - day.first) / span * 100).toFixed(3) + '%">' + R.formatTimeOfDay(hour) + '</span>';
        }
        return html + '</div><div class="tooltip" id="ostrak-band-tip"></div></div>';
    };

    View.prototype.factHtml = function (label, value, id) {
        return '<span class="fact"><span class="label">' + escapeHtml(label) + '</span> <b id="' + id + '">' + escapeHtml(value) + '</b></span>';
    };

    // The application's colour in the chart; idle time grey.
    View.prototype.stretchColor = function (stretch) {
        return stretch.inactive ? INACTIVE_COLOR : this.colorOf(stretch.app);
    };

    View.prototype.stretchTipHtml = function (stretch) {
        var t = this.texts;
        var html = '<div class="tip-title"><i class="swatch" style="background:' + this.stretchColor(stretch) + '"></i>' +
            escapeHtml(stretch.app || t.InactiveTime) + '</div>';
        if (stretch.doc) html += '<div class="tip-doc">' + escapeHtml(stretch.doc) + '</div>';
        return html +
            '<div class="tip-row"><span>' + escapeHtml(t.Start) + '</span><b>' + R.formatTimeOfDay(stretch.start) + '</b></div>' +
            '<div class="tip-row"><span>' + escapeHtml(t.End) + '</span><b>' + R.formatTimeOfDay(stretch.start + stretch.seconds) + '</b></div>' +
            '<div class="tip-row strong"><span>' + escapeHtml(t.Duration) + '</span><b>' + R.formatDuration(stretch.seconds, t) + '</b></div>';
    };

    // ---- Chart ------------------------------------------------------------------------------

    View.prototype.drawChart = function () {
        var holder = document.getElementById('ostrak-chart');
        if (!holder) return;
        var width = Math.max(360, holder.clientWidth || 800);
        holder.innerHTML = this.chartSvg(width);
    };

    View.prototype.chartSvg = function (width) {
        var t = this.texts;
        var buckets = this.chart.buckets;
        var topApps = this.chartSummary.topApps;
        var left = 52;
        var right = 8;
        var top = 10;
        var bottom = 36;
        var plotWidth = width - left - right;
        var plotHeight = CHART_HEIGHT - top - bottom;
        var highest = 0;
        for (var i = 0; i < buckets.length; i++) highest = Math.max(highest, buckets[i].work);
        var scale = R.axisScale(highest);
        var svg = ['<svg xmlns="http://www.w3.org/2000/svg" width="' + width + '" height="' + CHART_HEIGHT + '" class="chart-svg">'];

        for (var value = 0; value <= scale.top; value += scale.step) {
            var y = top + plotHeight - value / scale.top * plotHeight;
            svg.push('<line x1="' + left + '" x2="' + (width - right) + '" y1="' + y.toFixed(1) + '" y2="' + y.toFixed(1) +
                '" class="' + (value === 0 ? 'axis' : 'grid') + '"/>');
            var label = value === 0 ? '0' : scale.step < 3600 ? R.formatClock(value) : (value / 3600) + ' ' + t.HourUnit;
            svg.push('<text x="' + (left - 6) + '" y="' + (y + 4).toFixed(1) + '" class="y-label">' + escapeHtml(label) + '</text>');
        }

        var slot = plotWidth / Math.max(1, buckets.length);
        var barWidth = Math.max(2, Math.min(slot * 0.72, 56));
        var labelEvery = Math.max(1, Math.ceil(buckets.length / Math.max(1, Math.floor(plotWidth / 44))));
        for (var b = 0; b < buckets.length; b++) {
            var bucket = buckets[b];
            var x = left + b * slot + (slot - barWidth) / 2;
            var base = top + plotHeight;
            var isToday = bucket.from <= this.today && this.today <= bucket.to;
            var outside = bucket.to < this.period.from || bucket.from > this.period.to;
            svg.push('<g data-bar="' + b + '" class="bar' + (isToday ? ' today' : '') + (outside ? ' outside' : '') + '">');
            svg.push('<rect x="' + (left + b * slot).toFixed(1) + '" y="' + top + '" width="' + slot.toFixed(1) + '" height="' + plotHeight +
                '" class="hit" fill="#000" fill-opacity="0"/>');
            for (var p = 0; p < bucket.parts.length; p++) {
                var height = bucket.parts[p] / scale.top * plotHeight;
                if (height < 0.5) continue;
                base -= height;
                svg.push('<rect x="' + x.toFixed(1) + '" y="' + base.toFixed(1) + '" width="' + barWidth.toFixed(1) + '" height="' + height.toFixed(1) +
                    '" fill="' + (p < topApps.length ? this.colorOf(topApps[p]) : OTHER_COLOR) + '"/>');
            }
            if (b % labelEvery === 0) {
                var lines = R.barLabel(this.chart, b, t);
                var middle = (left + b * slot + slot / 2).toFixed(1);
                svg.push('<text x="' + middle + '" y="' + (top + plotHeight + 15) + '" class="x-label">' + escapeHtml(lines[0]) + '</text>');
                if (lines[1]) svg.push('<text x="' + middle + '" y="' + (top + plotHeight + 29) + '" class="x-label minor">' + escapeHtml(lines[1]) + '</text>');
            }
            svg.push('</g>');
        }
        svg.push('</svg>');
        return svg.join('');
    };

    View.prototype.tooltipHtml = function (bucket) {
        var t = this.texts;
        var s = this.chartSummary;
        var title = bucket.from === bucket.to ? this.date(bucket.from) : this.date(bucket.from) + ' \u2013 ' + this.date(bucket.to);
        var html = '<div class="tip-title">' + escapeHtml(title) + '</div>' +
            '<div class="tip-row strong"><span>' + escapeHtml(t.WorkTime) + '</span><b>' + R.formatClock(bucket.work) + '</b></div>';
        for (var p = 0; p < bucket.parts.length; p++) {
            if (bucket.parts[p] <= 0) continue;
            var name = p < s.topApps.length ? s.topApps[p] : t.Other;
            html += '<div class="tip-row"><span><i class="swatch" style="background:' + (p < s.topApps.length ? this.colorOf(name) : OTHER_COLOR) + '"></i>' +
                escapeHtml(name) + '</span><b>' + R.formatClock(bucket.parts[p]) + '</b></div>';
        }
        html += '<div class="tip-row muted"><span>' + escapeHtml(t.InactiveTime) + '</span><b>' + R.formatClock(bucket.inactive) + '</b></div>';
        return html;
    };

    // ---- Events -------------------------------------------------------------------------------

    View.prototype.onClick = function (event) {
        if (this.followToday()) return;
        var target = findWithAttribute(event.target || event.srcElement, 'data-action', this.root);
        var bar = findWithAttribute(event.target || event.srcElement, 'data-bar', this.root);
        if (bar && !target) {
            var bucket = this.chart.buckets[parseInt(bar.getAttribute('data-bar'), 10)];
            if (bucket) this.choose(R.barPeriod(bucket, this.chart.unit));
            return;
        }
        if (!target || target.disabled) return;
        var action = target.getAttribute('data-action');
        if (target.nodeName.toLowerCase() === 'a' && event.preventDefault) event.preventDefault();
        var index = parseInt(target.getAttribute('data-index'), 10);
        switch (action) {
        case 'period':
            var kind = target.getAttribute('data-kind');
            if (kind === 'range') {
                this.rangeOpen = !this.rangeOpen || this.period.kind !== 'range';
                this.rangeError = '';
                this.render();
                if (this.rangeOpen) {
                    var from = document.getElementById('ostrak-from');
                    if (from) from.focus();
                }
            } else {
                this.rangeOpen = false;
                this.choose(R.periodRange(kind, this.today, this.periodOptions()));
            }
            break;
        case 'apply-range':
            this.applyRange();
            break;
        case 'step':
            this.choose(R.shiftPeriod(this.period, parseInt(target.getAttribute('data-direction'), 10), this.firstDay));
            break;
        case 'toggle-app':
            var app = this.summary.apps[index];
            if (app) {
                this.collapsed['$' + app.name] = !this.collapsed['$' + app.name];
                this.renderTables();
            }
            break;
        case 'show-all':
            var listed = this.summary.apps[index];
            if (listed) {
                this.expandedAll['$' + listed.name] = this.expandedAll['$' + listed.name] ? 0 : DOCUMENTS_PAGE;
                this.renderTables();
            }
            break;
        case 'show-more':
            var paged = this.summary.apps[index];
            if (paged) {
                this.expandedAll['$' + paged.name] += DOCUMENTS_PAGE;
                this.renderTables();
            }
            break;
        case 'export':
            this.exportCsv();
            break;
        case 'export-timesheet':
            this.exportTimesheet();
            break;
        case 'table':
            this.table = target.getAttribute('data-table');
            this.renderTables();
            break;
        case 'timesheet-all':
            this.timesheetAll = this.timesheetAll ? 0 : TIMESHEET_PAGE;
            this.renderTables();
            break;
        case 'timesheet-more':
            this.timesheetAll += TIMESHEET_PAGE;
            this.renderTables();
            break;
        case 'open-file':
            if (this.status && this.status.ok) this.host.openFile(this.status.path);
            break;
        case 'toggle-skipped':
            this.skippedOpen = !this.skippedOpen;
            this.render();
            break;
        case 'refresh':
            this.load();
            if (this.period.kind !== 'range') this.period = R.periodRange(this.period.kind, this.today, this.periodOptions());
            this.render();
            break;
        }
    };

    View.prototype.onChange = function (event) {
        var target = event.target || event.srcElement;
        if (!target || target.getAttribute('data-change') !== 'computer') return;
        this.choice = target.value;
        this.status = null;
        this.render();
    };

    View.prototype.onKeyDown = function (event) {
        var target = event.target || event.srcElement;
        if ((event.keyCode === 13) && target && target.getAttribute && target.getAttribute('data-range')) this.applyRange();
    };

    View.prototype.onMouseMove = function (event) {
        var block = findWithAttribute(event.target || event.srcElement, 'data-stretch', this.root);
        var bandTip = document.getElementById('ostrak-band-tip');
        if (bandTip) {
            if (block) {
                var band = this.bands[parseInt(block.parentNode.getAttribute('data-band'), 10)];
                var stretch = band.stretches[parseInt(block.getAttribute('data-stretch'), 10)];
                bandTip.innerHTML = this.stretchTipHtml(stretch);
                bandTip.style.display = 'block';
                this.placeTip(bandTip, event);
                return;
            }
            bandTip.style.display = 'none';
        }
        var tooltip = document.getElementById('ostrak-tooltip');
        if (!tooltip) return;
        var bar = findWithAttribute(event.target || event.srcElement, 'data-bar', this.root);
        if (!bar) {
            tooltip.style.display = 'none';
            return;
        }
        var index = parseInt(bar.getAttribute('data-bar'), 10);
        if (this.tooltipIndex !== index || tooltip.style.display !== 'block') {
            tooltip.innerHTML = this.tooltipHtml(this.chart.buckets[index]);
            tooltip.style.display = 'block';
            this.tooltipIndex = index;
        }
        this.placeTip(tooltip, event);
    };

    // Beside the mouse, inside the tip's panel.
    View.prototype.placeTip = function (tooltip, event) {
        var panel = tooltip.parentNode.getBoundingClientRect();
        var x = event.clientX - panel.left + 14;
        var y = event.clientY - panel.top + 14;
        if (x + tooltip.offsetWidth > panel.right - panel.left - 4) x = event.clientX - panel.left - tooltip.offsetWidth - 14;
        tooltip.style.left = Math.max(4, x) + 'px';
        tooltip.style.top = y + 'px';
    };

    View.prototype.onMouseOut = function (event) {
        var related = event.relatedTarget || event.toElement;
        if (related && (findWithAttribute(related, 'data-bar', this.root) || findWithAttribute(related, 'data-stretch', this.root))) return;
        var tips = ['ostrak-tooltip', 'ostrak-band-tip'];
        for (var i = 0; i < tips.length; i++) {
            var tooltip = document.getElementById(tips[i]);
            if (tooltip) tooltip.style.display = 'none';
        }
    };

    View.prototype.choose = function (period) {
        this.period = period;
        this.timesheetAll = 0;
        this.rangeOpen = period.kind === 'range' && this.rangeOpen;
        this.status = null;
        this.render();
    };

    View.prototype.applyRange = function () {
        var from = R.parseDateInput(document.getElementById('ostrak-from').value);
        var to = R.parseDateInput(document.getElementById('ostrak-to').value);
        if (from === null || to === null) {
            this.rangeError = 'bad';
            this.render();
            return;
        }
        this.rangeError = '';
        this.period = R.periodRange('range', this.today, this.periodOptions({ from: from, to: to }));
        this.status = null;
        this.render();
    };

    // Whose time a file holds, for its heading and its name: the log's file name for this
    // computer, the computer for another, and for all of them the user with "all".
    View.prototype.exportNames = function () {
        var logFile = this.data.logFile || 'Ostrak';
        if (this.choice === '') return { heading: this.data.logFile, file: logFile };
        var heading = this.choice === '*' ? R.fillIn(this.texts.AllComputers, { n: this.shown.sources.length }) : this.choice;
        var who = this.choice === '*' ? R.userOfLogFile(logFile) + '-all' : this.choice;
        return { heading: heading, file: who + '-Time.xml' };
    };

    View.prototype.exportCsv = function () {
        var format = this.host.csvFormat();
        var names = this.exportNames();
        var text = R.buildCsv(this.summary, this.texts, {
            logFile: names.heading, separator: format.separator, decimal: format.decimal, projects: this.data.projects
        });
        this.saved(this.host.exportCsv(R.csvFileName(names.file, this.summary), text));
    };

    // The whole period's timesheet, whatever part of it is shown.
    View.prototype.exportTimesheet = function () {
        var format = this.host.csvFormat();
        var s = this.summary;
        var names = this.exportNames();
        var text = R.buildTimesheetCsv(s, this.timelineOf(s.from, s.to), this.texts,
            { logFile: names.heading, separator: format.separator, decimal: format.decimal });
        this.saved(this.host.exportCsv(R.csvFileName(names.file, s, 'Timesheet'), text));
    };

    View.prototype.saved = function (status) {
        this.status = status;
        var holder = document.getElementById('ostrak-status');
        if (holder) holder.outerHTML = this.statusHtml();
    };

    return {
        start: function (root, host) {
            return new View(root, host);
        }
    };
}());
