/*
 * Sign-in state as the shell reports it through "queryLogin": asked synchronously at start,
 * then asynchronously (the answer arrives through onMessage) on request. Every failure or
 * unreadable answer ends in a definite "error" status; the last definite answer is kept so
 * that saved progress does not switch profiles on a failed query.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});

    var kCommand = 'queryLogin';
    var kAnswerTimeoutMs = 10000;

    /**
     * status: "unavailable" (no shell), "in", "out" or "error"; reason for an error:
     * "failed", "malformed", "refused" or "noAnswer"; msg: the shell's text for "failed".
     */
    function SignIn(bridge, options) {
        this.bridge = bridge;
        this.timeoutMs = (options && options.timeoutMs) || kAnswerTimeoutMs;
        this.status = 'unavailable';
        this.reason = '';
        this.msg = '';
        this.pending = false;
        this.lastKnown = null; // true or false after a definite answer
        this.listeners = [];
        this.timer = null;
        var self = this;
        bridge.onPush(function (push) {
            self.handlePush(push);
        });
    }

    SignIn.prototype.onChange = function (listener) {
        this.listeners.push(listener);
    };

    SignIn.prototype.emit = function () {
        var self = this;
        this.listeners.forEach(function (listener) {
            listener(self);
        });
    };

    SignIn.prototype.signedIn = function () {
        return this.lastKnown === true;
    };

    SignIn.prototype.apply = function (answer) {
        if (answer.ok) {
            var data = answer.data;
            if (data !== null && typeof data === 'object' && typeof data.login === 'boolean') {
                this.status = data.login ? 'in' : 'out';
                this.reason = '';
                this.msg = '';
                this.lastKnown = data.login;
            } else {
                this.status = 'error';
                this.reason = 'malformed';
                this.msg = '';
            }
        } else if (answer.reason === 'unavailable') {
            this.status = 'unavailable';
            this.reason = '';
            this.msg = '';
        } else {
            this.status = 'error';
            this.reason = answer.reason;
            this.msg = answer.msg || '';
        }
    };

    SignIn.prototype.stopWaiting = function () {
        this.pending = false;
        if (this.timer !== null) {
            global.clearTimeout(this.timer);
            this.timer = null;
        }
    };

    /** Asks and waits for the answer; used once at start. */
    SignIn.prototype.refreshSync = function () {
        this.stopWaiting();
        this.apply(this.bridge.request(kCommand, undefined, false));
        this.emit();
    };

    /**
     * Asks without waiting; the answer comes as a push. A request while one is still open is
     * not repeated. Returns whether a request went out.
     */
    SignIn.prototype.refreshAsync = function () {
        if (!this.bridge.inShell() || this.pending) return false;
        var accepted = this.bridge.request(kCommand, undefined, true);
        if (!accepted.ok) {
            this.apply(accepted);
            this.emit();
            return false;
        }
        var self = this;
        this.pending = true;
        this.timer = global.setTimeout(function () {
            self.timer = null;
            if (!self.pending) return;
            self.pending = false;
            self.apply({ ok: false, reason: 'noAnswer', msg: '' });
            self.emit();
        }, this.timeoutMs);
        this.emit();
        return true;
    };

    SignIn.prototype.handlePush = function (push) {
        if (push === null) {
            // An unreadable push while a query is open is taken as its answer.
            if (!this.pending) return;
            this.stopWaiting();
            this.apply({ ok: false, reason: 'malformed', msg: '' });
            this.emit();
            return;
        }
        if (push.cmd.toLowerCase() !== kCommand.toLowerCase()) return;
        this.stopWaiting();
        this.apply(this.bridge.parseResultParam(push.param));
        this.emit();
    };

    Tapwise.SignIn = SignIn;
})(window);
