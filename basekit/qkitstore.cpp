#include "qkitstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextCodec>
#include <QUrl>

namespace {

constexpr int kFormat = 1;
constexpr int kLockWaitMs = 5000;
const char kSafeKeyChars[] = "_.-";

QString encodeName(const QString &name)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(name, kSafeKeyChars));
}

bool decodeName(const QByteArray &raw, QString *name)
{
    for (char c : raw) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')
            || (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '-' || c == '%';
        if (!plain)
            return false;
    }
    const QByteArray bytes = QByteArray::fromPercentEncoding(raw);
    QTextCodec::ConverterState state;
    *name = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && !name->isEmpty();
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
        } else if (next == 'x' && i + 3 < raw.size()) {
            bool hexOk = false;
            const int code = raw.mid(i + 2, 2).toInt(&hexOk, 16);
            if (!hexOk)
                return false;
            bytes += static_cast<char>(code);
            i += 3;
        } else {
            bytes += c;
            ok = false;
        }
    }
    QTextCodec::ConverterState state;
    *value = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    return ok && state.invalidChars == 0;
}

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
    return writeLocked(m_groups, error);
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
        groups = parse(file.readAll(), &clean);
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
    QSaveFile file(m_path);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        Groups withMeta = groups;
        withMeta[QStringLiteral("meta")][QStringLiteral("format")] = QString::number(kFormat);
        ok = file.write(serialize(withMeta)) >= 0 && file.commit();
    }
    if (!ok) {
        if (error)
            *error = file.errorString();
        qWarning("QBaseKit: cannot write %s: %s", qPrintable(m_path),
                 qPrintable(file.errorString()));
    }
    m_stamp = stamp();
    return ok;
}

QByteArray QKitStore::serialize(const Groups &groups)
{
    QByteArray out = "; Tapwise account library state. Written by the program; values are "
                     "UTF-8 with \\\\, \\n, \\r, \\t and \\xHH escapes.\n";
    for (auto groupIt = groups.constBegin(); groupIt != groups.constEnd(); ++groupIt) {
        if (groupIt->isEmpty())
            continue;
        out += '\n';
        out += '[' + encodeName(groupIt.key()).toLatin1() + "]\n";
        for (auto it = groupIt->constBegin(); it != groupIt->constEnd(); ++it)
            out += encodeName(it.key()).toLatin1() + '=' + escapeValue(it.value()) + '\n';
    }
    return out;
}

QKitStore::Groups QKitStore::parse(const QByteArray &text, bool *clean)
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
        if (!inGroup || equals <= 0 || !decodeName(line.left(equals).trimmed(), &key)) {
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
