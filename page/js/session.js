/*
 * One typing run over a lesson text and its statistics.
 *
 * Counting rules:
 * - A keystroke is one typed character (Backspace and modifier keys are not keystrokes).
 *   It is correct when it equals the text's character at the cursor at that moment.
 * - A wrong character stays in place (shown as an error) and the cursor moves on; Backspace
 *   removes the last typed character, Ctrl+Backspace the last word. A correction does not
 *   undo the mistake: accuracy = correct keystrokes / all keystrokes, so a wrong key, a
 *   Backspace and the right key count as 1 correct out of 2.
 * - Speed counts the characters that stand correct in the typed text: words per minute =
 *   (correct characters / 5) / minutes. The clock runs from the first keystroke to the
 *   keystroke that completes the text.
 * - The run ends when as many characters are typed as the text has; uncorrected errors stay
 *   errors. Per-key error counts are kept by the character that should have been typed.
 * - The time to press a key is the time since the keystroke before it, kept for correct
 *   keystrokes only (a wrong one says nothing about the key that was due) and not right after
 *   a correction (that pause went into the correction).
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});

    var kCharsPerWord = 5;

    function copyLists(table) {
        var copy = {};
        Object.keys(table).forEach(function (key) {
            copy[key] = table[key].slice();
        });
        return copy;
    }

    function TypingSession(text) {
        if (typeof text !== 'string' || text.length === 0) {
            throw new Error('A typing session needs a text');
        }
        this.text = text;
        this.typed = [];
        this.keystrokes = 0;
        this.correctKeystrokes = 0;
        this.corrections = 0;
        this.startTime = null;
        this.endTime = null;
        this.keyErrors = {};
        this.keyHits = {};
        this.keyTimes = {};
        this.lastInputTime = null;
    }

    TypingSession.prototype.position = function () {
        return this.typed.length;
    };

    TypingSession.prototype.started = function () {
        return this.startTime !== null;
    };

    TypingSession.prototype.finished = function () {
        return this.endTime !== null;
    };

    /** The character expected next, or null when the run is over. */
    TypingSession.prototype.nextChar = function () {
        return this.finished() ? null : this.text.charAt(this.typed.length);
    };

    /** Types one character at time now (ms). Returns whether it was right, or null if ignored. */
    TypingSession.prototype.input = function (ch, now) {
        if (this.finished() || typeof ch !== 'string' || ch.length !== 1) return null;
        if (this.startTime === null) this.startTime = now;
        var expected = this.text.charAt(this.typed.length);
        var correct = ch === expected;
        this.keystrokes += 1;
        this.keyHits[expected] = (this.keyHits[expected] || 0) + 1;
        if (correct) {
            this.correctKeystrokes += 1;
            if (this.lastInputTime !== null) {
                (this.keyTimes[expected] || (this.keyTimes[expected] = [])).push(now - this.lastInputTime);
            }
        } else {
            this.keyErrors[expected] = (this.keyErrors[expected] || 0) + 1;
        }
        this.lastInputTime = now;
        this.typed.push(ch);
        if (this.typed.length === this.text.length) this.endTime = now;
        return correct;
    };

    /** Removes the last typed character; returns whether there was one. */
    TypingSession.prototype.backspace = function () {
        if (this.finished() || this.typed.length === 0) return false;
        this.typed.pop();
        this.corrections += 1;
        this.lastInputTime = null;
        return true;
    };

    /** Removes back to the start of the current or previous word (Ctrl+Backspace). */
    TypingSession.prototype.backspaceWord = function () {
        if (this.finished() || this.typed.length === 0) return false;
        while (this.typed.length > 0 && this.typed[this.typed.length - 1] === ' ') this.typed.pop();
        while (this.typed.length > 0 && this.typed[this.typed.length - 1] !== ' ') this.typed.pop();
        this.corrections += 1;
        this.lastInputTime = null;
        return true;
    };

    /** Per position: "correct", "wrong", "current" or "pending". */
    TypingSession.prototype.stateAt = function (index) {
        if (index < this.typed.length) return this.typed[index] === this.text.charAt(index) ? 'correct' : 'wrong';
        if (index === this.typed.length && !this.finished()) return 'current';
        return 'pending';
    };

    TypingSession.prototype.correctChars = function () {
        var count = 0;
        for (var i = 0; i < this.typed.length; ++i) {
            if (this.typed[i] === this.text.charAt(i)) count += 1;
        }
        return count;
    };

    TypingSession.prototype.uncorrectedErrors = function () {
        return this.typed.length - this.correctChars();
    };

    TypingSession.prototype.elapsedMs = function (now) {
        if (this.startTime === null) return 0;
        var end = this.endTime !== null ? this.endTime : now;
        return Math.max(0, end - this.startTime);
    };

    /** Words per minute at time now; 0 before a measurable time has passed. */
    TypingSession.prototype.wpm = function (now) {
        var ms = this.elapsedMs(now);
        if (ms <= 0) return 0;
        return this.correctChars() / kCharsPerWord / (ms / 60000);
    };

    /** Correct keystrokes / keystrokes, from 0 to 1; null before the first keystroke. */
    TypingSession.prototype.accuracy = function () {
        return this.keystrokes === 0 ? null : this.correctKeystrokes / this.keystrokes;
    };

    TypingSession.prototype.progress = function () {
        return this.typed.length / this.text.length;
    };

    /** The run's figures, rounded for display and storage. */
    TypingSession.prototype.result = function (now) {
        var accuracy = this.accuracy();
        return {
            wpm: Math.round(this.wpm(now) * 10) / 10,
            accuracy: accuracy === null ? 0 : Math.round(accuracy * 1000) / 10,
            timeMs: this.elapsedMs(now),
            keystrokes: this.keystrokes,
            correctKeystrokes: this.correctKeystrokes,
            errors: this.keystrokes - this.correctKeystrokes,
            corrections: this.corrections,
            uncorrected: this.uncorrectedErrors(),
            correctChars: this.correctChars(),
            keyErrors: Object.assign({}, this.keyErrors),
            keyHits: Object.assign({}, this.keyHits),
            keyTimes: copyLists(this.keyTimes)
        };
    };

    TypingSession.kCharsPerWord = kCharsPerWord;
    Tapwise.TypingSession = TypingSession;
})(window);
