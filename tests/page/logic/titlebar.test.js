'use strict';
// The page's title bar: window buttons, the sign-in button, and running without the shell.
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

async function windowCalls(page) {
    return (await h.bridgeCalls(page)).map((call) => call.name).filter((name) => /^win_(close|maximized|minimized)$/.test(name));
}

test('the title bar sits in the top rows where the shell drags the window', async () => {
    const { page } = await h.openPage(browser);
    const box = await page.locator('#titlebar').boundingBox();
    assert.equal(box.y, 0);
    assert.ok(box.height >= 40 && box.height <= 56, `height ${box.height}`);
    assert.equal(box.width, h.kWindow.width);
    const close = await page.locator('#btnClose').boundingBox();
    assert.ok(close.x + close.width <= h.kWindow.width && close.x + close.width > h.kWindow.width - 4);
});

test('each window button calls its own bridge function once', async () => {
    const { page } = await h.openPage(browser);
    await page.click('#btnMinimize');
    assert.deepEqual(await windowCalls(page), ['win_minimized']);
    await page.click('#btnMaximize');
    assert.deepEqual(await windowCalls(page), ['win_minimized', 'win_maximized']);
    await page.click('#btnClose');
    assert.deepEqual(await windowCalls(page), ['win_minimized', 'win_maximized', 'win_close']);
    const buttons = await page.$$eval('.window-button', (items) => items.map((item) => item.getAttribute('aria-label')));
    assert.deepEqual(buttons, ['Minimise', 'Maximise / restore', 'Close']);
});

test('a double click on the empty title bar maximises or restores', async () => {
    const { page } = await h.openPage(browser);
    await page.dblclick('#dragSpace');
    assert.deepEqual(await windowCalls(page), ['win_maximized']);
});

test('the close button works from the keyboard', async () => {
    const { page } = await h.openPage(browser);
    await page.focus('#btnClose');
    await page.keyboard.press('Enter');
    assert.deepEqual(await windowCalls(page), ['win_close']);
});

test('the sign-in button asks the shell for its login form', async () => {
    const { page } = await h.openPage(browser);
    await page.click('#btnSignIn');
    const requests = await h.sentRequests(page);
    assert.deepEqual(requests[requests.length - 1], { cmd: 'showLoginForm', async: false });
    assert.equal(await page.isVisible('#toast'), false);
});

test('a failed login-form request is shown, with the shell\'s message', async () => {
    const { page } = await h.openPage(browser, {
        replies: { showloginform: { msg: '方法 showLoginForm 不存在！', result: false } },
    });
    await page.click('#btnSignIn');
    assert.equal(await page.isVisible('#toast'), true);
    assert.equal((await page.textContent('#toast')).trim(), 'Could not open the sign-in window: 方法 showLoginForm 不存在！');
    await page.clock.runFor(5000);
    assert.equal(await page.isVisible('#toast'), false);
});

test('a login-form request that gets no reply is shown as such', async () => {
    const { page, errors } = await h.openPage(browser, { replies: { showloginform: { noReply: true } } });
    await page.click('#btnSignIn');
    assert.equal((await page.textContent('#toast')).trim(), 'Could not open the sign-in window: The app did not answer');
    assert.deepEqual(errors, []);
});

test('in a plain browser the tutor works without sign-in and window controls', async () => {
    const { page, errors } = await h.openPage(browser, { shell: false });
    assert.equal(await page.isVisible('#windowControls'), false);
    assert.equal(await page.isVisible('#account'), false);
    assert.equal(await page.isVisible('#browserNote'), true);
    assert.equal((await page.textContent('#browserNote')).trim(), 'Browser mode · no sign-in or window controls');
    assert.equal((await page.textContent('#profileNote')).trim(), 'Progress kept in this browser');
    await page.evaluate(() => window.dispatchEvent(new Event('focus')));
    const text = await page.evaluate(() => Tapwise.app.state.session.text);
    await h.typeText(page, text, 300);
    assert.equal(await page.isVisible('#resultsScreen'), true);
    assert.deepEqual(errors, []);
});

test('a shell that binds only some window functions shows only those buttons', async () => {
    const { page } = await h.openPage(browser, { omit: ['win_maximized'] });
    assert.equal(await page.isVisible('#btnMinimize'), true);
    assert.equal(await page.isVisible('#btnMaximize'), false);
    assert.equal(await page.isVisible('#btnClose'), true);
    await page.dblclick('#dragSpace');
    assert.deepEqual(await windowCalls(page), []);
});

test('a bridge function that throws does not break the page', async () => {
    const { page, errors } = await h.openPage(browser);
    await page.evaluate(() => {
        window.win_close = () => {
            throw new Error('refused during unload');
        };
    });
    await page.click('#btnClose');
    await h.typeText(page, 'f', 0);
    assert.equal(await page.evaluate(() => Tapwise.app.state.session.position()), 1);
    assert.deepEqual(errors, []);
});
