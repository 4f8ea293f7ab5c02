'use strict';
// The progress screen with no, one and ten thousand runs, its charts read with the keyboard,
// and export and import of all progress.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const h = require('../support/harness');
const seed = require('../support/seed');

let browser;
test.before(async () => {
    browser = await h.launchBrowser();
});
test.after(async () => {
    await browser.close();
});

async function withHistory(runs, options = {}) {
    const first = await h.openPage(browser, options);
    await first.page.evaluate((data) => localStorage.setItem('tapwise.history.v1:guest', JSON.stringify(data)), runs);
    await first.page.close();
    return h.openPage(browser, Object.assign({}, options, { context: first.context }));
}

async function screenState(page) {
    return page.evaluate(() => ({
        empty: document.getElementById('progressEmpty').hidden ? null : document.getElementById('progressEmpty').textContent,
        message: document.getElementById('progressMessage').textContent,
        figures: Array.from(document.querySelectorAll('.progress-figure')).map((figure) => figure.textContent),
        charts: Array.from(document.querySelectorAll('.chart-svg')).map((svg) => ({
            lines: svg.querySelectorAll('.chart-line').length,
            bars: svg.querySelectorAll('rect').length,
            readout: svg.parentNode.querySelector('.chart-readout').textContent,
        })),
        measuredKeys: document.querySelectorAll('#heatKeyboard .heat-measured').length,
    }));
}

test('the progress screen says something sensible with 0, 1 and 10,000 runs', async () => {
    const none = await h.openPage(browser);
    await none.page.click('#navProgress');
    const empty = await screenState(none.page);
    assert.match(empty.empty, /^No finished practice yet/);
    assert.equal(await none.page.isHidden('#progressBody'), true);
    assert.deepEqual(none.errors, []);

    const one = await withHistory(seed.makeHistory(1));
    await one.page.click('#navProgress');
    const single = await screenState(one.page);
    assert.equal(single.empty, null);
    assert.equal(single.message, 'One run so far. A few more and the charts show a trend.');
    assert.equal(single.figures[0], '1Runs');
    assert.match(single.charts[0].readout, /^Run 1 · 2024-03-01 · Speed \d+(\.\d)? · Average \d+(\.\d)?$/);
    assert.equal(single.charts[3].bars, 1);
    assert.equal(single.measuredKeys, 0); // fewer than 20 presses a key
    assert.deepEqual(one.errors, []);

    // Ten thousand runs do not fit in the storage whole: they come in through an import, as
    // from another computer, and the older ones are folded into daily totals on the way.
    const many = await h.openPage(browser);
    await many.page.click('#navProgress');
    const file = await many.page.evaluate(() => Tapwise.progressScreen.exportData(Date.now()));
    file.history = seed.makeHistory(10000, { runsPerDay: 25, weak: { j: { missRate: 0.2, ms: 200 } } });
    await importInto(many.page, JSON.stringify(file));
    assert.match(await many.page.textContent('#importSummary'), / 10000 runs, /);
    await many.page.click('#btnImportReplace');
    const full = await screenState(many.page);
    assert.equal(full.figures[0], '10000Runs');
    assert.match(await many.page.textContent('.figure-note'), /^8000 older runs are kept as daily totals$/);
    // Runs kept whole are drawn run by run; every day has its point and bar.
    assert.match(full.charts[0].readout, /^Run 10000 · 2024-03-01 · Speed/);
    assert.equal(full.charts[3].bars, 400);
    assert.equal(full.measuredKeys, 26);
    assert.match(await many.page.textContent('#heatLegend'), /Most in need of practice: J$/);
    assert.deepEqual(many.errors, []);

    // Readable and reachable: the language switch redraws it in Chinese; the charts take the keyboard.
    await many.page.click('#btnLanguage');
    assert.equal(await many.page.textContent('#progressScreen h1'), '进度与图表');
    assert.match((await screenState(many.page)).charts[2].readout, /^2024-03-01 · 速度 /);
    await many.page.focus('#chartSpeed .chart-svg');
    await many.page.keyboard.press('Home');
    assert.match(await many.page.textContent('#chartSpeed .chart-readout'), /^第 8001 次 · /);
    await many.page.keyboard.press('ArrowRight');
    assert.match(await many.page.textContent('#chartSpeed .chart-readout'), /^第 8002 次 · /);
    await many.page.keyboard.press('End');
    assert.match(await many.page.textContent('#chartSpeed .chart-readout'), /^第 10000 次 · /);
    // The heat map switches to speed from the keyboard too.
    await many.page.focus('#heatMisses');
    await many.page.keyboard.press('ArrowRight');
    assert.equal(await many.page.getAttribute('#heatSpeed', 'aria-checked'), 'true');
    assert.match(await many.page.textContent('#heatLegend'), /中位用时/);
    // Each key's figures are read out from the keyboard as well.
    await many.page.focus('#heatKeyboard');
    await many.page.keyboard.press('Home');
    assert.equal(await many.page.textContent('#heatReadout'), '`：还没有按过');
    for (let i = 0; i < 15; ++i) await many.page.keyboard.press('ArrowRight');
    assert.match(await many.page.textContent('#heatReadout'), /^Q：按 \d+ 次，错 \d+ 次（[\d.]+%），中位用时 \d+ ms$/);
    await many.page.keyboard.press('Escape');
    assert.equal(await many.page.isVisible('#lessonScreen'), true);
    assert.deepEqual(many.errors, []);
});

