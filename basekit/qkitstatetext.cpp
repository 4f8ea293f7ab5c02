#include "qkitstatetext.h"

#include <QList>
#include <QTextCodec>
#include <QUrl>

namespace {

// A leading U+FEFF is text like any other here, not a byte-order mark to drop.
bool decodeUtf8(const QByteArray &bytes, QString *text)
{
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    *text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

QByteArray encodeName(const QString &name)
{
    // QUrl leaves '~' plain, which the reader would not take back.
    return QUrl::toPercentEncoding(name, QByteArray(), "~");
}

bool decodeName(const QByteArray &raw, QString *name)
{
    for (char c : raw) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')
            || (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '-' || c == '~' || c == '%';
        if (!plain)
            return false;
    }
    return decodeUtf8(QByteArray::fromPercentEncoding(raw), name);
}

QByteArray escapeValue(const QString &value)
{
    QByteArray out;
    const QByteArray utf8 = value.toUtf8();
    out.reserve(utf8.size());
    for (int i = 0; i < utf8.size(); ++i) {
        const char c = utf8.at(i);
        const bool edge = i == 0 || i == utf8.size() - 1;
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if ((c >= 0 && c < 0x20) || c == 0x7f || (c == ' ' && edge))
            out += "\\x" + QByteArray::number(static_cast<uchar>(c), 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool unescapeValue(const QByteArray &raw, QString *value)
{
    QByteArray bytes;
    bool ok = true;
    for (int i = 0; i < raw.size(); ++i) {
        const char c = raw.at(i);
        if (c != '\\') {
            bytes += c;
            continue;
        }
        const char next = i + 1 < raw.size() ? raw.at(i + 1) : '\0';
        if (next == '\\' || next == 'n' || next == 'r' || next == 't') {
            bytes += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : '\\';
            ++i;
        } else if (next == 'x' && i + 3 < raw.size() && isHexDigit(raw.at(i + 2))
                   && isHexDigit(raw.at(i + 3))) {
            bytes += static_cast<char>(raw.mid(i + 2, 2).toInt(nullptr, 16));
            i += 3;
        } else {
            bytes += c;
            ok = false;
        }
    }
    return decodeUtf8(bytes, value) && ok;
}

} // namespace

bool QKitStateText::isStorable(const QString &text)
{
    return text.isValidUtf16();
}

QByteArray QKitStateText::serialize(const Groups &groups)
{
    QByteArray out = "; Tapwise account library state. Written by the program; values are "
                     "UTF-8 with \\\\, \\n, \\r, \\t and \\xHH escapes.\n";
    for (auto groupIt = groups.constBegin(); groupIt != groups.constEnd(); ++groupIt) {
        if (groupIt->isEmpty())
            continue;
        out += '\n';
        out += '[' + encodeName(groupIt.key()) + "]\n";
        for (auto it = groupIt->constBegin(); it != groupIt->constEnd(); ++it)
            out += encodeName(it.key()) + '=' + escapeValue(it.value()) + '\n';
    }
    return out;
}

QKitStateText::Groups QKitStateText::parse(const QByteArray &text, bool *clean)
{
    Groups groups;
    bool ok = true;
    QString group;
    bool inGroup = false;
    const QList<QByteArray> lines = text.split('\n');
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.contains('\0')) {
            ok = false;
            continue;
        }
        const QByteArray trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(';') || trimmed.startsWith('#'))
            continue;
        if (trimmed.startsWith('[')) {
            // "[]" is the group with the empty name, as the writer puts it.
            QString name;
            inGroup =
                trimmed.endsWith(']') && decodeName(trimmed.mid(1, trimmed.size() - 2), &name);
            if (!inGroup)
                ok = false;
            group = name;
            continue;
        }
        const int equals = line.indexOf('=');
        QString key;
        QString value;
        if (!inGroup || equals < 0 || !decodeName(line.left(equals).trimmed(), &key)) {
            ok = false;
            continue;
        }
        if (!unescapeValue(line.mid(equals + 1).trimmed(), &value)) {
            ok = false;
            continue;
        }
        groups[group][key] = value;
    }
    if (clean)
        *clean = ok;
    return groups;
}
