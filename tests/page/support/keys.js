'use strict';
// Key events as another system layout sends them: the physical key (code) and the character it
// typed (key) chosen freely, sent through the DevTools protocol so they arrive as trusted
// keydown events, the way a German or Russian system layout would deliver them.

// Where a German QWERTZ system has the letters that differ from US QWERTY.
const kGermanCodes = {
    z: 'KeyY', y: 'KeyZ', ö: 'Semicolon', ä: 'Quote', ü: 'BracketLeft', ß: 'Minus',
    ',': 'Comma', '.': 'Period', '-': 'Slash', ' ': 'Space',
};

function germanCode(ch) {
    const lower = ch.toLowerCase();
    return kGermanCodes[lower] || 'Key' + lower.toUpperCase();
}

/** Sends [{key, code}] events, waiting waitMs of the page's clock after each. */
async function sendKeys(page, keys, waitMs) {
    const client = await page.context().newCDPSession(page);
    try {
        for (const { key, code } of keys) {
            const shift = key.length === 1 && key !== key.toLowerCase();
            const modifiers = shift ? 8 : 0;
            await client.send('Input.dispatchKeyEvent', {
                type: 'keyDown', key, code, text: key, unmodifiedText: key, modifiers,
            });
            await client.send('Input.dispatchKeyEvent', { type: 'keyUp', key, code, modifiers });
            if (waitMs) await page.clock.runFor(waitMs);
        }
    } finally {
        await client.detach();
    }
}

/** Types a text the way a German QWERTZ system layout sends it. */
async function typeGerman(page, text, waitMs) {
    await sendKeys(page, Array.from(text, (ch) => ({ key: ch, code: germanCode(ch) })), waitMs);
}

module.exports = { germanCode, sendKeys, typeGerman };
