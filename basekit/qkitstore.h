#pragma once

#include "qkitstatetext.h"

#include <QString>
#include <functional>
#include <mutex>

/// The library's state file: an ini file of groups of text values under the user's
/// configuration directory. Every change re-reads the file under a lock file, applies the change
/// and writes the whole file atomically, so concurrent processes lose nothing. A damaged file is
/// kept aside and whatever was intact in it is carried over.
class QKitStore
{
public:
    using Group = QKitStateText::Group;
    using Groups = QKitStateText::Groups;

    static QKitStore &instance();

    QString filePath() const;
    QString value(const QString &group, const QString &key, const QString &defaultValue);
    Groups groups();
    /// Applies change to the freshly read state and saves it; false with error when the file
    /// could not be written, in which case the old file and what was read from it stay.
    bool modify(const std::function<void(Groups &)> &change, QString *error = nullptr);
    /// Forgets what was read and reads the file again.
    void reload();
    /// Where the last damaged file was moved, empty when none was found in this process.
    QString setAsidePath();

private:
    QKitStore();
    struct Stamp
    {
        bool exists = false;
        qint64 size = -1;
        qint64 modified = -1;
        bool operator==(const Stamp &other) const
        {
            return exists == other.exists && size == other.size && modified == other.modified;
        }
    };
    Stamp stamp() const;
    void refreshLocked();
    void readLocked(bool lockHeld);
    bool writeLocked(const Groups &groups, QString *error);

    std::mutex m_mutex;
    QString m_path;
    Groups m_groups;
    bool m_loaded = false;
    Stamp m_stamp;
    QString m_setAside;
};
