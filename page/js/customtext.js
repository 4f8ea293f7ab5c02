/*
 * The typist's own texts: what of a pasted text the keyboard can type, and the texts kept per
 * profile as custom lessons. Typographic punctuation becomes its plain keyboard form; any other
 * character no key types is shown and left out of the practice, never counted as an error.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});

    var kPrefix = 'tapwise.custom.v1:';
    var kVersion = 1;
    var kMaxLength = 3000;
    var kMaxTitle = 60;
    var kMaxTexts = 50;

    var kPlainForms = {
        '\u2018': '\'', '\u2019': '\'', '\u201a': '\'', '\u201b': '\'', '\u2032': '\'',
        '\u201c': '"', '\u201d': '"', '\u201e': '"', '\u201f': '"', '\u2033': '"',
        '\u2010': '-', '\u2011': '-', '\u2012': '-', '\u2013': '-', '\u2014': '-', '\u2212': '-',
        '\u2026': '...', '\u00a0': ' ', '\u2009': ' ', '\u202f': ' ', '\t': ' ', '\r': ' ', '\n': ' '
    };

    /**
     * Splits a text into what can be practised: {practice (the typable text, single spaces),
     * segments: [{text, typable}] for showing it, skipped: [{ch, count}] (characters left out,
     * most frequent first), replaced (typographic characters made plain)}.
     */
    function analyse(text, keyFor) {
        var segments = [];
        var skippedCounts = {};
        var replaced = 0;
        var practice = '';
        function addSegment(piece, typable) {
            var last = segments[segments.length - 1];
            if (last && last.typable === typable) last.text += piece;
            else segments.push({ text: piece, typable: typable });
        }
        Array.from(String(text)).forEach(function (ch) {
            var plain = Object.prototype.hasOwnProperty.call(kPlainForms, ch) ? kPlainForms[ch] : ch;
            if (plain !== ch && !/\s/.test(ch)) replaced += 1;
            var typable = plain.split('').every(function (part) {
                return part === ' ' || keyFor(part) !== null;
            });
            addSegment(ch, typable);
            if (typable) {
                if (plain === ' ' && (practice === '' || practice.charAt(practice.length - 1) === ' ')) return;
                practice += plain;
            } else {
                skippedCounts[ch] = (skippedCounts[ch] || 0) + 1;
            }
        });
        practice = practice.replace(/ {2,}/g, ' ').trim();
        var skipped = Object.keys(skippedCounts).map(function (ch) {
            return { ch: ch, count: skippedCounts[ch] };
        }).sort(function (a, b) {
            return b.count - a.count || (a.ch < b.ch ? -1 : 1);
        });
        return { practice: practice, segments: segments, skipped: skipped, replaced: replaced };
    }

    /** Checks a text about to be kept: null when fine, else the reason ("empty", "long", "nothing"). */
    function problem(text, keyFor) {
        if (typeof text !== 'string' || text.trim() === '') return 'empty';
        if (Array.from(text).length > kMaxLength) return 'long';
        if (analyse(text, keyFor).practice === '') return 'nothing';
        return null;
    }

    function readEntry(raw) {
        if (raw === null || typeof raw !== 'object' || Array.isArray(raw)) return null;
        if (typeof raw.id !== 'string' || !/^[a-z0-9-]{1,40}$/.test(raw.id)) return null;
        if (typeof raw.title !== 'string' || Array.from(raw.title).length > kMaxTitle) return null;
        if (typeof raw.text !== 'string' || raw.text.trim() === '' || Array.from(raw.text).length > kMaxLength) return null;
        if (typeof raw.created !== 'number' || !isFinite(raw.created) || raw.created < 0) return null;
        return { id: raw.id, title: raw.title, text: raw.text, created: raw.created };
    }

    /** Reads a list of kept texts; strict: any bad entry makes it fail ({error}). */
    function readList(raw, strict) {
        if (raw === null || typeof raw !== 'object' || raw.version !== kVersion || !Array.isArray(raw.texts)) {
            return strict ? { error: 'texts' } : { texts: [] };
        }
        var texts = [];
        var seen = {};
        for (var i = 0; i < raw.texts.length; ++i) {
            var entry = readEntry(raw.texts[i]);
            if (entry && !seen[entry.id] && texts.length < kMaxTexts) {
                seen[entry.id] = true;
                texts.push(entry);
            } else if (strict) {
                return { error: 'texts' };
            }
        }
        return { texts: texts };
    }

    function titleFrom(text) {
        var words = text.trim().split(/\s+/).slice(0, 6).join(' ');
        var chars = Array.from(words);
        return chars.length > 40 ? chars.slice(0, 39).join('') + '…' : words;
    }

    /** The kept texts of one profile. */
    function CustomTexts(profile, choice) {
        var picked = choice || Tapwise.storage.pickBackend();
        this.profile = profile;
        this.backend = picked.backend;
        this.storageKey = kPrefix + profile;
        this.texts = this.load();
    }

    CustomTexts.prototype.load = function () {
        try {
            var text = this.backend.getItem(this.storageKey);
            return typeof text === 'string' ? readList(JSON.parse(text), false).texts : [];
        } catch (error) {
            return [];
        }
    };

    CustomTexts.prototype.save = function () {
        try {
            this.backend.setItem(this.storageKey, JSON.stringify(this.toJSON()));
            return true;
        } catch (error) {
            return false;
        }
    };

    CustomTexts.prototype.toJSON = function () {
        return { version: kVersion, texts: this.texts };
    };

    CustomTexts.prototype.find = function (id) {
        return this.texts.filter(function (entry) {
            return entry.id === id;
        })[0] || null;
    };

    /**
     * Keeps a text: {entry} or {error} with "empty", "long", "nothing", "full" or "storage"
     * (the browser refused to store it; nothing is kept then).
     */
    CustomTexts.prototype.add = function (title, text, keyFor, now) {
        var reason = problem(text, keyFor);
        if (reason) return { error: reason };
        if (this.texts.length >= kMaxTexts) return { error: 'full' };
        var cleanTitle = Array.from(String(title || '').trim()).slice(0, kMaxTitle).join('') || titleFrom(text);
        var id = now.toString(36);
        while (this.find(id)) id += 'x';
        var entry = { id: id, title: cleanTitle, text: text, created: now };
        this.texts.push(entry);
        if (!this.save()) {
            this.texts.pop();
            return { error: 'storage' };
        }
        return { entry: entry };
    };

    CustomTexts.prototype.remove = function (id) {
        var before = this.texts.length;
        var kept = this.texts.filter(function (entry) {
            return entry.id !== id;
        });
        if (kept.length === before) return false;
        var old = this.texts;
        this.texts = kept;
        if (!this.save()) {
            this.texts = old;
            return false;
        }
        return true;
    };

    CustomTexts.prototype.replace = function (texts) {
        this.texts = texts.slice();
        return this.save();
    };

    /** The lesson that practises a kept text. */
    function lessonFor(entry, keyFor) {
        return {
            id: 'custom-' + entry.id,
            kind: 'custom',
            title: { zh: entry.title, en: entry.title },
            goal: null,
            text: analyse(entry.text, keyFor).practice
        };
    }

    Tapwise.customtext = {
        maxLength: kMaxLength,
        maxTitle: kMaxTitle,
        maxTexts: kMaxTexts,
        prefix: kPrefix,
        analyse: analyse,
        problem: problem,
        readList: readList,
        lessonFor: lessonFor,
        CustomTexts: CustomTexts
    };
})(window);
