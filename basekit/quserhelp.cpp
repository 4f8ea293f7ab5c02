#include "quserhelp.h"

#include "cglobal.h"
#include "csetting.h"
#include "logger.h"
#include "qhttpclient.h"
#include "qkitavatar.h"
#include "qkitdialog.h"
#include "qkitlogindialog.h"
#include "qkitmessagedialog.h"
#include "qkitpanel.h"
#include "qkitprofiles.h"
#include "qkitversion.h"
#include "quser.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QMenu>
#include <QPointer>
#include <QWidget>

namespace {

constexpr int kUpdateTimeoutMs = 8000;

void log(int level, int line, const QString &message)
{
    if (level >= 2 && !sth::logger::m_bDebug)
        return;
    const auto callback = sth::logger::m_callback;
    if (!callback)
        return;
    auto record = std::make_shared<sth::LogInfo>();
    record->level = level;
    record->line = line;
    record->time = QDateTime::currentSecsSinceEpoch();
    record->file = "quserhelp.cpp";
    record->message = message.toStdWString();
    callback(record);
}

} // namespace

struct QUserHelp::Private
{
    QPointer<QWidget> widget;
    std::unique_ptr<QMenu> menu;
    QAction *actionLogout = nullptr;
    QPointer<QKitLoginDialog> loginDialog;
    QPointer<QKitPanel> panel;
    QPointer<QKitMessageDialog> notice;
    QPointer<QKitMessageDialog> about;
    bool updateRunning = false;
    bool updateInteractive = false;
};

QUserHelp::QUserHelp(QWidget *widget, QObject *parent)
    : QObject(parent)
    , d(new Private)
{
    d->widget = widget;
    connect(QUser::Instance(), &QUser::loginChanged, this, &QUserHelp::onLoginChanged);
}

QUserHelp::~QUserHelp()
{
    delete d->panel.data();
    delete d->notice.data();
    delete d->about.data();
    // An open login form runs its own event loop; closing it lets login() return.
    if (d->loginDialog)
        d->loginDialog->reject();
}

void QUserHelp::onLoginChanged(bool login, const QString &name)
{
    if (d->actionLogout)
        d->actionLogout->setVisible(login);
    if (d->panel)
        d->panel->refresh();
    if (login) {
        emit signal_login(name);
        emit signal_avatar(QKitAvatar::picture(name));
    } else {
        emit signal_logout();
    }
}

QMenu *QUserHelp::initMenu()
{
    if (d->menu)
        return d->menu.get();
    d->menu.reset(new QMenu);
    QMenu *menu = d->menu.get();
    menu->setObjectName(QStringLiteral("kitMenu"));
    menu->setStyleSheet(QKitDialog::styleSheet());
    d->actionLogout = menu->addAction(tr("退出登录"), this, &QUserHelp::logout);
    d->actionLogout->setObjectName(QStringLiteral("actionLogout"));
    d->actionLogout->setVisible(QUser::Instance()->isLogin());
    QAction *update = menu->addAction(tr("检查更新"), this, [this] { checkUpdate(true); });
    update->setObjectName(QStringLiteral("actionCheckUpdate"));
    menu->addSeparator();
    QAction *about = menu->addAction(tr("关于"), this, &QUserHelp::showAbout);
    about->setObjectName(QStringLiteral("actionAbout"));
    connect(menu, &QMenu::aboutToShow, this,
            [this] { d->actionLogout->setVisible(QUser::Instance()->isLogin()); });
    return menu;
}

bool QUserHelp::signIn(const QString &name, const QString &password, QString *message)
{
    QString stored = name;
    QString problem;
    const QKitProfiles::Result result = QKitProfiles::signIn(&stored, password, &problem);
    if (message)
        *message = problem;
    if (result != QKitProfiles::Result::SignedIn && result != QKitProfiles::Result::Created) {
        log(2, __LINE__, QStringLiteral("sign-in refused: %1").arg(problem));
        return false;
    }
    QUser::Instance()->setLogin(stored);
    log(2, __LINE__, QStringLiteral("signed in as %1").arg(stored));
    return true;
}

bool QUserHelp::login()
{
    // A second request while the form is open brings it forward instead of stacking another.
    if (d->loginDialog) {
        d->loginDialog->raise();
        d->loginDialog->activateWindow();
        return QUser::Instance()->isLogin();
    }
    auto *dialog = new QKitLoginDialog(d->widget);
    d->loginDialog = dialog;
    QPointer<QKitLoginDialog> guard(dialog);
    QUser *user = QUser::Instance();
    dialog->setName(user->isLogin() ? user->name() : QKitProfiles::rememberedName());
    dialog->setSubmitHandler([this](const QString &name, const QString &password,
                                    QString *message) { return signIn(name, password, message); });
    dialog->exec();
    delete guard.data();
    return QUser::Instance()->isLogin();
}

bool QUserHelp::preLogin()
{
    QUser *user = QUser::Instance();
    if (user->isLogin()) {
        // Already signed in in this process (another window): bring this window up to date.
        const QString name = user->name();
        emit signal_login(name);
        emit signal_avatar(QKitAvatar::picture(name));
        return true;
    }
    const QString name = QKitProfiles::rememberedName();
    if (name.isEmpty())
        return false;
    user->setLogin(name);
    return user->isLogin();
}

