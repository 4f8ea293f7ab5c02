#include "engineapi.h"

#include "testpaths.h"

template<typename Function> void EngineApi::resolve(Function &slot, const char *name)
{
    slot = reinterpret_cast<Function>(m_library.resolve(name));
    if (!slot)
        m_error += QStringLiteral("missing %1; ").arg(QLatin1String(name));
}

bool EngineApi::load()
{
    m_library.setFileName(TestPaths::outputDir() + QStringLiteral("/node.so"));
    if (!m_library.load()) {
        m_error = m_library.errorString();
        return false;
    }
    resolve(initializeEx, "wkeInitializeEx");
    resolve(shutdown, "wkeShutdown");
    resolve(finalize, "wkeFinalize");
    resolve(createWebWindow, "wkeCreateWebWindow");
    resolve(destroyWebView, "wkeDestroyWebView");
    resolve(addPluginDirectory, "wkeAddPluginDirectory");
    resolve(showWindow, "wkeShowWindow");
    resolve(onCreateView, "wkeOnCreateView");
    resolve(onLoadingFinish, "wkeOnLoadingFinish");
    resolve(setMouseEnabled, "wkeSetMouseEnabled");
    resolve(getHostHWND, "wkeGetHostHWND");
    resolve(getWindowHandle, "wkeGetWindowHandle");
    resolve(showDevtools, "wkeShowDevtools");
    resolve(loadURLW, "wkeLoadURLW");
    resolve(resize, "wkeResize");
    resolve(moveWindow, "wkeMoveWindow");
    resolve(width, "wkeWidth");
    resolve(height, "wkeHeight");
    resolve(runJSW, "wkeRunJSW");
    resolve(bindFunction, "jsBindFunction");
    resolve(setPageScript, "jsSetPageScript");
    resolve(argCount, "jsArgCount");
    resolve(arg, "jsArg");
    resolve(toInt, "jsToInt");
    resolve(toString, "jsToString");
    resolve(string, "jsString");
    resolve(stringW, "jsStringW");
    resolve(makeInt, "jsInt");
    resolve(undefined, "jsUndefined");
    resolve(getCallstack, "jsGetCallstack");
    return m_error.isEmpty();
}
