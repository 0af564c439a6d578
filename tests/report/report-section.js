// Prints the "Report" section of a language file from the report's built-in texts, so the
// language files and the fallback table say the same. Usage: node report-section.js Russian
'use strict';

const path = require('node:path');
const tables = require(path.join(__dirname, '..', '..', 'delivered', 'report', 'report-texts.js'));

function escapeXml(text) {
    return text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
}

function reportSection(language, indent = '') {
    const table = tables[language];
    if (!table) throw new Error(`no texts for ${language}`);
    const lines = [`${indent}<Report>`];
    for (const name of Object.keys(table)) lines.push(`${indent}   <${name}>${escapeXml(table[name])}</${name}>`);
    lines.push(`${indent}</Report>`);
    return lines.join('\n');
}

module.exports = { reportSection };

if (require.main === module) {
    for (const language of process.argv.slice(2)) console.log(reportSection(language, process.env.INDENT || ''));
}
