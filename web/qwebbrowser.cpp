#include "qwebbrowser.h"

#include "appidentity.h"
#include "asyncrequestscript.h"
#include "bridgeprotocol.h"
#include "enginebinding.h"
#include "platform.h"
#include "qglobalsettings.h"
#include "qworkpool.h"
#include "scriptbridge.h"
#include "writelog.h"

#include <QDir>
#include <QWidget>

#include <cstring>

namespace {

constexpr int kInitialWidth = 1280;
constexpr int kInitialHeight = 740;
constexpr int kDebugLogLevel = 3;
// The longest request text kept read for the next call with the same text.
constexpr size_t kMaxKeptRequestBytes = 4096;

QWebBrowser *s_instance = nullptr;

const EngineBinding &api()
{
    return EngineBinding::table();
}

std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

// New-window requests load in the one view.
wkeWebView WKE_CALL onCreateView(wkeWebView view, void *, const wchar_t *)
{
    return view;
}

// Failed and cancelled loads count as finished too.
void WKE_CALL onLoadingFinish(wkeWebView, void *param, const wchar_t *url, wkeLoadingResult result,
                              const wchar_t *reason)
{
    if (result == WKE_LOADING_FAILED) {
        const QString message = QStringLiteral("The page \"%1\" could not be loaded: %2")
                                    .arg(QString::fromWCharArray(url ? url : L""),
                                         QString::fromWCharArray(reason ? reason : L""));
        qWarning("%s", qPrintable(message));
        writeLog(1, __FILE__, __LINE__, message.toStdWString());
    }
    if (param)
        emit static_cast<QWebBrowser *>(param)->loading_finished();
}

} // namespace

QWebBrowser::QWebBrowser(QWidget *host, QObject *parent)
    : QObject(parent)
{
    s_instance = this;
    // Start-up registers it as well; asynchronous results depend on it, so the host makes sure.
    qRegisterMetaType<ReplyPtr>("ReplyPtr");

    if (!bindEngine(nullptr) || !createView(host))
        return;
    m_ready = true;

    ScriptBridge::bindFunctions();
    schedulePageScript();

    Platform::setWindowIconAndText(api().wkeGetHostHWND(m_view), appTitle());

    if (QGlobalSettings::getBool(QLatin1String(SettingsKey::kDefault),
                                 QLatin1String(SettingsKey::kDebug), false)) {
        const QString inspector = QDir::toNativeSeparators(
            QDir::currentPath() + QStringLiteral("/front_end/inspector.html"));
        api().wkeShowDevtools(m_view, wide(inspector).c_str(), nullptr, this);
    }
}

bool QWebBrowser::createView(QWidget *host)
{
    m_view = api().wkeCreateWebWindow(WKE_WINDOW_TYPE_CONTROL, host->winId(), 0, 0, kInitialWidth,
                                      kInitialHeight);
    if (!m_view) {
        Platform::showMessage(QStringLiteral("wkeCreateWebWindow"),
                              QStringLiteral("wke web view not created"));
        return false;
    }
    // Native separators: the engine takes the platform's own path form.
    const QString plugins =
        QDir::toNativeSeparators(QDir::currentPath() + QStringLiteral("/plugins"));
    api().wkeAddPluginDirectory(m_view, wide(plugins).c_str());
    api().wkeShowWindow(m_view, true);
    api().wkeOnCreateView(m_view, onCreateView, this);
    api().wkeOnLoadingFinish(m_view, onLoadingFinish, this);
    api().wkeSetMouseEnabled(m_view, true);
    return true;
}

QWebBrowser::~QWebBrowser()
{
    if (m_ready) {
        api().wkeFinalize();
        api().wkeDestroyWebView(m_view);
    }
    if (s_instance == this)
        s_instance = nullptr;
}

QWebBrowser *QWebBrowser::instance()
{
    return s_instance;
}

bool QWebBrowser::isReady() const
{
    return m_ready;
}

wkeWebView QWebBrowser::view() const
{
    return m_view;
}

void QWebBrowser::loadUrl(const QString &url)
{
    if (m_ready)
        api().wkeLoadURLW(m_view, wide(url).c_str());
}

void QWebBrowser::setViewGeometry(int x, int y, int width, int height)
{
    if (!m_ready)
        return;
    api().wkeResize(m_view, width, height);
    api().wkeMoveWindow(m_view, x, y, width, height);
}

