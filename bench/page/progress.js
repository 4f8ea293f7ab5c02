'use strict';
// How long the progress screen takes to draw, and how big the stored history gets, for 0, 1,
// 100, 2,000 and 10,000 runs (beyond 2,000 the older runs are daily totals), next to the time
// the page takes to open a lesson in the same browser. Run by hand:
//   cd tests/page && node ../../bench/page/progress.js [repeats]
const path = require('node:path');
const h = require(path.resolve(__dirname, '..', '..', 'tests', 'page', 'support', 'harness'));
const seed = require(path.resolve(__dirname, '..', '..', 'tests', 'page', 'support', 'seed'));

function median(values) {
    const sorted = values.slice().sort((a, b) => a - b);
    return sorted[Math.floor(sorted.length / 2)];
}

async function timeInPage(page, action) {
    return page.evaluate(action);
}

async function main() {
    const repeats = Number(process.argv[2] || 9);
    const browser = await h.launchBrowser();
    try {
        const { page } = await h.openPage(browser, { clock: false });
        const lesson = [];
        for (let i = 0; i < repeats; ++i) {
            lesson.push(await timeInPage(page, () => {
                const start = performance.now();
                Tapwise.app.startLesson(0, false);
                document.body.getBoundingClientRect();
                return performance.now() - start;
            }));
        }
        console.log(`baseline: open a lesson          ${median(lesson).toFixed(1)} ms`);
        for (const count of [0, 1, 100, 2000, 10000]) {
            const history = seed.makeHistory(count, { runsPerDay: 25, weak: { j: { missRate: 0.2, ms: 200 } } });
            await page.evaluate((data) => {
                Tapwise.app.state.history.replace(data);
            }, history);
            const stored = await page.evaluate(() => localStorage.getItem('tapwise.history.v1:guest').length);
            const times = [];
            for (let i = 0; i < repeats; ++i) {
                times.push(await timeInPage(page, () => {
                    const start = performance.now();
                    Tapwise.progressScreen.show();
                    document.body.getBoundingClientRect();
                    return performance.now() - start;
                }));
            }
            console.log(`progress screen, ${String(count).padStart(5)} runs  ${median(times).toFixed(1).padStart(6)} ms` +
                `   stored history ${(stored / 1024).toFixed(0)} k characters`);
        }
    } finally {
        await browser.close();
    }
}

main().catch((error) => {
    console.error(error);
    process.exit(1);
});
