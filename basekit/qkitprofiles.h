#pragma once

#include "qkitstore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

/// Local profiles kept in the state file: display name, optional password (a salted PBKDF2
/// digest only) and the remembered sign-in. Each record carries a check value so a damaged
/// record is told apart from the intact ones.
class QKitProfiles
{
public:
    enum class Result { SignedIn, Created, WrongPassword, InvalidName, StorageFailed };

    static constexpr int kMaxNameLength = 32;

    /// The user-facing reason a name is refused, empty when it is acceptable.
    static QString checkName(const QString &name);
    /// Finds or creates the profile; on success name holds the stored spelling.
    static Result signIn(QString *name, const QString &password, QString *message);
    static bool exists(const QString &name);
    static QStringList names();
    /// Display name of the remembered profile, empty when none is remembered or it is gone.
    static QString rememberedName();
    static bool remember(const QString &name);
    static bool forget();

    /// Drops damaged profile records and a remembered sign-in to a missing profile; false when
    /// anything was dropped.
    static bool sanitize(QKitStore::Groups &groups);
    /// The store's check of every read (registered when the library is loaded): sanitize, and
    /// forget the remembered sign-in of a damaged file, which can no longer be trusted.
    static bool validate(QKitStore::Groups &groups, bool intact);

private:
    static QString groupFor(const QString &name);
    static QString normalized(const QString &name);
    static QByteArray digest(const QString &password, const QByteArray &salt, int rounds);
    static QString recordCheck(const QKitStore::Group &record);
};
