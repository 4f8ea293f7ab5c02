#include "quser.h"

#include "csetting.h"
#include "qkitprofiles.h"
#include "qkitstore.h"

#include <QCryptographicHash>
#include <QFile>
#include <QUuid>
#include <atomic>
#include <mutex>

namespace {

QByteArray readMachineId()
{
    for (const char *path : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray id = file.read(256).trimmed();
            if (!id.isEmpty())
                return id;
        }
    }
    // No machine id: one made up once and kept with the library's state, so the device code
    // still stays the same from run to run.
    QString id = CSetting::getString(QStringLiteral("device"), QStringLiteral("id"));
    if (id.isEmpty()) {
        QKitStore::instance().modify([&](QKitStore::Groups &groups) {
            QString &stored = groups[QStringLiteral("device")][QStringLiteral("id")];
            if (stored.isEmpty())
                stored = QUuid::createUuid().toString(QUuid::WithoutBraces);
            id = stored;
        });
    }
    return id.toLatin1();
}

} // namespace

struct QUser::Private
{
    // The flag is read from pool threads; the name and product sit behind a std::mutex, which
    // the thread checker understands.
    std::atomic<bool> login {false};
    mutable std::mutex mutex;
    QString name;
    QDtaProduct product;
};

QUser *QUser::Instance()
{
    static QUser *instance = new QUser;
    return instance;
}

QUser::QUser()
    : d(new Private)
{ }

QUser::~QUser() = default;

void QUser::setProduct(const QDtaProduct &product)
{
    std::lock_guard<std::mutex> locker(d->mutex);
    d->product = product;
}

QDtaProduct QUser::product() const
{
    std::lock_guard<std::mutex> locker(d->mutex);
    return d->product;
}

bool QUser::isLogin() const
{
    return d->login.load(std::memory_order_acquire);
}

QString QUser::name() const
{
    std::lock_guard<std::mutex> locker(d->mutex);
    return d->name;
}

QString QUser::getSource() const
{
    return CSetting::getString(QStringLiteral("install"), QStringLiteral("source"),
                               QStringLiteral("official"));
}

QString QUser::getDeviceCode() const
{
    QByteArray data = readMachineId();
    data += '\n';
    data += product().id().toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

void QUser::setLogin(const QString &name)
{
    // Signed in with no name would leave the title bar's user button blank.
    if (name.trimmed().isEmpty())
        return;
    {
        std::lock_guard<std::mutex> locker(d->mutex);
        d->name = name;
        d->login.store(true, std::memory_order_release);
    }
    // Remembers a local profile for the next start; any other name replaces nothing stale.
    QKitProfiles::remember(name);
    emit loginChanged(true, name);
}

void QUser::setLogout()
{
    {
        std::lock_guard<std::mutex> locker(d->mutex);
        if (!d->login.load(std::memory_order_relaxed))
            return;
        d->login.store(false, std::memory_order_release);
        d->name.clear();
    }
    QKitProfiles::forget();
    emit loginChanged(false, QString());
}

QStringList QUser::profileNames() const
{
    return QKitProfiles::names();
}
