#include "scriptliteral.h"

QString ScriptLiteral::quoted(const QString &text, QChar quote, int options)
{
    QString literal;
    literal.reserve(text.size() + 2);
    literal += quote;
    appendEscaped(literal, text, quote, options);
    literal += quote;
    return literal;
}

void ScriptLiteral::appendEscaped(QString &literal, const QString &text, QChar quote, int options)
{
    const ushort quoteCode = quote.unicode();
    const bool markup = options & kEscapeMarkup;
    const ushort highestRaw = options & kAsciiOnly ? 0x7e : 0xffff;
    // Runs of plain characters are copied whole: batches of scripts are megabytes long.
    const QChar *const end = text.constData() + text.size();
    const QChar *run = text.constData();
    for (const QChar *at = run; at != end; ++at) {
        const ushort u = at->unicode();
        if (u >= 0x20 && u <= highestRaw && u != quoteCode && u != '\\' && u != 0x7f && u != 0x2028
            && u != 0x2029 && !(markup && (u == '<' || u == '>')))
            continue;
        literal.append(run, static_cast<int>(at - run));
        run = at + 1;
        if (u == quoteCode) {
            literal += QLatin1Char('\\');
            literal += quote;
            continue;
        }
        switch (u) {
        case '\\':
            literal += QLatin1String("\\\\");
            break;
        case '\n':
            literal += QLatin1String("\\n");
            break;
        case '\r':
            literal += QLatin1String("\\r");
            break;
        default:
            // Line terminators and other control characters may not stand raw in a literal;
            // past ASCII, each UTF-16 unit of a pair has its own escape.
            literal += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        }
    }
    literal.append(run, static_cast<int>(end - run));
}
