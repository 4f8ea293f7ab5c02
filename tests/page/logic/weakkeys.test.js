'use strict';
// Practice aimed at weak keys: which keys a seeded history marks as weak and why, the text
// built for them, and key by key opening letters as the open ones meet the bar.
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('../support/harness');
const seed = require('../support/seed');

let browser;
test.before(async () => {
    browser = await h.launchBrowser();
});
test.after(async () => {
    await browser.close();
});

async function seeded(history, progress) {
    const first = await h.openPage(browser);
    await first.page.evaluate(([runs, lessons]) => {
        localStorage.setItem('tapwise.history.v1:guest', JSON.stringify(runs));
        if (lessons) localStorage.setItem('tapwise.progress.v1:guest', JSON.stringify(lessons));
    }, [history, progress || null]);
    await first.page.close();
    return h.openPage(browser, { context: first.context });
}

function onLayout(sessions, layout) {
    return sessions.map((run) => Object.assign({}, run, { layout }));
}

test('weak keys are chosen from enough presses, by misses and by speed', async () => {
    const { page } = await h.openPage(browser);
    const rows = [
        { name: 'no history', sessions: [], weak: [], measured: 0 },
        { name: 'too few presses to tell', sessions: seed.makeSessions(1, { weak: { j: { missRate: 0.4, ms: 200 } } }), weak: [], measured: 0 },
        { name: 'an even typist', sessions: seed.makeSessions(20), weak: [], measured: 26 },
        {
            name: 'a missed key and a slow key',
            sessions: seed.makeSessions(20, { weak: { j: { missRate: 0.15, ms: 200 }, q: { missRate: 0.02, ms: 500 } } }),
            weak: [['j', ['misses']], ['q', ['slow']]],
            measured: 26,
        },
        {
            name: 'at most four, worst first',
            sessions: seed.makeSessions(20, { weak: {
                a: { missRate: 0.1, ms: 200 }, b: { missRate: 0.2, ms: 200 }, c: { missRate: 0.3, ms: 200 },
                d: { missRate: 0.4, ms: 200 }, e: { missRate: 0.5, ms: 600 },
            } }),
            weak: [['e', ['misses', 'slow']], ['d', ['misses']], ['c', ['misses']], ['b', ['misses']]],
            measured: 26,
        },
        {
            name: 'runs on another layout do not count',
            sessions: onLayout(seed.makeSessions(20, { weak: { j: { missRate: 0.3, ms: 200 } } }), 'dvorak'),
            weak: [],
            measured: 0,
        },
    ];
    for (const row of rows) {
        const made = await page.evaluate((sessions) => {
            const result = Tapwise.weakkeys.weakKeyLesson(sessions, Tapwise.wordlist, { layout: 'us', seed: 5 });
            const words = result.lesson.text.split(' ');
            const known = new Set(Tapwise.wordlist);
            return {
                weak: result.analysis.weak.map((key) => [key.id, key.reasons]),
                measured: result.analysis.measured,
                words: words.length,
                unknown: words.filter((word) => !known.has(word)),
                targets: result.lesson.targets,
                uses: result.lesson.targets.map((target) => words.filter((word) => word.includes(target)).length),
            };
        }, row.sessions);
        assert.deepEqual(made.weak, row.weak, row.name);
        assert.equal(made.measured, row.measured, row.name);
        assert.deepEqual(made.unknown, [], row.name);
        assert.ok(made.words >= 30, row.name);
        // The targets take turns in three of every four words.
        made.uses.forEach((uses) => assert.ok(uses >= Math.floor(made.words * 0.75 / made.targets.length), row.name));
    }
});

