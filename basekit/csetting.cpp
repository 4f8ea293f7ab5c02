#include "csetting.h"

#include "qkitstore.h"

QString CSetting::getString(const QString &group, const QString &key, QString defaultValue)
{
    return QKitStore::instance().value(group, key, defaultValue);
}

void CSetting::setString(const QString &group, const QString &key, const QString &value)
{
    QKitStore::instance().modify([&](QKitStore::Groups &groups) { groups[group][key] = value; });
}

QString CSetting::filePath()
{
    return QKitStore::instance().filePath();
}

void CSetting::reload()
{
    QKitStore::instance().reload();
}
