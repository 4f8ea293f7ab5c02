'use strict';
// The lesson set and progression from one lesson to the next.
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

async function lessonData(page) {
    return page.evaluate(() =>
        Tapwise.lessons.list.map((lesson) => ({
            id: lesson.id,
            stage: lesson.stage,
            keys: lesson.keys,
            text: lesson.text,
            goal: lesson.goal,
            untypeable: Array.from(lesson.text).filter((ch) => !Tapwise.keyboard.keyFor(ch)),
        })));
}

async function unlockedLessons(page) {
    return page.$$eval('.lesson-item', (items) => items.filter((item) => !item.disabled).map((item) => item.dataset.lesson));
}

test('the lessons run from the home row to passages and every character has a key', async () => {
    const { page } = await h.openPage(browser);
    const lessons = await lessonData(page);
    const stages = [...new Set(lessons.map((lesson) => lesson.stage))];
    assert.deepEqual(stages, ['home', 'top', 'bottom', 'full', 'numbers', 'passages']);
    assert.equal(new Set(lessons.map((lesson) => lesson.id)).size, lessons.length);
    for (const lesson of lessons) {
        assert.deepEqual(lesson.untypeable, [], `${lesson.id} has characters no key types`);
        assert.ok(lesson.goal.wpm > 0 && lesson.goal.accuracy > 0 && lesson.goal.accuracy <= 100);
        assert.ok(!/^ | $|  /.test(lesson.text), `${lesson.id} has stray spaces`);
    }
    assert.equal(lessons.filter((lesson) => lesson.stage === 'passages').length, 3);
    assert.ok(lessons.some((lesson) => /[0-9]/.test(lesson.text)));
    assert.ok(lessons.some((lesson) => /[A-Z]/.test(lesson.text)));
});

test('letter drills use only the keys taught so far', async () => {
    const { page } = await h.openPage(browser);
    const lessons = await lessonData(page);
    const taught = new Set([' ']);
    for (const lesson of lessons.filter((entry) => ['home', 'top', 'bottom'].includes(entry.stage))) {
        for (const ch of lesson.keys) taught.add(ch);
        const extra = [...new Set(lesson.text)].filter((ch) => !taught.has(ch));
        assert.deepEqual(extra, [], `${lesson.id} uses keys not taught yet`);
    }
});

test('a fresh learner starts at lesson 1 with only lesson 1 open', async () => {
    const { page } = await h.openPage(browser);
    assert.deepEqual(await unlockedLessons(page), ['home-fj']);
    assert.equal(await page.getAttribute('.lesson-item[data-lesson="home-dk"]', 'title'), 'Unlocks when the previous lesson is passed');
    await page.click('.lesson-item[data-lesson="home-dk"]', { force: true });
    assert.equal(await page.evaluate(() => Tapwise.app.state.lessonIndex), 0);
});

test('passing a lesson opens the next one and Enter goes there', async () => {
    const { page } = await h.openPage(browser);
    const text = await page.evaluate(() => Tapwise.app.state.session.text);
    await h.typeText(page, text, 300); // about 40 WPM, no mistakes
    assert.equal((await page.textContent('#resultsVerdict')).trim(), 'Goal reached: the next lesson is unlocked');
    assert.equal(await page.isVisible('#btnNext'), true);
    assert.deepEqual(await unlockedLessons(page), ['home-fj', 'home-dk']);
    await page.keyboard.press('Enter');
    assert.equal(await page.isVisible('#lessonScreen'), true);
    assert.equal(await page.evaluate(() => Tapwise.app.state.session.text.slice(0, 3)), 'ddd');
    assert.equal((await page.textContent('#lessonNumber')).trim(), 'Lesson 2');
});

test('a run below the speed goal does not pass and Enter tries again', async () => {
    const { page } = await h.openPage(browser);
    const text = await page.evaluate(() => Tapwise.app.state.session.text);
    await h.typeText(page, text, 2000); // about 6 WPM, below the goal of 8
    assert.equal((await page.textContent('#resultsVerdict')).trim(), 'Not quite at the goal yet; try it once more');
    assert.equal(await page.isVisible('#btnNext'), false);
    assert.deepEqual(await unlockedLessons(page), ['home-fj']);
    await page.keyboard.press('Enter');
    assert.equal(await page.evaluate(() => Tapwise.app.state.session.keystrokes), 0);
    assert.equal((await page.textContent('#lessonNumber')).trim(), 'Lesson 1');
});

test('a run below the accuracy goal does not pass', async () => {
    const { page } = await h.openPage(browser);
    const text = await page.evaluate(() => Tapwise.app.state.session.text);
    // Every fifth character wrong: 80 % accuracy, fast enough.
    const typed = Array.from(text, (ch, i) => (i % 5 === 4 ? (ch === 'x' ? 'y' : 'x') : ch)).join('');
    await h.typeText(page, typed, 300);
    const accuracy = parseFloat(await page.textContent('#resultAccuracy'));
    assert.ok(accuracy < 90, `accuracy ${accuracy}`);
    assert.equal(await page.isVisible('#btnNext'), false);
});

test('the results keys: R tries again, N goes on once the next lesson is open', async () => {
    const { page } = await h.openPage(browser);
    const text = await page.evaluate(() => Tapwise.app.state.session.text);
    await h.typeText(page, text, 300);
    await page.keyboard.press('r');
    assert.equal(await page.isVisible('#lessonScreen'), true);
    assert.equal(await page.evaluate(() => Tapwise.app.state.lessonIndex), 0);
    await h.typeText(page, text, 300);
    await page.keyboard.press('n');
    assert.equal(await page.evaluate(() => Tapwise.app.state.lessonIndex), 1);
});

test('the lesson list works from the keyboard alone', async () => {
    const { page } = await h.openPage(browser);
    const text = await page.evaluate(() => Tapwise.app.state.session.text);
    await h.typeText(page, text, 300);
    await page.keyboard.press('Enter'); // on to lesson 2
    await page.focus('.lesson-item[data-lesson="home-fj"]');
    await page.keyboard.press('ArrowDown');
    assert.equal(await page.evaluate(() => document.activeElement.dataset.lesson), 'home-dk');
    await page.keyboard.press('ArrowUp');
    await page.keyboard.press('Enter');
    assert.equal(await page.evaluate(() => Tapwise.app.state.lessonIndex), 0);
    // Typing goes to the text even though the list had the focus.
    await page.focus('.lesson-item[data-lesson="home-fj"]');
    await h.typeText(page, 'ff', 100);
    assert.equal(await page.evaluate(() => Tapwise.app.state.session.position()), 2);
    assert.equal(await page.evaluate(() => document.activeElement.id), 'typingPanel');
});
