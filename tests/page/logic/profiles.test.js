'use strict';
// Progress per signed-in profile (by the name "queryUser" gives), the shell's sign-in pushes,
// and the page's language switch kept by the shell or, without one, by the page.
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('../support/harness');

const user = (name) => ({ data: { login: name !== null, name: name || '' }, msg: '', result: true });
const kPushIn = '{"cmd":"queryLogin","param":{"data":{"login":true},"msg":"","result":true}}';

let browser;
test.before(async () => {
    browser = await h.launchBrowser();
});
test.after(async () => {
    await browser.close();
});

async function shown(page) {
    return page.evaluate(() => ({
        profile: Tapwise.app.state.progress.profile,
        passed: document.getElementById('sidebarProgress').textContent.trim(),
        label: document.getElementById('signinLabel').textContent,
    }));
}

async function answerAs(page, reply) {
    await page.evaluate((value) => {
        window.__stub.replies.queryuser = value;
    }, reply);
}

test('each named profile keeps its own progress, switched by the shell\'s pushes', async () => {
    const { page, errors } = await h.openPage(browser, { replies: { queryuser: user('Ada') } });
    assert.deepEqual(await h.sentRequests(page), [{ cmd: 'queryUser', async: false }]);
    assert.deepEqual(await shown(page), { profile: 'profile:Ada', passed: '0 of 21 passed', label: 'Signed in: Ada' });
    await h.typeText(page, await page.evaluate(() => Tapwise.app.state.session.text), 300);
    assert.deepEqual((await shown(page)).passed, '1 of 21 passed');

    // Another profile signs in on top: the push says only "signed in", the page asks who.
    const logs = [];
    page.on('console', (message) => logs.push(message.text()));
    await answerAs(page, user('Ben'));
    await h.pushLikeShell(page, kPushIn);
    assert.deepEqual(await shown(page), { profile: 'profile:Ben', passed: '0 of 21 passed', label: 'Signed in: Ben' });
    assert.ok(logs.includes('Tapwise: sign-in state: in, pushed by the shell'), logs.join('\n'));
    // From the results screen the new profile gets its own next lesson.
    assert.equal(await page.evaluate(() => Tapwise.app.state.screen), 'lesson');
    assert.equal(await page.evaluate(() => Tapwise.app.state.lessonIndex), 0);

    // A failed question after a push keeps the open profile rather than guess.
    await answerAs(page, { data: null, msg: '账号服务出错', result: false });
    await h.pushLikeShell(page, kPushIn);
    assert.deepEqual(await shown(page), { profile: 'profile:Ben', passed: '0 of 21 passed', label: 'Query failed: 账号服务出错' });

    await answerAs(page, user('Ada'));
    await h.pushLikeShell(page, kPushIn);
    assert.deepEqual(await shown(page), { profile: 'profile:Ada', passed: '1 of 21 passed', label: 'Signed in: Ada' });
    await answerAs(page, user(null));
    await h.pushLikeShell(page, '{"cmd":"queryLogin","param":{"data":{"login":false},"msg":"","result":true}}');
    assert.deepEqual(await shown(page), { profile: 'guest', passed: '0 of 21 passed', label: 'Not signed in' });
    // Focus asks "queryUser" asynchronously; its answer arrives as a push of that name.
    await page.evaluate(() => window.dispatchEvent(new Event('focus')));
    const asked = (await h.sentRequests(page)).filter((request) => request.async);
    assert.deepEqual(asked, [{ cmd: 'queryUser', async: true }]);
    await h.pushLikeShell(page, '{"cmd":"queryUser","param":{"data":{"login":true,"name":"Ada"},"msg":"","result":true}}');
    assert.equal((await shown(page)).profile, 'profile:Ada');
    assert.deepEqual(errors, []);
});

test('an answer that does not name a signed-in profile is not trusted', async () => {
    const rows = [
        { login: true, name: '' },
        { login: true },
        { login: 'yes', name: 'Ada' },
        { login: true, name: 5 },
    ];
    for (const data of rows) {
        const { page, errors } = await h.openPage(browser, {
            replies: { queryuser: { data, msg: '', result: true }, querylogin: { data: { login: false }, msg: '', result: true } },
        });
        // Taken for an older shell: "queryLogin" is asked instead.
        assert.deepEqual(await h.sentRequests(page), [{ cmd: 'queryUser', async: false }, { cmd: 'queryLogin', async: false }], JSON.stringify(data));
        assert.equal((await shown(page)).profile, 'guest', JSON.stringify(data));
        assert.deepEqual(errors, []);
        await page.close();
    }
});

test('the language switch is kept by the shell, or by the page when no shell keeps it', async () => {
    const kept = await h.openPage(browser, { replies: { setlanguage: { data: { lang: 'zh' }, msg: '', result: true } } });
    assert.equal(await kept.page.textContent('#btnLanguage'), '中文');
    await kept.page.click('#btnLanguage');
    assert.deepEqual((await h.sentRequests(kept.page)).pop(), { cmd: 'setLanguage', async: false, param: { lang: 'zh' } });
    assert.equal(await kept.page.textContent('#lessonsHeading'), '课程');
    assert.equal(await kept.page.textContent('#lessonTitle'), 'F 与 J');
    assert.equal(await kept.page.textContent('#btnLanguage'), 'EN');
    assert.equal(await kept.page.textContent('#toast'), '已切换语言；窗口自身的菜单和对话框在下次启动时跟随');
    assert.equal(await kept.page.evaluate(() => localStorage.getItem('tapwise.language')), null);
    // A run in progress goes on in the other language.
    await h.typeText(kept.page, 'fff', 200);
    await kept.page.click('#btnLanguage');
    assert.equal(await kept.page.evaluate(() => Tapwise.app.state.session.position()), 3);
    assert.equal(await kept.page.textContent('#lessonTitle'), 'F and J');
    assert.deepEqual(kept.errors, []);

    const refused = await h.openPage(browser);
    await refused.page.click('#btnLanguage');
    assert.equal(await refused.page.textContent('#toast'), '已切换语言，但应用没有保存这个设置：方法 setLanguage 不存在！');
    assert.equal(await refused.page.evaluate(() => localStorage.getItem('tapwise.language')), 'zh');

    const plain = await h.openPage(browser, { shell: false });
    await plain.page.click('#btnLanguage');
    assert.equal(await plain.page.evaluate(() => localStorage.getItem('tapwise.language')), 'zh');
    await plain.page.close();
    const again = await h.openPage(browser, { shell: false, context: plain.context });
    // Started in Chinese with no course chosen yet, the page opens on pinyin; a switch while
    // open keeps the course (above).
    assert.equal(await again.page.textContent('#lessonsHeading'), '拼音课程');
    assert.deepEqual(again.errors, []);
});