async function exportFrom(page) {
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#btnExport')]);
    const file = await download.path();
    return { name: download.suggestedFilename(), text: fs.readFileSync(file, 'utf8') };
}

// Chooses a file to import and waits until the page has read it: it then asks to confirm or
// says why it refuses.
async function importInto(page, text, name = 'progress.json') {
    await page.evaluate(() => {
        document.getElementById('progressMessage').textContent = '';
    });
    await page.setInputFiles('#importFile', { name, mimeType: 'application/json', buffer: Buffer.from(text) });
    await page.waitForFunction(() => !document.getElementById('importConfirm').hidden ||
        document.getElementById('progressMessage').textContent !== '');
}

async function everything(page) {
    return page.evaluate(() => ({
        progress: Tapwise.app.state.progress.data,
        history: Tapwise.app.state.history.data,
        texts: Tapwise.app.state.customTexts.texts,
    }));
}

test('export then import gives the same progress; a malformed or foreign file changes nothing', async () => {
    // A profile with some of everything: a passed lesson, runs, a kept text.
    const source = await withHistory(seed.makeHistory(30), { replies: { queryuser: { data: { login: true, name: 'Ada' }, msg: '', result: true } } });
    await source.page.evaluate(() => {
        const history = JSON.parse(localStorage.getItem('tapwise.history.v1:guest'));
        localStorage.setItem('tapwise.history.v1:profile:Ada', JSON.stringify(history));
    });
    const page = (await h.openPage(browser, { context: source.context, replies: { queryuser: { data: { login: true, name: 'Ada' }, msg: '', result: true } } })).page;
    await h.typeText(page, await page.evaluate(() => Tapwise.app.state.session.text), 250);
    await page.click('#navTexts');
    await page.fill('#customText', 'A text of my own, 日本.');
    await page.click('#btnSaveText');
    await page.click('#navProgress');
    const before = await everything(page);
    const exported = await exportFrom(page);
    assert.equal(exported.name, 'tapwise-progress-Ada-2024-03-01.json');
    assert.match(await page.textContent('#progressMessage'), /^Exported to the file tapwise-progress-Ada-/);

    // Into a fresh profile (the guest of a new browser), which then holds the same.
    const target = await h.openPage(browser);
    await target.page.click('#navProgress');
    await importInto(target.page, exported.text);
    assert.match(await target.page.textContent('#importSummary'),
        /^File exported on 2024-03-01: 1 lessons passed, 31 runs, 1 texts\. Importing replaces all progress of "Guest"\.$/);
    await target.page.click('#btnImportReplace');
    assert.equal(await target.page.textContent('#progressMessage'), 'Imported');
    assert.deepEqual(await everything(target.page), before);
    assert.equal((await target.page.textContent('#sidebarProgress')).trim(), '1 of 21 passed');
    // And it survives a reload.
    await target.page.close();
    const reloaded = await h.openPage(browser, { context: target.context });
    assert.deepEqual(await everything(reloaded.page), before);
    await reloaded.page.click('#navProgress');
    const again = await exportFrom(reloaded.page);
    const strip = (text) => Object.assign(JSON.parse(text), { exported: null, profile: null });
    assert.deepEqual(strip(again.text), strip(exported.text));

    // Refused files: each with its message, and nothing changes.
    const data = JSON.parse(exported.text);
    const damaged = (change) => {
        const copy = JSON.parse(exported.text);
        change(copy);
        return JSON.stringify(copy);
    };
    const rows = [
        ['not JSON', '{"format": "tapwise-progress", ', /^Cannot import: the file is not readable JSON$/],
        ['another program\'s JSON', JSON.stringify({ name: 'settings', values: [1, 2] }), /^Cannot import: this is not a Tapwise progress file$/],
        ['an array', '[1, 2, 3]', /^Cannot import: this is not a Tapwise progress file$/],
        ['a newer format', JSON.stringify(Object.assign({}, data, { version: 2 })), /format version 2 is not supported$/],
        ['a broken run', damaged((copy) => { copy.history.sessions[3].keys.f = [1, 5, 100]; }), /damaged \(history\)/],
        ['a broken day', damaged((copy) => { copy.history.days['2024-13-01'] = { sessions: 1 }; }), /damaged \(history\)/],
        ['lesson progress missing', damaged((copy) => { delete copy.progress; }), /damaged \(lesson progress\)/],
        ['a broken text', damaged((copy) => { copy.texts.texts[0].text = ''; }), /damaged \(texts\)/],
    ];
    const guard = await h.openPage(browser, { context: target.context });
    await guard.page.click('#navProgress');
    const kept = await everything(guard.page);
    for (const [name, text, message] of rows) {
        await importInto(guard.page, text);
        assert.match(await guard.page.textContent('#progressMessage'), message, name);
        assert.equal(await guard.page.isHidden('#importConfirm'), true, name);
        assert.deepEqual(await everything(guard.page), kept, name);
    }
    // A good file that the typist then declines changes nothing either.
    await importInto(guard.page, JSON.stringify(Object.assign({}, data, { history: { version: 1, sessions: [], days: {} } })));
    await guard.page.click('#btnImportCancel');
    assert.equal(await guard.page.textContent('#progressMessage'), 'Nothing imported; your progress is unchanged');
    assert.deepEqual(await everything(guard.page), kept);
    assert.deepEqual(guard.errors, []);
});
