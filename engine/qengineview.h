#pragma once

#include "qpromptchannel.h"
#include "qscriptscheduler.h"
#include "wke.h"

#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QWebEngineView>

#include <deque>

class QWebEngineProfile;

/**
 * One engine view (a wkeWebView): a QWebEngineView with the script bridge, the host's
 * callbacks, coalesced script runs and its developer-tools window.
 *
 * Bound functions exist and answer only in main-frame documents that belong with the address
 * last given to loadAddress (after the redirects of that load): of its origin, and for a file:
 * address under its folder. Every other document has no bound function, and a forged call is
 * refused without calling the native function.
 */
class QEngineView : public QWebEngineView
{
    Q_OBJECT

public:
    enum class Role { Content, DevTools };

    QEngineView(QWebEngineProfile *profile, Role role, QWidget *parent);
    ~QEngineView() override;

    wkeWebView handle() { return reinterpret_cast<wkeWebView>(this); }
    bool isDevTools() const { return m_role == Role::DevTools; }

    /// Loads an address (a URL, or an absolute file path) and trusts its origin.
    void loadAddress(const QString &address);
    QUrl trustedAddress() const { return m_trustedAddress; }
    static QUrl urlFromAddress(const QString &address);

    /// Queues a script; the scripts queued in one event-loop turn run together, in order.
    /// Returns how many scripts given to this document have not run yet, this one included;
    /// an empty script queues nothing and only tells that.
    int runScript(const QString &script);

    void setLoadingFinishCallback(wkeLoadingFinishCallback callback, void *param);
    void setCreateViewCallback(wkeCreateViewCallback callback, void *param);
    void setMouseEnabled(bool enabled);
    bool isMouseEnabled() const { return m_mouseEnabled; }
    void addPluginDirectory(const QString &path);
    QStringList pluginDirectories() const { return m_pluginDirectories; }
    QEngineView *showDevTools(wkeOnShowDevtoolsCallback callback, void *param);

    /// A bridge call from a document of securityOrigin; false refuses it without calling.
    bool answerBridgeCall(const QUrl &securityOrigin, const QString &payload, QString *result);
    /// Runs calls the page posted: [token, name, [arguments], ...].
    void answerPostedCalls(const QJsonArray &calls);
    /// The main frame is about to navigate to url: follows the redirects of the loaded address.
    void prepareNavigation(const QUrl &url, QWebEnginePage::NavigationType type);
    /// A page asked for a new window showing url.
    void serveNewWindowRequest(const QUrl &url);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void installBridgeScript();
    void runPostedCalls();
    /// Runs up to count of the posted calls waiting, oldest first.
    void invokePosted(int count);
    /// Whether the current document may call bound functions; securityOrigin is the caller's,
    /// empty when the browser does not tell it.
    bool isTrustedCaller(const QUrl &securityOrigin);
    /// The call a payload holds, decoded once for a payload made again and again.
    QPromptChannel::Call decodeCall(const QString &payload);
    /// Calls a bound function; its value encoded for the page, nothing for a posted call.
    QString invoke(const QPromptChannel::Invocation &invocation, bool posted);
    void onBindingAdded(const QString &name);
    void runPageScript(const QString &source, const QScriptScheduler::Done &done);
    void flushScripts();
    void onLoadStarted();
    void onLoadFinished(bool ok);

    Role m_role;
    QWebEnginePage *m_page = nullptr;
    QUrl m_trustedAddress;
    struct Trust
    {
        bool known = false;
        bool trusted = false;
        QUrl document;
        QUrl origin;
        QUrl address;
    } m_trust;
    // Redirects of the loaded address move the trusted address until its document exists.
    bool m_followingRedirects = false;

    QScriptScheduler m_scripts;
    /// Posted calls received and not run yet, in order.
    std::deque<QPromptChannel::Invocation> m_posted;
    /// The last short payload decoded with the token, and its call.
    QString m_lastPayload;
    QString m_lastPayloadToken;
    QPromptChannel::Call m_lastCall;

    wkeLoadingFinishCallback m_loadingFinish = nullptr;
    void *m_loadingFinishParam = nullptr;
    wkeCreateViewCallback m_createView = nullptr;
    void *m_createViewParam = nullptr;

    bool m_mouseEnabled = true;
    QStringList m_pluginDirectories;
    QPointer<QEngineView> m_devTools;
};
