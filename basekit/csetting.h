#pragma once

#include "qbasekit_global.h"

#include <QString>

/// The account library's own settings, kept in its ini file under the user's configuration
/// directory (never in the working directory).
class QBASEKIT_EXPORT CSetting
{
public:
    /// The stored text under group/key, or defaultValue when there is none.
    static QString getString(const QString &group, const QString &key,
                             QString defaultValue = QString());
    /// Stores the text and saves the state file. False, with nothing changed, when the file
    /// could not be written (the reason in error), when a text is not valid UTF-16, or when the
    /// group is one of the library's own records ("meta", "session", "profile.*").
    static bool setString(const QString &group, const QString &key, const QString &value,
                          QString *error = nullptr);
    /// Full path of the library's state file.
    static QString filePath();
    /// Reads the state file again, as after a change by another process. A damaged file is
    /// kept aside (beside it, with a ".corrupt-" suffix) and its intact records carried over.
    static void reload();
};
