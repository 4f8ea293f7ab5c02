#include "hostcommands.h"

#include "quser.h"
#include "quserhelp.h"
#include "qwebbrowser.h"

#include <QPointer>
#include <QTimer>

namespace {

constexpr int kLoginFormDelayMs = 50;

} // namespace

void HostCommands::registerCommands(QUserHelp *userHelp)
{
    const QPointer<QUserHelp> helper(userHelp);
    QWebBrowser::registerCommand(
        QStringLiteral("showLoginForm"),
        [helper](const Json::Value &param, const ReplyPtr &reply) {
            showLoginForm(helper.data(), param, reply);
        },
        false);
    QWebBrowser::registerCommand(QStringLiteral("queryLogin"), &HostCommands::queryLogin, true);
}

void HostCommands::showLoginForm(QUserHelp *userHelp, const Json::Value &, const ReplyPtr &reply)
{
    // The form opens after the page's call has returned; the timer dies with the helper.
    if (userHelp)
        QTimer::singleShot(kLoginFormDelayMs, userHelp, [userHelp] { userHelp->login(); });
    reply->setResult(true);
}

void HostCommands::queryLogin(const Json::Value &, const ReplyPtr &reply)
{
    Json::Value data;
    data["login"] = QUser::Instance()->isLogin();
    reply->setResult(true);
    reply->setData(data);
}
