/*
 * Sign-in state as the shell reports it: "queryUser" (signed in, and which profile), or
 * "queryLogin" (only whether) from a shell that does not know the first. Asked synchronously at
 * start, then asynchronously (the answer arrives through onMessage) on request; the shell also
 * pushes a "queryLogin" answer at every sign-in and sign-out, after which the profile's name
 * is asked again. Every failure or unreadable answer ends in a definite "error" status; the
 * last definite answer is kept so that saved progress does not switch profiles on a failed
 * query.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});

    var kCommand = 'queryLogin';
    var kUserCommand = 'queryUser';
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
        this.name = ''; // the signed-in profile of the last definite answer, when the shell names it
        this.pushed = false; // the last change came from the shell unasked (a sign-in or sign-out)
        this.userCommand = false; // the shell answers "queryUser"
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

    function isUserData(data) {
        return data !== null && typeof data === 'object' && typeof data.login === 'boolean' &&
            typeof data.name === 'string' && (!data.login || data.name.length > 0);
    }

    /** Applies an answer; withName: it is a "queryUser" answer, which must name the profile. */
    SignIn.prototype.apply = function (answer, withName) {
        if (answer.ok) {
            var data = answer.data;
            var readable = withName ? isUserData(data) :
                data !== null && typeof data === 'object' && typeof data.login === 'boolean';
            if (readable) {
                this.status = data.login ? 'in' : 'out';
                this.reason = '';
                this.msg = '';
                this.lastKnown = data.login;
                this.name = withName && data.login ? data.name : '';
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
        this.pushed = false;
        var user = this.bridge.request(kUserCommand, undefined, false);
        if (user.ok && isUserData(user.data)) {
            this.userCommand = true;
            this.apply(user, true);
        } else if (user.reason === 'unavailable') {
            this.apply(user, false);
        } else {
            // An older shell: whether, but not who.
            this.userCommand = false;
            this.apply(this.bridge.request(kCommand, undefined, false), false);
        }
        this.emit();
    };

    /**
     * Asks without waiting; the answer comes as a push. A request while one is still open is
     * not repeated. Returns whether a request went out.
     */
    SignIn.prototype.refreshAsync = function () {
        if (!this.bridge.inShell() || this.pending) return false;
        var accepted = this.bridge.request(this.userCommand ? kUserCommand : kCommand, undefined, true);
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
        var cmd = push.cmd.toLowerCase();
        var answer = this.bridge.parseResultParam(push.param);
        if (cmd === kUserCommand.toLowerCase() || cmd === kCommand.toLowerCase()) this.pushed = !this.pending;
        if (cmd === kUserCommand.toLowerCase()) {
            this.stopWaiting();
            this.apply(answer, true);
        } else if (cmd === kCommand.toLowerCase()) {
            this.stopWaiting();
            var readable = answer.ok && answer.data !== null && typeof answer.data === 'object' &&
                typeof answer.data.login === 'boolean';
            // The push only says whether; which profile is asked at once, as a switch from one
            // profile to another pushes "signed in" twice.
            if (this.userCommand && readable) this.apply(this.bridge.request(kUserCommand, undefined, false), true);
            else this.apply(answer, false);
        } else {
            return;
        }
        this.emit();
    };

    Tapwise.SignIn = SignIn;
})(window);
