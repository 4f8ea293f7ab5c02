#pragma once

#include "qbasekit_global.h"

#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QUrl>
#include <memory>

class QMenu;
class QWidget;

/// The account library's face in a window: login form, account menu, user and customer panels,
/// update check. Emits the account events the window shows in its title bar.
class QBASEKIT_EXPORT QUserHelp : public QObject
{
    Q_OBJECT
public:
    QUserHelp(QWidget *widget, QObject *parent);
    ~QUserHelp() override;

    /// The account menu, owned by the library; built on the first call.
    QMenu *initMenu();
    /// Shows the login form; true when a user is signed in afterwards.
    bool login();
    /// Signs the remembered user in again without showing the form.
    bool preLogin();
    void logout();
    void showUserWidget(const QPoint &globalPoint);
    void showCustomerWidget(const QPoint &globalPoint);
    /// Looks for a newer version; silent when not interactive unless one exists.
    void checkUpdate(bool interactive);
    /// Signs in to the named local profile, creating it when the name is new; false with a
    /// user-facing message when the name is not acceptable or the password is wrong.
    bool signIn(const QString &name, const QString &password, QString *message = nullptr);

signals:
    void signal_login(const QString &name);
    void signal_logout();
    void signal_avatar(const QPixmap &picture);
    /// An update check finished: newer tells whether latestVersion is newer than the product;
    /// latestVersion is empty when the check failed.
    void signal_updateChecked(bool newer, const QString &latestVersion);

private:
    void onLoginChanged(bool login, const QString &name);
    void showPanel(bool user, const QPoint &globalPoint);
    void showAbout();
    void showNotice(const QString &text, const QUrl &link = QUrl());
    void onUpdateReply(int status, const QByteArray &body, const QString &error);

    struct Private;
    std::unique_ptr<Private> d;
};
