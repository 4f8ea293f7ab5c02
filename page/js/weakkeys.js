/*
 * Practice aimed at the typist's weak keys: which letters are missed most or pressed slowest
 * (once they have enough presses to tell), a text of real words weighted towards them, and
 * "key by key", which opens the letters one at a time as the open ones become fast and sure.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});

    // Presses a key needs before its figures count.
    var kMinPresses = 20;
    var kMaxTargets = 4;
    // Weak: missed this much more often than the typist's average (and at least kMissFloor), or
    // this much slower than the typist's typical key.
    var kMissFactor = 1.5;
    var kMissFloor = 0.03;
    var kSlowFactor = 1.25;
    // Runs looked at: recent form counts, old habits fade.
    var kRecentSessions = 200;
    var kWordsPerText = 36;

    // Key by key: the home row first, then the letters in order of use in English.
    var kUnlockOrder = 'fjdksla' + 'eirutonhgcmwypvbxqz';
    var kUnlockStart = 7;
    // Other layouts: their home-row letters from the index fingers out, then the rest by how
    // often English (the practice words) uses them.
    var kHomeCodes = ['KeyF', 'KeyJ', 'KeyD', 'KeyK', 'KeyS', 'KeyL', 'KeyA', 'Semicolon'];
    var kLetterUse = 'etaoinsrhldcumfpgwybvkxjqz';
    var kUnlockMinPresses = 15;
    var kUnlockMaxMissRate = 0.06;
    // 30 WPM: five keystrokes a word.
    var kUnlockMaxMs = 400;
    var kUnlockRecentSessions = 30;

    var letters = /^[a-z]$/;

    /** A small seeded generator (mulberry32): the same seed gives the same text. */
    function random(seed) {
        var state = seed >>> 0;
        return function () {
            state = (state + 0x6d2b79f5) >>> 0;
            var value = state;
            value = Math.imul(value ^ (value >>> 15), value | 1);
            value ^= value + Math.imul(value ^ (value >>> 7), value | 61);
            return ((value ^ (value >>> 14)) >>> 0) / 4294967296;
        };
    }

    function pick(list, rng) {
        return list[Math.floor(rng() * list.length)];
    }

    /**
     * Ranks the letter keys of per-key totals ({id: {presses, misses, medianMs}}). Gives
     * {weak: [{id, presses, missRate, medianMs, reasons, score}], measured: n, averageMissRate,
     * typicalMs}; weak is worst first, at most kMaxTargets, and empty when no key has enough
     * presses or none stands out.
     */
    function analyse(totals, options) {
        var minPresses = (options && options.minPresses) || kMinPresses;
        var measured = Object.keys(totals).filter(function (id) {
            return letters.test(id) && totals[id].presses >= minPresses;
        }).map(function (id) {
            var total = totals[id];
            return { id: id, presses: total.presses, missRate: total.misses / total.presses, medianMs: total.medianMs };
        });
        var presses = 0;
        var misses = 0;
        var timed = [];
        measured.forEach(function (key) {
            presses += key.presses;
            misses += key.missRate * key.presses;
            if (key.medianMs !== null) timed.push(key);
        });
        var averageMissRate = presses > 0 ? misses / presses : 0;
        timed.sort(function (a, b) {
            return a.medianMs - b.medianMs;
        });
        var typicalMs = timed.length > 0 ? timed[Math.floor((timed.length - 1) / 2)].medianMs : null;
        var weak = [];
        measured.forEach(function (key) {
            var reasons = [];
            if (key.missRate >= Math.max(kMissFloor, kMissFactor * averageMissRate)) reasons.push('misses');
            if (typicalMs && key.medianMs !== null && key.medianMs >= kSlowFactor * typicalMs) reasons.push('slow');
            if (reasons.length === 0) return;
            key.reasons = reasons;
            key.score = key.missRate / Math.max(kMissFloor, averageMissRate) +
                (typicalMs && key.medianMs !== null ? key.medianMs / typicalMs : 0);
            weak.push(key);
        });
        weak.sort(function (a, b) {
            return b.score - a.score || (a.id < b.id ? -1 : 1);
        });
        return {
            weak: weak.slice(0, kMaxTargets),
            measured: measured.length,
            averageMissRate: averageMissRate,
            typicalMs: typicalMs
        };
    }

    function onlyLetters(words, allowed) {
        return words.filter(function (word) {
            for (var i = 0; i < word.length; ++i) {
                if (!allowed[word.charAt(i)]) return false;
            }
            return true;
        });
    }

    function letterSet(text) {
        var set = {};
        for (var i = 0; i < text.length; ++i) set[text.charAt(i)] = true;
        return set;
    }

    /**
     * A practice text of count words: most contain a target letter (the targets take turns),
     * every fourth is any word, so the hands keep their rhythm. allowed limits the letters
     * (all when absent); where the list has too few words, short made-up ones fill in.
     */
    function buildText(targets, words, options) {
        var rng = options.rng;
        var count = options.count || kWordsPerText;
        var allowed = options.allowed ? letterSet(options.allowed) : null;
        var pool = allowed ? onlyLetters(words, allowed) : words;
        pool = pool.filter(function (word) {
            return word.length <= 8;
        });
        var alphabet = options.allowed || 'abcdefghijklmnopqrstuvwxyz';
        function madeUp(target) {
            var length = 3 + Math.floor(rng() * 3);
            var at = Math.floor(rng() * length);
            var word = '';
            for (var i = 0; i < length; ++i) word += i === at && target ? target : pick(alphabet, rng);
            return word;
        }
        var byTarget = {};
        targets.forEach(function (target) {
            byTarget[target] = pool.filter(function (word) {
                return word.indexOf(target) >= 0;
            });
        });
        var chosen = [];
        var turn = 0;
        while (chosen.length < count) {
            var word;
            if (targets.length > 0 && chosen.length % 4 !== 3) {
                var target = targets[turn % targets.length];
                turn += 1;
                var candidates = byTarget[target];
                word = candidates.length >= 3 ? pick(candidates, rng) : madeUp(target);
            } else {
                word = pool.length >= 8 ? pick(pool, rng) : madeUp(null);
            }
            if (chosen.length > 0 && chosen[chosen.length - 1] === word) continue;
            chosen.push(word);
        }
        return chosen.join(' ');
    }

    /**
     * The weak-key lesson for a history on a layout: {lesson, analysis}. The lesson's text trains
     * the weak keys, or, while too little is known, common words for all the letters.
     */
    function weakKeyLesson(sessions, words, options) {
        var totals = Tapwise.history.keyTotals(sessions, { layout: options.layout, limit: kRecentSessions });
        var analysis = analyse(totals);
        var targets = analysis.weak.map(function (key) {
            return key.id;
        });
        var text = buildText(targets, words, { rng: random(options.seed) });
        return {
            analysis: analysis,
            lesson: {
                id: 'weak-keys',
                kind: 'weak',
                title: { zh: '薄弱键练习', en: 'Weak-key practice' },
                targets: targets,
                goal: null,
                text: text
            }
        };
    }

    /**
     * The order key by key opens the letters of a layout in: {order, start (letters open at
     * first)}. Layouts with the US letters keep its order, so their runs so far stay valid.
     */
    function unlockPlan(layoutId) {
        var layouts = Tapwise.layouts;
        var layout = layouts ? layouts.get(layoutId) : null;
        var us = layouts ? layouts.get('us') : null;
        var sameLetters = !layout || Object.keys(us.keys).every(function (code) {
            var plain = us.keys[code].plain;
            return !letters.test(plain) || (layout.keys[code] && layout.keys[code].plain === plain);
        });
        if (sameLetters) return { order: kUnlockOrder, start: kUnlockStart };
        var home = '';
        kHomeCodes.forEach(function (code) {
            var ch = layout.keys[code] ? layout.keys[code].plain : '';
            if (letters.test(ch) && home.indexOf(ch) < 0) home += ch;
        });
        var rest = kLetterUse.split('').filter(function (ch) {
            return home.indexOf(ch) < 0;
        }).join('');
        return { order: home + rest, start: home.length };
    }

    /** Number of letters open in key by key, from the runs of it so far. */
    function unlockedCount(sessions, layout, plan) {
        var count = plan.start;
        sessions.forEach(function (session) {
            var match = /^unlock-(\d+)$/.exec(session.lesson);
            if (session.kind === 'unlock' && session.layout === layout && match) {
                count = Math.max(count, Math.min(plan.order.length, parseInt(match[1], 10)));
            }
        });
        return count;
    }

    /**
     * Where key by key stands: {open (letters), newest, next (letter or null), keys: [{id,
     * presses, missRate, medianMs, ready}], ready (all open keys meet the bar)}. When ready,
     * the next run opens the next letter.
     */
    function unlockState(sessions, layout) {
        var plan = unlockPlan(layout);
        var count = unlockedCount(sessions, layout, plan);
        var open = plan.order.slice(0, count);
        var totals = Tapwise.history.keyTotals(sessions, {
            layout: layout,
            limit: kUnlockRecentSessions,
            filter: function (session) {
                return session.kind === 'unlock' && session.lesson === 'unlock-' + count;
            }
        });
        var keys = open.split('').map(function (id) {
            var total = totals[id] || { presses: 0, misses: 0, medianMs: null };
            var missRate = total.presses > 0 ? total.misses / total.presses : null;
            return {
                id: id,
                presses: total.presses,
                missRate: missRate,
                medianMs: total.medianMs,
                ready: total.presses >= kUnlockMinPresses && missRate <= kUnlockMaxMissRate &&
                    total.medianMs !== null && total.medianMs <= kUnlockMaxMs
            };
        });
        var ready = keys.every(function (key) {
            return key.ready;
        });
        return {
            open: open,
            newest: open.charAt(open.length - 1),
            order: plan.order,
            next: count < plan.order.length ? plan.order.charAt(count) : null,
            keys: keys,
            ready: ready && count < plan.order.length
        };
    }

    /** The next key-by-key run: {lesson, state, opened (the letter this run opens, or null)}. */
    function unlockLesson(sessions, words, options) {
        var state = unlockState(sessions, options.layout);
        var opened = null;
        var open = state.open;
        if (state.ready) {
            opened = state.next;
            open += opened;
        }
        var newest = open.charAt(open.length - 1);
        var slow = state.keys.filter(function (key) {
            return !key.ready && key.presses > 0;
        }).map(function (key) {
            return key.id;
        });
        var targets = [newest].concat(slow.filter(function (id) {
            return id !== newest;
        }).slice(0, 2));
        return {
            state: state,
            opened: opened,
            lesson: {
                id: 'unlock-' + open.length,
                kind: 'unlock',
                title: { zh: '逐键解锁', en: 'Key by key' },
                targets: targets,
                goal: null,
                text: buildText(targets, words, { rng: random(options.seed), allowed: open, count: 30 })
            }
        };
    }

    Tapwise.weakkeys = {
        minPresses: kMinPresses,
        unlockOrder: kUnlockOrder,
        unlockStart: kUnlockStart,
        unlockPlan: unlockPlan,
        unlockMaxMs: kUnlockMaxMs,
        unlockMaxMissRate: kUnlockMaxMissRate,
        unlockMinPresses: kUnlockMinPresses,
        random: random,
        analyse: analyse,
        buildText: buildText,
        weakKeyLesson: weakKeyLesson,
        unlockState: unlockState,
        unlockLesson: unlockLesson
    };
})(window);
