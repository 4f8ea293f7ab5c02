#include "qkitprofiles.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QPasswordDigestor>
#include <QRandomGenerator>

namespace {

constexpr int kRounds = 60000;
constexpr int kSaltBytes = 16;
constexpr int kDigestBytes = 32;
const QString kProfilePrefix = QStringLiteral("profile.");
const QString kSession = QStringLiteral("session");
const QString kName = QStringLiteral("name");
const QString kSalt = QStringLiteral("salt");
const QString kDigest = QStringLiteral("digest");
const QString kRoundsKey = QStringLiteral("rounds");
const QString kCreated = QStringLiteral("created");
const QString kCheck = QStringLiteral("check");
const QString kRemembered = QStringLiteral("profile");

// Every read of the state file checks the profile records, from the library's loading on.
[[maybe_unused]] const bool kValidatorAdded =
    (QKitStore::addValidator(&QKitProfiles::validate), true);

bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (int i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a.at(i) ^ b.at(i));
    return difference == 0;
}

} // namespace

QString QKitProfiles::normalized(const QString &name)
{
    return name.simplified().normalized(QString::NormalizationForm_C);
}

QString QKitProfiles::groupFor(const QString &name)
{
    // Names match without regard to letter case, so "Alice" and "alice" are one profile.
    const QByteArray key = normalized(name).toCaseFolded().toUtf8();
    return kProfilePrefix
        + QString::fromLatin1(
               QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24));
}

QByteArray QKitProfiles::digest(const QString &password, const QByteArray &salt, int rounds)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt,
                                              rounds, kDigestBytes);
}

QString QKitProfiles::recordCheck(const QKitStore::Group &record)
{
    QByteArray data;
    for (const QString &key : {kName, kSalt, kDigest, kRoundsKey, kCreated})
        data += key.toUtf8() + '=' + record.value(key).toUtf8() + '\n';
    return QString::fromLatin1(
        QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex().left(16));
}

QString QKitProfiles::checkName(const QString &name)
{
    const QString clean = normalized(name);
    if (clean.isEmpty())
        return QCoreApplication::translate("QUserHelp", "请输入用户名");
    if (clean.size() > kMaxNameLength)
        return QCoreApplication::translate("QUserHelp", "用户名不能超过 %1 个字符")
            .arg(kMaxNameLength);
    for (const QChar c : clean) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return QCoreApplication::translate("QUserHelp", "用户名不能包含控制字符");
    }
    return QString();
}

QKitProfiles::Result QKitProfiles::signIn(QString *name, const QString &password, QString *message)
{
    const QString problem = checkName(*name);
    if (!problem.isEmpty()) {
        *message = problem;
        return Result::InvalidName;
    }
    const QString clean = normalized(*name);
    const QString group = groupFor(clean);
    const QKitStore::Group existing = QKitStore::instance().groups().value(group);
    if (!existing.isEmpty()) {
        const QByteArray stored = QByteArray::fromHex(existing.value(kDigest).toLatin1());
        if (!stored.isEmpty()) {
            const QByteArray salt = QByteArray::fromHex(existing.value(kSalt).toLatin1());
            const int rounds = existing.value(kRoundsKey).toInt();
            if (!sameBytes(digest(password, salt, rounds > 0 ? rounds : kRounds), stored)) {
                *message = QCoreApplication::translate("QUserHelp", "密码错误，请重新输入");
                return Result::WrongPassword;
            }
        }
        *name = existing.value(kName);
        return Result::SignedIn;
    }

    QKitStore::Group record;
    record[kName] = clean;
    if (!password.isEmpty()) {
        QByteArray salt(kSaltBytes, '\0');
        QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(salt.data()),
                                              kSaltBytes / 4);
        record[kSalt] = QString::fromLatin1(salt.toHex());
        record[kDigest] = QString::fromLatin1(digest(password, salt, kRounds).toHex());
        record[kRoundsKey] = QString::number(kRounds);
    }
    record[kCreated] = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    record[kCheck] = recordCheck(record);
    QString error;
    bool created = false;
    const bool saved = QKitStore::instance().modify(
        [&](QKitStore::Groups &groups) {
            // Another process may have made the same profile meanwhile; theirs stands.
            if (groups.value(group).isEmpty()) {
                groups[group] = record;
                created = true;
            }
            groups[kSession][kRemembered] = group;
        },
        &error);
    if (!saved) {
        *message = QCoreApplication::translate("QUserHelp", "无法保存账户信息：%1").arg(error);
        return Result::StorageFailed;
    }
    if (!created)
        return signIn(name, password, message);
    *name = clean;
    return Result::Created;
}

bool QKitProfiles::exists(const QString &name)
{
    return checkName(name).isEmpty() && QKitStore::instance().groups().contains(groupFor(name));
}

QStringList QKitProfiles::names()
{
    QStringList result;
    const QKitStore::Groups groups = QKitStore::instance().groups();
    for (auto it = groups.constBegin(); it != groups.constEnd(); ++it) {
        if (it.key().startsWith(kProfilePrefix))
            result << it->value(kName);
    }
    result.sort(Qt::CaseInsensitive);
    return result;
}

QString QKitProfiles::rememberedName()
{
    const QKitStore::Groups groups = QKitStore::instance().groups();
    const QString group = groups.value(kSession).value(kRemembered);
    if (!group.startsWith(kProfilePrefix))
        return QString();
    return groups.value(group).value(kName);
}

bool QKitProfiles::remember(const QString &name)
{
    const QString group = groupFor(name);
    return QKitStore::instance().modify([&](QKitStore::Groups &groups) {
        if (groups.contains(group))
            groups[kSession][kRemembered] = group;
        else
            groups.remove(kSession);
    });
}

bool QKitProfiles::forget()
{
    return QKitStore::instance().modify([](QKitStore::Groups &groups) { groups.remove(kSession); });
}

bool QKitProfiles::validate(QKitStore::Groups &groups, bool intact)
{
    const bool sane = sanitize(groups);
    if (!intact || !sane)
        groups.remove(kSession);
    return sane;
}

bool QKitProfiles::sanitize(QKitStore::Groups &groups)
{
    bool intact = true;
    for (auto it = groups.begin(); it != groups.end();) {
        if (!it.key().startsWith(kProfilePrefix)) {
            ++it;
            continue;
        }
        const QKitStore::Group &record = *it;
        const QString name = record.value(kName);
        const bool valid = checkName(name).isEmpty() && groupFor(name) == it.key()
            && record.value(kCheck) == recordCheck(record);
        if (valid) {
            ++it;
        } else {
            intact = false;
            it = groups.erase(it);
        }
    }
    const QString remembered = groups.value(kSession).value(kRemembered);
    if (!remembered.isEmpty() && !groups.contains(remembered)) {
        groups.remove(kSession);
        intact = false;
    }
    return intact;
}
