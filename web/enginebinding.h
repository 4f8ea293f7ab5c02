#pragma once

#include <wke.h>

#include <QString>

// Every entry point of the engine after wkeInitializeEx, in the order they are bound.
#define TAPWISE_ENGINE_FUNCTIONS(X)                                                                \
    X(wkeShutdown)                                                                                 \
    X(wkeFinalize)                                                                                 \
    X(wkeCreateWebWindow)                                                                          \
    X(wkeDestroyWebView)                                                                           \
    X(wkeAddPluginDirectory)                                                                       \
    X(wkeShowWindow)                                                                               \
    X(wkeOnCreateView)                                                                             \
    X(wkeOnLoadingFinish)                                                                          \
    X(wkeSetMouseEnabled)                                                                          \
    X(wkeGetHostHWND)                                                                              \
    X(wkeGetWindowHandle)                                                                          \
    X(wkeShowDevtools)                                                                             \
    X(wkeLoadURLW)                                                                                 \
    X(wkeResize)                                                                                   \
    X(wkeMoveWindow)                                                                               \
    X(wkeWidth)                                                                                    \
    X(wkeHeight)                                                                                   \
    X(wkeRunJS)                                                                                    \
    X(wkeRunJSW)                                                                                   \
    X(jsBindFunction)                                                                              \
    X(jsSetPageScript)                                                                             \
    X(jsIsPosted)                                                                                  \
    X(jsArgCount)                                                                                  \
    X(jsArg)                                                                                       \
    X(jsToInt)                                                                                     \
    X(jsToString)                                                                                  \
    X(jsString)                                                                                    \
    X(jsStringW)                                                                                   \
    X(jsInt)                                                                                       \
    X(jsUndefined)                                                                                 \
    X(jsGetCallstack)

/// The engine's function table: one slot per entry point, null until bound.
struct EngineBinding
{
    decltype(&::wkeInitializeEx) wkeInitializeEx = nullptr;
#define TAPWISE_ENGINE_SLOT(name) decltype(&::name) name = nullptr;
    TAPWISE_ENGINE_FUNCTIONS(TAPWISE_ENGINE_SLOT)
#undef TAPWISE_ENGINE_SLOT

    /// The table filled by bindEngine(); calls go through it only after it returned true.
    static EngineBinding &table();
    /// The engine library's path: node.so beside the executable.
    static QString libraryPath();
};

/// Loads the engine beside the executable, initialises it and binds every entry point. A
/// missing library or entry point is reported to the user by name and gives false; the host
/// must then call nothing through the table. Binding happens once per process.
bool bindEngine(const wkeSettings *settings);

/// bindEngine() for the library at path.
bool bindEngineLibrary(const QString &path, const wkeSettings *settings);
