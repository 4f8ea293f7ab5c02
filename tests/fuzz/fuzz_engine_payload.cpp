// libFuzzer target: the engine's decoders of the payload a bound function sends with prompt()
// and of the calls the page posts.
// The seeds use the token "token". Any text must decode without fault; a decoded call holds
// only values the bridge can carry, and written out again it decodes to the same call.

#include "qpromptchannel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char *what, const QString &payload)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_engine_payload: %s\n%s\n", what, payload.toUtf8().constData());
    std::abort();
}

// The argument as the page's encoder would have written it.
QJsonValue encoded(const QJsonValue &argument)
{
    if (argument.isUndefined())
        return QJsonObject {{QStringLiteral("u"), 1}};
    if (argument.isObject())
        return QJsonObject {{QStringLiteral("o"), 1}};
    if (argument.isDouble() && !std::isfinite(argument.toDouble())) {
        const double number = argument.toDouble();
        return QJsonObject {{QStringLiteral("n"),
                             std::isnan(number) ? QStringLiteral("NaN")
                                 : number > 0   ? QStringLiteral("Infinity")
                                                : QStringLiteral("-Infinity")}};
    }
    return argument;
}

// By value: a number read back from JSON may be held as an integer, one decoded from {"n": ...}
// as a double, and QJsonValue's == tells those apart.
bool sameArgument(const QJsonValue &a, const QJsonValue &b)
{
    if (a.isDouble() && b.isDouble()) {
        if (std::isnan(a.toDouble()))
            return std::isnan(b.toDouble());
        return a.toDouble() == b.toDouble();
    }
    return a == b;
}

QString frame(const QString &text)
{
    return QString::number(text.size()) + QLatin1Char(':') + text;
}

// The invocation framed as the page's core script writes it.
QString framed(const QString &name, const QVector<QJsonValue> &arguments)
{
    QString text = frame(name) + QString::number(arguments.size()) + QLatin1Char(':');
    for (const QJsonValue &argument : arguments) {
        if (argument.isString()) {
            text += QLatin1Char('s') + frame(argument.toString());
        } else {
            const QString json = QString::fromUtf8(
                QJsonDocument(QJsonArray {encoded(argument)}).toJson(QJsonDocument::Compact));
            text += QLatin1Char('j') + frame(json.mid(1, json.size() - 2));
        }
    }
    return text;
}

void checkCallsHoldOnlyCarriedValues(const QVector<QJsonValue> &arguments, const QString &payload)
{
    for (const QJsonValue &argument : arguments) {
        check(!argument.isArray(), "an array crossed the bridge", payload);
        check(!argument.isObject() || argument.toObject().isEmpty(),
              "an object with members crossed the bridge", payload);
        // Every value has an answer the page's decoder understands.
        check(!QPromptChannel::encodeValue(argument).isEmpty(), "value without an answer", payload);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString payload =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(size));
    // Posted calls come framed: any text decodes without fault, and the texts a call holds
    // are parts of the input.
    for (const QPromptChannel::Invocation &posted : QPromptChannel::decodePosted(payload)) {
        check(posted.name.size() <= payload.size(), "a posted call's name outgrew its text",
              payload);
        for (const QJsonValue &argument : posted.arguments)
            check(!argument.isString() || payload.contains(argument.toString()),
                  "a posted text that the input does not hold", payload);
    }
    const QString token = QStringLiteral("token");
    const QPromptChannel::Call call = QPromptChannel::decodeCall(payload, token);
    if (!call.valid)
        return 0;
    if (call.isDocumentCheck) {
        check(call.name.isEmpty() && call.arguments.isEmpty() && call.posted.isEmpty(),
              "document check with a call", payload);
        return 0;
    }
    QString rewritten = QStringLiteral("@token:");
    for (const QPromptChannel::Invocation &posted : call.posted) {
        checkCallsHoldOnlyCarriedValues(posted.arguments, payload);
        rewritten += framed(posted.name, posted.arguments);
    }
    checkCallsHoldOnlyCarriedValues(call.arguments, payload);
    rewritten += framed(call.name, call.arguments);
    const QPromptChannel::Call back = QPromptChannel::decodeCall(rewritten, token);
    check(back.valid && !back.isDocumentCheck, "rewritten call does not decode", payload);
    check(back.name == call.name && back.posted.size() == call.posted.size(),
          "name or posted calls changed", payload);
    check(back.arguments.size() == call.arguments.size(), "argument count changed", payload);
    for (int i = 0; i < call.arguments.size(); ++i)
        check(sameArgument(back.arguments.at(i), call.arguments.at(i)), "argument changed",
              payload);
    return 0;
}
