#include "cglobal.h"

#include "csetting.h"
#include "logger.h"
#include "qkitlogfile.h"

#include <QDir>
#include <QStandardPaths>
#include <memory>
#include <mutex>

namespace {

std::mutex g_mutex;
QString g_title;
std::shared_ptr<QKitLogFile> g_log;

bool isTrue(const QString &text)
{
    const QString t = text.trimmed().toLower();
    return t == QLatin1String("true") || t == QLatin1String("1") || t == QLatin1String("yes")
        || t == QLatin1String("on");
}

} // namespace

void CGlobal::init()
{
    std::lock_guard<std::mutex> locker(g_mutex);
    if (g_log)
        return;
    sth::logger::m_bDebug =
        isTrue(CSetting::getString(QStringLiteral("log"), QStringLiteral("debug")));
    bool sizeOk = false;
    const qint64 maxBytes =
        CSetting::getString(QStringLiteral("log"), QStringLiteral("max_size")).toLongLong(&sizeOk);
    g_log = std::make_shared<QKitLogFile>(logFilePath(),
                                          sizeOk ? maxBytes : QKitLogFile::kDefaultMaxBytes);
    // The sink holds its own reference, so a record in flight on another thread during
    // release() still finds an open log.
    std::shared_ptr<QKitLogFile> sink = g_log;
    sth::logger::m_callback = [sink](const std::shared_ptr<sth::LogInfo> &record) {
        if (record)
            sink->write(*record);
    };
}

void CGlobal::release()
{
    std::lock_guard<std::mutex> locker(g_mutex);
    sth::logger::m_callback = nullptr;
    g_log.reset();
}

void CGlobal::setAppTitle(const QString &title)
{
    std::lock_guard<std::mutex> locker(g_mutex);
    g_title = title;
}

QString CGlobal::appTitle()
{
    std::lock_guard<std::mutex> locker(g_mutex);
    return g_title;
}

QString CGlobal::logFilePath()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(base).filePath(QStringLiteral("Tapwise/log/tapwise.log"));
}
