#pragma once

#include <QString>
#include <QUrl>
#include <QVector>

/// A dotted version number ("2.0.0.1"); missing trailing parts count as 0.
class QKitVersion
{
public:
    /// Parses the update text: the version on its first line, optionally a download address
    /// on the second. Invalid when the text is not that.
    static QKitVersion fromUpdateText(const QByteArray &text);
    static QKitVersion fromString(const QString &text);

    bool isValid() const { return !m_parts.isEmpty(); }
    QString toString() const { return m_text; }
    QUrl downloadUrl() const { return m_download; }
    /// Negative, zero or positive as this is older, equal or newer than other.
    int compare(const QKitVersion &other) const;

private:
    QVector<int> m_parts;
    QString m_text;
    QUrl m_download;
};
