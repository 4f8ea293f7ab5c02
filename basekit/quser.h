#pragma once

#include "qbasekit_global.h"
#include "qdtaproduct.h"

#include <QObject>
#include <QStringList>
#include <memory>

/// The signed-in user of this process. isLogin() may be read from any thread.
class QBASEKIT_EXPORT QUser : public QObject
{
    Q_OBJECT
public:
    static QUser *Instance();

    void setProduct(const QDtaProduct &product);
    QDtaProduct product() const;

    bool isLogin() const;
    /// Display name of the signed-in user; empty when signed out.
    QString name() const;
    /// Install source from the library's settings, "official" by default.
    QString getSource() const;
    /// Stable hex digest of the machine id and the product identifier.
    QString getDeviceCode() const;

    /// Marks name as signed in (remembered for the next start when it is a local profile).
    void setLogin(const QString &name);
    /// Signs out and forgets the remembered sign-in; nothing happens when nobody is signed in.
    void setLogout();
    /// Display names of the local profiles, sorted.
    QStringList profileNames() const;

signals:
    /// Sign-in state changed (name empty on sign-out); every QUserHelp repeats it to its window.
    void loginChanged(bool login, const QString &name);

private:
    QUser();
    ~QUser() override;
    struct Private;
    std::unique_ptr<Private> d;
};
