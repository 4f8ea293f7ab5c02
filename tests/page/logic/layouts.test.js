'use strict';
// Keyboard layouts: the lessons built from each layout's rows, the on-screen keyboard that
// follows the layout, the choice kept per profile and the notice when the system types another.
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('../support/harness');
const keys = require('../support/keys');

let browser;
test.before(async () => {
    browser = await h.launchBrowser();
});
test.after(async () => {
    await browser.close();
});

// Per layout: the home row from left little finger to right, the first drill's two keys, the
// language's own letters that some lesson must teach, and the layout's name in the list.
const kLayouts = [
    { id: 'us', home: 'asdfghjkl;', first: 'fj', letters: '', name: 'US QWERTY' },
    { id: 'uk', home: 'asdfghjkl;', first: 'fj', letters: '', name: 'UK QWERTY' },
    { id: 'de', home: 'asdfghjklö', first: 'fj', letters: 'äöüß', name: 'German QWERTZ' },
    { id: 'fr', home: 'qsdfghjklm', first: 'fj', letters: 'éèçàù', name: 'French AZERTY' },
    { id: 'dvorak', home: 'aoeuidhtns', first: 'uh', letters: '', name: 'Dvorak' },
    { id: 'colemak', home: 'arstdhneio', first: 'tn', letters: '', name: 'Colemak' },
];

async function courseOf(page, layout) {
    await page.selectOption('#layoutSelect', layout);
    return page.evaluate(() => ({
        course: Tapwise.lessons.course.id,
        lessons: Tapwise.lessons.list.map((lesson) => ({
            id: lesson.id,
            stage: lesson.stage,
            keys: lesson.keys,
            text: lesson.text,
            untypeable: [...new Set(Array.from(lesson.text).filter((ch) => !Tapwise.keyboard.keyFor(ch)))].join(''),
        })),
        bumps: Array.from(document.querySelectorAll('#keyboard .kb-home'), (key) => key.dataset.key).join(''),
        homeRow: Array.from(document.querySelectorAll('#keyboard .kb-row')[2].querySelectorAll('.kb-key[data-key]:not(.kb-wide)'),
            (key) => key.dataset.key).join(''),
        current: Tapwise.app.state.session.text,
    }));
}

test('each layout gets lessons from its own rows, home row first, all typeable on it', async () => {
    const { page, errors } = await h.openPage(browser);
    for (const layout of kLayouts) {
        const data = await courseOf(page, layout.id);
        const label = layout.id;
        assert.equal(data.course, 'layout:' + layout.id, label);
        // The keyboard shows the layout: its home row, with the bumps under the index fingers.
        assert.ok(data.homeRow.startsWith(layout.home), `${label}: home row ${data.homeRow}`);
        assert.equal(data.bumps, layout.first, label);
        // Home row first, and lesson 1 drills the index fingers' home keys.
        const stages = [...new Set(data.lessons.map((lesson) => lesson.stage))];
        assert.equal(stages[0], 'home', label);
        assert.deepEqual(stages.slice(-3), ['full', 'numbers', 'passages'], label);
        assert.equal(data.lessons[0].keys, layout.first, label);
        assert.equal(data.current, data.lessons[0].text, `${label}: the first lesson is the one on screen`);
        const homeTaught = data.lessons.filter((lesson) => lesson.stage === 'home').map((lesson) => lesson.keys).join('');
        assert.deepEqual([...homeTaught].sort(), [...layout.home].sort(), `${label}: the home stage teaches the home row`);
        // Every letter of the language is taught by the letter drills.
        const drills = data.lessons.filter((lesson) => ['home', 'top', 'bottom', 'letters'].includes(lesson.stage));
        const taughtAll = new Set(drills.map((lesson) => lesson.keys).join(''));
        for (const ch of 'abcdefghijklmnopqrstuvwxyz' + layout.letters) {
            assert.ok(taughtAll.has(ch), `${label}: ${ch} is never taught`);
        }
        const taught = new Set([' ']);
        for (const lesson of data.lessons) {
            assert.equal(lesson.untypeable, '', `${label}/${lesson.id}: no key types these`);
            assert.ok(!/^ | $|  /.test(lesson.text), `${label}/${lesson.id} has stray spaces`);
            assert.ok(lesson.text.length >= 30, `${label}/${lesson.id} is too short`);
            if (!drills.includes(lesson)) continue;
            for (const ch of lesson.keys) taught.add(ch);
            const extra = [...new Set(lesson.text)].filter((ch) => !taught.has(ch));
            assert.deepEqual(extra, [], `${label}/${lesson.id} uses keys not taught yet`);
        }
        assert.equal(new Set(data.lessons.map((lesson) => lesson.id)).size, data.lessons.length, label);
    }
    assert.deepEqual(errors, []);
});

