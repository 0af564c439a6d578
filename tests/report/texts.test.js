'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { tables, reportFolder } = require('./helpers.js');
const { reportSection } = require('./report-section.js');
const { parseXml, R } = require('./helpers.js');

const scripts = ['report-logic.js', 'report-view.js', 'report-app.js'].map((name) => fs.readFileSync(path.join(reportFolder, name), 'utf8'));

function placeholders(text) {
    return (text.match(/\{\w+\}/g) || []).sort();
}

test('both languages have the same keys and the same placeholders', () => {
    assert.deepEqual(Object.keys(tables.Russian).sort(), Object.keys(tables.English).sort());
    for (const name of Object.keys(tables.English)) {
        assert.deepEqual(placeholders(tables.Russian[name]), placeholders(tables.English[name]), name);
        assert.notEqual(tables.English[name].trim(), '', name);
    }
});

test('every text the scripts use is in the table, and every table text is used', () => {
    const used = new Set();
    for (const source of scripts) {
        for (const match of source.matchAll(/\b(?:t|texts|this\.texts)\.([A-Z]\w*)/g)) used.add(match[1]);
    }
    used.delete('InactiveName');  // the tracker's own "Common/Inactive", not a report key
    const known = new Set(Object.keys(tables.English));
    for (const name of used) assert.ok(known.has(name), `missing text ${name}`);
    const viewPeriods = /PERIOD_BUTTONS = \[([\s\S]*?)\];/.exec(scripts[1])[1];
    for (const name of known) {
        assert.ok(used.has(name) || viewPeriods.includes(`'${name}'`), `unused text ${name}`);
    }
});

test('the numbers and lists in the texts are what the report expects', () => {
    for (const language of Object.keys(tables)) {
        const texts = tables[language];
        assert.equal(texts.Months.split(',').length, 12, language);
        assert.equal(texts.WeekDays.split(',').length, 7, language);
        assert.match(texts.FirstDay, /^[0-6]$/, language);
        assert.notEqual(R.parseDateInput(R.formatDate(R.serialFromYmd(2026, 12, 31), texts.DateInput, texts)), null,
            `${language} shows dates the way it reads them`);
    }
});

test('the Report section for the language files reads back as the same texts', () => {
    for (const language of Object.keys(tables)) {
        const fragment = reportSection(language);
        const document = parseXml(`<Language><Common><Inactive>x</Inactive></Common>${fragment}</Language>`);
        const lookup = R.languageLookup(document);
        for (const name of Object.keys(tables[language])) {
            assert.equal(lookup(`Report/${name}`), tables[language][name], `${language} ${name}`);
        }
    }
});
