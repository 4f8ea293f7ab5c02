#pragma once

#include <QDateTime>
#include <QString>
#include <sys/types.h>

/// Where dumps go: "Tapwise/crashes" under the user's data directory ($XDG_DATA_HOME, else
/// ~/.local/share), readable by the user only. Each crash is a pair of files named
/// "<application>-<yyyyMMdd-HHmmss>-<pid>" with ".core" and ".txt".
class CrashFolder
{
public:
    /// Keeps disk use bounded: older pairs beyond this many are removed.
    static constexpr int kKeptDumps = 10;

    CrashFolder();

    /// Creates the folder if needed; false with a message when that fails.
    bool create(QString *error) const;

    QString path() const { return m_path; }
    /// The common file name (without suffix) of one crash's files.
    QString baseName(const QString &application, pid_t processId, const QDateTime &time) const;
    /// Removes all but the newest kKeptDumps pairs.
    void prune() const;

private:
    QString m_path;
};
