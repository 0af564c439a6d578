// The report application's Windows side (report-app.js) run against stand-ins for the objects
// mshta gives it: the HTA element's command line, the file system object, MSXML 6.0 (backed
// here by a real XML parser over real files), the shell, the registry and ADODB.Stream.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const vm = require('node:vm');
const { R, tables, parseXml, reportFolder } = require('./helpers.js');

const appSource = fs.readFileSync(path.join(reportFolder, 'report-app.js'), 'utf8');
const WINDOWS_FOLDER = 'C:\\Users\\Anna Maria\\AppData\\Local\\Programs\\Ostrak';
const SHARED_FOLDER = 'D:\\OneDrive\\Ostrak data';

const folders = [];
test.after(() => {
    for (const folder of folders) fs.rmSync(folder, { recursive: true, force: true });
});

// A program folder on disk that the stand-ins show as WINDOWS_FOLDER.
function programFolder(files) {
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'ostrak-report-'));
    folders.push(folder);
    for (const [name, content] of Object.entries(files)) fs.writeFileSync(path.join(folder, name), content);
    return folder;
}

// folder: the program folder on disk, or { program, shared } with the shared folder too.
function localPath(folder, windowsPath) {
    const folders = typeof folder === 'string' ? { program: folder } : folder;
    for (const [windows, local] of [[WINDOWS_FOLDER, folders.program], [SHARED_FOLDER, folders.shared]]) {
        if (local && windowsPath.startsWith(windows + '\\')) return path.join(local, windowsPath.substring(windows.length + 1));
    }
    assert.fail(`${windowsPath} lies in the program folder or the shared folder`);
}

// Decodes by the XML declaration, as MSXML does (the tracker writes Windows-1251).
function readXmlFile(file) {
    const bytes = fs.readFileSync(file);
    const declared = /encoding="([^"]+)"/.exec(bytes.subarray(0, 100).toString('latin1'));
    return new TextDecoder(declared ? declared[1] : 'utf-8').decode(bytes);
}

function runApp({ folder, commandLine, registry = {}, environment = {}, missing = [], failingWrites = [] }) {
    const written = [];
    const opened = [];
    const factories = {
        'Scripting.FileSystemObject': () => ({
            FileExists: (p) => fs.existsSync(localPath(folder, p)),
            FolderExists: (p) => fs.existsSync(localPath(folder, p)),
            GetFile: (p) => ({ DateLastModified: fs.statSync(localPath(folder, p)).mtime }),
            GetAbsolutePathName: (p) => p,
            GetParentFolderName: (p) => p.substring(0, p.lastIndexOf('\\')),
            GetFileName: (p) => p.substring(p.lastIndexOf('\\') + 1),
            CreateTextFile: (p, overwrite, unicode) => {
                if (failingWrites.includes('file')) throw new Error('access denied');
                return { Write: (text) => written.push({ by: 'file', path: p, unicode, text }), Close() {} };
            }
        }),
        'WScript.Shell': () => ({
            RegRead: (name) => {
                if (!(name in registry)) throw new Error('no such value');
                return registry[name];
            },
            ExpandEnvironmentStrings: (text) => text.replace(/%(\w+)%/g, (whole, name) => environment[name] || whole),
            Run: (command) => opened.push(command)
        }),
        'Shell.Application': () => ({
            NameSpace: (p) => {
                const names = fs.readdirSync(localPath(folder, p));
                return { Items: () => ({ Count: names.length, Item: (i) => ({ IsFolder: false, Path: p + names[i] }) }) };
            }
        }),
        'Msxml2.DOMDocument.6.0': () => {
            let parsed = null;
            const properties = {};
            return {
                properties,
                setProperty: (name, value) => { properties[name] = value; },
                load(p) {
                    assert.equal(this.async, false, 'loads synchronously');
                    try {
                        let broken = false;
                        const document = new (require('@xmldom/xmldom').DOMParser)({
                            errorHandler: { error: () => { broken = true; }, fatalError: () => { broken = true; } }
                        }).parseFromString(readXmlFile(localPath(folder, p)), 'text/xml');
                        parsed = broken || !document.documentElement ? null : document;
                    } catch (error) {
                        parsed = null;
                    }
                    return parsed !== null;
                },
                getElementsByTagName: (name) => parsed.getElementsByTagName(name),
                get documentElement() { return parsed.documentElement; }
            };
        },
        'ADODB.Stream': () => {
            const stream = { chunks: [] };
            return Object.assign(stream, {
                Open() {},
                Close() {},
                WriteText(text) { stream.chunks.push(text); },
                LoadFromFile(p) { stream.loaded = fs.readFileSync(localPath(folder, p)); },
                ReadText() {
                    assert.equal(stream.Type, 2, 'read as text');
                    return new TextDecoder(stream.Charset).decode(stream.loaded);
                },
                SaveToFile(p, mode) {
                    if (failingWrites.includes('stream')) throw new Error('locked');
                    written.push({ by: 'stream', path: p, mode, type: stream.Type, charset: stream.Charset, text: stream.chunks.join('') });
                }
            });
        }
    };
    let host = null;
    const document = {
        title: '',
        location: { pathname: '/' + WINDOWS_FOLDER.replace(/\\/g, '/') + '/Report.hta' },
        getElementById: (id) => (id === 'ostrakReportApplication' ? { commandLine } : { id })
    };
    const context = vm.createContext({
        ActiveXObject: function ActiveXObject(progId) {
            if (missing.includes(progId) || !factories[progId]) throw new Error(`cannot create ${progId}`);
            return factories[progId]();
        },
        document,
        window: { resizeTo() {}, moveTo() {}, close() {} },
        screen: { availWidth: 1920, availHeight: 1040 },
        OstrakReport: R,
        OstrakReportTexts: tables,
        OstrakReportView: { start: (root, given) => { host = given; } }
    });
    vm.runInContext(appSource, context, { filename: 'report-app.js' });
    // Objects made inside the script's own context have that context's prototypes; plain copies
    // compare with ours.
    const plain = (value) => (value === undefined ? value : JSON.parse(JSON.stringify(value)));
    // The log comes as a reader of its days; what it reads is copied the same way.
    const plainData = (value) => {
        const copy = plain(value);
        if (value && value.log && value.log.daysIn) {
            copy.log = { daysIn: (from, to) => plain(value.log.daysIn(from, to)), span: () => plain(value.log.span()) };
        }
        return copy;
    };
    const wrapped = {};
    for (const name of Object.keys(host)) wrapped[name] = (...args) => plainData(host[name](...args));
    wrapped.readCopy = (name) => plainData({ log: host.readCopy(name) }).log || null;
    return { host: wrapped, written, opened, document };
}

