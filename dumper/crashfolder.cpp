#include "crashfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

CrashFolder::CrashFolder()
    : m_path(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
             + QStringLiteral("/Tapwise/crashes"))
{ }

bool CrashFolder::create(QString *error) const
{
    if (!QDir().mkpath(m_path)) {
        *error = QStringLiteral("cannot create the crash folder %1").arg(m_path);
        return false;
    }
    // Cores hold the program's memory: passwords, tokens, whatever was on screen.
    QFile::setPermissions(m_path,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

QString CrashFolder::baseName(const QString &application, pid_t processId,
                              const QDateTime &time) const
{
    QString name;
    for (const QChar c : application) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-')
            || c == QLatin1Char('_') || c == QLatin1Char('.');
        name.append(plain ? c : QLatin1Char('_'));
    }
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name.prepend(QStringLiteral("crash"));
    return QStringLiteral("%1-%2-%3")
        .arg(name.left(64), time.toString(QStringLiteral("yyyyMMdd-HHmmss")))
        .arg(processId);
}

void CrashFolder::prune() const
{
    QDir folder(m_path);
    const QFileInfoList cores =
        folder.entryInfoList({QStringLiteral("*.core")}, QDir::Files, QDir::Time);
    for (int i = kKeptDumps; i < cores.size(); ++i) {
        const QFileInfo &core = cores.at(i);
        QFile::remove(core.absoluteFilePath());
        QFile::remove(core.absolutePath() + QLatin1Char('/') + core.completeBaseName()
                      + QStringLiteral(".txt"));
    }
}
