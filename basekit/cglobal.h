#pragma once

#include "qbasekit_global.h"

#include <QString>

/// Process-wide set-up of the account library: the log sink, the library's state file.
class QBASEKIT_EXPORT CGlobal
{
public:
    /// First call into the library; installs the log sink. Safe to call once per process.
    static void init();
    /// Last call into the library; flushes and removes the log sink.
    static void release();
    static void setAppTitle(const QString &title);
    static QString appTitle();
    /// The log file under the user's data directory; settings [log] debug (all levels) and
    /// max_size (bytes before the file is rotated) are read by init().
    static QString logFilePath();
};
