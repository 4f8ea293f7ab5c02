'use strict';
// Pinyin practice: the lessons and their data, characters per minute and keystroke accuracy of
// scripted runs, polyphonic characters read by their word, and which course opens first.
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('../support/harness');

const kLesson1 = 'bu ba ben bi pin ping pian peng me mei men mian fa fang fen fu';

let browser;
test.before(async () => {
    browser = await h.launchBrowser();
});
test.after(async () => {
    await browser.close();
});

async function text(page, selector) {
    return (await page.textContent(selector)).trim();
}

/** Marks every lesson before id passed and opens id. */
async function openLesson(page, id) {
    await page.evaluate((id) => {
        const index = Tapwise.lessons.list.findIndex((lesson) => lesson.id === id);
        Tapwise.lessons.list.slice(0, index).forEach((lesson) => Tapwise.app.state.progress.record(lesson.id, { wpm: 30, accuracy: 100 }, true));
        Tapwise.app.startLesson(index, true);
    }, id);
}

test('the pinyin lessons: stages in order, one syllable per character, all typeable', async () => {
    const { page, errors } = await h.openPage(browser, { locale: 'zh-CN' });
    const data = await page.evaluate(() => Tapwise.lessons.list.map((lesson) => ({
        id: lesson.id,
        stage: lesson.stage,
        text: lesson.text,
        items: lesson.items,
        untypeable: Array.from(lesson.text).filter((ch) => !Tapwise.keyboard.keyFor(ch)).join(''),
    })));
    assert.deepEqual([...new Set(data.map((lesson) => lesson.stage))], ['initials', 'finals', 'chars', 'words', 'pinyin-passages']);
    assert.equal(data[0].text, kLesson1);
    const initials = { 'initials-bpmf': /^[bpmf]/, 'initials-jqx': /^[jqx]/, 'initials-zhchshr': /^(zh|ch|sh|r)/, 'initials-zcs': /^[zcs](?!h)/ };
    const charsSeen = new Set();
    for (const lesson of data) {
        assert.equal(lesson.untypeable, '', lesson.id);
        assert.match(lesson.text, /^[a-z]+( [a-z]+)*$/, lesson.id);
        assert.ok(lesson.items.length >= 8, lesson.id);
        for (const item of lesson.items) {
            assert.equal(Array.from(item.hanzi).length, item.pinyin.split(' ').length, `${lesson.id}: ${item.hanzi}`);
            assert.match(item.hanzi, /^[\u4e00-\u9fff]+$/, lesson.id);
            if (initials[lesson.id]) assert.match(item.pinyin, initials[lesson.id], `${lesson.id}: ${item.hanzi} ${item.pinyin}`);
            if (lesson.stage === 'chars') {
                assert.ok(!charsSeen.has(item.hanzi), `${item.hanzi} twice in the common characters`);
                charsSeen.add(item.hanzi);
            }
        }
    }
    // The most common character leads the common characters, read as the particle.
    assert.deepEqual(data.find((lesson) => lesson.id === 'chars-1').items[0], { hanzi: '的', pinyin: 'de', after: '' });
    assert.deepEqual(errors, []);
});

test('a scripted pinyin run: characters per minute and accuracy by keystrokes', async () => {
    const rows = [
        {
            // One wrong key corrected in "ba", the last syllable left wrong ("fi" for "fu").
            // 63 keystrokes, 2 wrong: 61 / 63 = 96.8 %. 64 keys a second apart: 63 s.
            // 15 of the 16 characters stand correct: 15 / (63 / 60) = 14.3 characters a minute.
            name: 'with mistakes',
            pauseMs: 1000,
            steps: (() => {
                const steps = [];
                const typed = kLesson1.slice(0, -1) + 'i';
                Array.from(typed).forEach((ch, i) => {
                    if (i === 3) steps.push(['s', 1000], ['Backspace', 1000]);
                    steps.push([ch, 1000]);
                });
                return steps;
            })(),
            expected: { speed: '14.3', accuracy: '96.8%', time: '1 分 3 秒', keystrokes: '63', errors: '2', verdict: '还没有达到目标，再练一次吧' },
        },
        {
            // 62 keys, 0.3 s apart: 18.3 s; 16 / (18.3 / 60) = 52.5 characters a minute.
            name: 'clean and fast',
            steps: Array.from(kLesson1, (ch) => [ch, 300]),
            expected: { speed: '52.5', accuracy: '100%', time: '18 秒', keystrokes: '62', errors: '0', verdict: '达到目标，下一课已解锁' },
        },
    ];
    for (const row of rows) {
        const { page, context } = await h.openPage(browser, { locale: 'zh-CN' });
        assert.equal(await page.evaluate(() => Tapwise.app.state.session.text), kLesson1);
        await h.typeScript(page, row.steps);
        assert.equal(await page.isVisible('#resultsScreen'), true, row.name);
        const shown = {
            speed: await text(page, '#resultWpm'),
            accuracy: await text(page, '#resultAccuracy'),
            time: await text(page, '#resultTime'),
            keystrokes: await text(page, '#resultKeystrokes'),
            errors: await text(page, '#resultErrors'),
            verdict: await text(page, '#resultsVerdict'),
        };
        assert.deepEqual(shown, row.expected, row.name);
        assert.match(await text(page, '.figure-main .figure-label'), /字\/分/);
        assert.match(await text(page, '#resultsGoal'), /^目标：每分钟 15 字/);
        await context.close();
    }
});

