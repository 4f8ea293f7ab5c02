'use strict';
// Interface language and the on-screen keyboard.
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('../support/harness');

let browser;
test.before(async () => {
    browser = await h.launchBrowser();
});
test.after(async () => {
    await browser.close();
});

test('Chinese texts for a zh language', async () => {
    const { page } = await h.openPage(browser, { locale: 'zh-CN' });
    assert.equal(await page.evaluate(() => navigator.language), 'zh-CN');
    assert.equal((await page.textContent('#btnSignIn')).trim(), '登录');
    assert.equal((await page.textContent('#signinLabel')).trim(), '未登录');
    // The Chinese interface opens on pinyin practice; the graded lessons are one click away.
    assert.equal((await page.textContent('#lessonTitle')).trim(), '声母 b p m f');
    assert.equal((await page.textContent('#lessonNumber')).trim(), '第 1 课');
    assert.equal(await page.getAttribute('#btnClose', 'title'), '关闭');
    assert.equal(await page.getAttribute('html', 'lang'), 'zh-CN');
    await page.click('#btnCourseKeys');
    assert.equal((await page.textContent('#lessonTitle')).trim(), 'F 与 J');
});

test('English texts for any other language', async () => {
    for (const locale of ['en-GB', 'de-DE', 'ja-JP']) {
        const { page, context } = await h.openPage(browser, { locale });
        assert.equal((await page.textContent('#btnSignIn')).trim(), 'Sign in', locale);
        assert.equal((await page.textContent('#lessonTitle')).trim(), 'F and J', locale);
        await context.close();
    }
});

test('every text exists in both languages', async () => {
    const { page } = await h.openPage(browser);
    const keys = await page.evaluate(() => ({
        zh: Object.keys(Tapwise.i18n.texts.zh).sort(),
        en: Object.keys(Tapwise.i18n.texts.en).sort(),
        lessons: Tapwise.lessons.list.filter((lesson) => !lesson.title.zh || !lesson.title.en || !lesson.tip.zh || !lesson.tip.en).map((lesson) => lesson.id),
    }));
    assert.deepEqual(keys.zh, keys.en);
    assert.deepEqual(keys.lessons, []);
});

async function marked(page) {
    return page.$$eval('#keyboard .kb-next', (keys) => keys.map((key) => key.dataset.key).sort());
}

test('the keyboard marks the next key and follows the typing', async () => {
    const { page } = await h.openPage(browser);
    assert.deepEqual(await marked(page), ['f']);
    await h.typeText(page, 'fff', 100);
    assert.deepEqual(await marked(page), ['space']);
    await h.typeText(page, ' ', 100);
    assert.deepEqual(await marked(page), ['j']);
});

test('a character typed with Shift marks the Shift key of the other hand', async () => {
    const { page } = await h.openPage(browser);
    const marks = await page.evaluate(() => {
        const view = Tapwise.app.state.keyboardView;
        const result = {};
        for (const ch of ['A', 'P', ':', '!', '?', '~', 'a']) {
            view.highlight(ch);
            result[ch] = Array.from(document.querySelectorAll('#keyboard .kb-next'), (key) => key.dataset.key).sort();
        }
        return result;
    });
    assert.deepEqual(marks, {
        A: ['a', 'shift-right'],
        P: ['p', 'shift-left'],
        ':': [';', 'shift-left'],
        '!': ['1', 'shift-right'],
        '?': ['/', 'shift-left'],
        '~': ['`', 'shift-right'],
        a: ['a'],
    });
});

test('mistakes are counted on the keys as they happen', async () => {
    const { page } = await h.openPage(browser);
    await h.typeText(page, 'fjfk', 100); // j for f, then k for space
    const badges = await page.$$eval('#keyboard .kb-key', (keys) =>
        keys.filter((key) => !key.querySelector('.kb-badge').hidden).map((key) => key.dataset.key + '=' + key.querySelector('.kb-badge').textContent));
    assert.deepEqual(badges.sort(), ['f=1', 'space=1']);
    await page.keyboard.press('Escape');
    assert.equal(await page.$$eval('#keyboard .kb-badge:not([hidden])', (items) => items.length), 0);
});

test('the results name the keys to practise, worst first', async () => {
    const { page } = await h.openPage(browser);
    const text = await page.evaluate(() => Tapwise.app.state.session.text);
    // Miss the first two f and the first j.
    let fMisses = 0;
    let jMisses = 0;
    const typed = Array.from(text, (ch) => {
        if (ch === 'f' && fMisses < 2) return (fMisses++, 'd');
        if (ch === 'j' && jMisses < 1) return (jMisses++, 'k');
        return ch;
    }).join('');
    await h.typeText(page, typed, 300);
    const items = await page.$$eval('#troubleList li', (list) => list.map((item) => item.dataset.key));
    assert.deepEqual(items, ['f', 'j']);
});
