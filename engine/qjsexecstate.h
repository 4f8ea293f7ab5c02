#pragma once

#include "wke.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QVector>

/**
 * The script values of one call of a bound function: its arguments and the values the native
 * function creates for its result. Lives exactly as long as the call.
 *
 * A jsValue is a tagged 64-bit word: 0 is undefined, tag 2 holds a 32-bit integer inline,
 * tag 3 names a slot of one particular call (the call's serial is part of the word, so a value
 * kept past its call, or used with another call, reads as undefined).
 *
 * Conversions: jsToString gives text only for strings (numbers, booleans, null, undefined and
 * objects give null); U+0000 inside a text is written as the two bytes C0 80, so a text read
 * with jsToString and returned with jsString survives intact. jsToInt truncates numbers toward
 * zero and clamps them to the int range (NaN gives 0), reads booleans as 0 and 1, reads strings
 * as decimal or 0x-prefixed hexadecimal numbers (anything else 0), and gives 0 for null,
 * undefined and objects.
 */
class QJsExecState
{
public:
    explicit QJsExecState(QVector<QJsonValue> arguments, bool posted = false);

    jsExecState handle() { return reinterpret_cast<jsExecState>(this); }

    int argumentCount() const { return m_argumentCount; }
    /// The page posted the call and does not wait for its value.
    bool isPosted() const { return m_posted; }
    jsValue argument(int index) const;
    int toInt(jsValue value) const;
    /// UTF-8 (U+0000 as C0 80), valid as long as this state; null when the value is no text.
    const char *toUtf8(jsValue value);
    jsValue string(const QString &text);
    jsValue stringFromUtf8(const char *utf8);
    /// The value as the page's bound function returns it.
    QString encodeResult(jsValue value) const;

    static jsValue integer(int value);
    static jsValue undefined() { return 0; }
    /// The integer a jsInt value holds; 0 for any other value.
    static int inlineInteger(jsValue value);
    static QByteArray toModifiedUtf8(const QString &text);
    static QString fromModifiedUtf8(const char *utf8);
    static int toIntClamped(double number);

private:
    const QJsonValue *slot(jsValue value) const;
    jsValue slotValue(int index) const;

    quint32 m_serial;
    int m_argumentCount;
    bool m_posted;
    QVector<QJsonValue> m_values;
    /// The UTF-8 of the text in each slot, once asked for; indexed like m_values.
    QVector<QByteArray> m_texts;
};
