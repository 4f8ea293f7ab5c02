'use strict';
// Starts Debian's Chromium through playwright-core and opens the page from the source tree
// (or TAPWISE_PAGE_DIR) with a stub of the shell's bridge installed before any page script.
const fs = require('node:fs');
const path = require('node:path');
const { pathToFileURL } = require('node:url');
const { chromium } = require('playwright-core');

const kChromium = process.env.TAPWISE_CHROMIUM || '/usr/bin/chromium';
const kChromiumArgs = [
    '--headless',
    '--no-sandbox',
    '--disable-gpu',
    '--disable-quic',
    '--no-first-run',
    '--disable-background-networking',
    '--disable-component-update',
    '--disable-sync',
];
const kPageDir = process.env.TAPWISE_PAGE_DIR || path.resolve(__dirname, '..', '..', '..', 'page');
const kPageUrl = pathToFileURL(path.join(kPageDir, 'index.html')).href;
const kWindow = { width: 1200, height: 780 };
// Any fixed instant will do; the page only measures differences.
const kStartTime = new Date('2024-03-01T09:00:00Z').getTime();
// Loading runs on the real clock; the test's own time starts this long after kStartTime.
const kLoadAllowanceMs = 60000;

/** One Chromium per test file; playwright gives it a fresh, temporary user-data-dir. */
async function launchBrowser() {
    if (!fs.existsSync(kChromium)) {
        throw new Error(`Chromium not found at ${kChromium}: install the Debian package "chromium"`);
    }
    return chromium.launch({ executablePath: kChromium, args: kChromiumArgs, headless: true });
}

// Runs in the page before its scripts: the twelve bridge functions, answering like the shell.
function installStub(config) {
    const stub = {
        calls: [],
        replies: config.replies || {},
        asyncReplies: config.asyncReplies || {},
        deviceId: config.deviceId,
        source: config.source,
    };
    window.__stub = stub;
    const styled = (value) => JSON.stringify(value, null, 3) + '\n';
    const record = (name, args) => stub.calls.push({ name, args: Array.prototype.slice.call(args) });
    const plain = (name, result) => function () {
        record(name, arguments);
        return typeof result === 'function' ? result() : result;
    };
    if (config.shell === false) return;
    const reply = (entry) => {
        if (entry && entry.noReply) return undefined;
        if (entry && Object.prototype.hasOwnProperty.call(entry, 'raw')) return entry.raw;
        return styled(entry);
    };
    window.win_close = plain('win_close');
    window.win_maximized = plain('win_maximized');
    window.win_minimized = plain('win_minimized');
    window.win_message = function (text) {
        record('win_message', arguments);
        let request;
        try {
            request = JSON.parse(text);
        } catch (error) {
            return styled({ msg: 'json 格式错误！', result: false });
        }
        const cmd = typeof request.cmd === 'string' ? request.cmd : '';
        const key = cmd.toLowerCase();
        if (request.async === true) {
            if (Object.prototype.hasOwnProperty.call(stub.asyncReplies, key)) {
                return reply(stub.asyncReplies[key]);
            }
            if (key !== 'querylogin') {
                return styled({ msg: `该方法 ${cmd} 不支持异步调用！`, result: false });
            }
            return styled({ data: null, msg: '', result: true });
        }
        if (!Object.prototype.hasOwnProperty.call(stub.replies, key)) {
            return styled({ msg: `方法 ${cmd} 不存在！`, result: false });
        }
        return reply(stub.replies[key]);
    };
    window.win_source = plain('win_source', () => stub.source);
    window.win_device_id = plain('win_device_id', () => stub.deviceId);
    window.win_resize = plain('win_resize');
    window.win_move = plain('win_move');
    window.win_width = plain('win_width', 1200);
    window.win_height = plain('win_height', 780);
    window.win_x = plain('win_x', 100);
    window.win_y = plain('win_y', 60);
    for (const name of config.omit) delete window[name];
}

const kDefaultReplies = {
    querylogin: { data: { login: false }, msg: '', result: true },
    showloginform: { data: null, msg: '', result: true },
};

/**
 * Opens the page in a fresh context. options: shell (default true), replies / asyncReplies
 * (lower-cased command -> reply object, {raw: value} for an exact reply, {noReply: true} for
 * undefined), deviceId, source, omit (bridge functions left out),
 * locale (default "en-US"), clock (default true: a controlled clock from kStartTime),
 * context (reuse an existing context, e.g. to keep localStorage).
 */
async function openPage(browser, options = {}) {
    const context =
        options.context ||
        (await browser.newContext({ viewport: kWindow, locale: options.locale || 'en-US' }));
    const page = await context.newPage();
    const errors = [];
    page.on('pageerror', (error) => errors.push(error));
    const config = {
        shell: options.shell !== false,
        replies: Object.assign({}, kDefaultReplies, options.replies || {}),
        asyncReplies: options.asyncReplies || {},
        deviceId: options.deviceId === undefined ? 'a1b2c3d4e5f6' : options.deviceId,
        source: options.source === undefined ? 'official' : options.source,
        omit: options.omit || [],
    };
    await page.addInitScript(installStub, config);
    if (options.clock !== false) await page.clock.install({ time: kStartTime });
    await page.goto(options.url || kPageUrl);
    await page.waitForFunction(() => document.body.classList.contains('is-ready'));
    // From here on time stands still unless a test moves it (page.clock.runFor).
    if (options.clock !== false) await page.clock.pauseAt(kStartTime + kLoadAllowanceMs);
    return { page, context, errors };
}

/** Calls made to the stub bridge, optionally only those of one function. */
async function bridgeCalls(page, name) {
    const calls = await page.evaluate(() => window.__stub.calls);
    return name ? calls.filter((call) => call.name === name) : calls;
}

/** The requests sent through win_message, parsed. */
async function sentRequests(page) {
    return (await bridgeCalls(page, 'win_message')).map((call) => JSON.parse(call.args[0]));
}

/** Pushes a message the way the shell does: by running "onMessage('<text>')" in the page. */
async function pushLikeShell(page, text) {
    await page.evaluate(`onMessage('${text}')`);
}

/**
 * Types a script of [key, milliseconds to wait afterwards] steps; key is a single character
 * or a key name such as "Backspace".
 */
async function typeScript(page, steps) {
    for (const [key, waitMs] of steps) {
        if (key.length === 1) await page.keyboard.type(key);
        else await page.keyboard.press(key);
        if (waitMs) await page.clock.runFor(waitMs);
    }
}

/** Types a text with the same pause after every character. */
async function typeText(page, text, pauseMs) {
    await typeScript(page, Array.from(text, (ch) => [ch, pauseMs]));
}

module.exports = {
    kPageDir,
    kPageUrl,
    kWindow,
    kStartTime,
    launchBrowser,
    openPage,
    bridgeCalls,
    sentRequests,
    pushLikeShell,
    typeScript,
    typeText,
};
