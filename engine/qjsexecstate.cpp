#include "qjsexecstate.h"

#include "qpromptchannel.h"

#include <QAtomicInteger>

#include <climits>
#include <cmath>
#include <cstring>

namespace {

constexpr int kTagShift = 56;
constexpr quint64 kTagInteger = 2;
constexpr quint64 kTagSlot = 3;
constexpr quint32 kSerialMask = 0xffffff;

quint64 tagOf(jsValue value)
{
    return static_cast<quint64>(value) >> kTagShift;
}

quint32 nextSerial()
{
    static QAtomicInteger<quint32> counter;
    quint32 serial;
    do {
        serial = counter.fetchAndAddRelaxed(1) & kSerialMask;
    } while (serial == 0);
    return serial;
}

} // namespace

QJsExecState::QJsExecState(QVector<QJsonValue> arguments, bool posted)
    : m_serial(nextSerial())
    , m_argumentCount(arguments.size())
    , m_posted(posted)
    , m_values(std::move(arguments))
{ }

jsValue QJsExecState::argument(int index) const
{
    if (index < 0 || index >= m_argumentCount)
        return undefined();
    return slotValue(index);
}

int QJsExecState::inlineInteger(jsValue value)
{
    if (tagOf(value) != kTagInteger)
        return 0;
    return static_cast<int>(static_cast<quint32>(static_cast<quint64>(value)));
}

int QJsExecState::toInt(jsValue value) const
{
    if (tagOf(value) == kTagInteger)
        return inlineInteger(value);
    const QJsonValue *data = slot(value);
    if (!data)
        return 0;
    switch (data->type()) {
    case QJsonValue::Double:
        return toIntClamped(data->toDouble());
    case QJsonValue::Bool:
        return data->toBool() ? 1 : 0;
    case QJsonValue::String: {
        const QString text = data->toString().trimmed();
        bool ok = false;
        if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
            const qlonglong number = text.mid(2).toLongLong(&ok, 16);
            return ok ? toIntClamped(static_cast<double>(number)) : 0;
        }
        const double number = text.toDouble(&ok);
        return ok ? toIntClamped(number) : 0;
    }
    default:
        return 0;
    }
}

const char *QJsExecState::toUtf8(jsValue value)
{
    const QJsonValue *data = slot(value);
    if (!data || !data->isString())
        return nullptr;
    const int index = static_cast<int>(static_cast<quint32>(static_cast<quint64>(value)));
    // Moving a QByteArray keeps its buffer, so earlier texts stay where they were handed out
    // when this grows. Only a null one, which owns no bytes, is made again.
    if (m_texts.size() <= index)
        m_texts.resize(m_values.size());
    QByteArray &text = m_texts[index];
    if (text.isNull())
        text = toModifiedUtf8(data->toString());
    return text.constData();
}

jsValue QJsExecState::string(const QString &text)
{
    m_values.append(QJsonValue(text));
    return slotValue(m_values.size() - 1);
}

jsValue QJsExecState::stringFromUtf8(const char *utf8)
{
    if (!utf8)
        return undefined();
    return string(fromModifiedUtf8(utf8));
}

QString QJsExecState::encodeResult(jsValue value) const
{
    if (tagOf(value) == kTagInteger)
        return QPromptChannel::encodeInteger(toInt(value));
    const QJsonValue *data = slot(value);
    if (!data)
        return QPromptChannel::encodeUndefined();
    return QPromptChannel::encodeValue(*data);
}

jsValue QJsExecState::integer(int value)
{
    return static_cast<jsValue>((kTagInteger << kTagShift) | static_cast<quint32>(value));
}

QByteArray QJsExecState::toModifiedUtf8(const QString &text)
{
    QByteArray utf8 = text.toUtf8();
    if (utf8.contains('\0'))
        utf8.replace(QByteArray(1, '\0'), QByteArrayLiteral("\xC0\x80"));
    return utf8;
}

QString QJsExecState::fromModifiedUtf8(const char *utf8)
{
    // Replies are read on every call, and hardly ever hold U+0000: those need no copy first.
    if (!std::strstr(utf8, "\xC0\x80"))
        return QString::fromUtf8(utf8);
    QByteArray bytes(utf8);
    bytes.replace(QByteArrayLiteral("\xC0\x80"), QByteArray(1, '\0'));
    return QString::fromUtf8(bytes.constData(), bytes.size());
}

int QJsExecState::toIntClamped(double number)
{
    if (std::isnan(number))
        return 0;
    if (number >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (number <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(number);
}

const QJsonValue *QJsExecState::slot(jsValue value) const
{
    const quint64 word = static_cast<quint64>(value);
    if (tagOf(value) != kTagSlot || ((word >> 32) & kSerialMask) != m_serial)
        return nullptr;
    const quint32 index = static_cast<quint32>(word);
    if (index >= static_cast<quint32>(m_values.size()))
        return nullptr;
    return &m_values.at(static_cast<int>(index));
}

jsValue QJsExecState::slotValue(int index) const
{
    return static_cast<jsValue>((kTagSlot << kTagShift) | (static_cast<quint64>(m_serial) << 32)
                                | static_cast<quint32>(index));
}
