'use strict';
// Sign-in state from "queryLogin": the synchronous answer at start, then asynchronous answers
// pushed through onMessage, including failures and unreadable messages.
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('../support/harness');

const kIn = { data: { login: true }, msg: '', result: true };
const kOut = { data: { login: false }, msg: '', result: true };

let browser;
test.before(async () => {
    browser = await h.launchBrowser();
});
test.after(async () => {
    await browser.close();
});

async function state(page) {
    return page.evaluate(() => {
        const chip = document.getElementById('signinState');
        return {
            status: chip.dataset.status,
            label: document.getElementById('signinLabel').textContent,
            button: document.getElementById('btnSignIn').textContent,
        };
    });
}

async function regainFocus(page) {
    await page.evaluate(() => window.dispatchEvent(new Event('focus')));
}

async function asyncQueries(page) {
    return (await h.sentRequests(page)).filter((request) => request.cmd === 'queryLogin' && request.async === true);
}

test('the start asks synchronously, exactly once, and shows a signed-in user', async () => {
    // A shell that does not know "queryUser" is asked "queryLogin" instead.
    const { page } = await h.openPage(browser, { replies: { querylogin: kIn } });
    assert.deepEqual(await h.sentRequests(page), [{ cmd: 'queryUser', async: false }, { cmd: 'queryLogin', async: false }]);
    assert.deepEqual(await state(page), { status: 'in', label: 'Signed in', button: 'Switch account' });
});

test('a signed-out answer at start', async () => {
    const { page } = await h.openPage(browser, { replies: { querylogin: kOut } });
    assert.deepEqual(await state(page), { status: 'out', label: 'Not signed in', button: 'Sign in' });
});

test('failed or unreadable answers at start give a clear state, never a broken page', async () => {
    const cases = [
        [{ msg: '服务暂不可用', result: false }, 'Query failed: 服务暂不可用'],
        [{ msg: '', result: false }, 'Sign-in state unknown'],
        [{ raw: 'not json at all' }, 'The app sent an unreadable answer'],
        [{ raw: '{"result":1,"data":{"login":true}}' }, 'The app sent an unreadable answer'],
        [{ raw: '{"result":true,"data":{"login":"yes"}}' }, 'The app sent an unreadable answer'],
        [{ raw: '{"result":true,"msg":""}' }, 'The app sent an unreadable answer'],
        [{ raw: '[true]' }, 'The app sent an unreadable answer'],
        [{ noReply: true }, 'The app did not answer'],
        [{ raw: 42 }, 'The app sent an unreadable answer'],
    ];
    for (const [reply, label] of cases) {
        const { page, errors, context } = await h.openPage(browser, { replies: { querylogin: reply } });
        const shown = await state(page);
        assert.equal(shown.status, 'error', JSON.stringify(reply));
        assert.equal(shown.label, label, JSON.stringify(reply));
        assert.equal(shown.button, 'Sign in');
        assert.deepEqual(errors, []);
        // The tutor itself still works.
        await h.typeText(page, 'f', 0);
        assert.equal(await page.evaluate(() => Tapwise.app.state.session.position()), 1);
        await context.close();
    }
});

test('regaining focus asks asynchronously and the pushed answer is shown', async () => {
    const { page } = await h.openPage(browser, { replies: { querylogin: kOut } });
    await regainFocus(page);
    assert.deepEqual(await asyncQueries(page), [{ cmd: 'queryLogin', async: true }]);
    assert.equal((await state(page)).label, 'Checking…');
    await h.pushLikeShell(page, '{"cmd":"queryLogin","param":{"data":{"login":true},"msg":"","result":true}}');
    assert.deepEqual(await state(page), { status: 'in', label: 'Signed in', button: 'Switch account' });
    await regainFocus(page);
    await h.pushLikeShell(page, '{"cmd":"queryLogin","param":{"data":{"login":false},"msg":"","result":true}}');
    assert.deepEqual(await state(page), { status: 'out', label: 'Not signed in', button: 'Sign in' });
});

test('the refresh button asks on the user\'s request', async () => {
    const { page } = await h.openPage(browser);
    await page.click('#btnRefreshSignIn');
    assert.deepEqual(await asyncQueries(page), [{ cmd: 'queryLogin', async: true }]);
});

