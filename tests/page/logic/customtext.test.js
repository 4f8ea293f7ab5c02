'use strict';
// The typist's own texts: what of a text can be typed, and a text kept, practised, still there
// after a reload, and deleted.
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

test('only what the keyboard types is practised; the rest is shown and skipped', async () => {
    const { page } = await h.openPage(browser);
    const rows = [
        ['plain text stays', 'The cat sat.', 'The cat sat.', []],
        ['typographic marks become plain', '“Don’t” – wait…', '"Don\'t" - wait...', []],
        ['accents and other scripts are skipped', 'Café 日本 naïve', 'Caf nave', ['日', '本', 'é', 'ï']],
        ['emoji are skipped whole', 'go 😀 now', 'go now', ['😀']],
        ['line breaks and runs of spaces become one space', '  one\n\n two\tthree  ', 'one two three', []],
        ['nothing typable', '日本語', '', ['日', '本', '語']],
    ];
    for (const [name, input, practice, skipped] of rows) {
        const read = await page.evaluate((text) => {
            const result = Tapwise.customtext.analyse(text, Tapwise.keyboard.keyFor);
            return { practice: result.practice, skipped: result.skipped.map((entry) => entry.ch), shown: result.segments.map((s) => s.text).join('') };
        }, input);
        assert.equal(read.practice, practice, name);
        assert.deepEqual(read.skipped.sort(), skipped.slice().sort(), name);
        assert.equal(read.shown, input, name);
    }
});

test('a text is kept, practised, still there after a reload, and deleted', async () => {
    const first = await h.openPage(browser);
    const page = first.page;
    await page.click('#navTexts');
    assert.equal(await page.isVisible('#textsScreen'), true);
    assert.equal((await page.textContent('#customList')).trim(), 'No kept texts yet');

    // Refusals keep nothing.
    await page.click('#btnSaveText');
    assert.equal(await page.textContent('#textsMessage'), 'Type or paste a text first');
    await page.fill('#customText', '日本語');
    await page.click('#btnSaveText');
    assert.equal(await page.textContent('#textsMessage'), 'Nothing in this text can be typed on the keyboard');

    await page.fill('#customTitle', 'Café notes');
    await page.fill('#customText', 'Café time: “tea” now');
    assert.deepEqual(await page.$$eval('#customPreview .is-skipped', (spans) => spans.map((s) => s.textContent)), ['é']);
    assert.match(await page.textContent('#customSkipped'), /skipped, never counted as errors: é · 2 typographic marks/);
    await page.click('#btnSaveText');
    assert.equal(await page.textContent('#textsMessage'), 'Kept "Café notes"');
    assert.equal(await page.inputValue('#customText'), '');

    await page.click('#customList .text-practise');
    assert.equal(await page.textContent('#lessonTitle'), 'Café notes');
    const text = await page.evaluate(() => Tapwise.app.state.session.text);
    assert.equal(text, 'Caf time: "tea" now');
    await h.typeText(page, text, 200);
    assert.equal(await page.textContent('#resultsVerdict'), 'Practice complete');
    assert.equal(await page.evaluate(() => Tapwise.app.state.lastResult.result.errors), 0);
    const run = await page.evaluate(() => Tapwise.app.state.history.sessions()[0]);
    assert.equal(run.kind, 'custom');
    assert.match(run.lesson, /^custom-[a-z0-9]+$/);
    // R runs the same text again.
    await page.keyboard.press('r');
    assert.equal(await page.evaluate(() => Tapwise.app.state.session.text), text);

    await page.close();
    const again = await h.openPage(browser, { context: first.context });
    await again.page.click('#navTexts');
    assert.deepEqual(await again.page.$$eval('#customList .text-practise strong', (items) => items.map((i) => i.textContent)), ['Café notes']);
    await again.page.click('#customList .text-delete');
    assert.equal(await again.page.textContent('#textsMessage'), 'Deleted "Café notes"');
    await again.page.close();
    const last = await h.openPage(browser, { context: first.context });
    assert.deepEqual(await last.page.evaluate(() => Tapwise.app.state.customTexts.texts), []);
    assert.deepEqual(last.errors, []);
});
