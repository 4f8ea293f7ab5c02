#include "asyncrequestscript.h"

#include "scriptliteral.h"

namespace {

// Built-ins are taken before any page script runs, and only those that look nothing up on the
// page's prototypes are used, so a page that replaces them cannot make the script misjudge a
// request. JSON.parse accepts a text only when the host's reader does too,
// except for what unsure() finds: surrogates (the engine rewrites lone ones), numbers beyond
// the double range (the host's reader refuses them) and nesting near the host's reader's limit.
// Texts are scanned by hand: a regular expression would bring the engine's pattern compiler
// into every document, at a cost in memory far above this script's own.
const char kScript[] = R"JS(function (call, post) {
'use strict';
var names = @NAMES@, accepted = @ACCEPTED@, limit = @LIMIT@, busy = @BUSY@;
var parse = JSON.parse, isArray = Array.isArray;
function bind(method) { return Function.prototype.call.bind(method); }
var lower = bind(String.prototype.toLowerCase);
var own = bind(Object.prototype.hasOwnProperty), charAt = bind(String.prototype.charCodeAt);
var find = bind(String.prototype.indexOf);
// A name as the host's writer quotes it: only '"' and '\\' are escaped in printable ASCII.
function quoted(name) {
    var text = '';
    for (var i = 0; i < name.length; ++i) {
        var c = charAt(name, i);
        text += (c === 34 || c === 92 ? '\\' : '') + name[i];
    }
    return text;
}
function isPrintableAscii(text) {
    for (var i = 0; i < text.length; ++i) {
        var c = charAt(text, i);
        if (c < 0x20 || c > 0x7e) return false;
    }
    return true;
}
function isDigit(c) { return c >= 0x30 && c <= 0x39; }
function lowerCode(c) { return c >= 0x41 && c <= 0x5a ? c + 0x20 : c; }
// A surrogate's escape: a backslash, "u", "d" and one of "8" to "f", in any letter case.
function isSurrogateEscape(text, i) {
    var last = lowerCode(charAt(text, i + 3));
    return charAt(text, i) === 0x5c && charAt(text, i + 1) === 0x75
        && lowerCode(charAt(text, i + 2)) === 0x64
        && ((last >= 0x38 && last <= 0x39) || (last >= 0x61 && last <= 0x66));
}
// Three digits after the "e" at i, and a sign perhaps.
function isLongExponent(text, i) {
    var at = i + 1, sign = charAt(text, at);
    if (sign === 0x2b || sign === 0x2d) ++at;
    return isDigit(charAt(text, at)) && isDigit(charAt(text, at + 1))
        && isDigit(charAt(text, at + 2));
}
// A surrogate, raw or escaped; a number's exponent of three digits; a run of 300 digits.
function unsure(text) {
    for (var i = 0, digits = 0; i < text.length; ++i) {
        var c = charAt(text, i);
        if (isDigit(c)) {
            if (++digits >= 300) return true;
            continue;
        }
        if ((c >= 0xd800 && c <= 0xdfff) || isSurrogateEscape(text, i)
            || (digits > 0 && lowerCode(c) === 0x65 && isLongExponent(text, i)))
            return true;
        digits = 0;
    }
    return false;
}
// Calls surely pending, and calls that may be: accepted for a text that only the host could
// read. The page answers only when both bounds agree.
var pending = 0, maybe = 0;
function report(e) { setTimeout(function () { throw e; }); }
// A number among the messages stands for that many more of the text before it.
Object.defineProperty(window, @HOOK@, {value: function (messages) {
    for (var i = 0, text; i < messages.length; ++i) {
        var count = 1;
        if (typeof messages[i] === 'number') count = messages[i];
        else text = messages[i];
        for (; count > 0; --count) {
            if (pending > 0) --pending;
            else if (maybe > 0) --maybe;
            try { onMessage(text); } catch (e) { report(e); }
        }
    }
}});
function shallow(text) {
    if (text.length < 999) return true;
    for (var i = 0, depth = 0; i < text.length; ++i) {
        var c = charAt(text, i);
        if ((c === 91 || c === 123) && ++depth >= 999) return false;
    }
    return true;
}
function request(text) {
    if (typeof text !== 'string') return undefined;
    try {
        var value = parse(text);
        return value !== null && typeof value === 'object' && !isArray(value) ? value : undefined;
    } catch (e) {
        return undefined;
    }
}
function asksAsync(value) {
    var flag = own(value, 'async') ? value.async : undefined;
    return flag === true || (typeof flag === 'number' && flag !== 0);
}
// Only a text that spells "async" (or may, through an escape) can ask for an asynchronous call.
function mayAskAsync(text) {
    return typeof text === 'string' && (find(text, 'async') >= 0 || find(text, '\\u') >= 0);
}
// The name as sent when the text is a provable asynchronous request, else null. A page tends to
// send one text over and over: the last verdict is kept.
var lastText = null, lastName = null, lastBusy = null;
function provableName(text, value) {
    if (text === lastText) return lastName;
    var name = null;
    if (value && own(value, 'async') && value.async === true
        && own(value, 'cmd') && typeof value.cmd === 'string' && isPrintableAscii(value.cmd)
        && own(names, lower(value.cmd)) && !unsure(text) && shallow(text)) {
        name = value.cmd;
    }
    lastText = text;
    lastName = name;
    // The host's refusal with the name as sent, escaped as its writer does.
    lastBusy = name !== null && busy ? busy[0] + quoted(name) + busy[1] : null;
    return name;
}
return function (text) {
    var name = text === lastText ? lastName
        : provableName(text, mayAskAsync(text) ? request(text) : undefined);
    if (name !== null) {
        if (pending + maybe < limit) {
            ++pending;
            post([text]);
            return accepted;
        }
        // The host counts every call the page counts, and results only once their script ran:
        // it refuses too.
        if (pending >= limit && lastBusy !== null) return lastBusy;
    }
    var reply = call(arguments);
    if (reply === accepted && mayAskAsync(text)) {
        // A text the page cannot read may or may not have been an asynchronous call.
        var value = request(text);
        if (!value) ++maybe;
        else if (asksAsync(value)) ++pending;
    }
    return reply;
};
})JS";

// The busy reply's texts are Chinese: escaped, they leave the whole injected script one byte a
// character.
QString literal(const QString &text)
{
    return ScriptLiteral::quoted(text, QLatin1Char('"'), ScriptLiteral::kAsciiOnly);
}

} // namespace

QString AsyncRequestScript::build(const QStringList &asyncNames, const QString &acceptedReply,
                                  int maxPendingCalls, const QStringList &busyReply)
{
    QString names = QStringLiteral("{");
    for (const QString &name : asyncNames) {
        if (names.size() > 1)
            names += QLatin1Char(',');
        names += literal(name) + QLatin1String(":1");
    }
    names += QLatin1Char('}');
    QString script = QString::fromLatin1(kScript);
    script.replace(QLatin1String("@HOOK@"), literal(resultsHook()));
    script.replace(QLatin1String("@LIMIT@"), QString::number(maxPendingCalls));
    script.replace(QLatin1String("@ACCEPTED@"), literal(acceptedReply));
    script.replace(QLatin1String("@BUSY@"),
                   busyReply.size() == 2 ? QLatin1Char('[') + literal(busyReply[0])
                           + QLatin1Char(',') + literal(busyReply[1]) + QLatin1Char(']')
                                         : QStringLiteral("null"));
    script.replace(QLatin1String("@NAMES@"), names);
    return script;
}

QString AsyncRequestScript::resultsHook()
{
    return QStringLiteral("__nativeResults");
}
