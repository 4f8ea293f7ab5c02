#include "qenginepage.h"

#include "qenginelog.h"
#include "qengineview.h"
#include "qnewwindowpage.h"
#include "qpromptchannel.h"

QEnginePage::QEnginePage(QWebEngineProfile *profile, QEngineView *view)
    : QWebEnginePage(profile, view)
    , m_view(view)
{ }

bool QEnginePage::javaScriptPrompt(const QUrl &securityOrigin, const QString &msg,
                                   const QString &defaultValue, QString *result)
{
    if (msg == QPromptChannel::callMarker())
        return m_view->answerBridgeCall(securityOrigin, defaultValue, result);
    return QWebEnginePage::javaScriptPrompt(securityOrigin, msg, defaultValue, result);
}

void QEnginePage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message,
                                           int lineNumber, const QString &sourceID)
{
    QEngineLog::consoleMessage(sourceID, lineNumber, message);
}

QWebEnginePage *QEnginePage::createWindow(WebWindowType)
{
    // The address of the new window is only known once it navigates: a stand-in page catches
    // that navigation and hands it to the view.
    return new QNewWindowPage(profile(), m_view);
}

bool QEnginePage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (isMainFrame)
        m_view->prepareNavigation(url, type);
    return true;
}
