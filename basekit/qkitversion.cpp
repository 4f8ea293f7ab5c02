#include "qkitversion.h"

#include <QRegularExpression>

namespace {

constexpr int kMaxUpdateTextBytes = 4096;

} // namespace

QKitVersion QKitVersion::fromString(const QString &text)
{
    QKitVersion version;
    static const QRegularExpression pattern(QStringLiteral("^v?(\\d{1,9})(\\.\\d{1,9}){0,3}$"));
    const QString clean = text.trimmed();
    if (!pattern.match(clean).hasMatch())
        return version;
    const QString digits = clean.startsWith(QLatin1Char('v')) ? clean.mid(1) : clean;
    for (const QString &part : digits.split(QLatin1Char('.')))
        version.m_parts.append(part.toInt());
    version.m_text = digits;
    return version;
}

QKitVersion QKitVersion::fromUpdateText(const QByteArray &text)
{
    if (text.size() > kMaxUpdateTextBytes || text.contains('\0'))
        return QKitVersion();
    QString content = QString::fromUtf8(text);
    if (content.startsWith(QChar(0xfeff)))
        content.remove(0, 1);
    const QStringList lines = content.split(QLatin1Char('\n'));
    QKitVersion version = fromString(lines.value(0));
    if (version.isValid() && lines.size() > 1) {
        const QUrl url(lines.at(1).trimmed(), QUrl::StrictMode);
        if (url.isValid()
            && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")))
            version.m_download = url;
    }
    return version;
}

int QKitVersion::compare(const QKitVersion &other) const
{
    const int count = qMax(m_parts.size(), other.m_parts.size());
    for (int i = 0; i < count; ++i) {
        const int mine = m_parts.value(i);
        const int theirs = other.m_parts.value(i);
        if (mine != theirs)
            return mine < theirs ? -1 : 1;
    }
    return 0;
}
