#include "basekittest.h"

#include "cglobal.h"
#include "csetting.h"
#include "quser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUuid>

namespace BasekitTest {

namespace {

QString g_root;

void chooseRoot()
{
    if (!g_root.isEmpty())
        return;
    // Each test process gets folders of its own, so test cases may run side by side.
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::tempPath();
    g_root = QDir(base).filePath(QStringLiteral("basekit-")
                                 + QUuid::createUuid().toString(QUuid::Id128).left(12));
    QDir().mkpath(g_root + QStringLiteral("/config"));
    QDir().mkpath(g_root + QStringLiteral("/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(g_root + QStringLiteral("/config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(g_root + QStringLiteral("/data")));
}

} // namespace

void resetState()
{
    chooseRoot();
    CGlobal::release();
    QUser::Instance()->setLogout();
    QDir(g_root + QStringLiteral("/config/Tapwise")).removeRecursively();
    QDir(g_root + QStringLiteral("/data/Tapwise")).removeRecursively();
    CSetting::reload();
}

QString logDir()
{
    return QFileInfo(CGlobal::logFilePath()).absolutePath();
}

QString probe(const QStringList &arguments, int *exitCode)
{
    QProcess process;
    process.setProgram(QStringLiteral(BASEKIT_PROBE));
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
    }
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QByteArray readStateFile()
{
    QFile file(CSetting::filePath());
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void writeStateFile(const QByteArray &content)
{
    QFile file(CSetting::filePath());
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(content);
}

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    struct sigaction ignore
    {
    };
    ignore.sa_handler = SIG_IGN;
    if (::getrlimit(RLIMIT_FSIZE, &m_saved) != 0
        || ::sigaction(SIGXFSZ, &ignore, &m_savedAction) != 0)
        return;
    rlimit limited = m_saved;
    limited.rlim_cur = bytes;
    m_set = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
}

FileSizeLimit::~FileSizeLimit()
{
    if (m_set)
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
    ::sigaction(SIGXFSZ, &m_savedAction, nullptr);
}

} // namespace BasekitTest
