#include "qpromptchannel.h"

#include "scriptliteral.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>

namespace {

// prompt() truncates its result at U+0000; such texts travel with U+0000 and U+0001 escaped.
constexpr QChar kEscape = QChar(0x0001);
// What a payload starts with, ahead of the token and a colon: the framed calls of a bound
// function, or the address a new document asks about.
constexpr QChar kCallLead = QLatin1Char('@');
constexpr QChar kCheckLead = QLatin1Char('?');
// Stands for a call that is the same as the one before it in the same payload.
constexpr QChar kRepeat = QLatin1Char('*');

// The page's prompt and JSON.stringify are captured before any page script runs, so the page
// cannot observe the token by replacing them. The payload is put together by hand:
// JSON.stringify of an object would call a toJSON the page may have put on Object.prototype,
// with the token in hand; on strings and numbers it calls nothing.
const char kCoreScript[] = R"JS((function () {
'use strict';
if (Object.prototype.hasOwnProperty.call(window, '@GLOBAL@')) return;
var marker = @MARKER@, token = @TOKEN@, callLead = @CALL_LEAD@ + token + ':';
var ask = window.prompt.bind(window), stringify = JSON.stringify;
var find = Function.prototype.call.bind(String.prototype.indexOf);
// The browser's message port, taken before any page script can put a stand-in in its place.
var port = window.qt && window.qt.webChannelTransport;
var send = port && typeof port.send === 'function' ? port.send.bind(port) : null;
var soon = typeof queueMicrotask === 'function' ? queueMicrotask.bind(window)
    : function (f) { Promise.resolve().then(f); };
// Asked before anything is defined: a document that may not use the bridge keeps nothing.
try {
    if (ask(marker, @CHECK_LEAD@ + token + ':' + String(location.href)) !== 'b1') return;
} catch (e) {
    return;
}
function encode(v) {
    switch (typeof v) {
    case 'string': return stringify(v);
    case 'boolean': return v ? 'true' : 'false';
    case 'number':
        if (v !== v) return '{"n":"NaN"}';
        if (v === 1 / 0) return '{"n":"Infinity"}';
        if (v === -1 / 0) return '{"n":"-Infinity"}';
        return stringify(v);
    case 'bigint': return '{"n":"' + v + '"}';
    case 'undefined': return '{"u":1}';
    default: return v === null ? 'null' : '{"o":1}';
    }
}
function unescapeText(text) {
    return text.replace(/\u0001([01])/g, function (m, d) { return d === '0' ? '\u0000' : '\u0001'; });
}
function decode(reply) {
    if (typeof reply !== 'string' || reply.length === 0) return undefined;
    var rest = reply.slice(1);
    switch (reply.charAt(0)) {
    case 's': return rest;
    case 'S': return unescapeText(rest);
    case 'i': case 'n': return Number(rest);
    case 'b': return rest === '1';
    case 'z': return null;
    }
    return undefined;
}
// Calls are framed, not written as JSON: each text goes as it is, after its length. prompt()
// ends its text at U+0000, so a text holding one goes as JSON.
// Posted calls wait here until the page's current task ends, then go together, without
// waiting for an answer. A call that waits takes them along ahead of itself, so the host
// always sees them first.
var posted = '', flushing = false;
function frame(text) { return text.length + ':' + text; }
function frameCall(name, args) {
    var text = frame(typeof name === 'string' ? name : '') + args.length + ':';
    for (var i = 0; i < args.length; ++i)
        text += typeof args[i] === 'string' && find(args[i], '\0') < 0 ? 's' + frame(args[i])
            : 'j' + frame(encode(args[i]));
    return text;
}
// A page tends to post one call over and over: a call that repeats the one before it in the
// same message goes as the repeat mark alone.
var lastName = null, lastText = null;
function takePosted() {
    var calls = posted;
    posted = '';
    lastName = null;
    return calls;
}
function roundTrip(name, args) {
    return decode(ask(marker, callLead + takePosted() + frameCall(name, args)));
}
function flush() {
    flushing = false;
    if (!posted) return;
    if (send) {
        try {
            send('{"type":9,"object":@RECEIVER@,"property":@PROPERTY@,"value":[' + stringify(token)
                + ',' + stringify(takePosted()) + ']}');
            return;
        } catch (e) {
        }
    }
    try { roundTrip('', []); } catch (e) { posted = ''; }
}
function call(name, args) {
    try {
        return roundTrip(name, args);
    } catch (e) {
        // prompt() is refused while unloading and in sandboxed frames: the call has no effect.
        return undefined;
    }
}
function post(name, args) {
    if (lastName !== null && name === lastName && args.length === 1 && args[0] === lastText) {
        posted += @REPEAT@;
    } else {
        posted += frameCall(name, args);
        var single = typeof name === 'string' && args.length === 1 && typeof args[0] === 'string';
        lastName = single ? name : null;
        lastText = single ? args[0] : null;
    }
    if (!flushing) {
        flushing = true;
        soon(flush);
    }
}
Object.defineProperty(call, 'post', {value: post});
Object.defineProperty(window, '@GLOBAL@', {value: call});
})();
)JS";

