// The report application's access to Windows: its command line, the files beside it and in
// the shared folder (read with MSXML 6.0, the XML component every Windows 10 and 11 has), the
// CSV export and the window. The time log is handed to the view as a reader of its days; everything else as
// plain objects.
(function () {
    'use strict';

    var R = OstrakReport;

    function create(progId) {
        try {
            return new ActiveXObject(progId);
        } catch (error) {
            return null;
        }
    }

    var files = create('Scripting.FileSystemObject');
    var shell = create('WScript.Shell');

    // A synchronous MSXML 6.0 document, or null when the component is missing.
    function createXmlDocument() {
        var documentNode = create('Msxml2.DOMDocument.6.0');
        if (!documentNode) return null;
        documentNode.async = false;
        documentNode.validateOnParse = false;
        documentNode.resolveExternals = false;
        documentNode.setProperty('SelectionLanguage', 'XPath');
        return documentNode;
    }

    // The parsed file, or null when it is missing or not well-formed.
    function loadXml(path) {
        if (files && !files.FileExists(path)) return null;
        var documentNode = createXmlDocument();
        if (!documentNode) return null;
        try {
            return documentNode.load(path) ? documentNode : null;
        } catch (error) {
            return null;
        }
    }

    function commandLine() {
        var application = document.getElementById('ostrakReportApplication') || window.ostrakReportApplication;
        var text = application && application.commandLine;
        return typeof text === 'string' ? text : '';
    }

    // The folder of this application, with its final backslash.
    function ownFolder(appPath) {
        var path = appPath;
        if (!path) {
            path = decodeURIComponent(document.location.pathname || '').replace(/^\/+/, '').replace(/\//g, '\\');
        }
        if (files) {
            try {
                return files.GetParentFolderName(files.GetAbsolutePathName(path)) + '\\';
            } catch (error) {
                // fall through to the plain text split
            }
        }
        return path.substring(0, path.lastIndexOf('\\') + 1);
    }

    // File names in a folder. The Enumerator of older script engines is gone in IE 11 mode,
    // so the shell's folder object, which can be indexed, lists them there.
    function fileNames(folder) {
        var names = [];
        try {
            if (typeof Enumerator !== 'undefined') {
                for (var each = new Enumerator(files.GetFolder(folder).Files); !each.atEnd(); each.moveNext()) {
                    names.push(each.item().Name);
                }
                return names;
            }
        } catch (error) {
            names = [];
        }
        try {
            var items = create('Shell.Application').NameSpace(folder).Items();
            for (var i = 0; i < items.Count; i++) {
                var item = items.Item(i);
                if (!item.IsFolder) names.push(files.GetFileName(item.Path));
            }
        } catch (error) {
            // no listing: only the names given on the command line are known
        }
        return names;
    }

    function environment(name) {
        try {
            return shell.ExpandEnvironmentStrings('%' + name + '%');
        } catch (error) {
            return '';
        }
    }

    // Started without arguments (for example by a double click): the log of the user who is
    // logged on, or else the first log in the folder.
    function guessLogFile(folder, names) {
        var own = environment('USERNAME') + '-Time.xml';
        var first = '';
        for (var i = 0; i < names.length; i++) {
            if (names[i].toLowerCase() === own.toLowerCase()) return names[i];
            if (!first && /-Time\.xml$/i.test(names[i])) first = names[i];
        }
        return first || own;
    }

    // The names the tracker may have recorded for "no window in front": the inactive text of
    // every language file present, since the user may have changed the language.
    function inactiveNames(folder, names, current) {
        var result = current ? [current] : [];
        for (var i = 0; i < names.length; i++) {
            if (!/^Lang\..+\.xml$/i.test(names[i])) continue;
            var text = R.languageLookup(loadXml(folder + names[i]))('Common/Inactive');
            if (text && result.indexOf(text) < 0) result.push(text);
        }
        return result;
    }

    function readRegistry(name) {
        try {
            return String(shell.RegRead(name));
        } catch (error) {
            return '';
        }
    }

    var args = R.parseCommandLine(commandLine());
    var folder = ownFolder(args.appPath);
    var names = files ? fileNames(folder) : [];
    var logFile = args.logFile || guessLogFile(folder, names);
    // Without arguments, the language the tracker was last set to.
    var language = args.language || readRegistry('HKCU\\Software\\Ostrak\\Options\\Lang') || 'English';
    // The tracker names this computer and its shared folder; started by hand, the report asks
    // Windows and the tracker's setting. The tracker's name is the DNS host name, which the
    // older COMPUTERNAME shortens to 15 letters: with the shorter one this computer's copy
    // would pass for another computer's and count twice.
    var computer = args.computer || R.computerFileName(readRegistry('HKLM\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Hostname') ||
        environment('COMPUTERNAME').replace(/^%.*%$/, ''));
    var sharedFolder = args.computer ? args.shared : readRegistry('HKCU\\Software\\Ostrak\\Options\\SharedFolder');
    if (sharedFolder && sharedFolder.charAt(sharedFolder.length - 1) !== '\\') sharedFolder += '\\';
    // The other computers' copies found by the last load, by "user@computer".
    var copies = {};

    // When the file was last written, in milliseconds; null when that cannot be told.
    function modifiedTime(path) {
        try {
            return new Date(files.GetFile(path).DateLastModified).getTime();
        } catch (error) {
            return null;
        }
    }

    // The shared folder as the report shows it; null when none is set.
    function readSharedFolder(texts) {
        if (!sharedFolder) return null;
        var result = { folder: sharedFolder, error: '', own: { name: R.userOfLogFile(logFile) + '@' + computer, copied: null }, computers: [], skipped: [] };
        copies = {};
        if (!files || !files.FolderExists(sharedFolder)) {
            result.error = R.fillIn(texts.SharedUnreadable, { path: sharedFolder });
            return result;
        }
        var found = R.sharedFiles(fileNames(sharedFolder), { user: R.userOfLogFile(logFile), computer: computer });
        if (found.own) result.own.copied = modifiedTime(sharedFolder + found.own.file);
        for (var i = 0; i < found.copies.length; i++) {
            var copy = found.copies[i];
            copies[copy.name] = copy;
            result.computers.push({ name: copy.name, file: copy.file, copied: modifiedTime(sharedFolder + copy.file) });
        }
        result.skipped = found.skipped;
        return result;
    }

    function load() {
        var languageDocument = loadXml(folder + 'Lang.' + language + '.xml');
        var texts = R.resolveTexts(R.languageLookup(languageDocument), language, OstrakReportTexts);
        var result = {
            texts: texts,
            logFile: logFile,
            logPath: folder + logFile,
            log: R.emptyLog(),
            projects: { projects: [], filters: [] },
            inactiveNames: inactiveNames(folder, names, texts.InactiveName),
            error: ''
        };
        if (!createXmlDocument()) {
            result.error = texts.NoXml;
            return result;
        }
        if (files && !files.FileExists(folder + logFile)) {
            result.error = R.fillIn(texts.LogMissing, { path: folder + logFile });
        } else {
            var logDocument = loadXml(folder + logFile);
            // Kept as it is: each period reads its own days from it.
            if (logDocument) result.log = R.logReader(logDocument);
            else result.error = R.fillIn(texts.LogUnreadable, { path: folder + logFile });
        }
        var projectFiles = R.projectFileNames(logFile);
        for (var i = 0; i < projectFiles.length; i++) {
            var projectsDocument = loadXml(folder + projectFiles[i]);
            if (projectsDocument) {
                result.projects = R.readProjects(projectsDocument);
                break;
            }
        }
        result.shared = readSharedFolder(texts);
        document.title = texts.Title + ' \u2013 ' + R.userOfLogFile(logFile);
        return result;
    }

    // UTF-8 with a byte order mark, which spreadsheets recognise; the file object alone can
    // only write the ANSI code page or UTF-16, which is the fallback.
    function writeText(path, text) {
        var stream = create('ADODB.Stream');
        if (stream) {
            try {
                stream.Type = 2;
                stream.Charset = 'utf-8';
                stream.Open();
                stream.WriteText(text);
                stream.SaveToFile(path, 2);
                stream.Close();
                return true;
            } catch (error) {
                try { stream.Close(); } catch (ignored) { /* already closed */ }
            }
        }
        try {
            var file = files.CreateTextFile(path, true, true);
            file.Write(text);
            file.Close();
            return true;
        } catch (error) {
            return false;
        }
    }

    // A text file in UTF-8, which the file object cannot read; null when it is missing or
    // cannot be read.
    function readUtf8(path) {
        if (!files || !files.FileExists(path)) return null;
        var stream = create('ADODB.Stream');
        if (!stream) return null;
        try {
            stream.Type = 2;
            stream.Charset = 'utf-8';
            stream.Open();
            stream.LoadFromFile(path);
            var text = stream.ReadText(-1);
            stream.Close();
            return text;
        } catch (error) {
            try { stream.Close(); } catch (ignored) { /* already closed */ }
            return null;
        }
    }

    var host = {
        load: load,
        // The tracker's timeline of one month, as text; the view asks only for the months of
        // the period it shows. With a computer's name, that computer's month in the shared folder.
        timeline: function (year, month, name) {
            if (name === undefined) return readUtf8(folder + R.timelineFileName(logFile, year, month));
            var copy = copies[name];
            return copy ? readUtf8(sharedFolder + R.sharedTimelineFileName(copy.user, copy.computer, year, month)) : null;
        },
        // Another computer's copy of its log, read when first needed; null when it is not a
        // time log.
        readCopy: function (name) {
            var copy = copies[name];
            var copyDocument = copy ? loadXml(sharedFolder + copy.file) : null;
            var root = copyDocument && copyDocument.documentElement;
            return root && root.nodeName === 'Ostrak' ? R.logReader(copyDocument) : null;
        },
        today: function () {
            return R.serialOfLocalDate(new Date());
        },
        // The week as the user's Windows has it (Region settings), read here rather than passed
        // by the tracker, so the report started on its own has it too.
        firstDayOfWeek: function () {
            return R.firstDayFromWindows(readRegistry('HKCU\\Control Panel\\International\\iFirstDayOfWeek'));
        },
        csvFormat: function () {
            return R.csvFormat(readRegistry('HKCU\\Control Panel\\International\\sList'),
                readRegistry('HKCU\\Control Panel\\International\\sDecimal'));
        },
        exportCsv: function (fileName, text) {
            var path = folder + fileName;
            return { ok: writeText(path, text), path: path };
        },
        openFile: function (path) {
            try {
                shell.Run('"' + path + '"', 1, false);
            } catch (error) {
                // nothing registered for .csv: the file is still there beside the log
            }
        }
    };

    function fitWindow() {
        try {
            var width = Math.min(1180, screen.availWidth);
            var height = Math.min(900, screen.availHeight);
            window.resizeTo(width, height);
            window.moveTo(Math.max(0, (screen.availWidth - width) / 2), Math.max(0, (screen.availHeight - height) / 2));
        } catch (error) {
            // the window keeps the size mshta gave it
        }
    }

    fitWindow();
    document.onkeydown = function (event) {
        event = event || window.event;
        if (event.keyCode === 27) window.close();
    };
    OstrakReportView.start(document.getElementById('report'), host);
}());
