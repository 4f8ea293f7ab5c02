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

// The page's prompt and JSON.stringify are captured before any page script runs, so the page
// cannot observe the token by replacing them. The payload is put together by hand:
// JSON.stringify of an object would call a toJSON the page may have put on Object.prototype,
// with the token in hand; on strings and numbers it calls nothing.
const char kCoreScript[] = R"JS((function () {
'use strict';
if (Object.prototype.hasOwnProperty.call(window, '@GLOBAL@')) return;
var marker = @MARKER@, token = @TOKEN@;
var ask = window.prompt.bind(window), stringify = JSON.stringify;
// The browser's message port, taken before any page script can put a stand-in in its place.
var port = window.qt && window.qt.webChannelTransport;
var send = port && typeof port.send === 'function' ? port.send.bind(port) : null;
var soon = typeof queueMicrotask === 'function' ? queueMicrotask.bind(window)
    : function (f) { Promise.resolve().then(f); };
// Asked before anything is defined: a document that may not use the bridge keeps nothing.
try {
    if (ask(marker, '{"t":' + stringify(token) + ',"d":' + stringify(String(location.href)) + '}')
        !== 'b1') return;
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
function encodeArguments(args) {
    var text = '[';
    for (var i = 0; i < args.length; ++i) text += (i ? ',' : '') + encode(args[i]);
    return text + ']';
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
// Posted calls wait here until the page's current task ends, then go together, without
// waiting for an answer. A call that waits takes them along, so the host always sees them first.
// They are framed, not written as JSON: each text goes as it is, after its length.
var posted = '', flushing = false;
function frame(text) { return text.length + ':' + text; }
function takePosted() {
    var calls = posted;
    posted = '';
    return calls;
}
function roundTrip(name, args) {
    var payload = '{"t":' + stringify(token) + ',"n":' + stringify(typeof name === 'string' ? name : '')
        + ',"a":' + encodeArguments(args);
    if (posted) payload += ',"q":' + stringify(takePosted());
    return decode(ask(marker, payload + '}'));
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
    posted += frame(typeof name === 'string' ? name : '') + args.length + ':';
    for (var i = 0; i < args.length; ++i)
        posted += typeof args[i] === 'string' ? 's' + frame(args[i]) : 'j' + frame(encode(args[i]));
    if (!flushing) {
        flushing = true;
        soon(flush);
    }
}
Object.defineProperty(call, 'post', {value: post});
Object.defineProperty(window, '@GLOBAL@', {value: call});
})();
)JS";

// A binding with a page-side script of its own gets the function that script makes from the
// two ways of reaching the native function; should the script fail, the plain call stands in.
const char kBindingScript[] = R"JS((function (bridge) {
if (typeof bridge !== 'function') return;
var name = @NAME@;
var f = function () { return bridge(name, arguments); };
var make = @SCRIPT@;
if (make) {
    try {
        var made = make(function (args) { return bridge(name, args); },
                        function (args) { bridge.post(name, args); });
        if (typeof made === 'function') f = made;
    } catch (e) {
        setTimeout(function () { throw e; });
    }
}
Object.defineProperty(f, 'length', {value: @COUNT@});
Object.defineProperty(f, 'name', {value: name});
window[name] = f;
})(window['@GLOBAL@']);
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

QVector<QJsonValue> decodeArguments(const QJsonArray &array)
{
    QVector<QJsonValue> arguments;
    arguments.reserve(array.size());
    for (const QJsonValue &argument : array)
        arguments.append(decodeArgument(argument));
    return arguments;
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
    script.replace(QLatin1String("@RECEIVER@"), ScriptLiteral::quoted(receiver));
    script.replace(QLatin1String("@PROPERTY@"), QString::number(receiverProperty));
    return script;
}

