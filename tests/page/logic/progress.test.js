'use strict';
// Progress saved in localStorage, one record per profile (guest or the device's signed-in user).
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('../support/harness');

const kSignedIn = { querylogin: { data: { login: true }, msg: '', result: true } };

let browser;
test.before(async () => {
    browser = await h.launchBrowser();
});
test.after(async () => {
    await browser.close();
});

async function passFirstLesson(page) {
    const text = await page.evaluate(() => Tapwise.app.state.session.text);
    await h.typeText(page, text, 300);
    assert.equal(await page.isVisible('#btnNext'), true);
}

async function storedKeys(page) {
    return page.evaluate(() => Object.keys(localStorage).filter((key) => key.startsWith('tapwise.')).sort());
}

test('progress survives a reload and the next open lesson is offered', async () => {
    const first = await h.openPage(browser);
    await passFirstLesson(first.page);
    await first.page.close();

    const { page } = await h.openPage(browser, { context: first.context });
    assert.equal(await page.evaluate(() => Tapwise.app.state.lessonIndex), 1);
    assert.equal(await page.getAttribute('.lesson-item[data-lesson="home-fj"]', 'class'), 'lesson-item is-passed');
    assert.match(await page.textContent('.lesson-item[data-lesson="home-fj"] .lesson-item-meta'), /^Best \d+(\.\d)? WPM$/);
    assert.equal((await page.textContent('#sidebarProgress')).trim(), '1 of 21 passed');
    const stored = await page.evaluate(() => JSON.parse(localStorage.getItem('tapwise.progress.v1:guest')));
    assert.equal(stored.lessons['home-fj'].passed, true);
    assert.equal(stored.lessons['home-fj'].attempts, 1);
    assert.ok(stored.keys.f.hits > 0 && stored.keys.space.hits > 0);
});

test('a later, weaker run keeps the best figures and the pass', async () => {
    const { page } = await h.openPage(browser);
    await passFirstLesson(page);
    const best = await page.evaluate(() => JSON.parse(localStorage.getItem('tapwise.progress.v1:guest')).lessons['home-fj']);
    await page.keyboard.press('r');
    const text = await page.evaluate(() => Tapwise.app.state.session.text);
    await h.typeText(page, text, 3000);
    const after = await page.evaluate(() => JSON.parse(localStorage.getItem('tapwise.progress.v1:guest')).lessons['home-fj']);
    assert.equal(after.attempts, 2);
    assert.equal(after.passed, true);
    assert.equal(after.bestWpm, best.bestWpm);
    assert.ok(after.lastWpm < best.bestWpm);
});

test('a shell that does not name profiles keeps a signed-in user\'s progress under the device code', async () => {
    const guest = await h.openPage(browser);
    await passFirstLesson(guest.page);
    await guest.page.close();

    const { page } = await h.openPage(browser, { context: guest.context, replies: kSignedIn, deviceId: 'dev-42' });
    assert.equal(await page.evaluate(() => Tapwise.app.state.lessonIndex), 0);
    assert.equal((await page.textContent('#sidebarProgress')).trim(), '0 of 21 passed');
    assert.equal((await page.textContent('#profileNote')).trim(), 'Progress kept on this computer (signed-in user)');
    await passFirstLesson(page);
    assert.deepEqual(await storedKeys(page), ['tapwise.history.v1:guest', 'tapwise.history.v1:user:dev-42',
        'tapwise.progress.v1:guest', 'tapwise.progress.v1:user:dev-42']);
});

test('signing in while the page is open switches to the user\'s progress', async () => {
    const { page } = await h.openPage(browser, { deviceId: 'dev-7' });
    await page.evaluate(() => localStorage.setItem('tapwise.progress.v1:user:dev-7',
        JSON.stringify({ version: 1, lessons: { 'home-fj': { attempts: 1, passed: true, bestWpm: 20, bestAccuracy: 98 } }, keys: {} })));
    assert.equal((await page.textContent('#sidebarProgress')).trim(), '0 of 21 passed');
    await page.evaluate(() => window.dispatchEvent(new Event('focus')));
    await h.pushLikeShell(page, '{"cmd":"queryLogin","param":{"data":{"login":true},"msg":"","result":true}}');
    assert.equal((await page.textContent('#sidebarProgress')).trim(), '1 of 21 passed');
    assert.equal(await page.evaluate(() => Tapwise.app.state.lessonIndex), 1);
});

test('unreadable or odd stored progress starts afresh without breaking the page', async () => {
    const first = await h.openPage(browser);
    await first.page.evaluate(() => localStorage.setItem('tapwise.progress.v1:guest', '{not json'));
    await first.page.close();
    let opened = await h.openPage(browser, { context: first.context });
    assert.deepEqual(opened.errors, []);
    assert.equal((await opened.page.textContent('#sidebarProgress')).trim(), '0 of 21 passed');

    await opened.page.evaluate(() => localStorage.setItem('tapwise.progress.v1:guest', JSON.stringify({
        version: 1,
        lessons: { 'home-fj': { attempts: 'many', passed: 'yes', bestWpm: -5 }, 'home-dk': null },
        keys: { f: { errors: Infinity, hits: '3' } },
    })));
    await opened.page.close();
    opened = await h.openPage(browser, { context: first.context });
    assert.deepEqual(opened.errors, []);
    const record = await opened.page.evaluate(() => Tapwise.app.state.progress.lesson('home-fj'));
    assert.deepEqual(record, { attempts: 0, passed: false, bestWpm: 0, bestAccuracy: 0, lastWpm: 0, lastAccuracy: 0 });
    assert.deepEqual(await opened.page.evaluate(() => Tapwise.app.state.progress.data.keys.f), { errors: 0, hits: 0 });
    assert.equal(await opened.page.evaluate(() => Tapwise.app.state.lessonIndex), 0);
});

test('without usable localStorage the tutor still runs and says progress is not kept', async () => {
    const context = await browser.newContext({ viewport: h.kWindow, locale: 'en-US' });
    await context.addInitScript(() => {
        Object.defineProperty(window, 'localStorage', {
            get() {
                throw new Error('storage disabled');
            },
        });
    });
    const { page, errors } = await h.openPage(browser, { context });
    assert.deepEqual(errors, []);
    assert.equal((await page.textContent('#profileNote')).trim(), 'Progress cannot be saved: browser storage is unavailable');
    await passFirstLesson(page);
    assert.equal(await page.evaluate(() => Tapwise.app.state.progress.isPassed('home-fj')), true);
});

test('far into the course the offered lesson is scrolled into view in the list', async () => {
    const first = await h.openPage(browser);
    const passed = await first.page.evaluate(() => {
        const lessons = {};
        Tapwise.lessons.list.slice(0, 17).forEach((lesson) => {
            lessons[lesson.id] = { attempts: 1, passed: true, bestWpm: 30, bestAccuracy: 97 };
        });
        localStorage.setItem('tapwise.progress.v1:guest', JSON.stringify({ version: 1, lessons, keys: {} }));
        return Object.keys(lessons).length;
    });
    await first.page.close();
    const { page } = await h.openPage(browser, { context: first.context });
    assert.equal(await page.evaluate(() => Tapwise.app.state.lessonIndex), passed);
    const visible = await page.evaluate(() => {
        const list = document.getElementById('lessonList').getBoundingClientRect();
        const item = document.querySelector('.lesson-item.is-current').getBoundingClientRect();
        return item.top >= list.top && item.bottom <= list.bottom;
    });
    assert.equal(visible, true);
});
