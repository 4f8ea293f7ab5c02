#include "qkitstore.h"

#include "qkitstatetext.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

constexpr int kFormat = 1;
constexpr int kLockWaitMs = 5000;

} // namespace

std::vector<QKitStore::Validator> &QKitStore::validators()
{
    static std::vector<Validator> list;
    return list;
}

void QKitStore::addValidator(const Validator &validator)
{
    validators().push_back(validator);
}

QKitStore &QKitStore::instance()
{
    static QKitStore store;
    return store;
}

QKitStore::QKitStore()
{
    // A fixed folder, not the application's names: the shell and tests name the application
    // differently, and the state must be found the same way by every process.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    m_path = QDir(base).filePath(QStringLiteral("Tapwise/basekit.ini"));
}

QString QKitStore::filePath() const
{
    return m_path;
}

QKitStore::Stamp QKitStore::stamp() const
{
    Stamp s;
    const QFileInfo info(m_path);
    s.exists = info.exists();
    if (s.exists) {
        s.size = info.size();
        s.modified = info.lastModified().toMSecsSinceEpoch();
    }
    return s;
}

QString QKitStore::value(const QString &group, const QString &key, const QString &defaultValue)
{
    std::lock_guard<std::mutex> locker(m_mutex);
    refreshLocked();
    const auto groupIt = m_groups.constFind(group);
    if (groupIt == m_groups.constEnd())
        return defaultValue;
    const auto it = groupIt->constFind(key);
    return it == groupIt->constEnd() ? defaultValue : it.value();
}

QKitStore::Groups QKitStore::groups()
{
    std::lock_guard<std::mutex> locker(m_mutex);
    refreshLocked();
    return m_groups;
}

bool QKitStore::modify(const std::function<void(Groups &)> &change, QString *error)
{
    std::lock_guard<std::mutex> locker(m_mutex);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.setStaleLockTime(30000);
    // Going on without the lock risks losing another process's change, refusing would lose ours.
    const bool locked = lock.tryLock(kLockWaitMs);
    if (!locked)
        qWarning("QBaseKit: state file lock not taken, writing anyway: %s", qPrintable(m_path));
    readLocked(true);
    change(m_groups);
    if (writeLocked(m_groups, error))
        return true;
    // Nothing that is not on disk may look saved: read the old file again.
    readLocked(true);
    return false;
}

void QKitStore::reload()
{
    std::lock_guard<std::mutex> locker(m_mutex);
    m_loaded = false;
    refreshLocked();
}

QString QKitStore::setAsidePath()
{
    std::lock_guard<std::mutex> locker(m_mutex);
    refreshLocked();
    return m_setAside;
}

void QKitStore::refreshLocked()
{
    if (m_loaded && stamp() == m_stamp)
        return;
    readLocked(false);
}

void QKitStore::readLocked(bool lockHeld)
{
    const Stamp current = stamp();
    m_stamp = current;
    m_loaded = true;
    if (!current.exists) {
        m_groups.clear();
        return;
    }
    QFile file(m_path);
    bool clean = false;
    Groups groups;
    if (file.open(QIODevice::ReadOnly)) {
        groups = QKitStateText::parse(file.readAll(), &clean);
        if (file.error() != QFileDevice::NoError)
            clean = false;
        file.close();
    }
    for (const Validator &validator : validators())
        clean = validator(groups, clean) && clean;
    if (clean) {
        m_groups = groups;
        return;
    }

    // Damaged or unreadable: keep the file aside for inspection and carry over what the checks
    // kept.
    m_groups = groups;
    auto setAside = [&] {
        const QString aside = m_path + QStringLiteral(".corrupt-")
            + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
        if (QFile::rename(m_path, aside) || QDir().rename(m_path, aside)) {
            m_setAside = aside;
            qWarning("QBaseKit: damaged state file kept as %s", qPrintable(aside));
        } else {
            qWarning("QBaseKit: damaged state file could not be moved: %s", qPrintable(m_path));
        }
        QString error;
        writeLocked(m_groups, &error);
    };
    if (lockHeld) {
        setAside();
        return;
    }
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (lock.tryLock(kLockWaitMs) && !(stamp() == current)) {
        // Another process repaired or rewrote it meanwhile: read its result instead.
        readLocked(true);
        return;
    }
    setAside();
}

bool QKitStore::writeLocked(const Groups &groups, QString *error)
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    Groups withMeta = groups;
    withMeta[QStringLiteral("meta")][QStringLiteral("format")] = QString::number(kFormat);
    const QByteArray text = QKitStateText::serialize(withMeta);
    // Unbuffered: QSaveFile::commit() does not notice a failed flush of its buffer (a full
    // disk) and would put an empty file in place of the old one.
    QSaveFile file(m_path);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
        && file.write(text) == text.size() && file.error() == QFileDevice::NoError;
    QString reason;
    if (!ok) {
        reason = file.error() == QFileDevice::NoError ? QStringLiteral("incomplete write")
                                                      : file.errorString();
        file.cancelWriting();
    } else if (!file.commit()) {
        ok = false;
        reason = file.errorString();
    }
    if (!ok) {
        if (error)
            *error = reason;
        qWarning("QBaseKit: cannot write %s: %s", qPrintable(m_path), qPrintable(reason));
    }
    m_stamp = stamp();
    return ok;
}