void QUserHelp::logout()
{
    QUser::Instance()->setLogout();
}

void QUserHelp::showUserWidget(const QPoint &globalPoint)
{
    showPanel(true, globalPoint);
}

void QUserHelp::showCustomerWidget(const QPoint &globalPoint)
{
    showPanel(false, globalPoint);
}

void QUserHelp::showPanel(bool user, const QPoint &globalPoint)
{
    delete d->panel.data();
    auto *panel = new QKitPanel(user ? QKitPanel::Kind::User : QKitPanel::Kind::Customer);
    d->panel = panel;
    connect(panel, &QKitPanel::logoutRequested, this, &QUserHelp::logout);
    // Queued: the panel is closing while its button's click is still being delivered.
    connect(
        panel, &QKitPanel::loginRequested, this, [this] { login(); }, Qt::QueuedConnection);
    panel->popup(globalPoint);
}

void QUserHelp::showAbout()
{
    const QDtaProduct product = QUser::Instance()->product();
    const QString title = product.title().isEmpty() ? CGlobal::appTitle() : product.title();
    if (!d->about) {
        d->about = new QKitMessageDialog(QString(), d->widget);
        d->about->setObjectName(QStringLiteral("kitAbout"));
        d->about->setAttribute(Qt::WA_DeleteOnClose);
    }
    d->about->setTitle(tr("关于 %1").arg(title));
    d->about->setMessage(tr("%1\n版本 %2").arg(title, product.version()));
    d->about->show();
    d->about->raise();
    d->about->activateWindow();
}

void QUserHelp::showNotice(const QString &text, const QUrl &link)
{
    if (!d->notice) {
        d->notice = new QKitMessageDialog(tr("检查更新"), d->widget);
        d->notice->setObjectName(QStringLiteral("kitNotice"));
        d->notice->setAttribute(Qt::WA_DeleteOnClose);
    }
    d->notice->setMessage(text, link);
    d->notice->show();
    d->notice->raise();
    d->notice->activateWindow();
}

void QUserHelp::checkUpdate(bool interactive)
{
    // Two checks at start-up would show the same notice twice: join a running one instead.
    if (d->updateRunning) {
        d->updateInteractive = d->updateInteractive || interactive;
        return;
    }
    const QString address =
        CSetting::getString(QStringLiteral("update"), QStringLiteral("url")).trimmed();
    if (address.isEmpty()) {
        if (interactive)
            showNotice(tr("未配置更新地址，无法检查更新。"));
        return;
    }
    const QUrl url = QUrl::fromUserInput(address, QDir::currentPath(), QUrl::AssumeLocalFile);
    const QString scheme = url.scheme();
    if (!url.isValid()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https")
            && scheme != QLatin1String("file"))) {
        log(1, __LINE__, QStringLiteral("update address not usable: %1").arg(address));
        if (interactive)
            showNotice(tr("更新地址无效：%1").arg(address));
        return;
    }
    QHttpClient *client = QHttpClient::Instance();
    if (!client->isRunning()) {
        if (interactive)
            showNotice(tr("检查更新失败：网络服务未启动"));
        return;
    }
    bool timeoutOk = false;
    const int timeoutMs =
        CSetting::getString(QStringLiteral("update"), QStringLiteral("timeout_ms"))
            .toInt(&timeoutOk);
    d->updateRunning = true;
    d->updateInteractive = interactive;
    client->get(
        url,
        [this](int status, const QByteArray &body, const QString &error) {
            onUpdateReply(status, body, error);
        },
        this, timeoutOk && timeoutMs > 0 ? timeoutMs : kUpdateTimeoutMs);
}

void QUserHelp::onUpdateReply(int status, const QByteArray &body, const QString &error)
{
    const bool interactive = d->updateInteractive;
    d->updateRunning = false;
    d->updateInteractive = false;
    if (status != 200) {
        const QString reason = !error.isEmpty() ? error : QStringLiteral("HTTP %1").arg(status);
        log(2, __LINE__, QStringLiteral("update check failed: %1").arg(reason));
        if (interactive)
            showNotice(tr("检查更新失败：%1").arg(reason));
        emit signal_updateChecked(false, QString());
        return;
    }
    const QKitVersion latest = QKitVersion::fromUpdateText(body);
    if (!latest.isValid()) {
        log(1, __LINE__, QStringLiteral("update text not understood"));
        if (interactive)
            showNotice(tr("检查更新失败：更新信息无效"));
        emit signal_updateChecked(false, QString());
        return;
    }
    const QString currentText = QUser::Instance()->product().version();
    const QKitVersion current = QKitVersion::fromString(currentText);
    const bool newer = !current.isValid() || latest.compare(current) > 0;
    if (newer) {
        log(2, __LINE__, QStringLiteral("update available: %1").arg(latest.toString()));
        showNotice(tr("发现新版本 %1（当前版本 %2）。").arg(latest.toString(), currentText),
                   latest.downloadUrl());
    } else if (interactive) {
        showNotice(tr("已是最新版本（%1）。").arg(currentText));
    }
    emit signal_updateChecked(newer, latest.toString());
}
