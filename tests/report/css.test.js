// The report's style sheet is drawn by mshta, whose engine is Internet Explorer 11's: it may use
// only what that engine supports, by the compatibility data of the browser list "ie 11".
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const postcss = require('postcss');
const doiuse = require('doiuse');
const { reportFolder } = require('./helpers.js');

const cssPath = path.join(reportFolder, 'report.css');
const css = fs.readFileSync(cssPath, 'utf8');

// Reported for a form the report does not use: IE 11 lacks only the two-value `overflow` and
// `clip`, and the colour and style parts of `text-decoration`. The form check below holds the
// style sheet to the single keywords IE 11 has.
const reportedForOtherForms = ['css-overflow', 'mdn-text-decoration-shorthand'];
// Kept on purpose: calc() widths, each after a plain declaration of the same property that an
// engine without calc() keeps (the layout is then a few pixels narrower at its outer edges).
const keptWithFallback = ['calc'];

async function unsupportedInIe11(source, from) {
    const found = [];
    const plugin = doiuse({
        browsers: ['ie 11'],
        ignore: reportedForOtherForms.concat(keptWithFallback),
        onFeatureUsage: (usage) => found.push(`${usage.feature}: ${usage.message}`),
    });
    await postcss([plugin]).process(source, { from });
    return found;
}

// The declarations that use a let-through feature in a form IE 11 lacks.
function formsIe11Lacks(source) {
    const found = [];
    postcss.parse(source).walkDecls((declaration) => {
        const where = `${declaration.prop}: ${declaration.value} (line ${declaration.source.start.line})`;
        if (/^overflow(-[xy])?$/.test(declaration.prop) && !/^(visible|hidden|auto|scroll)$/.test(declaration.value)) {
            found.push(where);
        }
        if (declaration.prop === 'text-decoration' && !/^(none|underline|overline|line-through)$/.test(declaration.value)) {
            found.push(where);
        }
        if (/\bcalc\(/.test(declaration.value)) {
            const before = declaration.prev();
            const fallback = before && before.type === 'decl' && before.prop === declaration.prop && !/\bcalc\(/.test(before.value);
            if (!fallback) found.push(`${where} has no fallback before it`);
        }
    });
    return found;
}

test('the report style sheet uses only what Internet Explorer 11 draws', async () => {
    assert.deepEqual(await unsupportedInIe11(css, cssPath), []);
    assert.deepEqual(formsIe11Lacks(css), []);
});

test('the check itself catches what Internet Explorer 11 lacks', async () => {
    const found = await unsupportedInIe11('a { display: grid; color: var(--ink); font-variant-numeric: tabular-nums; }', 'probe.css');
    assert.equal(found.length, 3, found.join('\n'));
    assert.equal(formsIe11Lacks('a { overflow: clip; text-decoration: underline dotted; width: calc(100% + 2px); }').length, 3);
    assert.deepEqual(formsIe11Lacks('a { overflow-y: auto; text-decoration: none; width: 100%; width: calc(100% + 2px); }'), []);
});
