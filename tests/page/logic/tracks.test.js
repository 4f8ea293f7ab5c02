'use strict';
// History and progress kept apart per keyboard layout and for pinyin: the progress screen shows
// the course's own runs (pinyin in characters per minute), runs are recorded on their track,
// weak keys and key by key follow the layout and stay out of pinyin, and export and import
// carry every track.
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

async function seeded(history, progress = {}) {
    const first = await h.openPage(browser);
    await first.page.evaluate(([runs, tracks]) => {
        localStorage.setItem('tapwise.history.v1:guest', JSON.stringify(runs));
        for (const key of Object.keys(tracks)) localStorage.setItem('tapwise.progress.v1:' + key, JSON.stringify(tracks[key]));
    }, [history, progress]);
    await first.page.close();
    return h.openPage(browser, { context: first.context });
}

function onTrack(sessions, layout, extra = () => ({})) {
    return sessions.map((run, index) => Object.assign({}, run, { layout }, extra(run, index)));
}

function folded(sessions, wpm, cpm) {
    const day = { sessions, durationMs: sessions * 60000, keystrokes: sessions * 200, errors: sessions * 4, wpmSum: sessions * wpm, accuracySum: sessions * 98 };
    if (cpm !== undefined) day.cpmSum = sessions * cpm;
    return day;
}

async function progressScreen(page, course, layout) {
    await page.evaluate(([course, layout]) => Tapwise.app.switchCourse(course, layout), [course, layout]);
    await page.click('#navProgress');
    return page.evaluate(() => ({
        title: document.getElementById('progressProfile').textContent,
        empty: document.getElementById('progressEmpty').hidden ? null : document.getElementById('progressEmpty').textContent,
        figures: Array.from(document.querySelectorAll('.progress-figure')).map((figure) => figure.textContent),
        others: (document.querySelector('[data-note="others"]') || {}).textContent || null,
        caption: document.getElementById('captionSpeed').textContent,
        dayBars: document.querySelectorAll('#chartTime rect').length,
        legend: document.getElementById('heatLegend').textContent,
    }));
}

test('the progress screen shows the runs of the chosen layout, or of pinyin in characters a minute', async () => {
    const pinyinRuns = onTrack(seed.makeSessions(4), 'pinyin', (run, index) => ({ lesson: 'initials-bpmf', cpm: 30 + 10 * index }));
    const history = {
        version: 1,
        sessions: [].concat(
            seed.makeSessions(12),
            onTrack(seed.makeSessions(6, { weak: { j: { missRate: 0.3, ms: 200 } } }), 'dvorak'),
            pinyinRuns),
        days: { '2024-01-10': folded(3, 20), '2024-01-10@dvorak': folded(2, 15), '2024-01-11@pinyin': folded(1, 8, 25) },
    };
    const { page, errors } = await seeded(history);
    const best = (runs) => Math.max(...runs.map((run) => run.wpm));
    const rows = [
        { course: 'keys', layout: 'us', track: 'US QWERTY', runs: 15, others: 13, unit: 'WPM', best: best(history.sessions.slice(0, 12)), bars: 3 },
        { course: 'keys', layout: 'dvorak', track: 'Dvorak', runs: 8, others: 20, unit: 'WPM', best: best(history.sessions.slice(12, 18)), bars: 2, weak: 'J' },
        { course: 'pinyin', layout: 'dvorak', track: 'Pinyin', runs: 5, others: 23, unit: 'chars/min', best: 60, bars: 2 },
    ];
    for (const row of rows) {
        const screen = await progressScreen(page, row.course, row.layout);
        assert.equal(screen.title, 'Profile: Guest · ' + row.track, row.track);
        assert.equal(screen.empty, null, row.track);
        assert.equal(screen.figures[0], row.runs + 'Runs', row.track);
        assert.equal(screen.figures[4], row.best + ' ' + row.unit + 'Best speed', row.track);
        assert.match(screen.figures[2], new RegExp(' ' + row.unit + 'Speed, last 10 runs$'), row.track);
        assert.equal(screen.others, row.others + ' more runs belong to other layouts or to pinyin practice: switch to them to see them.', row.track);
        assert.equal(screen.caption, 'Speed per run (' + row.unit + '), moving average of 10', row.track);
        assert.equal(screen.dayBars, row.bars, row.track);
        // The heat map counts the track's runs only: J is weak on Dvorak, nowhere else.
        assert.equal(/Most in need of practice: J$/.test(screen.legend), row.weak === 'J', row.track);
    }
    // Runs folded into daily totals stay on their track, pinyin with its characters a minute.
    const folding = await page.evaluate((runs) => {
        const record = new Tapwise.history.History('fold-check');
        record.maxSessions = 1;
        runs.forEach((run) => record.add(run));
        return { days: Object.keys(record.data.days).sort(), pinyin: record.daily('pinyin').map((day) => [day.sessions, day.cpm]) };
    }, [history.sessions[0], history.sessions[12], pinyinRuns[0], history.sessions[11]]);
    assert.deepEqual(folding.days, ['2024-02-29', '2024-03-01@dvorak', '2024-03-01@pinyin']);
    assert.deepEqual(folding.pinyin, [[1, 30]]);

    const none = await progressScreen(page, 'keys', 'colemak');
    assert.equal(none.empty, 'No finished practice on Colemak yet. 28 more runs belong to other layouts or to pinyin practice: switch to them to see them.');
    assert.deepEqual(errors, []);
});

