#include "qglobalsettings.h"

#include <QFileInfo>
#include <QSettings>
#include <QtDebug>

namespace {

// Real settings files are a few hundred bytes; anything this large is not one of ours.
constexpr qint64 kMaxSettingsFileSize = 1024 * 1024;

} // namespace

QMap<QString, QGlobalSettings::Section> QGlobalSettings::s_store;

void QGlobalSettings::load(const QString &filePath)
{
    // A directory or a device under that name is no settings file either.
    const QFileInfo info(filePath);
    if (!info.isFile())
        return;
    if (info.size() > kMaxSettingsFileSize) {
        qWarning("Ignoring %s: %lld bytes is too large for a settings file", qPrintable(filePath),
                 info.size());
        return;
    }
    QSettings file(filePath, QSettings::IniFormat);
    file.setIniCodec("UTF-8");
    const QStringList sections = file.childGroups();
    for (const QString &section : sections) {
        file.beginGroup(section);
        const QStringList keys = file.childKeys();
        for (const QString &key : keys)
            s_store[section][key] = file.value(key);
        file.endGroup();
    }
}

QVariant QGlobalSettings::value(const QString &section, const QString &key,
                                const QVariant &defaultValue)
{
    const auto sectionIt = s_store.constFind(section);
    if (sectionIt == s_store.constEnd())
        return defaultValue;
    const auto keyIt = sectionIt->constFind(key);
    return keyIt == sectionIt->constEnd() ? defaultValue : *keyIt;
}

void QGlobalSettings::setValue(const QString &section, const QString &key, const QVariant &value)
{
    s_store[section][key] = value;
}

int QGlobalSettings::getInt(const QString &section, const QString &key, int defaultValue)
{
    return value(section, key, defaultValue).toInt();
}

unsigned int QGlobalSettings::getUInt(const QString &section, const QString &key,
                                      unsigned int defaultValue)
{
    return value(section, key, defaultValue).toUInt();
}

QString QGlobalSettings::getString(const QString &section, const QString &key,
                                   const QString &defaultValue)
{
    return value(section, key, defaultValue).toString();
}

bool QGlobalSettings::getBool(const QString &section, const QString &key, bool defaultValue)
{
    return value(section, key, defaultValue).toBool();
}

float QGlobalSettings::getFloat(const QString &section, const QString &key, float defaultValue)
{
    return value(section, key, defaultValue).toFloat();
}

qint64 QGlobalSettings::getLongLong(const QString &section, const QString &key, qint64 defaultValue)
{
    return value(section, key, defaultValue).toLongLong();
}

QVariant QGlobalSettings::globalValue(const QString &key, const QVariant &defaultValue)
{
    return value(SettingsKey::kGlobal, key, defaultValue);
}

void QGlobalSettings::setGlobalValue(const QString &key, const QVariant &value)
{
    setValue(SettingsKey::kGlobal, key, value);
}

QGlobalSettings::Section QGlobalSettings::sectionValues(const QString &section)
{
    return s_store[section];
}

void QGlobalSettings::clear()
{
    s_store.clear();
}
