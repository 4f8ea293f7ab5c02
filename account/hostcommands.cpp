#include "hostcommands.h"

#include "csetting.h"
#include "quser.h"
#include "quserhelp.h"
#include "qwebbrowser.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <utility>

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
    QWebBrowser::registerCommand(QStringLiteral("queryUser"), &HostCommands::queryUser, true);
    QWebBrowser::registerCommand(QStringLiteral("setLanguage"), &HostCommands::setLanguage, false);
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
    reply->setData(std::move(data));
}

void HostCommands::queryUser(const Json::Value &, const ReplyPtr &reply)
{
    // One read: the library sets and clears the name together with the flag and never signs
    // in an empty name, so the two cannot disagree, as two separate reads could during a
    // switch of profiles.
    const QString name = QUser::Instance()->name();
    Json::Value data(Json::objectValue);
    data["login"] = !name.isEmpty();
    data["name"] = name.toStdString();
    reply->setResult(true);
    reply->setData(std::move(data));
}

void HostCommands::setLanguage(const Json::Value &param, const ReplyPtr &reply)
{
    const Json::Value &lang = param.isObject() ? param["lang"] : Json::Value::nullSingleton();
    const QString language = lang.isString() ? QString::fromStdString(lang.asString()) : QString();
    if (!isSupportedLanguage(language)) {
        reply->setResult(false);
        reply->setMsg(QCoreApplication::translate("HostCommands", "不支持的语言：%1")
                          .arg(lang.isString()
                                   ? language
                                   : QString::fromStdString(lang.toStyledString()).trimmed()));
        return;
    }
    QString problem;
    if (!CSetting::setString(QStringLiteral("language"), QStringLiteral("type"), language,
                             &problem)) {
        reply->setResult(false);
        reply->setMsg(
            QCoreApplication::translate("HostCommands", "无法保存语言设置：%1").arg(problem));
        return;
    }
    Json::Value data(Json::objectValue);
    data["lang"] = language.toStdString();
    reply->setResult(true);
    reply->setData(std::move(data));
}

QString HostCommands::loginEventCommand()
{
    return QStringLiteral("queryLogin");
}

Json::Value HostCommands::loginEventParam(bool login)
{
    Json::Value param(Json::objectValue);
    param["result"] = true;
    param["msg"] = "";
    param["data"]["login"] = login;
    return param;
}

bool HostCommands::isSupportedLanguage(const QString &language)
{
    return language == QLatin1String("zh") || language == QLatin1String("en");
}
