#pragma once
// The engine library's plain C interface. The host loads the library at run time and resolves
// every name below with QLibrary; nothing links against it.

#include <stdbool.h>
#include <stdint.h>
#include <wchar.h>

#if defined(_WIN32)
#define WKE_CALL __cdecl
#define WKE_EXPORT __declspec(dllexport)
#else
#define WKE_CALL
#define WKE_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct wkeWebViewData *wkeWebView;
typedef struct jsExecStateData *jsExecState;
typedef int64_t jsValue;
/* A native window handle of the host process (HWND on Windows, the window id elsewhere). */
typedef uintptr_t wkeHostWindow;

typedef struct wkeSettings
{
    unsigned int mask;
} wkeSettings;

typedef enum wkeWindowType {
    WKE_WINDOW_TYPE_POPUP = 0,
    WKE_WINDOW_TYPE_TRANSPARENT = 1,
    WKE_WINDOW_TYPE_CONTROL = 2
} wkeWindowType;

typedef enum wkeLoadingResult {
    WKE_LOADING_SUCCEEDED = 0,
    WKE_LOADING_FAILED = 1,
    WKE_LOADING_CANCELED = 2
} wkeLoadingResult;

/* A page asked for a new window; the returned view serves it (null refuses it). */
typedef wkeWebView(WKE_CALL *wkeCreateViewCallback)(wkeWebView view, void *param,
                                                    const wchar_t *url);
/* One call per finished load, failed and cancelled loads included. A load replaced by another
   one before it finished is not reported on its own: the last one is. */
typedef void(WKE_CALL *wkeLoadingFinishCallback)(wkeWebView view, void *param, const wchar_t *url,
                                                 wkeLoadingResult result,
                                                 const wchar_t *failedReason);
typedef void(WKE_CALL *wkeOnShowDevtoolsCallback)(wkeWebView devtools, void *param);
/* A script function bound with jsBindFunction; runs on the GUI thread, synchronously. */
typedef jsValue(WKE_CALL *jsNativeFunction)(jsExecState state);

WKE_EXPORT void WKE_CALL wkeInitializeEx(const wkeSettings *settings);
WKE_EXPORT void WKE_CALL wkeShutdown(void);
WKE_EXPORT void WKE_CALL wkeFinalize(void);

WKE_EXPORT wkeWebView WKE_CALL wkeCreateWebWindow(wkeWindowType type, wkeHostWindow parent, int x,
                                                  int y, int width, int height);
WKE_EXPORT void WKE_CALL wkeDestroyWebView(wkeWebView view);
WKE_EXPORT void WKE_CALL wkeAddPluginDirectory(wkeWebView view, const wchar_t *path);
WKE_EXPORT void WKE_CALL wkeShowWindow(wkeWebView view, bool show);
WKE_EXPORT void WKE_CALL wkeOnCreateView(wkeWebView view, wkeCreateViewCallback callback,
                                         void *param);
WKE_EXPORT void WKE_CALL wkeOnLoadingFinish(wkeWebView view, wkeLoadingFinishCallback callback,
                                            void *param);
WKE_EXPORT void WKE_CALL wkeSetMouseEnabled(wkeWebView view, bool enabled);
WKE_EXPORT wkeHostWindow WKE_CALL wkeGetHostHWND(wkeWebView view);
WKE_EXPORT wkeHostWindow WKE_CALL wkeGetWindowHandle(wkeWebView view);
WKE_EXPORT void WKE_CALL wkeShowDevtools(wkeWebView view, const wchar_t *path,
                                         wkeOnShowDevtoolsCallback callback, void *param);
WKE_EXPORT void WKE_CALL wkeLoadURLW(wkeWebView view, const wchar_t *url);
WKE_EXPORT void WKE_CALL wkeResize(wkeWebView view, int width, int height);
WKE_EXPORT void WKE_CALL wkeMoveWindow(wkeWebView view, int x, int y, int width, int height);
WKE_EXPORT int WKE_CALL wkeWidth(wkeWebView view);
WKE_EXPORT int WKE_CALL wkeHeight(wkeWebView view);
/* Fire and forget: the script runs in the page later. The result is an integer (read with
   jsToInt, no state needed): how many scripts given to the view's current document have not run
   yet, this one included. An empty script runs nothing and only gives that number. */
WKE_EXPORT jsValue WKE_CALL wkeRunJSW(wkeWebView view, const wchar_t *script);
/* wkeRunJSW for a script in UTF-8. */
WKE_EXPORT jsValue WKE_CALL wkeRunJS(wkeWebView view, const char *script);

WKE_EXPORT void WKE_CALL jsBindFunction(const char *name, jsNativeFunction function,
                                        unsigned int argCount);
/* Gives a bound function (bound now or later) a script of its own in the page: the source of a
   script function (call, post) returning the function the page gets in its place. call(list)
   calls the native function with that argument list and gives its value; post(list) posts the
   call: the page goes on at once, posted calls reach the native function later, in order and
   always before any later call, and what the native function returns for them is dropped. */
WKE_EXPORT void WKE_CALL jsSetPageScript(const char *name, const char *script);
/* True while the native function serves a posted call. */
WKE_EXPORT bool WKE_CALL jsIsPosted(jsExecState state);
WKE_EXPORT int WKE_CALL jsArgCount(jsExecState state);
WKE_EXPORT jsValue WKE_CALL jsArg(jsExecState state, int index);
/* Numbers truncated toward zero and clamped to the int range (NaN: 0), booleans 0 or 1, strings
   read as decimal or 0x-hexadecimal numbers (else 0); null, undefined and objects 0. */
WKE_EXPORT int WKE_CALL jsToInt(jsExecState state, jsValue value);
/* UTF-8 text valid until the bound function returns; null when the value is no text (only
   strings are text). U+0000 is written as the bytes C0 80, which jsString reads back as U+0000,
   so a text passed through unchanged arrives intact. */
WKE_EXPORT const char *WKE_CALL jsToString(jsExecState state, jsValue value);
WKE_EXPORT jsValue WKE_CALL jsString(jsExecState state, const char *utf8);
WKE_EXPORT jsValue WKE_CALL jsStringW(jsExecState state, const wchar_t *text);
WKE_EXPORT jsValue WKE_CALL jsInt(int value);
WKE_EXPORT jsValue WKE_CALL jsUndefined(void);
/* Always an empty text: the page is blocked inside the call and cannot be asked for its stack. */
WKE_EXPORT const char *WKE_CALL jsGetCallstack(jsExecState state);

#ifdef __cplusplus
}
#endif
