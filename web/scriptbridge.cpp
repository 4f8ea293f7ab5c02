#include "scriptbridge.h"

#include "enginebinding.h"
#include "quser.h"
#include "qwebbrowser.h"

#include <cstdio>
#include <exception>

namespace {

const EngineBinding &api()
{
    return EngineBinding::table();
}

jsValue scriptText(jsExecState state, const QString &text)
{
    return api().jsString(state, text.toStdString().c_str());
}

int intArgument(jsExecState state, int index)
{
    return api().jsToInt(state, api().jsArg(state, index));
}

jsValue WKE_CALL winClose(jsExecState)
{
    if (QWebBrowser *host = QWebBrowser::instance())
        emit host->signal_close();
    return api().jsUndefined();
}

jsValue WKE_CALL winMaximized(jsExecState)
{
    if (QWebBrowser *host = QWebBrowser::instance())
        emit host->signal_maximized();
    return api().jsUndefined();
}

jsValue WKE_CALL winMinimized(jsExecState)
{
    if (QWebBrowser *host = QWebBrowser::instance())
        emit host->signal_minimized();
    return api().jsUndefined();
}

jsValue WKE_CALL winMessage(jsExecState state)
{
    QWebBrowser *host = QWebBrowser::instance();
    if (!host)
        return api().jsUndefined();
    return host->handleMessage(state, api().jsToString(state, api().jsArg(state, 0)));
}

jsValue WKE_CALL winSource(jsExecState state)
{
    return scriptText(state, QUser::Instance()->getSource());
}

jsValue WKE_CALL winDeviceId(jsExecState state)
{
    return scriptText(state, QUser::Instance()->getDeviceCode());
}

jsValue WKE_CALL winResize(jsExecState state)
{
    if (QWebBrowser *host = QWebBrowser::instance())
        host->resizeView(intArgument(state, 0), intArgument(state, 1));
    return api().jsUndefined();
}

jsValue WKE_CALL winMove(jsExecState state)
{
    if (QWebBrowser *host = QWebBrowser::instance())
        host->moveView(intArgument(state, 0), intArgument(state, 1));
    return api().jsUndefined();
}

jsValue WKE_CALL winWidth(jsExecState)
{
    QWebBrowser *host = QWebBrowser::instance();
    return host ? api().jsInt(host->viewWidth()) : api().jsUndefined();
}

jsValue WKE_CALL winHeight(jsExecState)
{
    QWebBrowser *host = QWebBrowser::instance();
    return host ? api().jsInt(host->viewHeight()) : api().jsUndefined();
}

jsValue WKE_CALL winX(jsExecState)
{
    QWebBrowser *host = QWebBrowser::instance();
    return host ? api().jsInt(host->viewX()) : api().jsUndefined();
}

jsValue WKE_CALL winY(jsExecState)
{
    QWebBrowser *host = QWebBrowser::instance();
    return host ? api().jsInt(host->viewY()) : api().jsUndefined();
}

// The engine is C: an exception unwinding into it ends the program. Everything a function can
// fail with is already a reply; this is the last line for what slipped through.
template<jsValue(WKE_CALL *Function)(jsExecState)> jsValue WKE_CALL guarded(jsExecState state)
{
    try {
        return Function(state);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "tapwise: a bound function failed: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "tapwise: a bound function failed\n");
    }
    return api().jsUndefined();
}

struct Binding
{
    const char *name;
    jsNativeFunction function;
    unsigned int argCount;
};

const Binding kBindings[] = {
    {"win_close", guarded<winClose>, 0},
    {"win_maximized", guarded<winMaximized>, 0},
    {"win_minimized", guarded<winMinimized>, 0},
    {"win_message", guarded<winMessage>, 0},
    {"win_source", guarded<winSource>, 0},
    {"win_device_id", guarded<winDeviceId>, 0},
    {"win_resize", guarded<winResize>, 2},
    {"win_move", guarded<winMove>, 2},
    {"win_width", guarded<winWidth>, 0},
    {"win_height", guarded<winHeight>, 0},
    {"win_x", guarded<winX>, 0},
    {"win_y", guarded<winY>, 0},
};

} // namespace

void ScriptBridge::bindFunctions()
{
    for (const Binding &binding : kBindings)
        api().jsBindFunction(binding.name, binding.function, binding.argCount);
}
