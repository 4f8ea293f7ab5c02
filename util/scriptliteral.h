#pragma once

#include <QString>

/// Text as a script string literal that a script reads back unchanged. Line terminators and
/// other control characters are written as \uXXXX escapes, so a literal never spans lines.
class ScriptLiteral
{
public:
    enum Option {
        kPlain = 0,
        /// '<' and '>' escaped as well, so that no "</script>" or "<!--" shows in the text.
        kEscapeMarkup = 1,
        /// Every character past ASCII escaped too: a script wholly in ASCII is held at one byte a
        /// character where one other character would double it.
        kAsciiOnly = 2,
    };

    /// The text between quotes (a double or a single quote), escaped.
    static QString quoted(const QString &text, QChar quote = QLatin1Char('"'),
                          int options = kPlain);
    /// Appends text escaped for the inside of a literal delimited by quote.
    static void appendEscaped(QString &literal, const QString &text, QChar quote = QLatin1Char('"'),
                              int options = kPlain);
};