test('the next-key marks follow the layout: Shift of the other hand, AltGr where needed', async () => {
    const { page } = await h.openPage(browser);
    const rows = [
        ['de', 'z', ['z']],
        ['de', 'Ö', ['ö', 'shift-left']],
        ['de', '@', ['altgr', 'q']],
        ['de', '?', ['shift-left', 'ß']],
        ['fr', '1', ['&', 'shift-right']],
        ['fr', 'a', ['a']],
        ['fr', '#', ['"', 'altgr']],
        ['dvorak', 'o', ['o']],
        ['dvorak', 'S', ['s', 'shift-left']],
        ['uk', '"', ['2', 'shift-right']],
        ['uk', '@', ["'", 'shift-left']],
        ['colemak', 'O', ['o', 'shift-left']],
    ];
    for (const [layout, ch, expected] of rows) {
        await page.selectOption('#layoutSelect', layout);
        const marked = await page.evaluate((ch) => {
            Tapwise.app.state.keyboardView.highlight(ch);
            const elements = Array.from(document.querySelectorAll('#keyboard .kb-next'));
            return { ids: elements.map((key) => key.dataset.key).sort(), codes: Tapwise.layouts.keyFor(Tapwise.keyboard.layout, ch) };
        }, ch);
        assert.deepEqual(marked.ids, [...expected].sort(), `${layout} ${ch}`);
    }
    // Where the keys of a German board differ from US QWERTY.
    await page.selectOption('#layoutSelect', 'de');
    const code = await page.evaluate(() => ({
        z: Tapwise.layouts.keyFor(Tapwise.keyboard.layout, 'z').code,
        y: Tapwise.layouts.keyFor(Tapwise.keyboard.layout, 'y').code,
        dead: Tapwise.layouts.keyFor(Tapwise.keyboard.layout, '^'),
    }));
    assert.deepEqual(code, { z: 'KeyY', y: 'KeyZ', dead: null });
});

test('the chosen layout is remembered per profile and progress is kept per layout', async () => {
    const first = await h.openPage(browser);
    await first.page.selectOption('#layoutSelect', 'dvorak');
    const text = await first.page.evaluate(() => Tapwise.app.state.session.text);
    assert.ok(text.startsWith('uuu hhh'), text);
    await h.typeText(first.page, text, 300);
    assert.equal(await first.page.isVisible('#btnNext'), true);
    await first.page.close();

    const again = await h.openPage(browser, { context: first.context });
    const page = again.page;
    assert.equal(await page.inputValue('#layoutSelect'), 'dvorak');
    assert.equal(await page.evaluate(() => Tapwise.app.state.lessonIndex), 1);
    assert.equal((await page.textContent('#sidebarProgress')).trim(), '1 of 21 passed');
    const stored = await page.evaluate(() => ({
        dvorak: JSON.parse(localStorage.getItem('tapwise.progress.v1:guest:dvorak')),
        us: localStorage.getItem('tapwise.progress.v1:guest'),
        preferences: JSON.parse(localStorage.getItem('tapwise.preferences.v1:guest')),
    }));
    assert.equal(stored.dvorak.lessons['home-fj'].passed, true);
    assert.equal(stored.us, null);
    assert.deepEqual(stored.preferences, { course: 'keys', layout: 'dvorak' });
    // US QWERTY has its own progress: nothing passed there yet.
    await page.selectOption('#layoutSelect', 'us');
    assert.equal((await page.textContent('#sidebarProgress')).trim(), '0 of 21 passed');
    assert.equal(await page.evaluate(() => Tapwise.app.state.session.text.slice(0, 7)), 'fff jjj');

    // A signed-in user on the same computer has a choice of its own.
    const user = await h.openPage(browser, {
        context: first.context, replies: { querylogin: { data: { login: true }, msg: '', result: true } }, deviceId: 'dev-7',
    });
    assert.equal(await user.page.inputValue('#layoutSelect'), 'us');
});

