'use strict';
// Made-up but plausible practice histories in the page's stored form: runs spread over days,
// speed growing with noise, per-key figures with a few weaker keys.

const kLetters = 'abcdefghijklmnopqrstuvwxyz';
const kDayMs = 24 * 3600 * 1000;

function random(seed) {
    let state = seed >>> 0;
    return () => {
        state = (state + 0x6d2b79f5) >>> 0;
        let value = state;
        value = Math.imul(value ^ (value >>> 15), value | 1);
        value ^= value + Math.imul(value ^ (value >>> 7), value | 61);
        return ((value ^ (value >>> 14)) >>> 0) / 4294967296;
    };
}

/**
 * count runs ending at end (ms), runsPerDay a day. weak: {key: {missRate, ms}} for keys that
 * should stand out; every other letter gets about 2% misses and 200 ms.
 */
function makeSessions(count, options = {}) {
    const rng = random(options.seed || 7);
    const end = options.end || Date.UTC(2024, 2, 1, 9);
    const perDay = options.runsPerDay || 6;
    const weak = options.weak || {};
    const sessions = [];
    for (let i = 0; i < count; ++i) {
        const day = Math.floor((count - 1 - i) / perDay);
        const at = end - day * kDayMs - ((count - 1 - i) % perDay) * 600000;
        const progress = count > 1 ? i / (count - 1) : 1;
        const keys = {};
        let keystrokes = 0;
        let errors = 0;
        for (const key of kLetters) {
            const presses = 6 + Math.floor(rng() * 6);
            const missRate = weak[key] ? weak[key].missRate : 0.02;
            const ms = weak[key] ? weak[key].ms : 200;
            const misses = Math.min(presses, Math.round(presses * missRate + (rng() < 0.2 ? 1 : 0) * (missRate > 0.05 ? 1 : 0)));
            keys[key] = [presses, misses, Math.round(ms * (0.9 + rng() * 0.2))];
            keystrokes += presses;
            errors += misses;
        }
        const wpm = Math.round((18 + 30 * progress + (rng() - 0.5) * 8) * 10) / 10;
        sessions.push({
            at,
            lesson: 'passage-garden',
            kind: 'lesson',
            layout: 'us',
            wpm,
            accuracy: Math.round((1 - errors / keystrokes) * 1000) / 10,
            durationMs: Math.round(keystrokes / (wpm * 5) * 60000),
            keystrokes,
            errors,
            keys,
        });
    }
    return sessions;
}

function makeHistory(count, options) {
    return { version: 1, sessions: makeSessions(count, options), days: {} };
}

module.exports = { makeSessions, makeHistory, kLetters };
