'use strict';
// The history of finished runs: per-key figures from real key events, and a stored history
// that is damaged, too long or too big for the storage.
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('../support/harness');
const seed = require('../support/seed');

const kKey = 'tapwise.history.v1:guest';

let browser;
test.before(async () => {
    browser = await h.launchBrowser();
});
test.after(async () => {
    await browser.close();
});

async function stored(page) {
    return page.evaluate((key) => JSON.parse(localStorage.getItem(key)), kKey);
}

async function reopen(first, options = {}) {
    await first.page.close();
    return h.openPage(browser, Object.assign({ context: first.context }, options));
}

test('per-key presses, misses and median times come from the typed keys', async () => {
    const { page, errors } = await h.openPage(browser);
    const text = await page.evaluate(() => Tapwise.app.state.session.text);
    // The pause before a key is its time: 200 ms before f, 300 ms before j, 150 before space.
    const pause = (next) => (next === 'f' ? 200 : next === 'j' ? 300 : 150);
    const steps = [];
    Array.from(text).forEach((ch, i) => {
        if (i === 1) {
            // A wrong key for f, corrected: a miss of f, and the f after the correction has no
            // time (the pause went into the correction).
            steps.push(['j', 500], ['Backspace', 700]);
        }
        steps.push([ch, pause(text.charAt(i + 1))]);
    });
    await h.typeScript(page, steps);
    const history = await stored(page);
    assert.equal(history.sessions.length, 1);
    const run = history.sessions[0];
    const count = (ch) => Array.from(text).filter((c) => c === ch).length;
    assert.deepEqual(run.keys, {
        f: [count('f') + 1, 1, 200],
        j: [count('j'), 0, 300],
        space: [count(' '), 0, 150],
    });
    assert.deepEqual(
        { lesson: run.lesson, kind: run.kind, layout: run.layout, keystrokes: run.keystrokes, errors: run.errors },
        { lesson: 'home-fj', kind: 'lesson', layout: 'us', keystrokes: text.length + 1, errors: 1 });
    assert.equal(run.at, h.kStartTime + 60000 + run.durationMs);
    const result = await page.evaluate(() => Tapwise.app.state.lastResult.result);
    // Timed presses: not the first key, not the key right after a correction, not a wrong one.
    assert.deepEqual(Object.fromEntries(Object.entries(result.keyTimes).map(([ch, times]) => [ch, times.length])),
        { f: count('f') - 2, j: count('j'), ' ': count(' ') });
    assert.equal(run.wpm, result.wpm);
    assert.equal(run.accuracy, result.accuracy);
    assert.equal(run.durationMs, result.timeMs);
    assert.deepEqual(errors, []);
});

