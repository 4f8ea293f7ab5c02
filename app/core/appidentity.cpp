#include "appidentity.h"

#include "qglobalsettings.h"

#include <QCoreApplication>

using namespace SettingsKey;

QString language()
{
    const QString configured = QGlobalSettings::globalValue(kLang).toString();
    return configured.isEmpty() ? defaultLanguage() : configured;
}

void setLanguage(const QString &language)
{
    QGlobalSettings::setGlobalValue(kLang, language);
}

QString defaultLanguage()
{
    return QGlobalSettings::getString(kDefault, kLang, QStringLiteral("zh"));
}

QString appTitle()
{
    return QGlobalSettings::getString(kAppName, QStringLiteral("%1_%2").arg(kName, language()),
                                      QCoreApplication::translate("", "Tapwise"));
}

QString appVersion()
{
    return QGlobalSettings::getString(kDefault, kVersion, QStringLiteral("2.0.0.1"));
}

QString appId()
{
    return QGlobalSettings::getString(kDefault, kAppId, QStringLiteral("unknown"));
}

QString serviceName()
{
    return QGlobalSettings::getString(kService, kName, QStringLiteral("AppService"));
}

QString servicePath()
{
    return QGlobalSettings::getString(kService, kPath, QStringLiteral("App.exe"));
}

QString serviceDesc()
{
    return QGlobalSettings::getString(kService, kDesc, QStringLiteral("App Service"));
}