const LOG_1251 = Buffer.concat([
    Buffer.from('<?xml version="1.0" encoding="Windows-1251"?>\n<Ostrak>\n   <Date id="46360" y="2026" m="12" d="4" time="4000">\n'),
    Buffer.from(new Uint8Array([...'      <App name="'].map((c) => c.charCodeAt(0)).concat(
        [0xc1, 0xeb, 0xee, 0xea, 0xed, 0xee, 0xf2], [...'" time="3000"><Doc name="plan.txt" time="3000"/></App>\n'].map((c) => c.charCodeAt(0))))),
    Buffer.from('      <App name="Away" time="700"/>\n      <App name="Idle" time="300"/>\n   </Date>\n</Ostrak>')
]);
const USER_PROJECTS = '<List><Project id="1">Planning</Project><Filter project="1" where="1">plan</Filter></List>';
const SHARED_PROJECTS = '<List><Project id="5">Shared</Project><Filter project="5" where="0">Блок</Filter></List>';
const RUSSIAN = '<?xml version="1.0" encoding="UTF-8"?><Language><Common><Inactive>Idle</Inactive></Common>' +
    '<Report><Title>Мой отчёт</Title></Report></Language>';
const ENGLISH = '<?xml version="1.0" encoding="UTF-8"?><Language><Common><Inactive>Away</Inactive></Common></Language>';
const COMMAND = `"${WINDOWS_FOLDER}\\Report.hta" Anna Maria-Time.xml Russian`;

