// The report runs in mshta's engine, Internet Explorer 11's: every script must be plain ES5,
// use no library member or browser interface that engine lacks, and load nothing from outside
// the program folder.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const acorn = require('acorn');
const walk = require('acorn-walk');
const { ESLint } = require('eslint');
const compat = require('eslint-plugin-compat');
const { deliveredFolder, reportFolder } = require('./helpers.js');

const htaPath = path.join(deliveredFolder, 'Report.hta');
const hta = fs.readFileSync(htaPath, 'utf8');

// Members of ES2015 and later, and of newer DOMs, that the IE 11 engine does not have.
const missingMembers = new Set(['includes', 'startsWith', 'endsWith', 'padStart', 'padEnd', 'repeat', 'find', 'findIndex',
    'fill', 'flat', 'flatMap', 'closest', 'append', 'prepend', 'classList', 'dataset', 'trimStart', 'trimEnd', 'matchAll',
    'replaceAll', 'at', 'entries', 'values']);
const missingStatics = { Object: ['assign', 'entries', 'values', 'fromEntries'], Array: ['from', 'of'],
    Number: ['isNaN', 'isFinite', 'isInteger', 'parseInt', 'parseFloat', 'EPSILON'], Math: ['trunc', 'sign', 'log10', 'hypot'] };
const missingGlobals = new Set(['Promise', 'Symbol', 'Map', 'Set', 'WeakMap', 'WeakSet', 'Proxy', 'Reflect', 'fetch',
    'URLSearchParams', 'TextEncoder', 'TextDecoder', 'XMLHttpRequest', 'requestIdleCallback']);

function inlineScripts(html) {
    const scripts = [];
    for (const match of html.matchAll(/<script\b([^>]*)>([\s\S]*?)<\/script>/gi)) {
        if (!/\bsrc\s*=/.test(match[1]) && match[2].trim()) scripts.push(match[2]);
    }
    return scripts;
}

function problems(source) {
    const found = [];
    const ast = acorn.parse(source, { ecmaVersion: 5, sourceType: 'script', locations: true });
    walk.full(ast, (node) => {
        const where = node.loc ? ` (line ${node.loc.start.line})` : '';
        if (node.type === 'MemberExpression' && !node.computed && node.property.type === 'Identifier') {
            const member = node.property.name;
            if (missingMembers.has(member)) found.push(`.${member}${where}`);
            if (node.object.type === 'Identifier' && (missingStatics[node.object.name] || []).includes(member)) {
                found.push(`${node.object.name}.${member}${where}`);
            }
        }
        if (node.type === 'Identifier' && missingGlobals.has(node.name)) found.push(`${node.name}${where}`);
    });
    return found;
}

const scriptFiles = fs.readdirSync(reportFolder).filter((name) => name.endsWith('.js')).map((name) => path.join(reportFolder, name))
    .concat([path.join(__dirname, 'sample-log.js')]);

test('every script of the report is ES5 and uses only what the old engine has', async (t) => {
    assert.ok(scriptFiles.length >= 5, 'the report scripts are found');
    for (const file of scriptFiles) {
        await t.test(path.basename(file), () => {
            assert.deepEqual(problems(fs.readFileSync(file, 'utf8')), []);
        });
    }
    for (const [index, source] of inlineScripts(hta).entries()) {
        await t.test(`Report.hta inline script ${index + 1}`, () => assert.deepEqual(problems(source), []));
    }
});

// Browser interfaces and library members, by the compatibility data of the browser list.
const ie11Lint = new ESLint({
    cwd: __dirname,
    overrideConfigFile: true,
    overrideConfig: [{
        files: ['**/*.js'],
        languageOptions: { ecmaVersion: 5, sourceType: 'script' },
        plugins: { compat },
        rules: { 'compat/compat': 'error' },
        settings: { browsers: ['ie 11'], lintAllEsApis: true },
    }],
});

async function missingInIe11(source, name) {
    const [result] = await ie11Lint.lintText(source, { filePath: path.join(__dirname, name) });
    return result.messages.map((message) => `${name}:${message.line}: ${message.message}`);
}

test('every script of the report uses only interfaces Internet Explorer 11 has', async (t) => {
    const reportScripts = scriptFiles.filter((file) => path.dirname(file) === reportFolder);
    assert.ok(reportScripts.length >= 4, 'the report scripts are found');
    for (const file of reportScripts) {
        await t.test(path.basename(file), async () => {
            assert.deepEqual(await missingInIe11(fs.readFileSync(file, 'utf8'), path.basename(file)), []);
        });
    }
    for (const [index, source] of inlineScripts(hta).entries()) {
        await t.test(`Report.hta inline script ${index + 1}`, async () => {
            assert.deepEqual(await missingInIe11(source, `inline-${index + 1}.js`), []);
        });
    }
});

test('the check itself catches newer syntax and members', async () => {
    const found = await missingInIe11('fetch("a"); var u = new URL("b"); var p = Promise.resolve(1);', 'probe.js');
    assert.equal(found.length, 3, found.join('\n'));

    for (const source of ['let a = 1;', 'var f = (x) => x;', 'var s = `t`;', 'const b = 2;', 'class A {}', 'var {a} = o;']) {
        assert.throws(() => problems(source), SyntaxError, source);
    }
    assert.deepEqual(problems('var a = "x".startsWith("y"); var m = new Map(); Object.assign({}, {});').length, 3);
});

test('Report.hta asks for the newest engine and loads only its own files', () => {
    const head = /<head>([\s\S]*?)<\/head>/i.exec(hta)[1];
    assert.match(head.trim(), /^<meta http-equiv="X-UA-Compatible" content="IE=(edge|11)">/, 'first in the head, before anything is parsed');
    assert.match(hta, /<hta:application\b[^>]*\bid="ostrakReportApplication"/i, 'the element the command line is read from');
    const references = [...hta.matchAll(/\b(?:src|href)="([^"]+)"/gi)].map((match) => match[1]);
    assert.ok(references.length >= 5);
    for (const reference of references) {
        assert.doesNotMatch(reference, /^[a-z]+:|^\/\//i, `${reference} is local`);
        assert.ok(fs.existsSync(path.join(deliveredFolder, reference)), `${reference} is delivered`);
    }
    for (const file of scriptFiles.concat([path.join(reportFolder, 'report.css')])) {
        const text = fs.readFileSync(file, 'utf8').replace(/http:\/\/www\.w3\.org\/2000\/svg/g, '');
        assert.doesNotMatch(text, /\b(?:https?|ftp):\/\//i, `${path.basename(file)} names no address`);
    }
});
