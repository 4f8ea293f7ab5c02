#include "csetting.h"

#include "qkitstore.h"

QString CSetting::getString(const QString &group, const QString &key, QString defaultValue)
{
    return QKitStore::instance().value(group, key, defaultValue);
}

bool CSetting::setString(const QString &group, const QString &key, const QString &value,
                         QString *error)
{
    return QKitStore::instance().modify(
        [&](QKitStore::Groups &groups) { groups[group][key] = value; }, error);
}

QString CSetting::filePath()
{
    return QKitStore::instance().filePath();
}

void CSetting::reload()
{
    QKitStore::instance().reload();
}
