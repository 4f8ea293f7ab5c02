// The shell's bridge as the program runs it: the whole application (QMainApplication, main
// window, web view host, engine) on a bench page. Times synchronous win_message round trips in
// the page, process start to the first loading_finished, the PSS of the whole process tree, and
// onMessage pushes made through QWebBrowser::pushMessage. Compare with bench/engine's
// bench_bare_webchannel.
//
// bench_shell_bridge [--page shellbench.html] [--calls 2000] [--pushes 200000] [--chunk 1000]

#include "benchoptions.h"
#include "benchreport.h"
#include "jsonqt.h"
#include "processmetrics.h"
#include "qglobalsettings.h"
#include "qmainapplication.h"
#include "qwebbrowser.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

QJsonObject toJson(const Json::Value &value)
{
    return QJsonDocument::fromJson(Json::toQString(value, false).toUtf8()).object();
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir state;
    isolateShellState(state);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QMainApplication application(argc, argv);

    const BenchOptions options = parseBenchOptions(application, QStringLiteral(TAPWISE_BENCH_PAGE));
    const int pushes = options.pushes;
    const int chunk = options.chunk;
    const QUrl url = options.page;
    QGlobalSettings::setValue(QStringLiteral("default"), QStringLiteral("path"),
                              url.toString(QUrl::FullyEncoded));

    QJsonObject results;
    QElapsedTimer pushClock;
    double pushCpuStartMs = 0;
    std::function<void(int)> pushFrom = [&](int first) {
        const int last = chunk > 0 ? qMin(pushes, first + chunk) : pushes;
        for (int i = first; i < last; ++i) {
            Json::Value param;
            param["i"] = i;
            param["n"] = pushes;
            QWebBrowser::instance()->pushMessage(QStringLiteral("bench"), param);
        }
        if (last < pushes)
            QTimer::singleShot(0, [&pushFrom, last] { pushFrom(last); });
    };

    QWebBrowser::registerCommand(
        QStringLiteral("benchReport"),
        [&](const Json::Value &param, const ReplyPtr &reply) {
            reply->setResult(true);
            const QJsonObject result = toJson(param);
            const QString phase = result.value(QStringLiteral("phase")).toString();
            if (phase == QLatin1String("sync")) {
                results.insert(QStringLiteral("sync"), result);
                // Pushes start after this call has returned to the page.
                QTimer::singleShot(0, [&] {
                    pushCpuStartMs = ProcessMetrics::cpuMsOfTree(getpid());
                    pushClock.start();
                    pushFrom(0);
                });
            } else if (phase == QLatin1String("push")) {
                const double ms = pushClock.nsecsElapsed() / 1e6;
                results.insert(QStringLiteral("pushCpuMs"),
                               ProcessMetrics::cpuMsOfTree(getpid()) - pushCpuStartMs);
                results.insert(QStringLiteral("push"), result);
                results.insert(QStringLiteral("pushMs"), ms);
                results.insert(QStringLiteral("pushesPerSecond"),
                               result.value(QStringLiteral("received")).toInt() / ms * 1000.0);
                printBenchReport(
                    {"bench_shell_bridge (the shell: QMainApplication, QWebBrowser, engine "
                     "library)",
                     "start -> first loading_finished", "win_message round trip median",
                     "win_message round trip p99", "pushes, pushMessage each"},
                    results, pushes, chunk);
                QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
            } else {
                std::fprintf(stderr, "bench: the page reported an error\n");
                QTimer::singleShot(0, [] { QCoreApplication::exit(1); });
            }
        },
        false);

    // Runs once the event loop starts, after the main window (and its host) exist.
    QTimer::singleShot(0, [&] {
        QWebBrowser *browser = QWebBrowser::instance();
        if (!browser || !browser->isReady()) {
            QCoreApplication::exit(1);
            return;
        }
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = QObject::connect(browser, &QWebBrowser::loading_finished, [&, connection] {
            QObject::disconnect(*connection);
            results.insert(QStringLiteral("startToLoadMs"), ProcessMetrics::msSinceProcessStart());
            const ProcessMetrics::Pss pss = ProcessMetrics::pssOfTree(getpid());
            results.insert(QStringLiteral("pssKb"), static_cast<double>(pss.kilobytes));
            results.insert(QStringLiteral("processes"), pss.processes);
        });
    });
    QTimer::singleShot(120000, [] {
        std::fprintf(stderr, "bench: no result within two minutes\n");
        QCoreApplication::exit(2);
    });
    return application.execute();
}