QString QPromptChannel::bindingScript(const QString &name, unsigned int argCount,
                                      const QString &pageScript)
{
    QString script = QString::fromLatin1(kBindingScript);
    script.replace(QLatin1String("@GLOBAL@"), bridgeGlobalName());
    script.replace(QLatin1String("@NAME@"), ScriptLiteral::quoted(name));
    script.replace(QLatin1String("@COUNT@"), QString::number(qMin(argCount, 1024u)));
    // Last: the page script is the host's own text and may hold anything.
    script.replace(QLatin1String("@SCRIPT@"),
                   pageScript.trimmed().isEmpty()
                       ? QStringLiteral("null")
                       : QLatin1Char('(') + pageScript + QLatin1String("\n)"));
    return script;
}

bool QPromptChannel::isValidName(const QString &name)
{
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_$][A-Za-z0-9_$]*$"));
    return identifier.match(name).hasMatch() && name != bridgeGlobalName();
}

bool QPromptChannel::carriesToken(const QString &payload, const QString &token)
{
    const QLatin1String lead("{\"t\":\"");
    return !token.isEmpty() && payload.startsWith(lead)
        && payload.midRef(lead.size(), token.size()) == token
        && payload.midRef(lead.size() + token.size(), 2) == QLatin1String("\",");
}

QPromptChannel::Call QPromptChannel::decodeCall(const QString &payload)
{
    Call call;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(payload.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return call;
    const QJsonObject object = document.object();
    const QJsonValue token = object.value(QLatin1String("t"));
    const QJsonValue address = object.value(QLatin1String("d"));
    if (token.isString() && address.isString()) {
        call.token = token.toString();
        call.isDocumentCheck = true;
        call.documentAddress = address.toString();
        call.valid = true;
        return call;
    }
    const QJsonValue name = object.value(QLatin1String("n"));
    const QJsonValue arguments = object.value(QLatin1String("a"));
    if (!token.isString() || !name.isString() || !arguments.isArray())
        return call;
    call.token = token.toString();
    call.name = name.toString();
    call.arguments = decodeArguments(arguments.toArray());
    const QJsonValue posted = object.value(QLatin1String("q"));
    if (posted.isString())
        call.posted = decodePosted(posted.toString());
    call.valid = true;
    return call;
}

QVector<QPromptChannel::Invocation> QPromptChannel::decodePosted(const QString &calls)
{
    QVector<Invocation> invocations;
    int at = 0;
    // One framed part: its length, a colon, then that many characters.
    const auto part = [&calls, &at](QString *text) {
        const int colon = calls.indexOf(QLatin1Char(':'), at);
        if (colon < 0 || colon - at > 9)
            return false;
        bool ok = false;
        const int length = calls.midRef(at, colon - at).toInt(&ok);
        if (!ok || length < 0 || length > calls.size() - colon - 1)
            return false;
        *text = calls.mid(colon + 1, length);
        at = colon + 1 + length;
        return true;
    };
    while (at < calls.size()) {
        Invocation invocation;
        if (!part(&invocation.name))
            break;
        const int colon = calls.indexOf(QLatin1Char(':'), at);
        bool ok = false;
        const int argc = colon < 0 || colon - at > 4 ? -1 : calls.midRef(at, colon - at).toInt(&ok);
        if (!ok || argc < 0)
            break;
        at = colon + 1;
        bool whole = true;
        for (int i = 0; i < argc && whole; ++i) {
            const QChar kind = at < calls.size() ? calls.at(at) : QChar();
            ++at;
            QString text;
            whole = (kind == QLatin1Char('s') || kind == QLatin1Char('j')) && part(&text);
            if (!whole)
                break;
            if (kind == QLatin1Char('s')) {
                invocation.arguments.append(QJsonValue(text));
            } else {
                // An argument other than text, as encoded for a waiting call.
                const QJsonDocument value =
                    QJsonDocument::fromJson(QByteArray("[") + text.toUtf8() + QByteArray("]"));
                invocation.arguments.append(decodeArgument(value.array().at(0)));
            }
        }
        if (!whole)
            break;
        invocations.append(invocation);
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
