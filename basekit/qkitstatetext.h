#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

/// The text form of the library's state file: ini groups of text values. Group and key names
/// are percent-encoded outside [A-Za-z0-9_.-]; values are UTF-8 with \\, \n, \r, \t and \xHH
/// escapes, so any valid text survives writing and reading back unchanged.
class QKitStateText
{
public:
    using Group = QMap<QString, QString>;
    using Groups = QMap<QString, Group>;

    static QByteArray serialize(const Groups &groups);
    /// Reads ini text; clean is false when anything had to be skipped or repaired.
    static Groups parse(const QByteArray &text, bool *clean);
    /// True when the text can be written and read back as it is (no lone surrogate halves).
    static bool isStorable(const QString &text);
};
