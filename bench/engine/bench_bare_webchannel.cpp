// The comparison: a bare QWebEngineView with a QWebChannel object, loading the same bench page.
// Times the channel's round trip (awaited calls), process start to the first loadFinished, the
// PSS of the whole process tree, and pushes made with one runJavaScript each.
//
// bench_bare_webchannel [--page bench.html] [--calls 2000] [--pushes 200000] [--chunk 1000]

#include "benchchannelobject.h"
#include "benchoptions.h"
#include "benchreport.h"
#include "processmetrics.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QUrl>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

#include <cstdio>
#include <unistd.h>

namespace { } // namespace

int main(int argc, char **argv)
{
    // As the engine library does: the browser refuses to run its sandbox as root.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);

    const BenchOptions options = parseBenchOptions(application, QStringLiteral(TAPWISE_BENCH_PAGE));
    const int pushes = options.pushes;
    const int chunk = options.chunk;

    QWebEngineView view;
    view.resize(1280, 740);
    QWebEnginePage *page = view.page();

    // qwebchannel.js comes with Qt's resources; it is given to the page before its scripts run.
    QFile channelScript(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!channelScript.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench: qwebchannel.js is not available\n");
        return 1;
    }
    QWebEngineScript script;
    script.setName(QStringLiteral("qwebchannel"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(QString::fromUtf8(channelScript.readAll()));
    page->scripts().insert(script);

    BenchChannelObject bench;
    QWebChannel channel;
    channel.registerObject(QStringLiteral("bench"), &bench);
    page->setWebChannel(&channel);

    QJsonObject results;
    QElapsedTimer pushClock;
    double pushCpuStartMs = 0;
    bool firstLoad = true;
    QObject::connect(page, &QWebEnginePage::loadFinished, [&](bool ok) {
        if (!firstLoad)
            return;
        firstLoad = false;
        if (!ok) {
            std::fprintf(stderr, "bench: the page did not load\n");
            application.exit(1);
            return;
        }
        results.insert(QStringLiteral("startToLoadMs"), ProcessMetrics::msSinceProcessStart());
        const ProcessMetrics::Pss pss = ProcessMetrics::pssOfTree(getpid());
        results.insert(QStringLiteral("pssKb"), static_cast<double>(pss.kilobytes));
        results.insert(QStringLiteral("processes"), pss.processes);
    });

    std::function<void(int)> pushFrom = [&](int first) {
        const int last = chunk > 0 ? qMin(pushes, first + chunk) : pushes;
        for (int i = first; i < last; ++i) {
            page->runJavaScript(
                QStringLiteral("onMessage('{\"cmd\":\"bench\",\"param\":{\"i\":%1,\"n\":%2}}')")
                    .arg(i)
                    .arg(pushes));
        }
        if (last < pushes)
            QTimer::singleShot(0, [&pushFrom, last] { pushFrom(last); });
    };

    QObject::connect(&bench, &BenchChannelObject::reported, [&](const QString &json) {
        const QJsonObject result = QJsonDocument::fromJson(json.toUtf8()).object();
        const QString phase = result.value(QStringLiteral("phase")).toString();
        if (phase == QLatin1String("sync")) {
            results.insert(QStringLiteral("sync"), result);
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
            printBenchReport({"bench_bare_webchannel (plain QWebEngineView + QWebChannel)",
                              "start -> first loadFinished", "channel round trip median",
                              "channel round trip p99", "pushes, one runJavaScript each"},
                             results, pushes, chunk);
            application.quit();
        } else {
            std::fprintf(stderr, "bench: the page reported %s\n", qPrintable(json));
            application.exit(1);
        }
    });

    view.show();
    view.load(options.page);

    QTimer::singleShot(120000, [&] {
        std::fprintf(stderr, "bench: no result within two minutes\n");
        application.exit(2);
    });
    const int status = application.exec();
    page->setWebChannel(nullptr);
    return status;
}