test('a question already open is not asked again', async () => {
    const { page } = await h.openPage(browser);
    await regainFocus(page);
    await regainFocus(page);
    await page.click('#btnRefreshSignIn');
    assert.equal((await asyncQueries(page)).length, 1);
    await h.pushLikeShell(page, '{"cmd":"queryLogin","param":{"data":{"login":false},"msg":"","result":true}}');
    await regainFocus(page);
    assert.equal((await asyncQueries(page)).length, 2);
});

test('a failure push shows the shell\'s message', async () => {
    const { page } = await h.openPage(browser, { replies: { querylogin: kIn } });
    await regainFocus(page);
    await h.pushLikeShell(page, '{"cmd":"queryLogin","param":{"data":null,"msg":"账号服务出错","result":false}}');
    const shown = await state(page);
    assert.equal(shown.status, 'error');
    assert.equal(shown.label, 'Query failed: 账号服务出错');
    // The last definite answer still decides whose progress is shown.
    assert.equal(await page.evaluate(() => Tapwise.app.state.progress.profile), 'user:a1b2c3d4e5f6');
});

test('an unreadable push while a question is open gives a clear state', async () => {
    const malformed = [
        '{"cmd":"queryLogin","param":',
        '{"cmd":"queryLogin","param":{"result":true,"msg":"","data":null}}',
        '{"cmd":"queryLogin","param":{"result":"true","msg":"","data":{"login":true}}}',
        '{"cmd":"queryLogin","param":"login"}',
        '{"param":{"result":true,"msg":"","data":{"login":true}}}',
        'null',
    ];
    for (const text of malformed) {
        const { page, errors, context } = await h.openPage(browser, { replies: { querylogin: kIn } });
        await regainFocus(page);
        await page.evaluate((message) => onMessage(message), text);
        const shown = await state(page);
        assert.equal(shown.status, 'error', text);
        assert.equal(shown.label, 'The app sent an unreadable answer', text);
        assert.deepEqual(errors, [], text);
        await context.close();
    }
});

test('a push the shell could not quote reaches the page as a script error, and the query times out', async () => {
    const { page, errors } = await h.openPage(browser);
    await regainFocus(page);
    // A message with a single quote breaks "onMessage('...')" before the page sees it.
    await assert.rejects(h.pushLikeShell(page, '{"cmd":"queryLogin","param":{"data":null,"msg":"can\'t","result":false}}'));
    assert.equal((await state(page)).label, 'Checking…');
    await page.clock.runFor(10000);
    const shown = await state(page);
    assert.equal(shown.status, 'error');
    assert.equal(shown.label, 'The app did not answer');
    assert.deepEqual(errors, []);
});

test('pushes about other commands are ignored; the command name may come in any case', async () => {
    const { page } = await h.openPage(browser, { replies: { querylogin: kOut } });
    await regainFocus(page);
    await h.pushLikeShell(page, '{"cmd":"somethingElse","param":{"data":{"login":true},"msg":"","result":true}}');
    assert.equal((await state(page)).label, 'Checking…');
    await h.pushLikeShell(page, '{"cmd":"QUERYLOGIN","param":{"data":{"login":true},"msg":"","result":true}}');
    assert.equal((await state(page)).status, 'in');
});

test('an unreadable push with no question open changes nothing', async () => {
    const { page, errors } = await h.openPage(browser, { replies: { querylogin: kIn } });
    await page.evaluate(() => onMessage('garbage'));
    await page.evaluate(() => onMessage(undefined));
    assert.equal((await state(page)).status, 'in');
    assert.deepEqual(errors, []);
});

test('an asynchronous question the shell refuses at once shows its message', async () => {
    const { page } = await h.openPage(browser, {
        asyncReplies: { querylogin: { msg: '该方法 queryLogin 不支持异步调用！', result: false } },
    });
    await regainFocus(page);
    const shown = await state(page);
    assert.equal(shown.status, 'error');
    assert.equal(shown.label, 'Query failed: 该方法 queryLogin 不支持异步调用！');
    // Nothing is left waiting: the next focus asks again.
    await regainFocus(page);
    assert.equal((await asyncQueries(page)).length, 2);
});

test('the page answers the shell\'s replies as the shell writes them: indented over several lines', async () => {
    const { page } = await h.openPage(browser, {
        replies: { querylogin: { raw: '{\n   "data" : {\n      "login" : true\n   },\n   "msg" : "",\n   "result" : true\n}\n' } },
    });
    assert.equal((await state(page)).status, 'in');
});