test('a finished run is recorded on its track; weak keys and key by key stay with the layouts', async () => {
    const { page, errors } = await h.openPage(browser);
    await page.evaluate(() => Tapwise.app.switchCourse('pinyin', 'colemak'));
    await h.typeText(page, await page.evaluate(() => Tapwise.app.state.session.text), 150);
    await page.evaluate(() => Tapwise.app.switchCourse('keys', 'colemak'));
    await h.typeText(page, await page.evaluate(() => Tapwise.app.state.session.text), 250);
    const runs = await page.evaluate(() => JSON.parse(localStorage.getItem('tapwise.history.v1:guest')).sessions);
    assert.deepEqual(runs.map((run) => [run.lesson, run.layout, typeof run.cpm]), [['initials-bpmf', 'pinyin', 'number'], ['home-fj', 'colemak', 'undefined']]);
    assert.ok(runs[0].cpm > 0 && runs[0].wpm > 0);
    // Colemak's index keys T and N, recorded as the keys they are on this layout.
    assert.deepEqual(Object.keys(runs[1].keys).sort(), ['n', 'space', 't']);

    // On pinyin, weak keys and key by key are not offered.
    await page.evaluate(() => Tapwise.app.switchCourse('pinyin', 'colemak'));
    assert.equal(await page.getAttribute('#navWeak', 'aria-disabled'), 'true');
    await page.click('#navWeak', { force: true });
    assert.equal(await page.evaluate(() => Tapwise.app.state.practice), null);
    assert.equal(await page.textContent('#toast'), 'Weak keys and key by key belong to touch typing, not to pinyin practice');
    // Own texts are typed as keys even beside pinyin: words a minute, on the layout's track.
    await page.evaluate(() => Tapwise.app.startPractice(Tapwise.practice.customLesson({ id: 'draft', title: 'Mine', text: 'tn nt', created: 1 }), true));
    assert.equal(await page.textContent('#liveStats [data-i18n$="Unit"]'), 'WPM');
    await h.typeText(page, 'tn nt', 250);
    const last = await page.evaluate(() => Tapwise.app.state.history.sessions().slice(-1)[0]);
    assert.deepEqual([last.kind, last.layout, last.cpm], ['custom', 'colemak', undefined]);
    assert.deepEqual(errors, []);
});

test('key by key opens each layout from its own home row', async () => {
    const { page } = await h.openPage(browser);
    const plans = await page.evaluate(() => Tapwise.layouts.list.map((layout) => [layout.id, Tapwise.weakkeys.unlockPlan(layout.id)]));
    const starts = { us: 'fjdksla', uk: 'fjdksla', de: 'fjdksla', fr: 'fjdkslqm', dvorak: 'uhetonas', colemak: 'tnseriao' };
    assert.deepEqual(plans.map(([id]) => id).sort(), Object.keys(starts).sort());
    for (const [id, plan] of plans) {
        assert.equal(plan.order.slice(0, plan.start), starts[id], id);
        assert.equal([...plan.order].sort().join(''), 'abcdefghijklmnopqrstuvwxyz', id);
    }
    // US and UK keep the order runs so far were made in.
    assert.equal(plans.find(([id]) => id === 'us')[1].order, 'fjdksla' + 'eirutonhgcmwypvbxqz');

    // With Dvorak's lessons passed, its key by key starts on its home row.
    const passed = await page.evaluate(() => {
        const lessons = {};
        Tapwise.courses.forLayout('dvorak').list.forEach((lesson) => {
            lessons[lesson.id] = { attempts: 1, passed: true, bestWpm: 30, bestAccuracy: 97, lastWpm: 30, lastAccuracy: 97 };
        });
        return { version: 1, lessons, keys: {} };
    });
    const dvorak = await seeded({ version: 1, sessions: [], days: {} }, { 'guest:dvorak': passed });
    await dvorak.page.evaluate(() => Tapwise.app.switchCourse('keys', 'dvorak'));
    await dvorak.page.click('#navUnlock');
    const lesson = await dvorak.page.evaluate(() => Tapwise.app.state.practice);
    assert.equal(lesson.id, 'unlock-8');
    assert.match(lesson.text, /^[uhetonas ]+$/);
    assert.match(await dvorak.page.textContent('#lessonTip'), /^Open keys: U, H, E, T, O, N, A, S\. Newest: S\. I opens when/);
    assert.deepEqual(dvorak.errors, []);
});

