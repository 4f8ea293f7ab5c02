#pragma once

#include "qkitstatetext.h"

#include <QString>
#include <functional>
#include <mutex>
#include <vector>

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

    /// Checks the groups read from the file and repairs them in place; false when anything had
    /// to go. intact says whether the file read cleanly and every earlier check passed, so a
    /// check may also drop what a damaged file no longer vouches for.
    using Validator = std::function<bool(Groups &groups, bool intact)>;
    /// Adds a check that every read of the file runs, in the order added. Add it before the
    /// first read: the library's parts do so when it is loaded.
    static void addValidator(const Validator &validator);

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
    static std::vector<Validator> &validators();
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
