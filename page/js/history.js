/*
 * Every finished run of one profile: when, which lesson, speed, accuracy, duration and, per key,
 * presses, misses and the median time to press it. The newest runs are kept whole; older ones
 * are folded into daily totals so the record stays small enough for localStorage. A stored run
 * or day that does not read as one is skipped and the rest kept.
 *
 * Each run carries the track it belongs to: the keyboard layout of a run on keys, or "pinyin"
 * for a pinyin lesson (which also keeps its characters per minute). Figures of different tracks
 * are never mixed, daily totals included.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});

    var kPrefix = 'tapwise.history.v1:';
    var kVersion = 1;
    var kMaxSessions = 2000;
    // A full store keeps at least this many runs whole before it gives up saving.
    var kMinSessionsOnFull = 100;
    var kDefaultLayout = 'us';
    var kMaxLessonId = 120;
    // Daily totals of the default layout keep the plain date as their key, as before there were
    // other tracks; the others are "date@track".
    var kDayKey = /^(\d{4}-\d{2}-\d{2})(?:@([a-z][a-z0-9-]{0,39}))?$/;

    function isCount(value) {
        return typeof value === 'number' && isFinite(value) && value >= 0 && Math.floor(value) === value;
    }

    function isAmount(value, max) {
        return typeof value === 'number' && isFinite(value) && value >= 0 && (max === undefined || value <= max);
    }

    function isShortText(value, max) {
        return typeof value === 'string' && value.length > 0 && value.length <= max;
    }

    function median(values) {
        if (!values || values.length === 0) return null;
        var sorted = values.slice().sort(function (a, b) {
            return a - b;
        });
        var middle = Math.floor(sorted.length / 2);
        return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }

    /** The local calendar day of a time, as "YYYY-MM-DD". */
    function dayOf(ms) {
        var date = new Date(ms);
        var month = date.getMonth() + 1;
        var day = date.getDate();
        return date.getFullYear() + '-' + (month < 10 ? '0' : '') + month + '-' + (day < 10 ? '0' : '') + day;
    }

    /**
     * Per-key figures of one run ({keyErrors, keyHits, keyTimes} per character) summed onto the
     * keys that type them: {keyId: [presses, misses, median ms or null]}. Characters no key
     * types keep their own name.
     */
    function keyFigures(result, keyFor) {
        var byKey = {};
        function entry(ch) {
            var key = keyFor(ch);
            var id = key ? key.id : ch;
            return byKey[id] || (byKey[id] = { presses: 0, misses: 0, times: [] });
        }
        Object.keys(result.keyHits || {}).forEach(function (ch) {
            entry(ch).presses += result.keyHits[ch];
        });
        Object.keys(result.keyErrors || {}).forEach(function (ch) {
            entry(ch).misses += result.keyErrors[ch];
        });
        Object.keys(result.keyTimes || {}).forEach(function (ch) {
            var target = entry(ch);
            target.times = target.times.concat(result.keyTimes[ch]);
        });
        var figures = {};
        Object.keys(byKey).forEach(function (id) {
            var item = byKey[id];
            if (item.presses === 0) return;
            var middle = median(item.times);
            figures[id] = [item.presses, Math.min(item.misses, item.presses), middle === null ? null : Math.round(middle)];
        });
        return figures;
    }

    /** A stored run from a finished one. lesson: {id, kind}. */
    function makeSession(lesson, result, at, layout, keyFor) {
        var session = {
            at: at,
            lesson: lesson.id,
            kind: lesson.kind || 'lesson',
            layout: layout || kDefaultLayout,
            wpm: result.wpm,
            accuracy: result.accuracy,
            durationMs: result.timeMs,
            keystrokes: result.keystrokes,
            errors: result.errors,
            keys: keyFigures(result, keyFor)
        };
        if (typeof result.cpm === 'number') session.cpm = result.cpm;
        return session;
    }

    /** The daily-total key of a run: its day, and its track unless that is the default layout. */
    function dayKeyOf(session) {
        return dayOf(session.at) + (session.layout === kDefaultLayout ? '' : '@' + session.layout);
    }

    /** The track of a daily-total key. */
    function trackOfDay(key) {
        var match = kDayKey.exec(key);
        return match && match[2] ? match[2] : kDefaultLayout;
    }

    function readKeys(raw) {
        if (raw === null || typeof raw !== 'object' || Array.isArray(raw)) return null;
        var keys = {};
        var ids = Object.keys(raw);
        for (var i = 0; i < ids.length; ++i) {
            var value = raw[ids[i]];
            if (!Array.isArray(value) || value.length !== 3) return null;
            var presses = value[0];
            var misses = value[1];
            var time = value[2];
            if (!isCount(presses) || presses === 0 || !isCount(misses) || misses > presses) return null;
            if (time !== null && !isAmount(time)) return null;
            keys[ids[i]] = [presses, misses, time];
        }
        return keys;
    }

    /** A stored run as read back, or null when it is not one. */
    function readSession(raw) {
        if (raw === null || typeof raw !== 'object' || Array.isArray(raw)) return null;
        if (!isAmount(raw.at) || raw.at === 0 || !isShortText(raw.lesson, kMaxLessonId)) return null;
        if (!isShortText(raw.kind, 20) || !isShortText(raw.layout, 40)) return null;
        if (!isAmount(raw.wpm, 1000) || !isAmount(raw.accuracy, 100) || !isAmount(raw.durationMs)) return null;
        if (!isCount(raw.keystrokes) || !isCount(raw.errors) || raw.errors > raw.keystrokes) return null;
        if (raw.cpm !== undefined && !isAmount(raw.cpm, 5000)) return null;
        var keys = readKeys(raw.keys);
        if (keys === null) return null;
        var session = {
            at: raw.at,
            lesson: raw.lesson,
            kind: raw.kind,
            layout: raw.layout,
            wpm: raw.wpm,
            accuracy: raw.accuracy,
            durationMs: raw.durationMs,
            keystrokes: raw.keystrokes,
            errors: raw.errors,
            keys: keys
        };
        if (raw.cpm !== undefined) session.cpm = raw.cpm;
        return session;
    }

    /** A stored daily total, or null. */
    function readDay(day, raw) {
        if (!kDayKey.test(day)) return null;
        if (raw === null || typeof raw !== 'object' || Array.isArray(raw)) return null;
        if (!isCount(raw.sessions) || raw.sessions === 0 || !isAmount(raw.durationMs)) return null;
        if (!isCount(raw.keystrokes) || !isCount(raw.errors) || raw.errors > raw.keystrokes) return null;
        if (!isAmount(raw.wpmSum) || !isAmount(raw.accuracySum) || raw.accuracySum > 100 * raw.sessions) return null;
        if (raw.cpmSum !== undefined && !isAmount(raw.cpmSum)) return null;
        var read = {
            sessions: raw.sessions,
            durationMs: raw.durationMs,
            keystrokes: raw.keystrokes,
            errors: raw.errors,
            wpmSum: raw.wpmSum,
            accuracySum: raw.accuracySum
        };
        if (raw.cpmSum !== undefined) read.cpmSum = raw.cpmSum;
        return read;
    }

    function emptyDay() {
        return { sessions: 0, durationMs: 0, keystrokes: 0, errors: 0, wpmSum: 0, accuracySum: 0 };
    }

    function addToDay(day, session) {
        day.sessions += 1;
        day.durationMs += session.durationMs;
        day.keystrokes += session.keystrokes;
        day.errors += session.errors;
        day.wpmSum += session.wpm;
        day.accuracySum += session.accuracy;
        if (session.cpm !== undefined) day.cpmSum = (day.cpmSum || 0) + session.cpm;
    }

    function byTime(a, b) {
        return a.at - b.at;
    }

    /**
     * Reads a whole history ({version, sessions, days}). Lenient: unreadable runs and days are
     * skipped and counted. Strict: the first one makes it fail. Gives {data, skipped} or
     * {error} (strict only).
     */
    function readData(raw, strict) {
        var data = { version: kVersion, sessions: [], days: {} };
        if (raw === null || typeof raw !== 'object' || raw.version !== kVersion) {
            return strict ? { error: 'history' } : { data: data, skipped: 0 };
        }
        var skipped = 0;
        var sessions = Array.isArray(raw.sessions) ? raw.sessions : [];
        if (strict && !Array.isArray(raw.sessions)) return { error: 'history' };
        for (var i = 0; i < sessions.length; ++i) {
            var session = readSession(sessions[i]);
            if (session) data.sessions.push(session);
            else if (strict) return { error: 'session', index: i };
            else skipped += 1;
        }
        var days = raw.days !== null && typeof raw.days === 'object' && !Array.isArray(raw.days) ? raw.days : {};
        if (strict && days !== raw.days) return { error: 'history' };
        Object.keys(days).forEach(function (key) {
            var day = readDay(key, days[key]);
            if (day) data.days[key] = day;
            else skipped += 1;
        });
        if (strict && skipped > 0) return { error: 'day' };
        data.sessions.sort(byTime);
        return { data: data, skipped: skipped };
    }

    /** Folds all but the newest keep runs into the daily totals. */
    function fold(data, keep) {
        var excess = data.sessions.length - keep;
        if (excess <= 0) return 0;
        data.sessions.splice(0, excess).forEach(function (session) {
            var key = dayKeyOf(session);
            addToDay(data.days[key] || (data.days[key] = emptyDay()), session);
        });
        return excess;
    }

    /** The history of one profile, in the same storage as its lesson progress. */
    function History(profile, choice) {
        var picked = choice || Tapwise.storage.pickBackend();
        this.profile = profile;
        this.backend = picked.backend;
        this.persistent = picked.persistent;
        this.storageKey = kPrefix + profile;
        this.maxSessions = kMaxSessions;
        this.skipped = 0;
        this.data = this.load();
    }

    History.prototype.load = function () {
        var text = null;
        try {
            text = this.backend.getItem(this.storageKey);
        } catch (error) {
            text = null;
        }
        var read = { data: { version: kVersion, sessions: [], days: {} }, skipped: 0 };
        if (typeof text === 'string') {
            try {
                read = readData(JSON.parse(text), false);
            } catch (error) {
                read.skipped = 1;
            }
        }
        this.skipped = read.skipped;
        fold(read.data, this.maxSessions);
        return read.data;
    };

    /**
     * Writes the history. When the storage is full the oldest runs are folded into daily totals
     * until it fits or only a few remain whole. Returns whether it was written.
     */
    History.prototype.save = function () {
        for (;;) {
            try {
                this.backend.setItem(this.storageKey, JSON.stringify(this.data));
                return true;
            } catch (error) {
                var count = this.data.sessions.length;
                if (count <= kMinSessionsOnFull) return false;
                fold(this.data, Math.max(kMinSessionsOnFull, Math.floor(count / 2)));
            }
        }
    };

    /** Adds a finished run; returns whether it was saved. */
    History.prototype.add = function (session) {
        this.data.sessions.push(session);
        if (this.data.sessions.length > 1 && session.at < this.data.sessions[this.data.sessions.length - 2].at) {
            this.data.sessions.sort(byTime);
        }
        fold(this.data, this.maxSessions);
        return this.save();
    };

    /** The runs kept whole, oldest first; with a track, only that track's. */
    History.prototype.sessions = function (track) {
        if (track === undefined) return this.data.sessions;
        return this.data.sessions.filter(function (session) {
            return session.layout === track;
        });
    };

    /** Runs ever finished, folded ones included; with a track, only that track's. */
    History.prototype.totalSessions = function (track) {
        var days = this.data.days;
        return this.sessions(track).length + Object.keys(days).reduce(function (sum, key) {
            return track === undefined || trackOfDay(key) === track ? sum + days[key].sessions : sum;
        }, 0);
    };

    /**
     * Per-day totals of folded and whole runs of a track, oldest day first: [{day, sessions,
     * wpm, accuracy, cpm (pinyin), ...}].
     */
    History.prototype.daily = function (track) {
        var merged = {};
        var days = this.data.days;
        Object.keys(days).forEach(function (key) {
            if (track !== undefined && trackOfDay(key) !== track) return;
            var day = kDayKey.exec(key)[1];
            var total = merged[day] || (merged[day] = emptyDay());
            var folded = days[key];
            ['sessions', 'durationMs', 'keystrokes', 'errors', 'wpmSum', 'accuracySum', 'cpmSum'].forEach(function (field) {
                if (folded[field] !== undefined) total[field] = (total[field] || 0) + folded[field];
            });
        });
        this.sessions(track).forEach(function (session) {
            var key = dayOf(session.at);
            addToDay(merged[key] || (merged[key] = emptyDay()), session);
        });
        return Object.keys(merged).sort().map(function (key) {
            var day = merged[key];
            var figures = { day: key, wpm: day.wpmSum / day.sessions, accuracy: day.accuracySum / day.sessions };
            if (day.cpmSum !== undefined) figures.cpm = day.cpmSum / day.sessions;
            return Object.assign(figures, day);
        });
    };

    /** Replaces the whole history (an import); returns whether it was saved. */
    History.prototype.replace = function (data) {
        this.data = { version: kVersion, sessions: data.sessions.slice(), days: Object.assign({}, data.days) };
        fold(this.data, this.maxSessions);
        return this.save();
    };

    /**
     * Per-key totals over the newest runs typed on a layout: {keyId: {presses, misses,
     * medianMs}}, medianMs being the median of the runs' medians weighted by their presses.
     * options: layout, limit (newest runs looked at), filter(session).
     */
    function keyTotals(sessions, options) {
        var layout = (options && options.layout) || kDefaultLayout;
        var limit = (options && options.limit) || sessions.length;
        var filter = options && options.filter;
        var totals = {};
        var seen = 0;
        for (var i = sessions.length - 1; i >= 0 && seen < limit; --i) {
            var session = sessions[i];
            if (session.layout !== layout || (filter && !filter(session))) continue;
            seen += 1;
            Object.keys(session.keys).forEach(function (id) {
                var figures = session.keys[id];
                var total = totals[id] || (totals[id] = { presses: 0, misses: 0, times: [] });
                total.presses += figures[0];
                total.misses += figures[1];
                if (figures[2] !== null) total.times.push([figures[2], figures[0] - figures[1]]);
            });
        }
        Object.keys(totals).forEach(function (id) {
            var total = totals[id];
            total.medianMs = weightedMedian(total.times);
            delete total.times;
        });
        return totals;
    }

    function weightedMedian(pairs) {
        var weighted = pairs.filter(function (pair) {
            return pair[1] > 0;
        });
        if (weighted.length === 0) return null;
        weighted.sort(function (a, b) {
            return a[0] - b[0];
        });
        var half = weighted.reduce(function (sum, pair) {
            return sum + pair[1];
        }, 0) / 2;
        var running = 0;
        for (var i = 0; i < weighted.length; ++i) {
            running += weighted[i][1];
            if (running >= half) return weighted[i][0];
        }
        return weighted[weighted.length - 1][0];
    }

    /** Moving average over the last window values (fewer at the start). */
    function movingAverage(values, window) {
        var result = [];
        var sum = 0;
        for (var i = 0; i < values.length; ++i) {
            sum += values[i];
            if (i >= window) sum -= values[i - window];
            result.push(sum / Math.min(i + 1, window));
        }
        return result;
    }

    Tapwise.history = {
        prefix: kPrefix,
        version: kVersion,
        maxSessions: kMaxSessions,
        defaultLayout: kDefaultLayout,
        median: median,
        dayOf: dayOf,
        trackOfDay: trackOfDay,
        keyFigures: keyFigures,
        makeSession: makeSession,
        readSession: readSession,
        readData: readData,
        keyTotals: keyTotals,
        movingAverage: movingAverage,
        History: History
    };
})(window);