// Every bound function is defined from one table by one function, so a document compiles that
// code once, not once for each binding. A binding with a page-side script of its own gets the
// function that script makes from the two ways of reaching the native function; should the
// script fail, the plain call stands in.
const char kBindingsScript[] = R"JS((function (bridge, bindings) {
if (typeof bridge !== 'function') return;
function define(name, count, make) {
    var f = function () { return bridge(name, arguments); };
    if (make) {
        try {
            var made = make(function (args) { return bridge(name, args); },
                            function (args) { bridge.post(name, args); });
            if (typeof made === 'function') f = made;
        } catch (e) {
            setTimeout(function () { throw e; });
        }
    }
    Object.defineProperty(f, 'length', {value: count});
    Object.defineProperty(f, 'name', {value: name});
    window[name] = f;
}
for (var i = 0; i < bindings.length; ++i)
    define(bindings[i][0], bindings[i][1], bindings[i][2]);
})(window['@GLOBAL@'], [@BINDINGS@]);
)JS";

int defaultPort(const QString &scheme)
{
    if (scheme == QLatin1String("http") || scheme == QLatin1String("ws"))
        return 80;
    if (scheme == QLatin1String("https") || scheme == QLatin1String("wss"))
        return 443;
    return -1;
}

bool hasOpaqueOrigin(const QString &scheme)
{
    return scheme.isEmpty() || scheme == QLatin1String("data") || scheme == QLatin1String("about")
        || scheme == QLatin1String("javascript") || scheme == QLatin1String("blob")
        || scheme == QLatin1String("null");
}

QJsonValue decodeArgument(const QJsonValue &value)
{
    // The page's encoder never sends an array; one in a forged call carries no data either.
    if (value.isArray())
        return QJsonValue(QJsonObject());
    if (!value.isObject())
        return value;
    const QJsonObject object = value.toObject();
    if (object.contains(QLatin1String("u")))
        return QJsonValue(QJsonValue::Undefined);
    const QJsonValue number = object.value(QLatin1String("n"));
    if (number.isString()) {
        const QString text = number.toString();
        if (text == QLatin1String("NaN"))
            return QJsonValue(std::nan(""));
        if (text == QLatin1String("Infinity"))
            return QJsonValue(HUGE_VAL);
        if (text == QLatin1String("-Infinity"))
            return QJsonValue(-HUGE_VAL);
        bool ok = false;
        const double parsed = text.toDouble(&ok);
        return ok ? QJsonValue(parsed) : QJsonValue(std::nan(""));
    }
    // Objects, functions and symbols carry no data across the bridge.
    return QJsonValue(QJsonObject());
}

// One framed part at *at: its length, a colon, then that many characters.
bool readPart(const QString &calls, int *at, QString *text)
{
    const int colon = calls.indexOf(QLatin1Char(':'), *at);
    if (colon < 0 || colon - *at > 9)
        return false;
    bool ok = false;
    const int length = calls.midRef(*at, colon - *at).toInt(&ok);
    if (!ok || length < 0 || length > calls.size() - colon - 1)
        return false;
    *text = calls.mid(colon + 1, length);
    *at = colon + 1 + length;
    return true;
}

