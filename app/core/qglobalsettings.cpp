#include "qglobalsettings.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QtDebug>

namespace {

// Real settings files are a few hundred bytes; anything this large is not one of ours.
constexpr qint64 kMaxSettingsFileSize = 1024 * 1024;

// The text after "key=" of each line, by section and key, as the file has it.
QMap<QString, QMap<QString, QString>> rawValues(const QString &filePath)
{
    QMap<QString, QMap<QString, QString>> values;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return values;
    QString section;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &bytes : lines) {
        const QString line = QString::fromUtf8(bytes).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && !line.startsWith(QLatin1Char(';')) && !line.startsWith(QLatin1Char('#')))
            values[section][line.left(equals).trimmed()] = line.mid(equals + 1).trimmed();
    }
    return values;
}

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
    QMap<QString, QMap<QString, QString>> raw;
    for (const QString &section : sections) {
        file.beginGroup(section);
        const QStringList keys = file.childKeys();
        for (const QString &key : keys) {
            QVariant value = file.value(key);
            // The ini reader splits an unquoted value at its commas, but every setting here is
            // one text (a path or a title may well hold a comma): take the line as written.
            if (value.type() == QVariant::StringList) {
                if (raw.isEmpty())
                    raw = rawValues(filePath);
                value = raw.value(section).value(key, value.toStringList().join(QLatin1Char(',')));
            }
            s_store[section][key] = value;
        }
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
