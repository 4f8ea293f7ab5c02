#pragma once

#include "qdtareply.h"

#include <json/json.h>

class QUserHelp;

/// The commands the main window offers the page: "showLoginForm" opens the account library's
/// login form, "queryLogin" tells whether a user is signed in.
class HostCommands
{
public:
    /// Registers "showLoginForm" (GUI thread only), then "queryLogin" (may run on the pool).
    /// The login form opens on userHelp; a form requested after it is gone never opens.
    static void registerCommands(QUserHelp *userHelp);

    /// Answers success at once and opens the login form 50 ms later.
    static void showLoginForm(QUserHelp *userHelp, const Json::Value &param, const ReplyPtr &reply);
    /// Data {"login": bool}; safe off the GUI thread.
    static void queryLogin(const Json::Value &param, const ReplyPtr &reply);
};
