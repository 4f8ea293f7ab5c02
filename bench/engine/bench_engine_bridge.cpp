// The engine library's bridge as the shell uses it: node.so loaded at run time, one bound
// synchronous function timed from the page, and pushes with wkeRunJSW counted in the page.
//
// bench_engine_bridge [--engine node.so] [--page bench.html] [--calls 2000] [--pushes 200000]
//                     [--chunk 1000]
// --chunk is the number of pushes made per event-loop turn (0: all in one turn).

#include "wke.h"

#include "benchoptions.h"
#include "benchreport.h"
#include "processmetrics.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibrary>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

struct Engine
{
    decltype(&wkeInitializeEx) initializeEx = nullptr;
    decltype(&wkeFinalize) finalize = nullptr;
    decltype(&wkeCreateWebWindow) createWebWindow = nullptr;
    decltype(&wkeShowWindow) showWindow = nullptr;
    decltype(&wkeOnLoadingFinish) onLoadingFinish = nullptr;
    decltype(&wkeLoadURLW) loadURLW = nullptr;
    decltype(&wkeRunJSW) runJSW = nullptr;
    decltype(&jsBindFunction) bindFunction = nullptr;
    decltype(&jsArg) arg = nullptr;
    decltype(&jsToString) toString = nullptr;
    decltype(&jsString) string = nullptr;
    decltype(&jsUndefined) undefined = nullptr;
};

Engine g_engine;
QWidget *g_frame = nullptr;
wkeWebView g_view = nullptr;
QJsonObject g_results;
int g_pushes = 200000;
int g_chunk = 1000;
QElapsedTimer g_pushClock;
double g_pushCpuStartMs = 0;

template<typename Function> bool resolve(QLibrary &library, Function &slot, const char *name)
{
    slot = reinterpret_cast<Function>(library.resolve(name));
    if (!slot)
        std::fprintf(stderr, "bench: the engine has no %s\n", name);
    return slot != nullptr;
}

void pushFrom(int first)
{
    const int last = g_chunk > 0 ? qMin(g_pushes, first + g_chunk) : g_pushes;
    for (int i = first; i < last; ++i) {
        const std::wstring script = L"onMessage('{\"cmd\":\"bench\",\"param\":{\"i\":"
            + std::to_wstring(i) + L",\"n\":" + std::to_wstring(g_pushes) + L"}}')";
        g_engine.runJSW(g_view, script.c_str());
    }
    if (last < g_pushes)
        QTimer::singleShot(0, [last] { pushFrom(last); });
}

jsValue WKE_CALL benchCall(jsExecState state)
{
    const char *text = g_engine.toString(state, g_engine.arg(state, 0));
    return g_engine.string(state, text ? text : "");
}

jsValue WKE_CALL benchReport(jsExecState state)
{
    const char *text = g_engine.toString(state, g_engine.arg(state, 0));
    const QJsonObject result = QJsonDocument::fromJson(QByteArray(text ? text : "{}")).object();
    const QString phase = result.value(QStringLiteral("phase")).toString();
    if (phase == QLatin1String("sync")) {
        g_results.insert(QStringLiteral("sync"), result);
        // Never wait on the page inside a bound function: the pushes start afterwards.
        QTimer::singleShot(0, [] {
            g_pushCpuStartMs = ProcessMetrics::cpuMsOfTree(getpid());
            g_pushClock.start();
            pushFrom(0);
        });
    } else if (phase == QLatin1String("push")) {
        const double ms = g_pushClock.nsecsElapsed() / 1e6;
        const double cpuMs = ProcessMetrics::cpuMsOfTree(getpid()) - g_pushCpuStartMs;
        g_results.insert(QStringLiteral("push"), result);
        g_results.insert(QStringLiteral("pushCpuMs"), cpuMs);
        g_results.insert(QStringLiteral("pushMs"), ms);
        g_results.insert(QStringLiteral("pushesPerSecond"),
                         result.value(QStringLiteral("received")).toInt() / ms * 1000.0);
        QTimer::singleShot(0, [] {
            printBenchReport({"bench_engine_bridge (engine library, bound sync function + "
                              "wkeRunJSW)",
                              "start -> first loadFinished", "sync call median", "sync call p99",
                              "pushes delivered"},
                             g_results, g_pushes, g_chunk);
            qApp->quit();
        });
    } else {
        std::fprintf(stderr, "bench: the page reported %s\n", text ? text : "nothing");
        QTimer::singleShot(0, [] { qApp->exit(1); });
    }
    return g_engine.undefined();
}

