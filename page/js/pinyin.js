/*
 * Pinyin practice for Chinese typists: initials and finals drills, the most common characters,
 * common words and short passages (items from data/pinyin-lessons.js). Each character is shown
 * over its toneless pinyin; the typist types the pinyin with a space after every syllable, so
 * the text of a run is the syllables joined by spaces.
 *
 * Speed is counted as Chinese tutors do, in characters per minute: a character counts once
 * every letter of its syllable stands correct. Accuracy is by keystrokes, as in every run.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});
    var TypingSession = Tapwise.TypingSession;

    var stages = [
        { id: 'initials', title: 'stageInitials' },
        { id: 'finals', title: 'stageFinals' },
        { id: 'chars', title: 'stageChars' },
        { id: 'words', title: 'stageWords' },
        { id: 'pinyin-passages', title: 'stagePinyinPassages' }
    ];

    var kDrillTip = { zh: '看字打出拼音，每个音节后按空格。ü 用 v 键。',
        en: 'Type the pinyin under each character and Space after every syllable; ü is typed as v.' };
    var kWordTip = { zh: '一个词的音节之间也按空格。', en: 'Space between the syllables of a word, too.' };

    function numbered(zh, en, n) {
        var numerals = ['一', '二', '三', '四', '五'];
        return { zh: zh + '（' + numerals[n - 1] + '）', en: en + ' ' + n };
    }

    // [stage, data id, title, tip, goal in characters per minute]
    var plan = [
        ['initials', 'initials-bpmf', { zh: '声母 b p m f', en: 'Initials b p m f' }, kDrillTip, 15],
        ['initials', 'initials-dtnl', { zh: '声母 d t n l', en: 'Initials d t n l' }, kDrillTip, 15],
        ['initials', 'initials-gkh', { zh: '声母 g k h', en: 'Initials g k h' }, kDrillTip, 15],
        ['initials', 'initials-jqx', { zh: '声母 j q x', en: 'Initials j q x' }, kDrillTip, 15],
        ['initials', 'initials-zhchshr', { zh: '声母 zh ch sh r', en: 'Initials zh ch sh r' }, kDrillTip, 15],
        ['initials', 'initials-zcs', { zh: '声母 z c s', en: 'Initials z c s' }, kDrillTip, 15],
        ['initials', 'initials-yw', { zh: '声母 y w', en: 'Initials y w' }, kDrillTip, 15],
        ['finals', 'finals-simple', { zh: '单韵母', en: 'Simple finals' },
            { zh: 'a o e i u ü：ü 用 v 键输入（女 nv）。', en: 'a o e i u ü: type ü as v (女 nv).' }, 15],
        ['finals', 'finals-compound', { zh: '复韵母', en: 'Compound finals' }, kDrillTip, 15],
        ['finals', 'finals-nasal', { zh: '鼻韵母', en: 'Nasal finals' },
            { zh: '分清前鼻音 n 和后鼻音 ng。', en: 'Tell the front nasal n from the back nasal ng.' }, 15],
        ['finals', 'finals-medial', { zh: '介音韵母', en: 'Finals with a medial' },
            { zh: 'i u 开头的韵母：xia xiao xian xiang。', en: 'Finals led by i or u: xia xiao xian xiang.' }, 15],
        ['chars', 'chars-1', numbered('常用字', 'Common characters', 1), kDrillTip, 20],
        ['chars', 'chars-2', numbered('常用字', 'Common characters', 2), kDrillTip, 20],
        ['chars', 'chars-3', numbered('常用字', 'Common characters', 3), kDrillTip, 20],
        ['chars', 'chars-4', numbered('常用字', 'Common characters', 4), kDrillTip, 20],
        ['chars', 'chars-5', numbered('常用字', 'Common characters', 5), kDrillTip, 20],
        ['words', 'words-1', numbered('常用词', 'Common words', 1), kWordTip, 25],
        ['words', 'words-2', numbered('常用词', 'Common words', 2), kWordTip, 25],
        ['words', 'words-3', numbered('常用词', 'Common words', 3), kWordTip, 25],
        ['words', 'words-4', numbered('常用词', 'Common words', 4), kWordTip, 25],
        ['words', 'words-polyphonic', { zh: '多音字词', en: 'Words with polyphonic characters' },
            { zh: '同一个字在不同的词里读音不同：银行 hang，行人 xing。',
                en: 'One character, different readings by word: 银行 hang, 行人 xing.' }, 25],
        ['pinyin-passages', 'passage-spring', { zh: '短文：春天', en: 'Passage: spring' },
            { zh: '标点不用打，只打拼音。', en: 'Skip the punctuation; type only the pinyin.' }, 30],
        ['pinyin-passages', 'passage-typing', { zh: '短文：学打字', en: 'Passage: learning to type' },
            { zh: '保持节奏，眼睛看屏幕。', en: 'Keep a steady rhythm; eyes on the screen.' }, 30],
        ['pinyin-passages', 'passage-city', { zh: '短文：城市', en: 'Passage: the town' },
            { zh: '最后一课：注意多音字。', en: 'The last lesson: mind the polyphonic characters.' }, 30]
    ];

    /** Items {hanzi, pinyin, after} of a data id; each syllable stands under one character. */
    function itemsOf(id) {
        var raw = (Tapwise.pinyinData || {})[id];
        if (!raw) throw new Error('No pinyin data for ' + id);
        return raw.map(function (entry) {
            var syllables = entry[1].split(' ');
            if (Array.from(entry[0]).length !== syllables.length) {
                throw new Error('Pinyin data ' + id + ': ' + entry[0] + ' has ' + syllables.length + ' syllables');
            }
            return { hanzi: entry[0], pinyin: entry[1], after: entry[2] || '' };
        });
    }

    function textOf(items) {
        return items.map(function (item) {
            return item.pinyin;
        }).join(' ');
    }

    var list = plan.map(function (step) {
        var items = itemsOf(step[1]);
        return {
            stage: step[0],
            id: step[1],
            title: step[2],
            tip: step[3],
            keys: '',
            goal: { cpm: step[4], accuracy: 90 },
            items: items,
            text: textOf(items)
        };
    });

    var course = { id: 'pinyin', kind: 'pinyin', layout: null, unit: 'cpm', stages: stages, list: list };

    /** A run over a pinyin lesson: a typing session that also knows its characters. */
    function PinyinSession(lesson) {
        TypingSession.call(this, lesson.text);
        this.lesson = lesson;
        this.units = [];
        var position = 0;
        var units = this.units;
        lesson.items.forEach(function (item) {
            var chars = Array.from(item.hanzi);
            item.pinyin.split(' ').forEach(function (syllable, index) {
                units.push({ hanzi: chars[index], start: position, end: position + syllable.length });
                position += syllable.length + 1;
            });
        });
    }
    PinyinSession.prototype = Object.create(TypingSession.prototype);
    PinyinSession.prototype.constructor = PinyinSession;

    /** Characters whose whole syllable stands correct in the typed text. */
    PinyinSession.prototype.correctHanzi = function () {
        var typed = this.typed;
        var text = this.text;
        return this.units.filter(function (unit) {
            if (typed.length < unit.end) return false;
            for (var i = unit.start; i < unit.end; ++i) {
                if (typed[i] !== text.charAt(i)) return false;
            }
            return true;
        }).length;
    };

    /** Characters per minute at time now; 0 before a measurable time has passed. */
    PinyinSession.prototype.cpm = function (now) {
        var ms = this.elapsedMs(now);
        if (ms <= 0) return 0;
        return this.correctHanzi() / (ms / 60000);
    };

    PinyinSession.prototype.result = function (now) {
        var result = TypingSession.prototype.result.call(this, now);
        result.cpm = Math.round(this.cpm(now) * 10) / 10;
        result.correctHanzi = this.correctHanzi();
        result.hanzi = this.units.length;
        return result;
    };

    /**
     * Shows a pinyin lesson's text in container: every character over its syllable, whose
     * letters (and the space after it) are the .ch elements the lesson screen colours in order.
     */
    function renderText(container, lesson) {
        var document = container.ownerDocument;
        container.textContent = '';
        container.classList.add('is-pinyin');
        var position = 0;
        var text = lesson.text;
        function letters(target, count) {
            for (var i = 0; i < count; ++i) {
                var ch = document.createElement('span');
                ch.className = 'ch';
                ch.textContent = text.charAt(position) === ' ' ? '\u00a0' : text.charAt(position);
                target.appendChild(ch);
                position += 1;
            }
        }
        lesson.items.forEach(function (item, itemIndex) {
            var word = document.createElement('span');
            word.className = 'py-word';
            var chars = Array.from(item.hanzi);
            var syllables = item.pinyin.split(' ');
            syllables.forEach(function (syllable, index) {
                var box = document.createElement('span');
                box.className = 'py-syllable';
                var hanzi = document.createElement('span');
                hanzi.className = 'py-hanzi';
                hanzi.textContent = chars[index];
                if (index === syllables.length - 1 && item.after) {
                    var mark = document.createElement('span');
                    mark.className = 'py-mark';
                    mark.textContent = item.after;
                    hanzi.appendChild(mark);
                }
                var pinyin = document.createElement('span');
                pinyin.className = 'py-letters';
                var last = itemIndex === lesson.items.length - 1 && index === syllables.length - 1;
                letters(pinyin, syllable.length + (last ? 0 : 1));
                box.appendChild(hanzi);
                box.appendChild(pinyin);
                word.appendChild(box);
            });
            container.appendChild(word);
            container.appendChild(document.createTextNode('\u200b'));
        });
    }

    Tapwise.pinyin = {
        course: course,
        itemsOf: itemsOf,
        PinyinSession: PinyinSession,
        renderText: renderText
    };
})(window);