bool readInvocation(const QString &calls, int *at, QPromptChannel::Invocation *invocation)
{
    if (!readPart(calls, at, &invocation->name))
        return false;
    const int colon = calls.indexOf(QLatin1Char(':'), *at);
    bool ok = false;
    const int argc = colon < 0 || colon - *at > 4 ? -1 : calls.midRef(*at, colon - *at).toInt(&ok);
    if (!ok || argc < 0)
        return false;
    *at = colon + 1;
    // Each argument takes three characters at least: a count beyond that is not reserved for.
    invocation->arguments.reserve(qMin(argc, (calls.size() - *at) / 3));
    for (int i = 0; i < argc; ++i) {
        const QChar kind = *at < calls.size() ? calls.at(*at) : QChar();
        ++*at;
        QString text;
        if ((kind != QLatin1Char('s') && kind != QLatin1Char('j')) || !readPart(calls, at, &text))
            return false;
        if (kind == QLatin1Char('s')) {
            invocation->arguments.append(QJsonValue(text));
        } else {
            // Any other value, as the page's encoder writes it.
            const QJsonDocument value =
                QJsonDocument::fromJson(QByteArray("[") + text.toUtf8() + QByteArray("]"));
            invocation->arguments.append(decodeArgument(value.array().at(0)));
        }
    }
    return true;
}

// The next call, which may be a repeat of previous (when there is one).
bool readNextInvocation(const QString &calls, int *at, const QPromptChannel::Invocation *previous,
                        QPromptChannel::Invocation *invocation)
{
    if (previous && *at < calls.size() && calls.at(*at) == kRepeat) {
        ++*at;
        *invocation = *previous;
        return true;
    }
    return readInvocation(calls, at, invocation);
}

// Whether payload is lead, token and a colon; the rest starts at *rest.
bool hasLead(const QString &payload, QChar lead, const QString &token, int *rest)
{
    if (token.isEmpty() || payload.size() < token.size() + 2 || payload.at(0) != lead
        || payload.at(token.size() + 1) != QLatin1Char(':')
        || payload.midRef(1, token.size()) != token) {
        return false;
    }
    *rest = token.size() + 2;
    return true;
}

} // namespace

QString QPromptChannel::callMarker()
{
    return QStringLiteral("tapwise-native-call:1");
}

QString QPromptChannel::bridgeGlobalName()
{
    return QStringLiteral("__nativeBridge");
}

QString QPromptChannel::coreScript(const QString &token, const QString &receiver,
                                   int receiverProperty)
{
    QString script = QString::fromLatin1(kCoreScript);
    script.replace(QLatin1String("@GLOBAL@"), bridgeGlobalName());
    script.replace(QLatin1String("@MARKER@"), ScriptLiteral::quoted(callMarker()));
    script.replace(QLatin1String("@TOKEN@"), ScriptLiteral::quoted(token));
    script.replace(QLatin1String("@CALL_LEAD@"), ScriptLiteral::quoted(QString(kCallLead)));
    script.replace(QLatin1String("@CHECK_LEAD@"), ScriptLiteral::quoted(QString(kCheckLead)));
    script.replace(QLatin1String("@REPEAT@"), ScriptLiteral::quoted(QString(kRepeat)));
    script.replace(QLatin1String("@RECEIVER@"), ScriptLiteral::quoted(receiver));
    script.replace(QLatin1String("@PROPERTY@"), QString::number(receiverProperty));
    return script;
}

QString QPromptChannel::bindingEntry(const QString &name, unsigned int argCount,
                                     const QString &pageScript)
{
    // The page script is the host's own text and may end in a line comment: the closing
    // parenthesis goes on a line of its own.
    return QLatin1Char('[') + ScriptLiteral::quoted(name) + QLatin1Char(',')
        + QString::number(qMin(argCount, 1024u)) + QLatin1Char(',')
        + (pageScript.trimmed().isEmpty() ? QStringLiteral("null")
                                          : QLatin1Char('(') + pageScript + QLatin1String("\n)"))
        + QLatin1Char(']');
}

QString QPromptChannel::bindingsScript(const QStringList &entries)
{
    QString script = QString::fromLatin1(kBindingsScript);
    script.replace(QLatin1String("@GLOBAL@"), bridgeGlobalName());
    // Last: the entries hold page scripts.
    script.replace(QLatin1String("@BINDINGS@"), entries.join(QLatin1Char(',')));
    return script;
}

