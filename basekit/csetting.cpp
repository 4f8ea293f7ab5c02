#include "csetting.h"

#include "qkitstatetext.h"
#include "qkitstore.h"

QString CSetting::getString(const QString &group, const QString &key, QString defaultValue)
{
    return QKitStore::instance().value(group, key, defaultValue);
}

bool CSetting::setString(const QString &group, const QString &key, const QString &value,
                         QString *error)
{
    // The library's own records are checked and rewritten on every read; a setting kept there
    // would not read back as it was written.
    const bool reserved = group == QLatin1String("meta") || group == QLatin1String("session")
        || group.startsWith(QLatin1String("profile."));
    if (reserved || !QKitStateText::isStorable(group) || !QKitStateText::isStorable(key)
        || !QKitStateText::isStorable(value))
        return false;
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
