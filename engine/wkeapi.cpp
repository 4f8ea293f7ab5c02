// The exported C interface: argument checks and conversions, then the engine's classes.

#include "wke.h"

#include "qenginecontext.h"
#include "qenginelog.h"
#include "qengineview.h"
#include "qjsexecstate.h"

#include <QCoreApplication>
#include <QThread>
#include <QWebEnginePage>

namespace {

bool onGuiThread(const char *function)
{
    const QCoreApplication *application = QCoreApplication::instance();
    if (!application || QThread::currentThread() == application->thread())
        return true;
    QEngineLog::warning(
        QStringLiteral("%1 called outside the GUI thread; ignored").arg(QLatin1String(function)));
    return false;
}

QEngineView *viewOf(wkeWebView handle, const char *function)
{
    if (!onGuiThread(function))
        return nullptr;
    QEngineView *view = QEngineContext::instance()->view(handle);
    if (!view) {
        QEngineLog::warning(
            QStringLiteral("%1: no such view (destroyed or never created)").arg(function));
    }
    return view;
}

QJsExecState *stateOf(jsExecState handle)
{
    return handle ? QEngineContext::instance()->state(handle) : nullptr;
}

QString fromWide(const wchar_t *text)
{
    return text ? QString::fromWCharArray(text) : QString();
}

} // namespace