test('the weak-key lesson says what it trains and why, and records its runs', async () => {
    const sessions = seed.makeSessions(20, { weak: { j: { missRate: 0.15, ms: 200 }, q: { missRate: 0.02, ms: 500 } } });
    const { page, errors } = await seeded({ version: 1, sessions, days: {} });
    await page.click('#navWeak');
    assert.equal(await page.textContent('#lessonTitle'), 'Weak-key practice');
    const tip = await page.textContent('#lessonTip');
    assert.match(tip, /^Training J, Q\. J missed \d+(\.\d)?% \(you average 0(\.\d)?%\); Q takes \d+ ms \(typical 2\d\d ms\)\.$/);
    assert.equal(await page.isHidden('#lessonGoal'), true);
    const text = await page.evaluate(() => Tapwise.app.state.session.text);
    await h.typeText(page, text, 150);
    assert.equal(await page.textContent('#resultsVerdict'), 'Practice complete');
    assert.equal(await page.textContent('#resultsGoal'), 'This run trained J, Q');
    const last = await page.evaluate(() => JSON.parse(localStorage.getItem('tapwise.history.v1:guest')).sessions.pop());
    assert.deepEqual([last.lesson, last.kind], ['weak-keys', 'weak']);
    // Practice leaves the graded lessons alone.
    assert.equal(await page.evaluate(() => Object.keys(Tapwise.app.state.progress.data.lessons).length), 0);
    await page.click('#btnNext');
    assert.notEqual(await page.evaluate(() => Tapwise.app.state.session.text), text);
    assert.deepEqual(errors, []);

    const fresh = await h.openPage(browser);
    await fresh.page.click('#navWeak');
    assert.match(await fresh.page.textContent('#lessonTip'), /^Too little typing yet to tell weak keys \(each key needs 20 presses\)/);
});

function allPassed() {
    const ids = ['home-fj', 'home-dk', 'home-sl', 'home-a', 'home-gh', 'home-words', 'top-ei', 'top-ru', 'top-ty',
        'top-wo', 'top-qp', 'bottom-vbnm', 'bottom-cxz', 'full-words', 'full-capitals', 'full-punctuation',
        'numbers', 'symbols', 'passage-garden', 'passage-lighthouse', 'passage-practice'];
    const lessons = {};
    ids.forEach((id) => {
        lessons[id] = { attempts: 1, passed: true, bestWpm: 30, bestAccuracy: 97, lastWpm: 30, lastAccuracy: 97 };
    });
    return { version: 1, lessons, keys: {} };
}

// Runs of key by key at seven open letters; slow: a key that misses the speed bar.
function unlockRuns(slow) {
    return seed.makeSessions(4).map((run) => {
        const keys = {};
        for (const key of 'fjdksla') keys[key] = [8, 0, key === slow ? 520 : 260];
        return Object.assign({}, run, { lesson: 'unlock-7', kind: 'unlock', keys });
    });
}

test('key by key opens after the graded lessons and adds a letter once the open ones are ready', async () => {
    const locked = await h.openPage(browser);
    await locked.page.click('#navUnlock', { force: true });
    assert.equal(await locked.page.evaluate(() => Tapwise.app.state.practice), null);
    assert.equal(await locked.page.textContent('#toast'), 'Key by key opens once every lesson is passed');

    const rows = [
        { name: 'a first start', runs: [], lesson: 'unlock-7', open: 'fjdksla', opened: null },
        { name: 'every open key meets the bar', runs: unlockRuns(null), lesson: 'unlock-8', open: 'fjdksla' + 'e', opened: 'e' },
        { name: 'one key too slow', runs: unlockRuns('s'), lesson: 'unlock-7', open: 'fjdksla', opened: null },
    ];
    for (const row of rows) {
        const { page, errors } = await seeded({ version: 1, sessions: row.runs, days: {} }, allPassed());
        await page.click('#navUnlock');
        const lesson = await page.evaluate(() => {
            const practice = Tapwise.app.state.practice;
            return { id: practice.id, opened: practice.opened, text: practice.text };
        });
        assert.equal(lesson.id, row.lesson, row.name);
        assert.equal(lesson.opened, row.opened, row.name);
        assert.match(lesson.text, new RegExp('^[' + row.open + ' ]+$'), row.name);
        assert.ok(lesson.text.includes(row.open.slice(-1)), row.name);
        const tip = await page.textContent('#lessonTip');
        if (row.opened) assert.match(tip, /^New key: E! Open keys: F, J, D, K, S, L, A, E\. Newest: E\. I opens when/, row.name);
        else assert.match(tip, /^Open keys: F, J, D, K, S, L, A\. Newest: A\. E opens when every open key has 15 presses/, row.name);
        assert.deepEqual(errors, [], row.name);
        if (row.name === 'one key too slow') {
            await h.typeText(page, lesson.text.slice(0, -1), 1000);
            await h.typeText(page, lesson.text.slice(-1), 0);
            assert.match(await page.textContent('#resultsGoal'), /^Not there yet: .*S \(\d+ ms\)/);
        }
    }
});
