#pragma once

#include <QString>

// The application's identity, each with a fixed default so the program runs without app.ini.

QString language();
void setLanguage(const QString &language);
QString defaultLanguage();
/// Title for the current language; the default title goes through the translation lookup.
QString appTitle();
QString appVersion();
QString appId();
QString serviceName();
QString servicePath();
QString serviceDesc();