void QWebBrowser::focusView()
{
    if (m_ready)
        Platform::focusWindow(api().wkeGetHostHWND(m_view));
}

void QWebBrowser::moveView(int x, int y)
{
    if (m_ready)
        Platform::moveWindow(api().wkeGetWindowHandle(m_view), x, y);
}

void QWebBrowser::resizeView(int width, int height)
{
    if (m_ready)
        Platform::resizeWindow(api().wkeGetWindowHandle(m_view), width, height);
}

int QWebBrowser::viewWidth() const
{
    return m_ready ? api().wkeWidth(m_view) : 0;
}

int QWebBrowser::viewHeight() const
{
    return m_ready ? api().wkeHeight(m_view) : 0;
}

int QWebBrowser::viewX() const
{
    return m_ready ? Platform::windowScreenRect(api().wkeGetWindowHandle(m_view)).x() : 0;
}

int QWebBrowser::viewY() const
{
    return m_ready ? Platform::windowScreenRect(api().wkeGetWindowHandle(m_view)).y() : 0;
}

void QWebBrowser::registerCommand(const QString &name, const CommandHandler &handler, bool async)
{
    CommandRegistry::registerCommand(name, handler, async);
    if (s_instance)
        s_instance->schedulePageScript();
}

void QWebBrowser::schedulePageScript()
{
    // Commands are registered one by one at set-up: the page gets one script for all of them.
    if (!m_ready || m_pageScriptQueued)
        return;
    m_pageScriptQueued = true;
    QMetaObject::invokeMethod(this, &QWebBrowser::publishPageScript, Qt::QueuedConnection);
}

void QWebBrowser::publishPageScript()
{
    m_pageScriptQueued = false;
    const QString script = AsyncRequestScript::build(
        CommandRegistry::asyncNames(), QString::fromStdString(BridgeProtocol::acceptedText()),
        BridgeProtocol::kMaxPendingCalls, BridgeProtocol::busyTextParts());
    api().jsSetPageScript(ScriptBridge::messageFunctionName(), script.toUtf8().constData());
}

BridgeProtocol::ResultSink QWebBrowser::resultSink()
{
    // Called on a pool thread. The push text is made there, off the GUI thread, and results
    // that finish while the GUI thread is busy reach it together, with one wake-up.
    return [this](const QString &method, const ReplyPtr &reply) {
        emit signal_callback(method, reply);
        QString escaped;
        BridgeProtocol::appendResult(&escaped, BridgeProtocol::resultText(method, reply));
        if (m_results.add(std::move(escaped), reply))
            QMetaObject::invokeMethod(this, &QWebBrowser::takeFinished, Qt::QueuedConnection);
    };
}

void QWebBrowser::takeFinished()
{
    m_results.collect();
    pushResults();
}

BridgeProtocol::TaskPoster QWebBrowser::taskPoster()
{
    // Calls come in bursts (a page posts many in one message): their tasks reach the pool
    // together once the current event-loop turn is over, waking the workers once.
    return [this](BridgeProtocol::Task task) {
        if (!m_tasksQueued) {
            m_tasksQueued = true;
            QMetaObject::invokeMethod(this, &QWebBrowser::startTasks, Qt::QueuedConnection);
            QWorkPool::instance()->post(std::move(task));
            return;
        }
        m_tasks.push_back(std::move(task));
    };
}

void QWebBrowser::startTasks()
{
    // The pool is created at the first accepted asynchronous call.
    m_tasksQueued = false;
    std::vector<BridgeProtocol::Task> tasks;
    tasks.swap(m_tasks);
    QWorkPool::instance()->post(std::move(tasks));
}

BridgeProtocol::Backlog QWebBrowser::pageBacklog()
{
    // The engine runs pushes in the page later; an empty script asks how many still wait.
    return [this] {
        return m_ready ? unrunPushes() : 0;
    };
}

int QWebBrowser::runScript(const QString &script)
{
    ++m_scriptsGiven;
    return api().jsToInt(nullptr, api().wkeRunJS(m_view, script.toUtf8().constData()));
}