void WKE_CALL onLoadingFinish(wkeWebView, void *, const wchar_t *url, wkeLoadingResult result,
                              const wchar_t *reason)
{
    static bool first = true;
    if (!first)
        return;
    first = false;
    if (result != WKE_LOADING_SUCCEEDED) {
        std::fprintf(stderr, "bench: %ls did not load: %ls\n", url, reason ? reason : L"");
        QTimer::singleShot(0, [] { qApp->exit(1); });
        return;
    }
    g_results.insert(QStringLiteral("startToLoadMs"), ProcessMetrics::msSinceProcessStart());
    const ProcessMetrics::Pss pss = ProcessMetrics::pssOfTree(getpid());
    g_results.insert(QStringLiteral("pssKb"), static_cast<double>(pss.kilobytes));
    g_results.insert(QStringLiteral("processes"), pss.processes);
}

} // namespace

int main(int argc, char **argv)
{
    // As the shell's main does: the engine needs it before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);

    const BenchOptions options = parseBenchOptions(application, QStringLiteral(TAPWISE_BENCH_PAGE),
                                                   QStringLiteral(TAPWISE_BENCH_ENGINE));
    g_pushes = options.pushes;
    g_chunk = options.chunk;

    QLibrary library(options.engine);
    if (!library.load()) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(library.errorString()));
        return 1;
    }
    bool bound = resolve(library, g_engine.initializeEx, "wkeInitializeEx");
    bound &= resolve(library, g_engine.finalize, "wkeFinalize");
    bound &= resolve(library, g_engine.createWebWindow, "wkeCreateWebWindow");
    bound &= resolve(library, g_engine.showWindow, "wkeShowWindow");
    bound &= resolve(library, g_engine.onLoadingFinish, "wkeOnLoadingFinish");
    bound &= resolve(library, g_engine.loadURLW, "wkeLoadURLW");
    bound &= resolve(library, g_engine.runJSW, "wkeRunJSW");
    bound &= resolve(library, g_engine.bindFunction, "jsBindFunction");
    bound &= resolve(library, g_engine.arg, "jsArg");
    bound &= resolve(library, g_engine.toString, "jsToString");
    bound &= resolve(library, g_engine.string, "jsString");
    bound &= resolve(library, g_engine.undefined, "jsUndefined");
    if (!bound)
        return 1;

    g_engine.initializeEx(nullptr);
    g_engine.bindFunction("bench_call", benchCall, 1);
    g_engine.bindFunction("bench_report", benchReport, 1);

    g_frame = new QWidget;
    g_frame->resize(1280, 740);
    g_frame->show();
    g_view = g_engine.createWebWindow(
        WKE_WINDOW_TYPE_CONTROL, static_cast<wkeHostWindow>(g_frame->winId()), 0, 0, 1280, 740);
    if (!g_view)
        return 1;
    g_engine.showWindow(g_view, true);
    g_engine.onLoadingFinish(g_view, onLoadingFinish, nullptr);
    g_engine.loadURLW(g_view, options.page.toString().toStdWString().c_str());

    QTimer::singleShot(120000, [] {
        std::fprintf(stderr, "bench: no result within two minutes\n");
        qApp->exit(2);
    });
    const int status = application.exec();
    // The shell's order: finalise the engine, then its windows.
    g_engine.finalize();
    delete g_frame;
    return status;
}
