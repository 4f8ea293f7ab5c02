#include "qengineview.h"

#include "qenginecontext.h"
#include "qenginelog.h"
#include "qenginepage.h"
#include "qjsexecstate.h"
#include "qpostreceiver.h"
#include "qpromptchannel.h"

#include <QAbstractEventDispatcher>
#include <QChildEvent>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

#include <string>

namespace {

const char kBridgeScriptName[] = "native-bridge";
constexpr int kPostedCallsPerTurn = 128;
// The longest payload kept decoded for the next call with the same payload.
constexpr int kMaxKeptPayloadChars = 4096;

std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

bool isMouseInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

} // namespace

QEngineView::QEngineView(QWebEngineProfile *profile, Role role, QWidget *parent)
    : QWebEngineView(parent)
    , m_role(role)
    , m_scripts([this](const QString &source, const QScriptScheduler::Done &done) {
        runPageScript(source, done);
    })
{
    if (role == Role::Content)
        m_page = new QEnginePage(profile, this);
    else
        m_page = new QWebEnginePage(profile, this);
    setPage(m_page);
    // Scripts given in a turn go when the event loop is about to wait, without the extra
    // event-loop iteration the queued flush costs; that flush still comes for loops that never
    // wait (processEvents() without waiting), and finds nothing left then.
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &QEngineView::flushScripts);
    connect(m_page, &QWebEnginePage::loadStarted, this, &QEngineView::onLoadStarted);
    connect(m_page, &QWebEnginePage::loadFinished, this, &QEngineView::onLoadFinished);

    QEngineContext *context = QEngineContext::instance();
    if (role == Role::Content) {
        // Posted calls arrive through the browser's own message port, which never blocks the
        // page.
        auto *channel = new QWebChannel(this);
        channel->registerObject(QPostReceiver::objectName(), new QPostReceiver(this));
        m_page->setWebChannel(channel);
        installBridgeScript();
        connect(context, &QEngineContext::bindingAdded, this, &QEngineView::onBindingAdded);
        connect(context, &QEngineContext::pageScriptChanged, this,
                &QEngineView::installBridgeScript);
    }
    context->registerView(this);
}

QEngineView::~QEngineView()
{
    QEngineContext::instance()->unregisterView(this);
    delete m_devTools.data();
    // The page goes first: it must never outlive the view, nor the profile it uses.
    delete m_page;
    m_page = nullptr;
}

void QEngineView::loadAddress(const QString &address)
{
    const QUrl url = urlFromAddress(address);
    if (!url.isValid()) {
        QEngineLog::warning(QStringLiteral("cannot load \"%1\": not an address").arg(address));
        return;
    }
    m_trustedAddress = url;
    m_followingRedirects = true;
    load(url);
}

QUrl QEngineView::urlFromAddress(const QString &address)
{
    const QString text = address.trimmed();
    if (text.startsWith(QLatin1Char('/')))
        return QUrl::fromLocalFile(QDir::cleanPath(text));
    QUrl url(text, QUrl::TolerantMode);
    if (url.isRelative())
        return QUrl();
    // "file:///" joined with an absolute path gives "file:////dir": one leading slash is meant.
    if (url.isLocalFile() && url.host().isEmpty() && url.path().startsWith(QLatin1String("//"))) {
        QString path = url.path();
        while (path.startsWith(QLatin1String("//")))
            path.remove(0, 1);
        url.setPath(path);
    }
    return url;
}

int QEngineView::runScript(const QString &script)
{
    if (!script.isEmpty() && m_scripts.append(script))
        QMetaObject::invokeMethod(this, &QEngineView::flushScripts, Qt::QueuedConnection);
    return m_scripts.unrun();
}

void QEngineView::runPageScript(const QString &source, const QScriptScheduler::Done &done)
{
    QPointer<QEngineView> self(this);
    m_page->runJavaScript(source, [self, done](const QVariant &result) {
        if (self)
            done(result);
    });
}

void QEngineView::flushScripts()
{
    m_scripts.flush();
}

void QEngineView::setLoadingFinishCallback(wkeLoadingFinishCallback callback, void *param)
{
    m_loadingFinish = callback;
    m_loadingFinishParam = param;
}

void QEngineView::setCreateViewCallback(wkeCreateViewCallback callback, void *param)
{
    m_createView = callback;
    m_createViewParam = param;
}

void QEngineView::setMouseEnabled(bool enabled)
{
    m_mouseEnabled = enabled;
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

void QEngineView::addPluginDirectory(const QString &path)
{
    // Plug-ins are found by the browser itself (its PDF viewer and Pepper plug-ins registered
    // at start-up); the directory is recorded and plug-ins are switched on for this view.
    QString directory = path;
    directory.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!m_pluginDirectories.contains(directory))
        m_pluginDirectories.append(directory);
    m_page->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, true);
}