int QWebBrowser::unrunPushes()
{
    // The engine counts scripts, and one script carries the results of a whole turn: each
    // result counts until the script that carries it has run (scripts run in order), and so do
    // results still waiting for the end of the turn.
    const int unrunScripts = api().jsToInt(nullptr, api().wkeRunJS(m_view, ""));
    return m_results.unrunPushes(unrunScripts, m_scriptsGiven);
}

jsValue QWebBrowser::handleMessage(jsExecState state, const char *text)
{
    QString refusal;
    const std::shared_ptr<const Json::Value> request = readRequest(text, &refusal);
    if (api().jsIsPosted(state)) {
        // The page proved the text readable before it posted it; anything else is forged.
        if (request)
            BridgeProtocol::dispatchPosted(*request, taskPoster(), resultSink());
        else
            qWarning("bridge: dropped a posted request: %s", qPrintable(refusal));
        return api().jsUndefined();
    }
    if (!request)
        return replyError(state, refusal);
    return dispatchRequest(state, *request);
}

std::shared_ptr<const Json::Value> QWebBrowser::readRequest(const char *text, QString *refusal)
{
    // A page tends to send one short text over and over: the last one is read once. Shared, so
    // that a handler that lets the page call again cannot pull its own request away.
    if (text && m_lastRequest && m_lastRequestText == text)
        return m_lastRequest;
    auto request = std::make_shared<Json::Value>();
    if (!BridgeProtocol::readRequest(text, request.get(), refusal))
        return nullptr;
    const bool kept = std::strlen(text) <= kMaxKeptRequestBytes;
    m_lastRequestText = kept ? text : "";
    m_lastRequest = kept ? request : nullptr;
    return request;
}

jsValue QWebBrowser::dispatchRequest(jsExecState state, const Json::Value &request)
{
    return replyFromReply(
        state, BridgeProtocol::dispatch(request, taskPoster(), resultSink(), pageBacklog()));
}

void QWebBrowser::pushMessage(const QString &cmd, const Json::Value &param)
{
    // Results waiting for the end of the turn came first.
    pushResults();
    const QString script = BridgeProtocol::pushScript(cmd, param);
    if (writesLog(kDebugLogLevel))
        writeLog(kDebugLogLevel, __FILE__, __LINE__, wide(script));
    if (m_ready)
        runScript(script);
}

void QWebBrowser::pushEvent(const QString &cmd, const Json::Value &param)
{
    pushResults();
    const QString script = BridgeProtocol::eventScript(cmd, param);
    if (writesLog(kDebugLogLevel))
        writeLog(kDebugLogLevel, __FILE__, __LINE__, wide(script));
    if (m_ready)
        runScript(script);
}

void QWebBrowser::onCallback(const QString &method, const ReplyPtr &reply)
{
    if (!reply)
        return;
    // The results of one event-loop turn reach the page in one script, in order.
    if (!m_results.hasWaiting())
        QMetaObject::invokeMethod(this, &QWebBrowser::pushResults, Qt::QueuedConnection);
    QString escaped;
    BridgeProtocol::appendResult(&escaped, BridgeProtocol::resultText(method, reply));
    m_results.append(escaped);
}

void QWebBrowser::pushResults()
{
    if (!m_ready || !m_results.hasWaiting())
        return;
    // The script about to be given is the page's next one.
    const QString script = m_results.takeScript(m_scriptsGiven + 1);
    if (writesLog(kDebugLogLevel))
        writeLog(kDebugLogLevel, __FILE__, __LINE__, wide(script));
    runScript(script);
}

jsValue QWebBrowser::replyOk(jsExecState state, const Json::Value &data)
{
    return api().jsString(state, BridgeProtocol::okReplyText(data).c_str());
}

jsValue QWebBrowser::replyError(jsExecState state, const QString &msg)
{
    return toScriptText(state, BridgeProtocol::errorReply(msg));
}

jsValue QWebBrowser::replyFromReply(jsExecState state, const ReplyPtr &reply)
{
    return BridgeProtocol::answerFor<jsValue>(
        reply, [state](const Json::Value &data) { return replyOk(state, data); },
        [state](const QString &msg) { return replyError(state, msg); });
}

jsValue QWebBrowser::toScriptText(jsExecState state, const Json::Value &reply)
{
    return api().jsString(state, BridgeProtocol::replyText(reply).c_str());
}
