'use strict';
// Takes the README screenshots of the layouts and pinyin practice (docs/screenshots/dvorak.png
// and pinyin.png) at the shell's window size, each part-way through a scripted run.
// Usage: node tools/screenshots-courses.js
const path = require('node:path');
const h = require('../support/harness');
const keys = require('../support/keys');

const kOutDir = path.resolve(__dirname, '..', '..', '..', 'docs', 'screenshots');

/** Marks the lessons before id passed, opens id and types its first count characters. */
async function typeInto(page, id, count, slip) {
    await page.evaluate((id) => {
        const index = Tapwise.lessons.list.findIndex((lesson) => lesson.id === id);
        Tapwise.lessons.list.slice(0, index).forEach((lesson, n) =>
            Tapwise.app.state.progress.record(lesson.id, { wpm: 24 + (n % 5) * 2.5, cpm: 0, accuracy: 97 }, true));
        Tapwise.app.startLesson(index, true);
    }, id);
    // Keys arrive as the chosen layout sends them: physical key and character together.
    const events = await page.evaluate(({ count, slip }) => {
        const text = Tapwise.app.state.session.text;
        return Array.from(text.slice(0, count), (ch, i) => {
            const typed = i === slip ? 'x' : ch;
            const key = Tapwise.layouts.keyFor(Tapwise.keyboard.layout, typed);
            return { key: typed, code: typed === ' ' ? 'Space' : key.code };
        });
    }, { count, slip });
    for (const [i, event] of events.entries()) await keys.sendKeys(page, [event], 180 + (i % 3) * 50);
    await page.clock.runFor(250);
}

async function main() {
    const browser = await h.launchBrowser();
    try {
        const english = await h.openPage(browser, { locale: 'en-US' });
        await english.page.selectOption('#layoutSelect', 'dvorak');
        await typeInto(english.page, 'home-dk', 21, 9);
        await english.page.screenshot({ path: path.join(kOutDir, 'dvorak.png') });

        const chinese = await h.openPage(browser, { locale: 'zh-CN' });
        await typeInto(chinese.page, 'words-polyphonic', 30, 14);
        await chinese.page.screenshot({ path: path.join(kOutDir, 'pinyin.png') });
    } finally {
        await browser.close();
    }
}

main().catch((error) => {
    console.error(error);
    process.exit(1);
});