QEngineView *QEngineView::showDevTools(wkeOnShowDevtoolsCallback callback, void *param)
{
    if (isDevTools())
        return nullptr;
    if (!m_devTools) {
        m_devTools = new QEngineView(m_page->profile(), Role::DevTools, nullptr);
        m_devTools->setWindowTitle(QStringLiteral("Developer Tools"));
        // A window of its own, but no reason to keep the program running: closing the host's
        // window still ends the event loop.
        m_devTools->setAttribute(Qt::WA_QuitOnClose, false);
        m_devTools->resize(1024, 680);
        m_page->setDevToolsPage(m_devTools->page());
    }
    m_devTools->show();
    m_devTools->raise();
    m_devTools->activateWindow();
    if (callback) {
        QEngineContext *context = QEngineContext::instance();
        context->enterHost();
        callback(m_devTools->handle(), param);
        context->leaveHost();
    }
    return m_devTools;
}

bool QEngineView::answerBridgeCall(const QUrl &securityOrigin, const QString &payload,
                                   QString *result)
{
    const QPromptChannel::Call call = decodeCall(payload);
    if (call.valid && call.isDocumentCheck) {
        // Asked at the document's creation, before any script of its own ran: the address is
        // its own, provided the browser agrees on the origin.
        const QUrl document(call.documentAddress);
        if (document.scheme() != QLatin1String("about"))
            m_followingRedirects = false;
        const bool trusted = QPromptChannel::isSameOrigin(document, securityOrigin)
            && QPromptChannel::isTrustedDocument(m_trustedAddress, document);
        *result = QPromptChannel::encodeValue(QJsonValue(trusted));
        return true;
    }
    if (!call.valid) {
        QEngineLog::warning(QStringLiteral("refused a bridge call not made by a bound function "
                                           "of the main frame (from %1)")
                                .arg(securityOrigin.toString()));
        return false;
    }
    if (!isTrustedCaller(securityOrigin)) {
        QEngineLog::warning(QStringLiteral("refused %1() to a document of another origin (%2)")
                                .arg(call.name, securityOrigin.toString()));
        return false;
    }
    // Posted calls always come first, those still waiting their turn too.
    invokePosted(int(m_posted.size()));
    for (const QPromptChannel::Invocation &posted : call.posted)
        invoke(posted, true);
    *result = invoke({call.name, call.arguments}, false);
    return true;
}

void QEngineView::answerPostedCalls(const QJsonArray &calls)
{
    QEngineContext *context = QEngineContext::instance();
    const QUrl document = m_page->url();
    if (calls.isEmpty() || calls.first().toString() != context->token()) {
        QEngineLog::warning(QStringLiteral("refused posted calls not made by a bound function "
                                           "of the main frame (in %1)")
                                .arg(document.toString()));
        return;
    }
    if (!isTrustedCaller(QUrl())) {
        QEngineLog::warning(QStringLiteral("refused posted calls to a document of another "
                                           "origin (%1)")
                                .arg(document.toString()));
        return;
    }
    const bool waiting = !m_posted.empty();
    for (QPromptChannel::Invocation &posted : QPromptChannel::decodePosted(calls.at(1).toString()))
        m_posted.push_back(std::move(posted));
    if (!waiting)
        runPostedCalls();
}

void QEngineView::runPostedCalls()
{
    // A long message is run a part at a time, so that what the host finishes meanwhile (results
    // on their way to the page) is not held up behind all of it.
    invokePosted(kPostedCallsPerTurn);
    if (!m_posted.empty())
        QMetaObject::invokeMethod(this, &QEngineView::runPostedCalls, Qt::QueuedConnection);
}

void QEngineView::invokePosted(int count)
{
    for (int i = 0; i < count && !m_posted.empty(); ++i) {
        const QPromptChannel::Invocation posted = std::move(m_posted.front());
        m_posted.pop_front();
        invoke(posted, true);
    }
}

bool QEngineView::isTrustedCaller(const QUrl &securityOrigin)
{
    // Asked for every call: the answer is kept until the document, its origin or the trusted
    // address change.
    const QUrl document = m_page->url();
    if (m_trust.known && m_trust.document == document && m_trust.origin == securityOrigin
        && m_trust.address == m_trustedAddress) {
        return m_trust.trusted;
    }
    m_trust.known = true;
    m_trust.document = document;
    m_trust.origin = securityOrigin;
    m_trust.address = m_trustedAddress;
    m_trust.trusted =
        (securityOrigin.isEmpty() || QPromptChannel::isSameOrigin(m_trustedAddress, securityOrigin))
        && QPromptChannel::isTrustedDocument(m_trustedAddress, document);
    return m_trust.trusted;
}

QPromptChannel::Call QEngineView::decodeCall(const QString &payload)
{
    // Pages tend to make one call over and over; its text and values are shared, not copied.
    const QString &token = QEngineContext::instance()->token();
    if (payload == m_lastPayload && token == m_lastPayloadToken)
        return m_lastCall;
    const QPromptChannel::Call call = QPromptChannel::decodeCall(payload, token);
    const bool kept = payload.size() <= kMaxKeptPayloadChars;
    m_lastPayload = kept ? payload : QString();
    m_lastPayloadToken = kept ? token : QString();
    m_lastCall = kept ? call : QPromptChannel::Call();
    return call;
}