test('live speed is counted in characters per minute while typing', async () => {
    const { page } = await h.openPage(browser, { locale: 'en-US' });
    await page.click('#btnCoursePinyin');
    assert.equal(await text(page, '#liveStats .stat-value small'), 'chars/min');
    // "bu ba ", a key a second, read 6 s after the first key: 2 characters in 6 s is 20 a minute.
    await h.typeText(page, 'bu ba ', 1000);
    assert.equal(await text(page, '#statWpm'), String(Math.round(2 / (6 / 60))));
    assert.equal(await page.evaluate(() => Tapwise.app.state.session.correctHanzi()), 2);
});

test('polyphonic characters take the reading of their word', async () => {
    const { page } = await h.openPage(browser, { locale: 'zh-CN' });
    const readings = await page.evaluate(() => {
        const table = {};
        for (const id of ['words-polyphonic', 'passage-city']) {
            for (const item of Tapwise.pinyin.itemsOf(id)) table[item.hanzi] = item.pinyin;
        }
        return table;
    });
    const expected = {
        银行: 'yin hang', 行人: 'xing ren', 重要: 'zhong yao', 重新: 'chong xin', 长大: 'zhang da',
        长城: 'chang cheng', 音乐: 'yin yue', 快乐: 'kuai le', 睡觉: 'shui jiao', 觉得: 'jue de',
        还有: 'hai you', 还给: 'huan gei', 便宜: 'pian yi', 方便: 'fang bian', 很长: 'hen chang',
    };
    for (const [word, pinyin] of Object.entries(expected)) assert.equal(readings[word], pinyin, word);

    // Typing 行 in 银行 as xing is wrong; the same letters for 行人 are right.
    await openLesson(page, 'words-polyphonic');
    assert.ok(await page.evaluate(() => Tapwise.app.state.session.text.startsWith('yin hang xing ren')));
    await h.typeText(page, 'yin xing xing ren', 500);
    const figures = await page.evaluate(() => {
        const session = Tapwise.app.state.session;
        return { correctHanzi: session.correctHanzi(), wrong: session.keystrokes - session.correctKeystrokes };
    });
    // h for x and a for i: two wrong keys, one character lost.
    assert.deepEqual(figures, { correctHanzi: 3, wrong: 2 });
    // The characters stand over their syllables on screen.
    const shown = await page.$$eval('#typingText .py-syllable', (boxes) => boxes.slice(0, 4).map((box) =>
        box.querySelector('.py-hanzi').textContent + ':' + box.querySelector('.py-letters').textContent.trim()));
    assert.deepEqual(shown, ['银:yin', '行:hang', '行:xing', '人:ren']);
});

test('Chinese opens on pinyin and English on the graded lessons; a switch is remembered', async () => {
    const zh = await h.openPage(browser, { locale: 'zh-CN' });
    assert.equal(await zh.page.evaluate(() => Tapwise.lessons.course.id), 'pinyin');
    assert.equal(await text(zh.page, '#lessonsHeading'), '拼音课程');
    await zh.page.click('#btnCourseKeys');
    await zh.page.close();
    const zhAgain = await h.openPage(browser, { locale: 'zh-CN', context: zh.context });
    assert.equal(await zhAgain.page.evaluate(() => Tapwise.lessons.course.id), 'layout:us');
    assert.equal(await text(zhAgain.page, '#lessonTitle'), 'F 与 J');

    const en = await h.openPage(browser, { locale: 'en-US' });
    assert.equal(await en.page.evaluate(() => Tapwise.lessons.course.id), 'layout:us');
    await en.page.click('#btnCoursePinyin');
    await h.typeText(en.page, kLesson1, 300);
    const stored = await en.page.evaluate(() => ({
        pinyin: JSON.parse(localStorage.getItem('tapwise.progress.v1:guest:pinyin')).lessons['initials-bpmf'],
        keys: localStorage.getItem('tapwise.progress.v1:guest'),
    }));
    assert.equal(stored.pinyin.passed, true);
    assert.equal(stored.pinyin.bestWpm, 52.5); // the best speed in the course's unit
    assert.equal(stored.keys, null);
    await en.page.close();
    const enAgain = await h.openPage(browser, { locale: 'en-US', context: en.context });
    assert.equal(await enAgain.page.evaluate(() => Tapwise.lessons.course.id), 'pinyin');
    assert.equal(await enAgain.page.evaluate(() => Tapwise.app.state.lessonIndex), 1);
    assert.match(await text(enAgain.page, '.lesson-item[data-lesson="initials-bpmf"] .lesson-item-meta'), /^Best 52\.5 chars\/min$/);
});