bool QPromptChannel::isValidName(const QString &name)
{
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_$][A-Za-z0-9_$]*$"));
    return identifier.match(name).hasMatch() && name != bridgeGlobalName();
}

QPromptChannel::Call QPromptChannel::decodeCall(const QString &payload, const QString &token)
{
    Call call;
    int at = 0;
    if (hasLead(payload, kCheckLead, token, &at)) {
        call.isDocumentCheck = true;
        call.documentAddress = payload.mid(at);
        call.valid = true;
        return call;
    }
    if (!hasLead(payload, kCallLead, token, &at))
        return call;
    // The waiting call comes last, after those posted before it; all of it must be whole.
    Invocation waiting;
    if (!readInvocation(payload, &at, &waiting))
        return call;
    while (at < payload.size()) {
        call.posted.append(std::move(waiting));
        waiting = Invocation();
        if (!readNextInvocation(payload, &at, &call.posted.constLast(), &waiting))
            return Call();
    }
    call.name = std::move(waiting.name);
    call.arguments = std::move(waiting.arguments);
    call.valid = true;
    return call;
}

QVector<QPromptChannel::Invocation> QPromptChannel::decodePosted(const QString &calls)
{
    QVector<Invocation> invocations;
    int at = 0;
    while (at < calls.size()) {
        Invocation invocation;
        if (!readNextInvocation(calls, &at,
                                invocations.isEmpty() ? nullptr : &invocations.constLast(),
                                &invocation)) {
            break;
        }
        invocations.append(std::move(invocation));
    }
    return invocations;
}

QString QPromptChannel::encodeValue(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String: {
        const QString text = value.toString();
        if (!text.contains(QChar(0)))
            return QLatin1Char('s') + text;
        QString escaped = QStringLiteral("S");
        escaped.reserve(text.size() + 16);
        for (const QChar c : text) {
            if (c.unicode() == 0 || c == kEscape) {
                escaped += kEscape;
                escaped += c.unicode() == 0 ? QLatin1Char('0') : QLatin1Char('1');
            } else {
                escaped += c;
            }
        }
        return escaped;
    }
    case QJsonValue::Double: {
        const double number = value.toDouble();
        if (std::isnan(number))
            return QStringLiteral("nNaN");
        if (std::isinf(number))
            return number > 0 ? QStringLiteral("nInfinity") : QStringLiteral("n-Infinity");
        return QLatin1Char('n') + QString::number(number, 'g', 17);
    }
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("b1") : QStringLiteral("b0");
    case QJsonValue::Null:
        return QStringLiteral("z");
    default:
        return encodeUndefined();
    }
}

QString QPromptChannel::encodeInteger(int value)
{
    return QLatin1Char('i') + QString::number(value);
}

QString QPromptChannel::encodeUndefined()
{
    return QStringLiteral("u");
}

bool QPromptChannel::isSameOrigin(const QUrl &loaded, const QUrl &document)
{
    if (!loaded.isValid() || !document.isValid())
        return false;
    const QString scheme = loaded.scheme().toLower();
    const QString documentScheme = document.scheme().toLower();
    if (hasOpaqueOrigin(scheme) || scheme != documentScheme)
        return false;
    // File documents have no host to compare: any local file belongs with a local address.
    if (scheme == QLatin1String("file"))
        return true;
    const int port = defaultPort(scheme);
    return loaded.host().compare(document.host(), Qt::CaseInsensitive) == 0
        && loaded.port(port) == document.port(port);
}

bool QPromptChannel::isTrustedDocument(const QUrl &loaded, const QUrl &document)
{
    if (!isSameOrigin(loaded, document))
        return false;
    if (!loaded.isLocalFile())
        return true;
    // Every local file shares one origin; only the page's own folder belongs with the page.
    if (!document.isLocalFile() || loaded.host() != document.host())
        return false;
    QString folder = QFileInfo(QDir::cleanPath(loaded.toLocalFile())).path();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return QDir::cleanPath(document.toLocalFile()).startsWith(folder);
}
