#include "qenginecontext.h"

#include "qenginedownloads.h"
#include "qenginelog.h"
#include "qengineview.h"
#include "qjsexecstate.h"
#include "qpromptchannel.h"

#include <QApplication>
#include <QLocale>
#include <QRandomGenerator>
#include <QThread>
#include <QWebEngineProfile>

#include <unistd.h>

namespace {

// Persistent, so the page's local storage outlives a run; kept under the application's own
// data folder.
const char kProfileName[] = "WebView";

QString randomToken()
{
    QString token;
    for (int i = 0; i < 4; ++i)
        token += QString::number(QRandomGenerator::system()->generate(), 16).rightJustified(8, '0');
    return token;
}

} // namespace

QEngineContext::QEngineContext()
    : m_token(randomToken())
{ }

QEngineContext *QEngineContext::instance()
{
    // Never deleted: its views and profile must go before the application object, which the
    // host's teardown or wkeFinalize sees to; a static destructor would run too late.
    static QEngineContext *context = new QEngineContext;
    return context;
}

bool QEngineContext::initialize()
{
    if (m_initialized)
        return true;
    auto *application = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!application) {
        QEngineLog::warning(QStringLiteral("no QApplication exists; web views cannot be created"));
        return false;
    }
    if (QThread::currentThread() != application->thread()) {
        QEngineLog::warning(QStringLiteral("the engine must be initialised on the GUI thread"));
        return false;
    }
    if (!QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts)) {
        QEngineLog::warning(QStringLiteral(
            "Qt::AA_ShareOpenGLContexts was not set before the application object was created; "
            "pages are drawn without GPU help"));
    }
    if (geteuid() == 0) {
        // The browser refuses to start its sandbox as root; this must be settled before the
        // first profile starts it.
        if (!qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").contains("--no-sandbox")
            && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        }
        QEngineLog::warning(
            QStringLiteral("running as root: the browser's sandbox is turned off (--no-sandbox)"));
    }
    m_initialized = true;
    return true;
}

void QEngineContext::finalize()
{
    // Content views delete their developer-tools windows themselves.
    const QVector<QEngineView *> views = m_views;
    for (QEngineView *view : views) {
        if (m_views.contains(view) && !view->isDevTools())
            destroyView(view);
    }
    const QVector<QEngineView *> rest = m_views;
    for (QEngineView *view : rest)
        destroyView(view);
    if (m_profile) {
        // Deferred view deletions are queued ahead of this one, so pages still go first.
        if (m_hostDepth > 0)
            m_profile->deleteLater();
        else
            delete m_profile;
        m_profile = nullptr;
    }
    m_initialized = false;
}

QWebEngineProfile *QEngineContext::profile()
{
    if (!m_profile) {
        m_profile = new QWebEngineProfile(QString::fromLatin1(kProfileName));
        // Pages learn the host's language (navigator.language, Accept-Language) from the
        // application's default locale rather than from the environment.
        const QLocale locale;
        if (locale.language() != QLocale::C)
            m_profile->setHttpAcceptLanguage(locale.uiLanguages().join(QLatin1Char(',')));
        QEngineDownloads::attach(m_profile);
    }
    return m_profile;
}

void QEngineContext::bind(const QString &name, jsNativeFunction function, unsigned int argCount)
{
    if (!QPromptChannel::isValidName(name)) {
        QEngineLog::warning(
            QStringLiteral("cannot bind \"%1\": not a script identifier").arg(name));
        return;
    }
    if (!function) {
        QEngineLog::warning(QStringLiteral("cannot bind \"%1\": no function given").arg(name));
        return;
    }
    for (Binding &binding : m_bindings) {
        if (binding.name == name) {
            binding.function = function;
            binding.argCount = argCount;
            emit bindingAdded(name);
            return;
        }
    }
    m_bindings.append(Binding {name, function, argCount, m_pageScripts.value(name)});
    emit bindingAdded(name);
}

void QEngineContext::setPageScript(const QString &name, const QString &pageScript)
{
    m_pageScripts.insert(name, pageScript);
    for (Binding &binding : m_bindings) {
        if (binding.name == name) {
            binding.pageScript = pageScript;
            emit pageScriptChanged(name);
        }
    }
}

const QEngineContext::Binding *QEngineContext::binding(const QString &name) const
{
    for (const Binding &binding : m_bindings) {
        if (binding.name == name)
            return &binding;
    }
    return nullptr;
}

void QEngineContext::registerView(QEngineView *view)
{
    if (!m_views.contains(view))
        m_views.append(view);
}

void QEngineContext::unregisterView(QEngineView *view)
{
    m_views.removeAll(view);
}

QEngineView *QEngineContext::view(wkeWebView handle) const
{
    for (QEngineView *view : m_views) {
        if (view->handle() == handle)
            return view;
    }
    return nullptr;
}

void QEngineContext::destroyView(QEngineView *view)
{
    unregisterView(view);
    if (m_hostDepth > 0) {
        view->hide();
        view->deleteLater();
    } else {
        delete view;
    }
}

void QEngineContext::enterCall(QJsExecState *state)
{
    m_calls.append(state);
}

void QEngineContext::leaveCall(QJsExecState *state)
{
    m_calls.removeAll(state);
}

QJsExecState *QEngineContext::state(jsExecState handle) const
{
    for (QJsExecState *state : m_calls) {
        if (state->handle() == handle)
            return state;
    }
    return nullptr;
}