test('export and import carry the progress of every layout and of pinyin', async () => {
    const record = { attempts: 1, passed: true, bestWpm: 31, bestAccuracy: 97, lastWpm: 31, lastAccuracy: 97 };
    const tracks = {
        guest: { version: 1, lessons: { 'home-fj': record }, keys: {} },
        'guest:dvorak': { version: 1, lessons: { 'home-fj': record, 'home-dk': record }, keys: { u: { errors: 1, hits: 40 } } },
        'guest:pinyin': { version: 1, lessons: { 'initials-bpmf': Object.assign({}, record, { bestWpm: 44 }) }, keys: {} },
    };
    const source = await seeded({ version: 1, sessions: seed.makeSessions(3), days: {} }, tracks);
    const file = await source.page.evaluate(() => Tapwise.progressScreen.exportData(Date.now()));
    assert.deepEqual(Object.keys(file.courses).sort(), ['dvorak', 'pinyin']);

    const stored = (page) => page.evaluate(() => Object.fromEntries(Object.keys(localStorage)
        .filter((key) => key.startsWith('tapwise.progress.v1:'))
        .map((key) => [key.slice('tapwise.progress.v1:'.length), JSON.parse(localStorage.getItem(key))])));
    // A profile with progress on Colemak of its own: an import replaces that too.
    const target = await seeded({ version: 1, sessions: [], days: {} }, { 'guest:colemak': tracks['guest:dvorak'] });
    await target.page.click('#navProgress');
    const before = await stored(target.page);
    const rows = [
        ['a track nobody knows', Object.assign({}, file, { courses: { klingon: tracks.guest } }), /damaged \(lesson progress\)/],
        ['US progress among the others', Object.assign({}, file, { courses: { us: tracks.guest } }), /damaged \(lesson progress\)/],
        ['a damaged track', Object.assign({}, file, { courses: { dvorak: { version: 1, lessons: [] } } }), /damaged \(lesson progress\)/],
    ];
    for (const [name, data, message] of rows) {
        await target.page.evaluate((text) => Tapwise.progressScreen.offerImport(text), JSON.stringify(data));
        assert.match(await target.page.textContent('#progressMessage'), message, name);
        assert.deepEqual(await stored(target.page), before, name);
    }
    await target.page.evaluate((text) => Tapwise.progressScreen.offerImport(text), JSON.stringify(file));
    assert.match(await target.page.textContent('#importSummary'), /: 4 lessons passed, 3 runs, /);
    await target.page.click('#btnImportReplace');
    const after = await stored(target.page);
    assert.deepEqual(after.guest, tracks.guest);
    assert.deepEqual(after['guest:dvorak'], tracks['guest:dvorak']);
    assert.deepEqual(after['guest:pinyin'], tracks['guest:pinyin']);
    assert.deepEqual(after['guest:colemak'], { version: 1, lessons: {}, keys: {} });
    await target.page.evaluate(() => Tapwise.app.switchCourse('keys', 'dvorak'));
    assert.equal((await target.page.textContent('#sidebarProgress')).trim(), '2 of 21 passed');

    // A file from before there were other tracks still imports: only US progress in it.
    const older = Object.assign({}, file);
    delete older.courses;
    await target.page.click('#navProgress');
    await target.page.evaluate((text) => Tapwise.progressScreen.offerImport(text), JSON.stringify(older));
    await target.page.click('#btnImportReplace');
    assert.equal(await target.page.textContent('#progressMessage'), 'Imported');
    assert.deepEqual((await stored(target.page))['guest:dvorak'], { version: 1, lessons: {}, keys: {} });
    assert.deepEqual(target.errors, []);
});
