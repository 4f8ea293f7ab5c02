#pragma once

#include "wke.h"

#include <QLibrary>
#include <QString>

/// The engine library loaded the way the host loads it: by path, every function by name.
class EngineApi
{
public:
    /// Loads node.so from the build's run folder; error() says why when it fails.
    bool load();
    QString error() const { return m_error; }

    decltype(&wkeInitializeEx) initializeEx = nullptr;
    decltype(&wkeShutdown) shutdown = nullptr;
    decltype(&wkeFinalize) finalize = nullptr;
    decltype(&wkeCreateWebWindow) createWebWindow = nullptr;
    decltype(&wkeDestroyWebView) destroyWebView = nullptr;
    decltype(&wkeAddPluginDirectory) addPluginDirectory = nullptr;
    decltype(&wkeShowWindow) showWindow = nullptr;
    decltype(&wkeOnCreateView) onCreateView = nullptr;
    decltype(&wkeOnLoadingFinish) onLoadingFinish = nullptr;
    decltype(&wkeSetMouseEnabled) setMouseEnabled = nullptr;
    decltype(&wkeGetHostHWND) getHostHWND = nullptr;
    decltype(&wkeGetWindowHandle) getWindowHandle = nullptr;
    decltype(&wkeShowDevtools) showDevtools = nullptr;
    decltype(&wkeLoadURLW) loadURLW = nullptr;
    decltype(&wkeResize) resize = nullptr;
    decltype(&wkeMoveWindow) moveWindow = nullptr;
    decltype(&wkeWidth) width = nullptr;
    decltype(&wkeHeight) height = nullptr;
    decltype(&wkeRunJSW) runJSW = nullptr;
    decltype(&jsBindFunction) bindFunction = nullptr;
    decltype(&jsSetPageScript) setPageScript = nullptr;
    decltype(&jsArgCount) argCount = nullptr;
    decltype(&jsArg) arg = nullptr;
    decltype(&jsToInt) toInt = nullptr;
    decltype(&jsToString) toString = nullptr;
    decltype(&jsString) string = nullptr;
    decltype(&jsStringW) stringW = nullptr;
    decltype(&jsInt) makeInt = nullptr;
    decltype(&jsUndefined) undefined = nullptr;
    decltype(&jsGetCallstack) getCallstack = nullptr;

private:
    template<typename Function> void resolve(Function &slot, const char *name);

    QLibrary m_library;
    QString m_error;
};
