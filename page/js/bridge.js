/*
 * The page's side of the shell's script bridge: safe calls of the win_ functions, reading of
 * replies and pushes, and the global onMessage the shell calls. Nothing here throws: a missing
 * function, a refused call (the shell may answer undefined) or an unreadable text becomes an
 * ordinary value the caller can show.
 */
(function (global) {
    'use strict';
    var Tapwise = (global.Tapwise = global.Tapwise || {});

    var listeners = [];

    function present(name) {
        return typeof global[name] === 'function';
    }

    /** True when the page runs inside the shell (the bridge's request function is bound). */
    function inShell() {
        return present('win_message');
    }

    /** Calls a bound function; undefined when it is absent or throws. */
    function call(name) {
        if (!present(name)) return undefined;
        var args = Array.prototype.slice.call(arguments, 1);
        try {
            return global[name].apply(global, args);
        } catch (error) {
            if (global.console) global.console.warn('Tapwise: ' + name + ' failed', error);
            return undefined;
        }
    }

    function isObject(value) {
        return value !== null && typeof value === 'object' && !Array.isArray(value);
    }

    function parseJson(text) {
        if (typeof text !== 'string') return undefined;
        try {
            return JSON.parse(text);
        } catch (error) {
            return undefined;
        }
    }

    /**
     * Reads a reply of win_message. Gives {ok: true, data, msg} for a success, or
     * {ok: false, reason, msg} with reason "refused" (no reply at all), "malformed" (not a reply
     * object) or "failed" (the command reported failure; msg is its text).
     */
    function parseReply(text) {
        if (text === undefined || text === null) return { ok: false, reason: 'refused', msg: '' };
        var reply = parseJson(text);
        if (!isObject(reply) || typeof reply.result !== 'boolean') {
            return { ok: false, reason: 'malformed', msg: '' };
        }
        var msg = typeof reply.msg === 'string' ? reply.msg : '';
        if (!reply.result) return { ok: false, reason: 'failed', msg: msg };
        return { ok: true, data: reply.data === undefined ? null : reply.data, msg: msg };
    }

    /** Sends one request to a host command and reads the reply. */
    function request(cmd, param, async) {
        if (!inShell()) return { ok: false, reason: 'unavailable', msg: '' };
        var body = { cmd: cmd, async: !!async };
        if (param !== undefined) body.param = param;
        return parseReply(call('win_message', JSON.stringify(body)));
    }

    /**
     * Reads a push text handed to onMessage: {cmd, param} or null when it is not one.
     * An already parsed object is accepted as well.
     */
    function parsePush(text) {
        var push = typeof text === 'string' ? parseJson(text) : text;
        if (!isObject(push) || typeof push.cmd !== 'string') return null;
        return { cmd: push.cmd, param: push.param === undefined ? null : push.param };
    }

    /**
     * Reads the body of an asynchronous result push the same way as a reply:
     * {ok, data, msg} or {ok: false, reason, msg}.
     */
    function parseResultParam(param) {
        if (!isObject(param) || typeof param.result !== 'boolean') {
            return { ok: false, reason: 'malformed', msg: '' };
        }
        var msg = typeof param.msg === 'string' ? param.msg : '';
        if (!param.result) return { ok: false, reason: 'failed', msg: msg };
        return { ok: true, data: param.data === undefined ? null : param.data, msg: msg };
    }

    /** Listens to pushes; the listener gets (push or null, raw text). */
    function onPush(listener) {
        listeners.push(listener);
        return function () {
            var index = listeners.indexOf(listener);
            if (index >= 0) listeners.splice(index, 1);
        };
    }

    function deliver(text) {
        var push = parsePush(text);
        if (!push && global.console) global.console.warn('Tapwise: unreadable message', text);
        listeners.slice().forEach(function (listener) {
            try {
                listener(push, text);
            } catch (error) {
                if (global.console) global.console.error('Tapwise: message handler failed', error);
            }
        });
    }

    // The shell pushes by running onMessage('<json>') in the page.
    global.onMessage = function (text) {
        deliver(text);
    };

    function text(name) {
        var value = call(name);
        return typeof value === 'string' ? value : '';
    }

    Tapwise.bridge = {
        present: present,
        inShell: inShell,
        call: call,
        parseReply: parseReply,
        parsePush: parsePush,
        parseResultParam: parseResultParam,
        request: request,
        onPush: onPush,
        close: function () {
            call('win_close');
        },
        toggleMaximized: function () {
            call('win_maximized');
        },
        minimize: function () {
            call('win_minimized');
        },
        deviceId: function () {
            return text('win_device_id');
        },
        source: function () {
            return text('win_source');
        }
    };
})(window);
