// The help files open from the program folder in whatever the shell uses for .html: they must
// declare their encoding, hold together on their own and link nowhere outside themselves.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { deliveredFolder } = require('./helpers.js');

const languages = ['English', 'Russian'];
const pages = Object.fromEntries(languages.map((language) => {
    const bytes = fs.readFileSync(path.join(deliveredFolder, `Help.${language}.html`));
    return [language, new TextDecoder('utf-8', { fatal: true }).decode(bytes)];
}));

function ids(html) {
    return [...html.matchAll(/\bid="([^"]+)"/g)].map((match) => match[1]);
}

test('each help file is UTF-8, says so, and stands alone', async (t) => {
    for (const language of languages) {
        await t.test(language, () => {
            const html = pages[language];
            assert.match(html, /^<!DOCTYPE html>\s*<html lang="(en|ru)">\s*<head>\s*<meta charset="utf-8">/i);
            const own = new Set(ids(html));
            for (const match of html.matchAll(/\b(?:href|src)="([^"]*)"/g)) {
                assert.match(match[1], /^#/, `${match[1]} points inside the page`);
                assert.ok(own.has(match[1].substring(1)), `${match[1]} has its target`);
            }
            assert.doesNotMatch(html, /<(?:script|link|img|iframe)\b/i, 'no scripts or outside files');
        });
    }
});

test('both languages cover the same sections', () => {
    assert.deepEqual(ids(pages.Russian), ids(pages.English));
    for (const section of ['start', 'records', 'patterns', 'projects', 'report', 'settings', 'files', 'privacy', 'uninstall']) {
        assert.ok(ids(pages.English).includes(section), section);
    }
});