test('typing on another system layout brings one notice that offers the right layout', async () => {
    const rows = [
        // chosen layout, how the keys arrive, the notice expected (null: none)
        { chosen: 'us', send: 'german', typed: 'fjzy', guess: 'German QWERTZ' },
        { chosen: 'dvorak', send: 'us', typed: 'fjfj', guess: 'US QWERTY' },
        { chosen: 'us', send: 'russian', typed: 'аоао', guess: null },
        { chosen: 'de', send: 'german', typed: 'fjzyäöü', absent: true },
        { chosen: 'us', send: 'us', typed: 'fjdkslaghtyq', absent: true },
    ];
    const russian = { а: 'KeyF', о: 'KeyJ' };
    for (const row of rows) {
        const { page, context } = await h.openPage(browser);
        await page.selectOption('#layoutSelect', row.chosen);
        await page.focus('#typingPanel');
        const events = Array.from(row.typed, (ch) => {
            if (row.send === 'us') return { key: ch, code: 'Key' + ch.toUpperCase() };
            if (row.send === 'russian') return { key: ch, code: russian[ch] };
            return { key: ch, code: keys.germanCode(ch) };
        });
        await keys.sendKeys(page, events, 100);
        const label = `${row.chosen} typed on ${row.send}`;
        // The keys still go into the run whatever the notice says.
        assert.equal(await page.evaluate(() => Tapwise.app.state.session.keystrokes), row.typed.length, label);
        if (row.absent) {
            assert.equal(await page.isVisible('#layoutNotice'), false, label);
            await context.close();
            continue;
        }
        assert.equal(await page.isVisible('#layoutNotice'), true, label);
        const notice = (await page.textContent('#layoutNoticeText')).trim();
        assert.ok(notice.includes(await page.evaluate((id) => Tapwise.layouts.get(id).name.en, row.chosen)), notice);
        if (row.guess) {
            assert.ok(notice.includes(row.guess), notice);
            assert.equal((await page.textContent('#btnUseLayout')).trim(), 'Use ' + row.guess);
        } else {
            assert.equal(await page.isVisible('#btnUseLayout'), false, label);
        }
        // Said once: dismissed, it stays away however many keys still disagree.
        await page.click('#btnDismissNotice');
        await keys.sendKeys(page, events.concat(events), 100);
        assert.equal(await page.isVisible('#layoutNotice'), false, label);
        await context.close();
    }
});

test('the notice switches to the layout the keys come from, and typing it then fits', async () => {
    const { page } = await h.openPage(browser);
    await keys.typeGerman(page, 'fjzy', 100);
    await page.click('#btnUseLayout');
    assert.equal(await page.inputValue('#layoutSelect'), 'de');
    assert.equal(await page.isVisible('#layoutNotice'), false);
    // A German drill typed on a German system: every key right, no second notice.
    await page.evaluate(() => {
        const index = Tapwise.lessons.list.findIndex((lesson) => lesson.id === 'letters-extra');
        const progress = Tapwise.app.state.progress;
        Tapwise.lessons.list.slice(0, index).forEach((lesson) => progress.record(lesson.id, { wpm: 30, accuracy: 100 }, true));
        Tapwise.app.startLesson(index, true);
    });
    const text = await page.evaluate(() => Tapwise.app.state.session.text);
    assert.match(text, /ä/);
    await keys.typeGerman(page, text, 250);
    assert.equal(await page.isVisible('#resultsScreen'), true);
    assert.equal((await page.textContent('#resultAccuracy')).trim(), '100%');
    assert.equal(await page.isVisible('#layoutNotice'), false);
});

test('AltGr characters count whether AltGr comes alone or as Ctrl+Alt', async () => {
    const { page } = await h.openPage(browser);
    await page.selectOption('#layoutSelect', 'de');
    await page.evaluate(() => {
        const index = Tapwise.lessons.list.findIndex((lesson) => lesson.id === 'symbols');
        Tapwise.lessons.list.slice(0, index).forEach((lesson) => Tapwise.app.state.progress.record(lesson.id, { wpm: 30, accuracy: 100 }, true));
        Tapwise.app.startLesson(index, true);
    });
    const typed = await page.evaluate(() => {
        const session = Tapwise.app.state.session;
        const send = (init) => document.getElementById('typingPanel').dispatchEvent(
            new KeyboardEvent('keydown', Object.assign({ bubbles: true, cancelable: true }, init)));
        // The first characters of the German symbols lesson: "a+b=c 5".
        send({ key: 'a', code: 'KeyA' });
        send({ key: '+', code: 'BracketRight' });
        // AltGr as Windows reports it, then as Linux does; a real Ctrl+Alt shortcut is no character.
        send({ key: 'b', code: 'KeyB', ctrlKey: true, altKey: true, modifierAltGraph: true });
        send({ key: '=', code: 'Digit0', altKey: false, modifierAltGraph: true });
        send({ key: 'x', code: 'KeyX', ctrlKey: true, altKey: true });
        return { text: session.text.slice(0, 4), typed: session.typed.join(''), keystrokes: session.keystrokes };
    });
    assert.deepEqual(typed, { text: 'a+b=', typed: 'a+b=', keystrokes: 4 });
});