test('the report reads the log, projects and texts named by its command line', async (t) => {
    await t.test('log beside the application, per-user projects first, texts of the language', () => {
        const folder = programFolder({
            'Anna Maria-Time.xml': LOG_1251, 'Anna Maria-Projects.xml': USER_PROJECTS, 'Projects.xml': SHARED_PROJECTS,
            'Lang.Russian.xml': RUSSIAN, 'Lang.English.xml': ENGLISH
        });
        const { host, document } = runApp({ folder, commandLine: COMMAND });
        const data = host.load();
        assert.equal(data.error, '');
        assert.equal(data.logFile, 'Anna Maria-Time.xml');
        assert.equal(data.logPath, `${WINDOWS_FOLDER}\\Anna Maria-Time.xml`);
        assert.deepEqual(data.log.daysIn(46360, 46360)[0].apps.map((a) => [a.name, a.time]), [['Блокнот', 3000], ['Away', 700], ['Idle', 300]]);
        assert.deepEqual(data.projects.projects, [{ id: 1, name: 'Planning' }]);
        assert.equal(data.texts.Title, 'Мой отчёт');
        assert.equal(data.texts.Today, tables.Russian.Today, 'keys the file lacks come from the built-in table');
        assert.deepEqual(data.inactiveNames.sort(), ['Away', 'Idle'], 'the inactive name of every language file present');
        assert.equal(document.title, 'Мой отчёт \u2013 Anna Maria');
        const summary = R.summarize(data.log, 46360, 46360, { inactiveNames: data.inactiveNames, projects: data.projects });
        assert.equal(summary.work, 3000);
        assert.equal(summary.inactive, 1000);
    });
    await t.test('the shared projects when the per-user file does not parse', () => {
        const folder = programFolder({ 'Anna Maria-Time.xml': LOG_1251, 'Anna Maria-Projects.xml': '<List><Project', 'Projects.xml': SHARED_PROJECTS });
        const data = runApp({ folder, commandLine: COMMAND }).host.load();
        assert.deepEqual(data.projects.projects, [{ id: 5, name: 'Shared' }]);
        assert.equal(data.texts.Title, tables.Russian.Title, 'no language file: the built-in Russian texts');
    });
    await t.test('a missing or unreadable log is said so, with its path', () => {
        let data = runApp({ folder: programFolder({}), commandLine: COMMAND }).host.load();
        assert.equal(data.error, R.fillIn(tables.Russian.LogMissing, { path: `${WINDOWS_FOLDER}\\Anna Maria-Time.xml` }));
        assert.deepEqual(data.log.days, []);
        data = runApp({ folder: programFolder({ 'Anna Maria-Time.xml': '<Ostrak><Date' }), commandLine: COMMAND }).host.load();
        assert.equal(data.error, R.fillIn(tables.Russian.LogUnreadable, { path: `${WINDOWS_FOLDER}\\Anna Maria-Time.xml` }));
    });
    await t.test('without MSXML 6.0 the report says what is missing', () => {
        const folder = programFolder({ 'Anna Maria-Time.xml': LOG_1251 });
        const data = runApp({ folder, commandLine: COMMAND, missing: ['Msxml2.DOMDocument.6.0'] }).host.load();
        assert.equal(data.error, tables.Russian.NoXml);
    });
    await t.test('started without arguments: the logged-on user\'s log and the tracker\'s language', () => {
        const folder = programFolder({ 'other-Time.xml': '<Ostrak/>', 'Anna Maria-Time.xml': LOG_1251 });
        const { host } = runApp({
            folder, commandLine: `"${WINDOWS_FOLDER}\\Report.hta"`,
            environment: { USERNAME: 'anna maria' }, registry: { 'HKCU\\Software\\Ostrak\\Options\\Lang': 'Russian' }
        });
        const data = host.load();
        assert.equal(data.logFile, 'Anna Maria-Time.xml');
        assert.equal(data.texts.Today, tables.Russian.Today);
    });
});

test('export writes UTF-8 beside the log, in the computer\'s list format', async (t) => {
    const folder = programFolder({ 'Anna Maria-Time.xml': LOG_1251 });
    await t.test('through ADODB.Stream, with the separator of the regional settings', () => {
        const { host, written, opened } = runApp({
            folder, commandLine: COMMAND,
            registry: { 'HKCU\\Control Panel\\International\\sList': ';', 'HKCU\\Control Panel\\International\\sDecimal': ',' }
        });
        assert.deepEqual(host.csvFormat(), { separator: ';', decimal: ',' });
        const result = host.exportCsv('Anna Maria-Report-2026-12-04.csv', 'Программа;Время\r\n');
        assert.deepEqual(result, { ok: true, path: `${WINDOWS_FOLDER}\\Anna Maria-Report-2026-12-04.csv` });
        assert.deepEqual(written, [{ by: 'stream', path: result.path, mode: 2, type: 2, charset: 'utf-8', text: 'Программа;Время\r\n' }]);
        host.openFile(result.path);
        assert.deepEqual(opened, [`"${result.path}"`]);
    });
    await t.test('through the file object as UTF-16 when the stream cannot save; a failure is reported', () => {
        let run = runApp({ folder, commandLine: COMMAND, failingWrites: ['stream'] });
        assert.equal(run.host.exportCsv('a.csv', 'x').ok, true);
        assert.deepEqual(run.written, [{ by: 'file', path: `${WINDOWS_FOLDER}\\a.csv`, unicode: true, text: 'x' }]);
        run = runApp({ folder, commandLine: COMMAND, failingWrites: ['stream', 'file'] });
        assert.equal(run.host.exportCsv('a.csv', 'x').ok, false);
        assert.deepEqual(run.host.csvFormat(), { separator: ',', decimal: '.' }, 'no regional settings: commas');
    });
});

