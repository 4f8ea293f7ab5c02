#pragma once

#include "qdtareply.h"

#include <QString>
#include <json/json.h>

class QUserHelp;

/// The commands the main window offers the page: "showLoginForm" opens the account library's
/// login form, "queryLogin" tells whether a user is signed in, "queryUser" also who, and
/// "setLanguage" remembers the language the page was switched to.
class HostCommands
{
public:
    /// Registers "showLoginForm" (GUI thread only), then "queryLogin" and "queryUser" (may run
    /// on the pool), then "setLanguage". The login form opens on userHelp; a form requested
    /// after it is gone never opens.
    static void registerCommands(QUserHelp *userHelp);

    /// Answers success at once and opens the login form 50 ms later.
    static void showLoginForm(QUserHelp *userHelp, const Json::Value &param, const ReplyPtr &reply);
    /// Data {"login": bool}; safe off the GUI thread.
    static void queryLogin(const Json::Value &param, const ReplyPtr &reply);
    /// Data {"login": bool, "name": text}, the name empty when nobody is signed in; safe off
    /// the GUI thread.
    static void queryUser(const Json::Value &param, const ReplyPtr &reply);
    /// Param {"lang": "zh" or "en"}: stored as the account library's language, which the next
    /// start uses for the window and the page. Data {"lang": the stored code}.
    static void setLanguage(const Json::Value &param, const ReplyPtr &reply);

    /// The push the page gets at every sign-in and sign-out: the body of an asynchronous
    /// "queryLogin" answer, so a page that only knows that command reads it as one.
    static QString loginEventCommand();
    static Json::Value loginEventParam(bool login);

    /// Language codes the shell has translations for.
    static bool isSupportedLanguage(const QString &language);
};
