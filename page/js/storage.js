/*
 * Progress kept per profile in localStorage: one record per lesson and error counts per key.
 * The profile is the signed-in profile (by its name), or the guest. A stored record that is
 * unreadable or of another shape is replaced, never trusted; without a usable localStorage
 * progress lives in memory for the session.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});

    var kPrefix = 'tapwise.progress.v1:';
    var kVersion = 1;

    function MemoryBackend() {
        this.items = {};
    }
    MemoryBackend.prototype.getItem = function (key) {
        return Object.prototype.hasOwnProperty.call(this.items, key) ? this.items[key] : null;
    };
    MemoryBackend.prototype.setItem = function (key, value) {
        this.items[key] = String(value);
    };

    var memory = new MemoryBackend();

    /** localStorage when it works here, else an in-memory stand-in ({backend, persistent}). */
    function pickBackend() {
        try {
            var storage = global.localStorage;
            var probe = kPrefix + 'probe';
            storage.setItem(probe, '1');
            storage.removeItem(probe);
            return { backend: storage, persistent: true };
        } catch (error) {
            return { backend: memory, persistent: false };
        }
    }

    /**
     * The storage key part for a sign-in state: the signed-in profile by name, else (a shell
     * that does not name it) the device's user, or the guest.
     */
    function profileKey(signedIn, deviceId, name) {
        if (!signedIn) return 'guest';
        if (typeof name === 'string' && name.length > 0) return 'profile:' + name;
        return 'user:' + (typeof deviceId === 'string' && deviceId.length > 0 ? deviceId : 'this-device');
    }

    /** The progress key of a profile's track; US QWERTY keeps the key from before other tracks. */
    function trackKey(profile, track) {
        return !track || track === 'us' ? profile : profile + ':' + track;
    }

    function count(value) {
        return typeof value === 'number' && isFinite(value) && value >= 0 ? value : 0;
    }

    function emptyData() {
        return { version: kVersion, lessons: {}, keys: {} };
    }

    function sanitize(raw) {
        var data = emptyData();
        if (raw === null || typeof raw !== 'object' || raw.version !== kVersion) return data;
        var lessons = raw.lessons && typeof raw.lessons === 'object' ? raw.lessons : {};
        Object.keys(lessons).forEach(function (id) {
            var entry = lessons[id];
            if (entry === null || typeof entry !== 'object') return;
            data.lessons[id] = {
                attempts: count(entry.attempts),
                passed: entry.passed === true,
                bestWpm: count(entry.bestWpm),
                bestAccuracy: Math.min(100, count(entry.bestAccuracy)),
                lastWpm: count(entry.lastWpm),
                lastAccuracy: Math.min(100, count(entry.lastAccuracy))
            };
        });
        var keys = raw.keys && typeof raw.keys === 'object' ? raw.keys : {};
        Object.keys(keys).forEach(function (key) {
            var entry = keys[key];
            if (entry === null || typeof entry !== 'object') return;
            data.keys[key] = { errors: count(entry.errors), hits: count(entry.hits) };
        });
        return data;
    }

    /** The progress of one profile. */
    function Progress(profile, choice) {
        var picked = choice || pickBackend();
        this.profile = profile;
        this.backend = picked.backend;
        this.persistent = picked.persistent;
        this.storageKey = kPrefix + profile;
        this.data = this.load();
    }

    Progress.prototype.load = function () {
        var text = null;
        try {
            text = this.backend.getItem(this.storageKey);
        } catch (error) {
            text = null;
        }
        if (typeof text !== 'string') return emptyData();
        try {
            return sanitize(JSON.parse(text));
        } catch (error) {
            return emptyData();
        }
    };

    /** Writes the progress; returns false when the storage refused it (full or disabled). */
    Progress.prototype.save = function () {
        try {
            this.backend.setItem(this.storageKey, JSON.stringify(this.data));
            return true;
        } catch (error) {
            return false;
        }
    };

    /** Replaces the whole record (an import); returns whether it was saved. */
    Progress.prototype.replace = function (raw) {
        this.data = sanitize(raw);
        return this.save();
    };

    Progress.prototype.lesson = function (id) {
        return this.data.lessons[id] || null;
    };

    Progress.prototype.isPassed = function (id) {
        var entry = this.data.lessons[id];
        return !!(entry && entry.passed);
    };

    /**
     * Records a finished run: result has wpm, accuracy (percent) and per-key error and hit
     * counts keyed by key id. Returns whether it was saved.
     */
    Progress.prototype.record = function (id, result, passed) {
        var entry = this.data.lessons[id] ||
            { attempts: 0, passed: false, bestWpm: 0, bestAccuracy: 0, lastWpm: 0, lastAccuracy: 0 };
        entry.attempts += 1;
        entry.passed = entry.passed || !!passed;
        entry.bestWpm = Math.max(entry.bestWpm, result.wpm);
        entry.bestAccuracy = Math.max(entry.bestAccuracy, result.accuracy);
        entry.lastWpm = result.wpm;
        entry.lastAccuracy = result.accuracy;
        this.data.lessons[id] = entry;
        var keys = this.data.keys;
        function add(table, field) {
            Object.keys(table || {}).forEach(function (key) {
                var stats = keys[key] || (keys[key] = { errors: 0, hits: 0 });
                stats[field] += count(table[key]);
            });
        }
        add(result.keyErrors, 'errors');
        add(result.keyHits, 'hits');
        return this.save();
    };

    /** Keys with errors, worst error rate first: [{key, errors, hits}]. */
    Progress.prototype.troubleKeys = function (limit) {
        var keys = this.data.keys;
        return Object.keys(keys)
            .filter(function (key) {
                return keys[key].errors > 0;
            })
            .map(function (key) {
                return { key: key, errors: keys[key].errors, hits: keys[key].hits };
            })
            .sort(function (a, b) {
                return b.errors / Math.max(1, b.hits) - a.errors / Math.max(1, a.hits) || b.errors - a.errors;
            })
            .slice(0, limit || 5);
    };

    Progress.prototype.passedCount = function () {
        var lessons = this.data.lessons;
        return Object.keys(lessons).filter(function (id) {
            return lessons[id].passed;
        }).length;
    };

    Tapwise.storage = {
        prefix: kPrefix,
        version: kVersion,
        sanitize: sanitize,
        profileKey: profileKey,
        trackKey: trackKey,
        pickBackend: pickBackend,
        MemoryBackend: MemoryBackend,
        Progress: Progress
    };
})(window);