test('the log as the report reads it matches a plain parse of the same file', () => {
    const folder = programFolder({ 'Anna Maria-Time.xml': LOG_1251 });
    const viaApp = runApp({ folder, commandLine: COMMAND }).host.load().log;
    const direct = R.readLog(parseXml(readXmlFile(path.join(folder, 'Anna Maria-Time.xml'))));
    const span = viaApp.span();
    assert.deepEqual([span.first, span.last], [direct.first, direct.last]);
    assert.deepEqual(viaApp.daysIn(span.first, span.last), JSON.parse(JSON.stringify(direct.days)));
});

test('a month of the timeline is read as UTF-8 through the stream, a missing month is none', () => {
    const month = 'start\tseconds\tapplication\tdocument\n2026-12-04 09:00:00\t60\tБлокнот\tplan.txt\n';
    const folder = programFolder({ 'Anna Maria-Time.xml': LOG_1251, 'Anna Maria-Timeline-2026-12.tsv': Buffer.from(month, 'utf8') });
    const { host } = runApp({ folder, commandLine: COMMAND });
    assert.equal(host.timeline(2026, 12), month);
    assert.equal(host.timeline(2026, 11), null);
});

// Two computers share a folder: this one (DESKTOP-7, whose own copy there is stale and must not
// be read) and a laptop with another account name; beside them two conflict copies of a sync
// program and a copy that does not parse.
test('with a shared folder the report sums this computer\'s log and the other computers\' copies', async (t) => {
    const DAY = 46360;
    const laptopLog = '<?xml version="1.0" encoding="UTF-8"?>\n<Ostrak>\n' +
        '   <Date id="46359" y="2026" m="12" d="3"><App name="Excel" time="500"/></Date>\n' +
        '   <Date id="46360" y="2026" m="12" d="4"><App name="Блокнот" time="600"><Doc name="plan.txt" time="600"/></App>' +
        '<App name="Excel" time="1200"><Doc name="budget.xlsx" time="1000"/></App><App name="Away" time="50"/></Date>\n</Ostrak>';
    const staleOwnCopy = '<?xml version="1.0" encoding="UTF-8"?>\n<Ostrak><Date id="46360"><App name="Блокнот" time="99999"/></Date></Ostrak>';
    const program = programFolder({ 'Anna Maria-Time.xml': LOG_1251, 'Lang.English.xml': ENGLISH, 'Lang.Russian.xml': RUSSIAN });
    const shared = programFolder({
        'Anna Maria@DESKTOP-7-Time.xml': staleOwnCopy,
        'anna@LAPTOP-Time.xml': laptopLog,
        'anna@LAPTOP-Timeline-2026-12.tsv': 'start\tseconds\tapplication\tdocument\n2026-12-04 07:30:00\t600\tБлокнот\tplan.txt\n',
        'anna@LAPTOP-Time (conflicted copy).xml': laptopLog,
        'anna@LAPTOP-Time-DESKTOP-1.xml': laptopLog,
        'bob@PC-Time.xml': '<Ostrak><Date id="46360"><App',
        'Anna Maria-Timeline-2026-12.tsv': ''
    });
    const copied = { 'Anna Maria@DESKTOP-7-Time.xml': Date.UTC(2026, 11, 4, 9, 0), 'anna@LAPTOP-Time.xml': Date.UTC(2026, 11, 4, 8, 15),
        'bob@PC-Time.xml': Date.UTC(2026, 10, 30, 17, 45) };
    for (const [name, time] of Object.entries(copied)) fs.utimesSync(path.join(shared, name), time / 1000, time / 1000);
    const { host } = runApp({
        folder: { program, shared },
        commandLine: `"${WINDOWS_FOLDER}\\Report.hta" Anna Maria-Time.xml English /computer:DESKTOP-7 /shared:"${SHARED_FOLDER}"`
    });
    const data = host.load();

    await t.test('the computers with their last copies, and what is left out and why', () => {
        assert.deepEqual(data.shared.own, { name: 'Anna Maria@DESKTOP-7', copied: copied['Anna Maria@DESKTOP-7-Time.xml'] });
        assert.deepEqual(data.shared.computers, [
            { name: 'anna@LAPTOP', file: 'anna@LAPTOP-Time.xml', copied: copied['anna@LAPTOP-Time.xml'] },
            { name: 'bob@PC', file: 'bob@PC-Time.xml', copied: copied['bob@PC-Time.xml'] }
        ]);
        assert.deepEqual(data.shared.skipped.map((each) => [each.file, each.reason]).sort(), [
            ['Anna Maria-Timeline-2026-12.tsv', 'name'], ['anna@LAPTOP-Time (conflicted copy).xml', 'name'], ['anna@LAPTOP-Time-DESKTOP-1.xml', 'name']
        ]);
        assert.equal(host.readCopy('bob@PC'), null, 'a copy that does not parse is none');
        assert.equal(host.readCopy('Anna Maria@DESKTOP-7'), null, 'this computer\'s own copy is never read');
    });

    await t.test('all computers: seconds per day, application and document added up, this computer once', () => {
        const options = { firstDay: 1, inactiveNames: data.inactiveNames, projects: data.projects };
        const period = { from: DAY - 1, to: DAY };
        const views = [data.log, host.readCopy('anna@LAPTOP')].map((log) => R.periodView(log, period, options));
        const { summary } = R.combinePeriodViews(views, period, options);
        assert.deepEqual(summary.days.map((day) => [day.serial, day.work, day.inactive]), [[DAY - 1, 500, 0], [DAY, 4800, 1050]]);
        assert.deepEqual(summary.apps.map((app) => [app.name, app.time, app.docs.map((doc) => [doc.name, doc.time]), app.rest]), [
            ['Блокнот', 3600, [['plan.txt', 3600]], 0],
            ['Excel', 1700, [['budget.xlsx', 1000]], 700]
        ]);
        assert.equal(views[0].summary.work, 3000, 'each computer\'s own figures stay as they were');
    });

    await t.test('another computer\'s timeline comes from the shared folder, by its name', () => {
        const month = host.timeline(2026, 12, 'anna@LAPTOP');
        const days = R.combineTimelineDays([
            R.timelineDays(() => '2026-12-04 09:00:00\t3000\tБлокнот\tplan.txt\n', DAY, DAY, {}),
            R.timelineDays(() => month, DAY, DAY, {})
        ]);
        assert.deepEqual([days[0].first, days[0].last, days[0].work], [7.5 * 3600, 9 * 3600 + 3000, 3600]);
        assert.equal(host.timeline(2026, 12, 'bob@PC'), null);
    });

    await t.test('started by hand: the tracker\'s shared folder and Windows\' computer name', () => {
        const byHand = runApp({
            folder: { program, shared }, commandLine: `"${WINDOWS_FOLDER}\\Report.hta"`,
            environment: { USERNAME: 'Anna Maria', COMPUTERNAME: 'DESKTOP-7-HOME-O' },
            registry: { 'HKCU\\Software\\Ostrak\\Options\\SharedFolder': SHARED_FOLDER,
                'HKLM\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Hostname': 'desktop-7' }
        }).host.load();
        assert.deepEqual(byHand.shared.computers.map((each) => each.name), ['anna@LAPTOP', 'bob@PC'], 'this computer by its DNS name');
        const off = runApp({ folder: { program, shared }, commandLine: `${COMMAND} /computer:DESKTOP-7`,
            registry: { 'HKCU\\Software\\Ostrak\\Options\\SharedFolder': SHARED_FOLDER } });
        assert.equal(off.host.load().shared, null, 'started by the tracker without a shared folder: none');
        const missing = runApp({ folder: { program }, commandLine: `"${WINDOWS_FOLDER}\\Report.hta" a-Time.xml English /computer:X /shared:"C:\\Users\\Anna Maria\\AppData\\Local\\Programs\\Ostrak\\gone"` });
        assert.equal(missing.host.load().shared.error, R.fillIn(tables.English.SharedUnreadable, { path: `${WINDOWS_FOLDER}\\gone\\` }));
    });
});