test('unreadable runs and days are skipped and the rest kept', async () => {
    const first = await h.openPage(browser);
    const good = seed.makeSessions(3);
    const broken = [
        null,
        'run',
        [1, 2],
        Object.assign({}, good[0], { at: 'yesterday' }),
        Object.assign({}, good[0], { lesson: '' }),
        Object.assign({}, good[0], { errors: good[0].keystrokes + 1 }),
        Object.assign({}, good[0], { accuracy: 101 }),
        Object.assign({}, good[0], { wpm: null }),
        Object.assign({}, good[0], { keys: { f: [0, 0, 100] } }),
        Object.assign({}, good[0], { keys: { f: [5, 6, 100] } }),
        Object.assign({}, good[0], { keys: { f: [5, 1] } }),
        Object.assign({}, good[0], { keys: { f: [5, 1, -3] } }),
        Object.assign({}, good[0], { keys: null }),
    ];
    const days = {
        '2024-01-02': { sessions: 2, durationMs: 60000, keystrokes: 300, errors: 3, wpmSum: 40, accuracySum: 198 },
        'yesterday': { sessions: 1, durationMs: 1, keystrokes: 1, errors: 0, wpmSum: 1, accuracySum: 100 },
        '2024-01-03': { sessions: 0, durationMs: 1, keystrokes: 1, errors: 0, wpmSum: 1, accuracySum: 100 },
        '2024-01-04': { sessions: 1, durationMs: 1, keystrokes: 1, errors: 0, wpmSum: 1, accuracySum: 101 },
    };
    await first.page.evaluate(([key, value]) => localStorage.setItem(key, JSON.stringify(value)),
        [kKey, { version: 1, sessions: [good[0], ...broken, good[1], good[2]], days }]);
    const logs = [];
    const { page, errors } = await reopen(first);
    page.on('console', (message) => logs.push(message.text()));
    assert.deepEqual(errors, []);
    const history = await page.evaluate(() => ({
        sessions: Tapwise.app.state.history.sessions(),
        total: Tapwise.app.state.history.totalSessions(),
        skipped: Tapwise.app.state.history.skipped,
    }));
    assert.deepEqual(history.sessions, good);
    assert.equal(history.total, 3 + 2);
    assert.equal(history.skipped, broken.length + 3);

    // The next run writes the readable part back, with itself added.
    await h.typeText(page, await page.evaluate(() => Tapwise.app.state.session.text), 250);
    const after = await stored(page);
    assert.deepEqual(after.sessions.slice(0, 3), good);
    assert.equal(after.sessions.length, 4);
    assert.deepEqual(Object.keys(after.days), ['2024-01-02']);

    // A history that is not JSON at all starts afresh.
    await page.evaluate((key) => localStorage.setItem(key, '{"version":1,"sessions":['), kKey);
    const again = await reopen({ page, context: first.context });
    assert.deepEqual(again.errors, []);
    assert.equal(await again.page.evaluate(() => Tapwise.app.state.history.totalSessions()), 0);
});

test('old runs fold into daily totals, also when the storage is full', async () => {
    const first = await h.openPage(browser);
    const sessions = seed.makeSessions(2050, { runsPerDay: 10 });
    await first.page.evaluate(([key, value]) => localStorage.setItem(key, JSON.stringify(value)),
        [kKey, { version: 1, sessions, days: {} }]);
    const { page } = await reopen(first);
    const totals = (list) => list.reduce((sum, run) => ({
        runs: sum.runs + 1, ms: sum.ms + run.durationMs, keystrokes: sum.keystrokes + run.keystrokes,
    }), { runs: 0, ms: 0, keystrokes: 0 });
    const expected = totals(sessions);
    const read = await page.evaluate(() => {
        const record = Tapwise.app.state.history;
        const daily = record.daily();
        return {
            whole: record.sessions().length,
            newest: record.sessions()[record.sessions().length - 1].at,
            total: record.totalSessions(),
            daily: daily.reduce((sum, day) => ({
                runs: sum.runs + day.sessions, ms: sum.ms + day.durationMs, keystrokes: sum.keystrokes + day.keystrokes,
            }), { runs: 0, ms: 0, keystrokes: 0 }),
            days: daily.length,
        };
    });
    assert.equal(read.whole, 2000);
    assert.equal(read.newest, sessions[sessions.length - 1].at);
    assert.equal(read.total, 2050);
    assert.deepEqual(read.daily, expected);
    assert.equal(read.days, 205);

    // Storage that takes no more than about a megabyte: the next run still gets saved, older
    // runs give way to daily totals and no run is lost from the counts.
    await page.evaluate((key) => {
        const setItem = Storage.prototype.setItem;
        Storage.prototype.setItem = function (name, value) {
            if (name === key && value.length > 1000000) throw new DOMException('full', 'QuotaExceededError');
            return setItem.call(this, name, value);
        };
    }, kKey);
    await h.typeText(page, await page.evaluate(() => Tapwise.app.state.session.text), 250);
    const after = await page.evaluate((key) => ({
        text: localStorage.getItem(key).length,
        whole: Tapwise.app.state.history.sessions().length,
        total: Tapwise.app.state.history.totalSessions(),
        toast: document.getElementById('toast').hidden,
    }), kKey);
    assert.ok(after.text <= 1000000);
    assert.ok(after.whole < 2000 && after.whole >= 100, String(after.whole));
    assert.equal(after.total, 2051);
    assert.equal(after.toast, true);
});
