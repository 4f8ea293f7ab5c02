/*
 * Builds the graded course of a keyboard layout: letter drills over that layout's home, top and
 * bottom rows in the order fingers learn them (index fingers first), the language's own letters
 * where the layout has keys for them, then the whole keyboard, numbers and passages of the
 * layout's language. Drills are made the same way for every layout, so the first lesson of
 * Dvorak drills U and H where QWERTY drills F and J.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});
    var layouts = Tapwise.layouts;
    var texts = Tapwise.courseTexts;

    var stages = [
        { id: 'home', title: 'stageHome' },
        { id: 'top', title: 'stageTop' },
        { id: 'bottom', title: 'stageBottom' },
        { id: 'letters', title: 'stageLetters' },
        { id: 'full', title: 'stageFull' },
        { id: 'numbers', title: 'stageNumbers' },
        { id: 'passages', title: 'stagePassages' }
    ];

    // Lesson ids name the physical keys by their US letters, the same on every layout.
    var plan = [
        ['home', 'home-fj', ['KeyF', 'KeyJ'], 8,
            { zh: '两手食指放在 {keys} 上，摸到键上的小凸起。拇指按空格。',
                en: 'Rest your index fingers on {keys}; feel the bumps. Thumbs press Space.' }],
        ['home', 'home-dk', ['KeyD', 'KeyK'], 8,
            { zh: '中指负责 {keys}，按完回到基准位置。', en: 'Middle fingers take {keys}, then return home.' }],
        ['home', 'home-sl', ['KeyS', 'KeyL'], 8, { zh: '无名指负责 {keys}。', en: 'Ring fingers take {keys}.' }],
        ['home', 'home-a', ['KeyA', 'Semicolon'], 8, { zh: '小指负责 {keys}。', en: 'Little fingers take {keys}.' }],
        ['home', 'home-gh', ['KeyG', 'KeyH'], 8,
            { zh: '食指向内伸一格按 {keys}。', en: 'Index fingers reach one key inwards for {keys}.' }],
        ['home', 'home-words', [], 8, { zh: '只用基准键位打出完整的单词。', en: 'Whole words from the home row alone.' }],
        ['top', 'top-ei', ['KeyE', 'KeyI'], 10, { zh: '中指向上按 {keys}。', en: 'Middle fingers reach up for {keys}.' }],
        ['top', 'top-ru', ['KeyR', 'KeyU'], 10, { zh: '食指向上按 {keys}。', en: 'Index fingers reach up for {keys}.' }],
        ['top', 'top-ty', ['KeyT', 'KeyY'], 10,
            { zh: '食指向上并向内按 {keys}。', en: 'Index fingers reach up and in for {keys}.' }],
        ['top', 'top-wo', ['KeyW', 'KeyO'], 10, { zh: '无名指向上按 {keys}。', en: 'Ring fingers reach up for {keys}.' }],
        ['top', 'top-qp', ['KeyQ', 'KeyP'], 10, { zh: '小指向上按 {keys}。', en: 'Little fingers reach up for {keys}.' }],
        ['bottom', 'bottom-vbnm', ['KeyV', 'KeyB', 'KeyN', 'KeyM'], 12,
            { zh: '食指向下按 {keys}。', en: 'Index fingers reach down for {keys}.' }],
        ['bottom', 'bottom-cxz', ['KeyC', 'KeyX', 'KeyZ', 'Comma', 'Period', 'Slash'], 12,
            { zh: '中指、无名指、小指向下按 {keys}。', en: 'Middle, ring and little fingers reach down for {keys}.' }]
    ];

    var kWordsPerDrill = 8;
    var kWordsForHomeRow = 14;
    var kMixedGroups = 6;

    function isLetter(ch) {
        return ch.toLowerCase() !== ch.toUpperCase();
    }

    function label(ch) {
        var upper = ch.toUpperCase();
        return upper.length === 1 ? upper : ch;
    }

    /** Names keys for a title: "F and J", "V, B, N and M", "C, X, Z and stops". */
    function title(chars) {
        var letters = chars.filter(isLetter).map(label);
        var others = chars.filter(function (ch) {
            return !isLetter(ch);
        });
        if (chars.length <= 2) {
            var names = chars.map(label);
            return { zh: names.join(' 与 '), en: names.join(' and ') };
        }
        if (others.length === 0) {
            return { zh: letters.join(' '), en: letters.slice(0, -1).join(', ') + ' and ' + letters[letters.length - 1] };
        }
        return { zh: letters.join(' ') + ' 与标点', en: letters.join(', ') + ' and stops' };
    }

    function tip(template, chars) {
        var names = chars.map(label);
        return {
            zh: template.zh.replace('{keys}', names.join('、')),
            en: template.en.replace('{keys}', names.length > 1 ? names.slice(0, -1).join(', ') + ' and ' + names[names.length - 1] : names.join(''))
        };
    }

    // A small fixed generator: the same layout always gets the same drills.
    function sequence(seed) {
        var state = seed;
        return function (bound) {
            state = (state * 1103515245 + 12345) % 2147483648;
            // The low bits of this generator repeat quickly; the high ones do not.
            return Math.floor(state / 65536) % bound;
        };
    }

    function seedOf(text) {
        var hash = 7;
        for (var i = 0; i < text.length; ++i) hash = (hash * 31 + text.charCodeAt(i)) % 2147483647;
        return hash;
    }

    /** Words made only of taught letters that hold at least one new key, in list order. */
    function wordsFor(words, taught, fresh, limit) {
        var picked = [];
        for (var i = 0; i < words.length && picked.length < limit; ++i) {
            var word = words[i];
            if (picked.indexOf(word) >= 0 || !Array.from(word).every(function (ch) {
                return taught[ch];
            })) continue;
            if (fresh.length > 0 && !fresh.some(function (ch) {
                return word.indexOf(ch) >= 0;
            })) continue;
            picked.push(word);
        }
        return picked;
    }

    /**
     * The drill of new keys after the keys taught before: repeats, alternations, each key next to
     * its hand's home key, mixed groups and real words (with stops after some of them).
     */
    function drill(id, fresh, before, anchors, words) {
        var parts = [];
        var a = fresh[0];
        var b = fresh[1] || fresh[0];
        if (fresh.length === 2 && Object.keys(before).length === 0) {
            return [a + a + a, b + b + b, a + b + a, b + a + b, a + a, b + b, a + b, b + a,
                a + b + b, b + a + a, b + a + b, a + b + a].join(' ');
        }
        fresh.forEach(function (ch) {
            parts.push(ch + ch + ch);
        });
        for (var i = 0; i + 1 < fresh.length; i += 2) {
            parts.push(fresh[i] + fresh[i + 1] + fresh[i], fresh[i + 1] + fresh[i] + fresh[i + 1]);
        }
        fresh.forEach(function (ch) {
            var anchor = anchors[ch];
            if (anchor && anchor !== ch && before[anchor]) parts.push(anchor + ch + anchor);
        });
        var pool = Object.keys(before).concat(fresh);
        var next = sequence(seedOf(id));
        for (var g = 0; g < kMixedGroups; ++g) {
            var group = fresh[g % fresh.length];
            var size = 2 + next(2);
            for (var k = 0; k < size; ++k) group += pool[next(pool.length)];
            parts.push(group);
        }
        var taught = Object.assign({}, before);
        fresh.forEach(function (ch) {
            taught[ch] = true;
        });
        var stops = fresh.filter(function (ch) {
            return !isLetter(ch);
        });
        var picked = wordsFor(words, taught, fresh.filter(isLetter), kWordsPerDrill);
        if (picked.length === 0 && stops.length > 0) picked = wordsFor(words, taught, [], kWordsPerDrill);
        picked.forEach(function (word, index) {
            parts.push(stops.length > 0 && index % 2 === 0 ? word + stops[(index / 2) % stops.length] : word);
        });
        return parts.join(' ');
    }

    /** The course of a layout id: {id, kind, layout, stages, list, unit}. */
    function forLayout(layoutId) {
        var layout = layouts.get(layoutId);
        var material = texts[layout.language] || texts.en;
        var alphabet = {};
        Array.from(material.letters).forEach(function (ch) {
            alphabet[ch] = true;
        });
        var list = [];
        var taught = {};
        var anchors = {};
        layout.rows.forEach(function (codes) {
            codes.forEach(function (code) {
                var key = layout.keys[code];
                anchors[key.plain] = key.finger.charAt(0) === 'l' ? layout.home[0] : layout.home[1];
            });
        });
        plan.forEach(function (step) {
            var fresh = step[2].map(function (code) {
                return layout.keys[code].plain;
            });
            var text;
            if (fresh.length === 0) {
                var homeWords = wordsFor(material.words, taught, [], kWordsForHomeRow);
                text = homeWords.length >= kWordsPerDrill ? homeWords.join(' ') : drill(step[1], Object.keys(taught).filter(isLetter).slice(0, 6), taught, anchors, material.words);
            } else {
                text = drill(step[1], fresh, taught, anchors, material.words);
            }
            fresh.forEach(function (ch) {
                taught[ch] = true;
            });
            list.push({
                stage: step[0],
                id: step[1],
                title: fresh.length > 0 ? title(fresh) : { zh: '基准键位单词', en: 'Home row words' },
                tip: tip(step[4], fresh),
                keys: fresh.join(''),
                goal: { wpm: step[3], accuracy: 90 },
                text: text
            });
        });
        // The language's letters that the three rows left out but the layout types plainly.
        var extra = [];
        layout.rows.forEach(function (codes) {
            codes.forEach(function (code) {
                var ch = layout.keys[code].plain;
                if (alphabet[ch] && !taught[ch] && !layout.keys[code].deadPlain) extra.push(ch);
            });
        });
        if (extra.length > 0) {
            var extraTip = { zh: '本语言特有的字母 {keys}：记住它们的位置。', en: 'The language\'s own letters {keys}: learn where they sit.' };
            list.push({
                stage: 'letters',
                id: 'letters-extra',
                title: { zh: extra.map(label).join(' '), en: extra.map(label).join(', ') },
                tip: tip(extraTip, extra),
                keys: extra.join(''),
                goal: { wpm: 12, accuracy: 90 },
                text: drill('letters-extra', extra, taught, anchors, material.words)
            });
        }
        material.lessons.forEach(function (entry) {
            list.push({
                stage: entry.stage,
                id: entry.id,
                title: entry.title,
                tip: entry.tip,
                keys: entry.keys,
                goal: { wpm: entry.wpm, accuracy: 90 },
                text: entry.text
            });
        });
        var used = {};
        list.forEach(function (entry) {
            used[entry.stage] = true;
        });
        return {
            id: 'layout:' + layout.id,
            kind: 'keys',
            layout: layout,
            unit: 'wpm',
            stages: stages.filter(function (stage) {
                return used[stage.id];
            }),
            list: list
        };
    }

    Tapwise.courses = {
        forLayout: forLayout
    };
    Tapwise.lessons.setCourse(forLayout('us'));
})(window);
