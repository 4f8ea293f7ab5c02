#include "scriptbridge.h"

#include "enginebinding.h"
#include "quser.h"
#include "qwebbrowser.h"

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

struct Binding
{
    const char *name;
    jsNativeFunction function;
    unsigned int argCount;
};

const Binding kBindings[] = {
    {"win_close", winClose, 0},
    {"win_maximized", winMaximized, 0},
    {"win_minimized", winMinimized, 0},
    {"win_message", winMessage, 0},
    {"win_source", winSource, 0},
    {"win_device_id", winDeviceId, 0},
    {"win_resize", winResize, 2},
    {"win_move", winMove, 2},
    {"win_width", winWidth, 0},
    {"win_height", winHeight, 0},
    {"win_x", winX, 0},
    {"win_y", winY, 0},
};

} // namespace

void ScriptBridge::bindFunctions()
{
    for (const Binding &binding : kBindings)
        api().jsBindFunction(binding.name, binding.function, binding.argCount);
}
