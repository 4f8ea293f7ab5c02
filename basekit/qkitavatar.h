#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

/// Generated avatars: the initials of a display name on a colour chosen by the name.
class QKitAvatar
{
public:
    static QPixmap picture(const QString &name, int size = 64);
    static QString initials(const QString &name);
    static QColor colour(const QString &name);
};
