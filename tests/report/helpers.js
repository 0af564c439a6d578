// Shared by the report tests: the delivered scripts, and XML parsed the way the report
// application sees it (a DOM with getElementsByTagName, getAttribute and child nodes).
'use strict';

const path = require('node:path');
const { DOMParser } = require('@xmldom/xmldom');

const deliveredFolder = path.join(__dirname, '..', '..', 'delivered');
const reportFolder = path.join(deliveredFolder, 'report');

const R = require(path.join(reportFolder, 'report-logic.js'));
const tables = require(path.join(reportFolder, 'report-texts.js'));

function parseXml(text) {
    return new DOMParser().parseFromString(text, 'text/xml');
}

// A time log from a compact description: [[y, m, d, [[app, time, [[doc, time], ...]], ...]], ...].
function logXml(days) {
    const escape = (text) => String(text).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/"/g, '&quot;');
    const lines = ['<?xml version="1.0" encoding="UTF-8"?>', '<Ostrak>'];
    for (const [y, m, d, apps] of days) {
        lines.push(`   <Date id="${R.serialFromYmd(y, m, d)}" y="${y}" m="${m}" d="${d}">`);
        for (const [name, time, docs = []] of apps) {
            lines.push(`      <App name="${escape(name)}" time="${time}">`);
            for (const [docName, docTime] of docs) lines.push(`         <Doc name="${escape(docName)}" time="${docTime}"/>`);
            lines.push('      </App>');
        }
        lines.push('   </Date>');
    }
    lines.push('</Ostrak>');
    return lines.join('\n');
}

function readLog(days) {
    return R.readLog(parseXml(logXml(days)));
}

const englishTexts = R.resolveTexts(null, 'English', tables);

module.exports = { R, tables, parseXml, logXml, readLog, englishTexts, deliveredFolder, reportFolder };
