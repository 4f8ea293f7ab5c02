#include "privatebrowserdata.h"

#include <QDir>

namespace {

QString templateIn(const char *variable)
{
    const QString parent = qEnvironmentVariable(variable, QDir::tempPath());
    QDir().mkpath(parent);
    return parent + QStringLiteral("/engine-test-XXXXXX");
}

} // namespace

PrivateBrowserData::PrivateBrowserData()
    : m_data(templateIn("XDG_DATA_HOME"))
    , m_cache(templateIn("XDG_CACHE_HOME"))
{
    if (m_data.isValid())
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
    if (m_cache.isValid())
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cache.path()));
}