QString QEngineView::invoke(const QPromptChannel::Invocation &invocation, bool posted)
{
    QEngineContext *context = QEngineContext::instance();
    const QEngineContext::Binding *binding = context->binding(invocation.name);
    if (!binding)
        return QPromptChannel::encodeUndefined();
    const jsNativeFunction function = binding->function;
    QJsExecState state(invocation.arguments, posted);
    context->enterCall(&state);
    context->enterHost();
    jsValue value = QJsExecState::undefined();
    // The host is bound to answer with a value; should an exception escape it anyway, it must
    // not unwind through the browser, which ends the program.
    try {
        value = function(state.handle());
    } catch (...) {
        QEngineLog::warning(QStringLiteral("%1() failed with an exception").arg(invocation.name));
    }
    context->leaveHost();
    context->leaveCall(&state);
    return posted ? QString() : state.encodeResult(value);
}

void QEngineView::prepareNavigation(const QUrl &url, QWebEnginePage::NavigationType type)
{
    // The server decides where the loaded address really is (http to https, another host).
    // Until its document exists; the browser reports the page's own navigations from script
    // as redirects too, and those decide nothing.
    if (type == QWebEnginePage::NavigationTypeRedirect && m_followingRedirects)
        m_trustedAddress = url;
}

void QEngineView::serveNewWindowRequest(const QUrl &url)
{
    // A window without an address would only blank the view.
    if (url.isEmpty() || url.scheme() == QLatin1String("about")
        || url.scheme() == QLatin1String("javascript")) {
        return;
    }
    QEngineView *target = this;
    if (m_createView) {
        QEngineContext *context = QEngineContext::instance();
        const std::wstring address = wide(url.toString());
        context->enterHost();
        const wkeWebView chosen = m_createView(handle(), m_createViewParam, address.c_str());
        context->leaveHost();
        target = context->view(chosen);
        if (!target)
            return;
    }
    target->load(url);
}

bool QEngineView::event(QEvent *event)
{
    // The browser draws and takes input through a child widget created along the way.
    if (event->type() == QEvent::ChildAdded) {
        if (auto *child = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child()))
            child->installEventFilter(this);
    }
    return QWebEngineView::event(event);
}

bool QEngineView::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_mouseEnabled && isMouseInput(event->type()))
        return true;
    return QWebEngineView::eventFilter(watched, event);
}

void QEngineView::installBridgeScript()
{
    QEngineContext *context = QEngineContext::instance();
    QString source = QPromptChannel::coreScript(context->token(), QPostReceiver::objectName(),
                                                QPostReceiver::callsProperty());
    QStringList entries;
    for (const QEngineContext::Binding &binding : context->bindings())
        entries.append(
            QPromptChannel::bindingEntry(binding.name, binding.argCount, binding.pageScript));
    source += QPromptChannel::bindingsScript(entries);

    QWebEngineScript script;
    script.setName(QString::fromLatin1(kBridgeScriptName));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(source);

    QWebEngineScriptCollection &scripts = m_page->scripts();
    for (const QWebEngineScript &old : scripts.findScripts(script.name()))
        scripts.remove(old);
    scripts.insert(script);
}

void QEngineView::onBindingAdded(const QString &name)
{
    installBridgeScript();
    // The document already shown gets the function too, without waiting for the next load.
    const QEngineContext::Binding *binding = QEngineContext::instance()->binding(name);
    if (binding && QPromptChannel::isTrustedDocument(m_trustedAddress, m_page->url()))
        m_page->runJavaScript(QPromptChannel::bindingsScript(
            {QPromptChannel::bindingEntry(name, binding->argCount, binding->pageScript)}));
}

void QEngineView::onLoadStarted()
{
    if (m_scripts.restart())
        QMetaObject::invokeMethod(this, &QEngineView::flushScripts, Qt::QueuedConnection);
}

void QEngineView::onLoadFinished(bool ok)
{
    m_followingRedirects = false;
    if (!m_loadingFinish)
        return;
    QUrl url = m_page->url();
    if (url.isEmpty())
        url = m_page->requestedUrl();
    // A load replaced by another one is not reported on its own: the browser reports the
    // last one only, so no load is ever reported as cancelled. The browser gives no cause of
    // a failure; a missing file is told apart.
    wkeLoadingResult result = WKE_LOADING_SUCCEEDED;
    QString reason;
    if (!ok) {
        result = WKE_LOADING_FAILED;
        const QUrl failed = m_page->requestedUrl().isEmpty() ? url : m_page->requestedUrl();
        if (failed.isLocalFile() && !QFileInfo::exists(failed.toLocalFile()))
            reason = QStringLiteral("file not found: %1").arg(failed.toLocalFile());
        else
            reason = QStringLiteral("the page could not be loaded: %1").arg(failed.toString());
    }
    const std::wstring address = wide(url.toString());
    const std::wstring why = wide(reason);
    QEngineContext *context = QEngineContext::instance();
    context->enterHost();
    m_loadingFinish(handle(), m_loadingFinishParam, address.c_str(), result, why.c_str());
    context->leaveHost();
}