extern "C" {

WKE_EXPORT void WKE_CALL wkeInitializeEx(const wkeSettings *)
{
    // The settings mask selects proxy and similar options this engine does not have.
    if (onGuiThread("wkeInitializeEx"))
        QEngineContext::instance()->initialize();
}

WKE_EXPORT void WKE_CALL wkeShutdown(void)
{
    if (onGuiThread("wkeShutdown"))
        QEngineContext::instance()->finalize();
}

WKE_EXPORT void WKE_CALL wkeFinalize(void)
{
    if (onGuiThread("wkeFinalize"))
        QEngineContext::instance()->finalize();
}

WKE_EXPORT wkeWebView WKE_CALL wkeCreateWebWindow(wkeWindowType type, wkeHostWindow parent, int x,
                                                  int y, int width, int height)
{
    if (!onGuiThread("wkeCreateWebWindow"))
        return nullptr;
    QEngineContext *context = QEngineContext::instance();
    if (!context->initialize())
        return nullptr;
    QWidget *parentWidget = parent ? QWidget::find(static_cast<WId>(parent)) : nullptr;
    if (parent && !parentWidget) {
        QEngineLog::warning(
            QStringLiteral("wkeCreateWebWindow: no window of this process has the id %1")
                .arg(parent));
    }
    if (type == WKE_WINDOW_TYPE_CONTROL && !parentWidget) {
        QEngineLog::warning(QStringLiteral("wkeCreateWebWindow: a child view needs a parent"));
        return nullptr;
    }
    auto *view = new QEngineView(context->profile(), QEngineView::Role::Content,
                                 type == WKE_WINDOW_TYPE_CONTROL ? parentWidget : nullptr);
    if (type != WKE_WINDOW_TYPE_CONTROL) {
        // A window of its own, closed with its owner when it has one.
        view->setParent(parentWidget, Qt::Window);
        if (type == WKE_WINDOW_TYPE_TRANSPARENT) {
            view->setAttribute(Qt::WA_TranslucentBackground);
            view->page()->setBackgroundColor(Qt::transparent);
        }
    }
    view->setGeometry(x, y, qMax(0, width), qMax(0, height));
    return view->handle();
}

WKE_EXPORT void WKE_CALL wkeDestroyWebView(wkeWebView handle)
{
    // After wkeFinalize the view is gone already; its handle is then quietly refused.
    if (!onGuiThread("wkeDestroyWebView"))
        return;
    QEngineContext *context = QEngineContext::instance();
    if (QEngineView *view = context->view(handle))
        context->destroyView(view);
}

WKE_EXPORT void WKE_CALL wkeAddPluginDirectory(wkeWebView handle, const wchar_t *path)
{
    if (QEngineView *view = viewOf(handle, "wkeAddPluginDirectory")) {
        if (path)
            view->addPluginDirectory(fromWide(path));
    }
}

WKE_EXPORT void WKE_CALL wkeShowWindow(wkeWebView handle, bool show)
{
    if (QEngineView *view = viewOf(handle, "wkeShowWindow"))
        view->setVisible(show);
}

WKE_EXPORT void WKE_CALL wkeOnCreateView(wkeWebView handle, wkeCreateViewCallback callback,
                                         void *param)
{
    if (QEngineView *view = viewOf(handle, "wkeOnCreateView"))
        view->setCreateViewCallback(callback, param);
}

WKE_EXPORT void WKE_CALL wkeOnLoadingFinish(wkeWebView handle, wkeLoadingFinishCallback callback,
                                            void *param)
{
    if (QEngineView *view = viewOf(handle, "wkeOnLoadingFinish"))
        view->setLoadingFinishCallback(callback, param);
}

WKE_EXPORT void WKE_CALL wkeSetMouseEnabled(wkeWebView handle, bool enabled)
{
    if (QEngineView *view = viewOf(handle, "wkeSetMouseEnabled"))
        view->setMouseEnabled(enabled);
}

WKE_EXPORT wkeHostWindow WKE_CALL wkeGetHostHWND(wkeWebView handle)
{
    QEngineView *view = viewOf(handle, "wkeGetHostHWND");
    return view ? static_cast<wkeHostWindow>(view->winId()) : 0;
}

WKE_EXPORT wkeHostWindow WKE_CALL wkeGetWindowHandle(wkeWebView handle)
{
    QEngineView *view = viewOf(handle, "wkeGetWindowHandle");
    return view ? static_cast<wkeHostWindow>(view->winId()) : 0;
}

WKE_EXPORT void WKE_CALL wkeShowDevtools(wkeWebView handle, const wchar_t *,
                                         wkeOnShowDevtoolsCallback callback, void *param)
{
    // The front-end path names a page of developer tools to load; the browser's built-in tools
    // are used instead, so it is not needed.
    if (QEngineView *view = viewOf(handle, "wkeShowDevtools"))
        view->showDevTools(callback, param);
}

WKE_EXPORT void WKE_CALL wkeLoadURLW(wkeWebView handle, const wchar_t *url)
{
    QEngineView *view = viewOf(handle, "wkeLoadURLW");
    if (!view)
        return;
    if (!url) {
        QEngineLog::warning(QStringLiteral("wkeLoadURLW: no address given"));
        return;
    }
    view->loadAddress(fromWide(url));
}

WKE_EXPORT void WKE_CALL wkeResize(wkeWebView handle, int width, int height)
{
    if (QEngineView *view = viewOf(handle, "wkeResize"))
        view->resize(qMax(0, width), qMax(0, height));
}

WKE_EXPORT void WKE_CALL wkeMoveWindow(wkeWebView handle, int x, int y, int width, int height)
{
    if (QEngineView *view = viewOf(handle, "wkeMoveWindow"))
        view->setGeometry(x, y, qMax(0, width), qMax(0, height));
}

WKE_EXPORT int WKE_CALL wkeWidth(wkeWebView handle)
{
    QEngineView *view = viewOf(handle, "wkeWidth");
    return view ? view->width() : 0;
}

WKE_EXPORT int WKE_CALL wkeHeight(wkeWebView handle)
{
    QEngineView *view = viewOf(handle, "wkeHeight");
    return view ? view->height() : 0;
}

WKE_EXPORT jsValue WKE_CALL wkeRunJSW(wkeWebView handle, const wchar_t *script)
{
    QEngineView *view = viewOf(handle, "wkeRunJSW");
    if (!view || !script)
        return QJsExecState::undefined();
    return QJsExecState::integer(view->runScript(fromWide(script)));
}

WKE_EXPORT jsValue WKE_CALL wkeRunJS(wkeWebView handle, const char *script)
{
    QEngineView *view = viewOf(handle, "wkeRunJS");
    if (!view || !script)
        return QJsExecState::undefined();
    return QJsExecState::integer(view->runScript(QString::fromUtf8(script)));
}

WKE_EXPORT void WKE_CALL jsBindFunction(const char *name, jsNativeFunction function,
                                        unsigned int argCount)
{
    if (!onGuiThread("jsBindFunction"))
        return;
    if (!name) {
        QEngineLog::warning(QStringLiteral("jsBindFunction: no name given"));
        return;
    }
    QEngineContext::instance()->bind(QString::fromUtf8(name), function, argCount);
}

WKE_EXPORT void WKE_CALL jsSetPageScript(const char *name, const char *script)
{
    if (!onGuiThread("jsSetPageScript"))
        return;
    if (!name) {
        QEngineLog::warning(QStringLiteral("jsSetPageScript: no name given"));
        return;
    }
    QEngineContext::instance()->setPageScript(QString::fromUtf8(name),
                                              script ? QString::fromUtf8(script) : QString());
}

WKE_EXPORT bool WKE_CALL jsIsPosted(jsExecState handle)
{
    QJsExecState *state = stateOf(handle);
    return state && state->isPosted();
}

WKE_EXPORT int WKE_CALL jsArgCount(jsExecState handle)
{
    QJsExecState *state = stateOf(handle);
    return state ? state->argumentCount() : 0;
}

WKE_EXPORT jsValue WKE_CALL jsArg(jsExecState handle, int index)
{
    QJsExecState *state = stateOf(handle);
    return state ? state->argument(index) : QJsExecState::undefined();
}

WKE_EXPORT int WKE_CALL jsToInt(jsExecState handle, jsValue value)
{
    // Integers made by jsInt need no call to be read.
    QJsExecState *state = stateOf(handle);
    return state ? state->toInt(value) : QJsExecState::inlineInteger(value);
}

WKE_EXPORT const char *WKE_CALL jsToString(jsExecState handle, jsValue value)
{
    QJsExecState *state = stateOf(handle);
    return state ? state->toUtf8(value) : nullptr;
}

WKE_EXPORT jsValue WKE_CALL jsString(jsExecState handle, const char *utf8)
{
    QJsExecState *state = stateOf(handle);
    if (!state) {
        QEngineLog::warning(
            QStringLiteral("jsString: only a running bound function can make text"));
        return QJsExecState::undefined();
    }
    return state->stringFromUtf8(utf8);
}

WKE_EXPORT jsValue WKE_CALL jsStringW(jsExecState handle, const wchar_t *text)
{
    QJsExecState *state = stateOf(handle);
    if (!state) {
        QEngineLog::warning(
            QStringLiteral("jsStringW: only a running bound function can make text"));
        return QJsExecState::undefined();
    }
    return text ? state->string(fromWide(text)) : QJsExecState::undefined();
}

WKE_EXPORT jsValue WKE_CALL jsInt(int value)
{
    return QJsExecState::integer(value);
}

WKE_EXPORT jsValue WKE_CALL jsUndefined(void)
{
    return QJsExecState::undefined();
}

WKE_EXPORT const char *WKE_CALL jsGetCallstack(jsExecState)
{
    // The page is blocked inside the call and cannot be asked for its stack, and recording one
    // with every call would slow every call down; no stack is available.
    return "";
}

} // extern "C"
