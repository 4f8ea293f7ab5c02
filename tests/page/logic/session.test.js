'use strict';
// Speed and accuracy of scripted typing, driven through real key events with a controlled clock.
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('../support/harness');

const kLesson1 = 'fff jjj fjf jfj ff jj fj jf fjj jff jfj fjf';

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

test('the first lesson is the one on screen and its text is the expected drill', async () => {
    const { page, errors } = await h.openPage(browser);
    assert.equal(await page.evaluate(() => Tapwise.app.state.session.text), kLesson1);
    assert.equal(kLesson1.length, 43);
    assert.deepEqual(errors, []);
});

test('an error-free run: 43 correct characters over 42 s is 12.3 WPM at 100 %', async () => {
    const { page } = await h.openPage(browser);
    // One second after every key; the clock runs from the first key to the last (42 s).
    await h.typeText(page, kLesson1, 1000);
    assert.equal(await page.isVisible('#resultsScreen'), true);
    assert.equal(await text(page, '#resultWpm'), '12.3'); // (43 / 5) / 0.7 min
    assert.equal(await text(page, '#resultAccuracy'), '100%');
    assert.equal(await text(page, '#resultTime'), '42 s');
    assert.equal(await text(page, '#resultKeystrokes'), '43');
    assert.equal(await text(page, '#resultErrors'), '0');
});

test('a wrong key corrected with Backspace and a wrong key left standing', async () => {
    const { page } = await h.openPage(browser);
    // "fff", then k for the space, Backspace, the space; the rest right but a d for the last f.
    const steps = [];
    for (const ch of 'fff') steps.push([ch, 1000]);
    steps.push(['k', 1000], ['Backspace', 1000]);
    for (const ch of kLesson1.slice(3, -1)) steps.push([ch, 1000]);
    steps.push(['d', 0]);
    await h.typeScript(page, steps);

    // 44 keystrokes (Backspace is none), 2 of them wrong: 42 / 44 = 95.45 %.
    // 42 characters stand correct; 44 s from first to last key: (42 / 5) / (44 / 60) = 11.45.
    assert.equal(await text(page, '#resultKeystrokes'), '44');
    assert.equal(await text(page, '#resultErrors'), '2');
    assert.equal(await text(page, '#resultCorrected'), '1');
    assert.equal(await text(page, '#resultUncorrected'), '1');
    assert.equal(await text(page, '#resultAccuracy'), '95.5%');
    assert.equal(await text(page, '#resultWpm'), '11.5');
    assert.equal(await text(page, '#resultTime'), '44 s');
    // Each mistake is counted on the key that should have been typed.
    const badges = await page.$$eval('#resultsKeyboard .kb-key', (keys) =>
        keys
            .filter((key) => !key.querySelector('.kb-badge').hidden)
            .map((key) => key.dataset.key + '=' + key.querySelector('.kb-badge').textContent));
    assert.deepEqual(badges.sort(), ['f=1', 'space=1']);
});

test('a correction does not undo the mistake: wrong, Backspace, right is 1 of 2', async () => {
    const { page } = await h.openPage(browser);
    await h.typeScript(page, [['j', 500], ['Backspace', 500], ['f', 500]]);
    const figures = await page.evaluate(() => {
        const session = Tapwise.app.state.session;
        return { keystrokes: session.keystrokes, correct: session.correctKeystrokes, position: session.position() };
    });
    assert.deepEqual(figures, { keystrokes: 2, correct: 1, position: 1 });
    assert.equal(await text(page, '#statAccuracy'), '50');
});

test('live speed and accuracy follow the clock while typing', async () => {
    const { page } = await h.openPage(browser);
    assert.equal(await text(page, '#statWpm'), '0');
    assert.equal(await text(page, '#statAccuracy'), '—');
    // 5 correct characters, the first at 0 s; the display refreshes on its own as time passes.
    await h.typeText(page, 'fff j', 1000);
    assert.equal(await text(page, '#statWpm'), '12'); // 1 word in 5 s
    assert.equal(await text(page, '#statAccuracy'), '100');
    assert.equal(await text(page, '#statTime'), '0:05');
    await page.clock.runFor(5000);
    assert.equal(await text(page, '#statWpm'), '6'); // 1 word in 10 s
    await h.typeText(page, 'x', 0);
    assert.equal(await text(page, '#statAccuracy'), '83.3');
    assert.equal(await text(page, '#statErrors'), '1');
});

test('the typed text shows right, wrong and current characters', async () => {
    const { page } = await h.openPage(browser);
    await h.typeText(page, 'fj', 100);
    const states = await page.$$eval('#typingText .ch', (chars) =>
        chars.slice(0, 4).map((ch) => ch.className.replace(/\bch\b|\bspace\b/g, '').trim()));
    assert.deepEqual(states, ['is-correct', 'is-wrong', 'is-current', 'is-pending']);
});

test('Ctrl+Backspace removes the last word and Escape restarts the lesson', async () => {
    const { page } = await h.openPage(browser);
    await h.typeText(page, 'fff jj', 200);
    await page.keyboard.press('Control+Backspace');
    assert.equal(await page.evaluate(() => Tapwise.app.state.session.position()), 4);
    await page.keyboard.press('Escape');
    const fresh = await page.evaluate(() => {
        const session = Tapwise.app.state.session;
        return { position: session.position(), keystrokes: session.keystrokes, started: session.started() };
    });
    assert.deepEqual(fresh, { position: 0, keystrokes: 0, started: false });
    assert.equal(await text(page, '#statWpm'), '0');
});

test('the session engine: edge cases of its counting rules', async () => {
    const { page } = await h.openPage(browser);
    const result = await page.evaluate(() => {
        const session = new Tapwise.TypingSession('ab c');
        const out = {};
        out.accuracyBefore = session.accuracy();
        out.backspaceAtStart = session.backspace();
        session.input('a', 1000);
        out.wpmAtFirstKey = session.wpm(1000);
        out.ignoredLongKey = session.input('Shift', 1200);
        session.input('b', 13000);
        session.input(' ', 25000);
        session.input('c', 61000);
        out.finished = session.finished();
        out.afterEnd = session.input('d', 70000);
        out.backspaceAfterEnd = session.backspace();
        out.result = session.result(90000);
        return out;
    });
    assert.equal(result.accuracyBefore, null);
    assert.equal(result.backspaceAtStart, false);
    assert.equal(result.wpmAtFirstKey, 0);
    assert.equal(result.ignoredLongKey, null);
    assert.equal(result.finished, true);
    assert.equal(result.afterEnd, null);
    assert.equal(result.backspaceAfterEnd, false);
    // 4 correct characters over 60 s (the clock stops at the last key): 0.8 WPM.
    assert.equal(result.result.wpm, 0.8);
    assert.equal(result.result.timeMs, 60000);
    assert.equal(result.result.accuracy, 100);
    assert.equal(result.result.keystrokes, 4);
});

test('an empty lesson text is refused', async () => {
    const { page } = await h.openPage(browser);
    const message = await page.evaluate(() => {
        try {
            new Tapwise.TypingSession('');
            return 'accepted';
        } catch (error) {
            return error.message;
        }
    });
    assert.match(message, /needs a text/);
});
