'use strict';
// Takes the README screenshots (docs/screenshots/lesson.png, results.png and progress.png) at
// the shell's window size, with a stub bridge reporting a signed-in user, a scripted typing run
// and a made-up history of two months.
// Usage: node tools/screenshots.js [locale]   (default en-US; zh-CN for the Chinese texts)
const path = require('node:path');
const h = require('../support/harness');
const seed = require('../support/seed');

const kOutDir = path.resolve(__dirname, '..', '..', '..', 'docs', 'screenshots');
const kSignedIn = {
    querylogin: { data: { login: true }, msg: '', result: true },
    queryuser: { data: { login: true, name: 'Ada' }, msg: '', result: true },
};

// A mid-lesson state: some progress on earlier lessons, a few mistakes on the way.
const kProgress = {
    version: 1,
    lessons: {
        'home-fj': { attempts: 2, passed: true, bestWpm: 24.6, bestAccuracy: 98.1, lastWpm: 24.6, lastAccuracy: 98.1 },
        'home-dk': { attempts: 1, passed: true, bestWpm: 21.3, bestAccuracy: 96.4, lastWpm: 21.3, lastAccuracy: 96.4 },
        'home-sl': { attempts: 3, passed: true, bestWpm: 19.8, bestAccuracy: 95, lastWpm: 19.8, lastAccuracy: 95 },
    },
    keys: {},
};

async function main() {
    const locale = process.argv[2] || 'en-US';
    const browser = await h.launchBrowser();
    try {
        const { page, context } = await h.openPage(browser, { locale, replies: kSignedIn, deviceId: 'screenshot' });
        await page.evaluate((data) => localStorage.setItem('tapwise.progress.v1:profile:Ada', JSON.stringify(data)), kProgress);
        await page.close();
        const opened = await h.openPage(browser, { context, locale, replies: kSignedIn, deviceId: 'screenshot' });
        const shot = opened.page;
        const text = await shot.evaluate(() => Tapwise.app.state.session.text);
        // Type about half of lesson 4, with one mistake left standing and one corrected.
        const half = text.slice(0, 27);
        const steps = [];
        Array.from(half).forEach((ch, i) => {
            if (i === 9) steps.push(['s', 160]);
            else steps.push([ch, 190 + (i % 3) * 40]);
            if (i === 18) steps.push(['k', 150], ['Backspace', 180]);
        });
        await h.typeScript(shot, steps);
        await shot.clock.runFor(250);
        await shot.screenshot({ path: path.join(kOutDir, 'lesson.png') });

        const rest = text.slice(27);
        const restSteps = Array.from(rest, (ch, i) => [i === 12 ? 'd' : ch, 200 + (i % 4) * 30]);
        await h.typeScript(shot, restSteps);
        await shot.mouse.move(0, 400);
        await shot.screenshot({ path: path.join(kOutDir, 'results.png') });

        // Sixty days of practice, a slower right little finger and a key often missed.
        const history = seed.makeHistory(480, { runsPerDay: 8, weak: { p: { missRate: 0.03, ms: 340 }, b: { missRate: 0.12, ms: 230 } } });
        await shot.evaluate((data) => {
            localStorage.setItem('tapwise.history.v1:profile:Ada', JSON.stringify(data));
        }, history);
        await shot.close();
        const progress = (await h.openPage(browser, { context, locale, replies: kSignedIn, deviceId: 'screenshot' })).page;
        await progress.click('#navProgress');
        await progress.focus('#chartSpeed .chart-svg');
        await progress.keyboard.press('ArrowLeft');
        await progress.screenshot({ path: path.join(kOutDir, 'progress.png') });
        await progress.click('#heatSpeed');
        await progress.evaluate(() => document.querySelector('.heat-card').scrollIntoView());
        await progress.screenshot({ path: path.join(kOutDir, 'progress-keys.png') });
    } finally {
        await browser.close();
    }
}

main().catch((error) => {
    console.error(error);
    process.exit(1);
});
