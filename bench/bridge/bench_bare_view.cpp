// The baselines beside the shell: a bare QWebEngineView on the same bench page, with
//   --bridge none     no bridge at all: start, load and memory of the view itself
//   --bridge prompt   a page that answers the bench page's prompt() calls at once with a
//                     constant text, the floor of a synchronous call through the engine
//   --bridge channel  a QWebChannel object whose call() returns a constant text
//
// bench_bare_view --bridge none|prompt|channel [--page bridgebench.html] [--calls 5000]
//                 [--idle 300] [--burst 20000] [--warmup 200] [--linger 0]
// With --bridge none the program ends --linger ms after the page said it had loaded, and writes
// "bench-loaded" to stderr at that moment (what bench_start waits for).

#include "benchbarepage.h"
#include "benchchannelobject.h"
#include "benchoptions.h"
#include "benchreport.h"
#include "processmetrics.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QUrlQuery>
#include <QWebChannel>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

#include <cstdio>
#include <unistd.h>

namespace {

struct BareOptions
{
    QString bridge;
    int linger = 0;
};

// The bare program's own options, read before the shared ones (which reject unknown names).
BareOptions takeBareOptions(QStringList &arguments)
{
    BareOptions options;
    options.bridge = QStringLiteral("none");
    for (int i = 1; i + 1 < arguments.size();) {
        const QString name = arguments.at(i);
        if (name == QLatin1String("--bridge") || name == QLatin1String("--linger")) {
            const QString value = arguments.takeAt(i + 1);
            arguments.removeAt(i);
            if (name == QLatin1String("--bridge"))
                options.bridge = value;
            else
                options.linger = qMax(0, value.toInt());
        } else {
            ++i;
        }
    }
    return options;
}

bool installChannelScript(QWebEnginePage *page)
{
    // qwebchannel.js comes with Qt's resources; the page gets it before its own scripts run.
    QFile channelScript(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!channelScript.open(QIODevice::ReadOnly))
        return false;
    QWebEngineScript script;
    script.setName(QStringLiteral("qwebchannel"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(QString::fromUtf8(channelScript.readAll()));
    page->scripts().insert(script);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    // The browser refuses to run its sandbox as root.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);

    QStringList arguments = QCoreApplication::arguments();
    const BareOptions bare = takeBareOptions(arguments);
    if (bare.bridge != QLatin1String("none") && bare.bridge != QLatin1String("prompt")
        && bare.bridge != QLatin1String("channel")) {
        std::fprintf(stderr, "bench: --bridge is none, prompt or channel\n");
        return 1;
    }
    BenchOptions options = parseBenchOptions(arguments, QStringLiteral(TAPWISE_BENCH_PAGE));
    QUrlQuery query(options.page);
    if (bare.bridge == QLatin1String("none"))
        query.addQueryItem(QStringLiteral("mode"), QStringLiteral("load"));
    else if (bare.bridge == QLatin1String("prompt"))
        query.addQueryItem(QStringLiteral("bridge"), QStringLiteral("prompt"));
    options.page.setQuery(query);

    // The size of the shell's web view, which fills its 1200 x 780 window: a view of another
    // size paints another number of tiles, and its memory tells nothing about the shell.
    QWebEngineView view;
    view.resize(1200, 780);
    auto *page = new BenchBarePage(bare.bridge == QLatin1String("prompt"), &view);
    view.setPage(page);

    BenchChannelObject channelObject;
    QWebChannel channel;
    if (bare.bridge == QLatin1String("channel")) {
        if (!installChannelScript(page)) {
            std::fprintf(stderr, "bench: qwebchannel.js is not available\n");
            return 1;
        }
        channel.registerObject(QStringLiteral("bench"), &channelObject);
        page->setWebChannel(&channel);
    }

    QJsonObject load;
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
        load.insert(QStringLiteral("startToLoadMs"), ProcessMetrics::msSinceProcessStart());
        const ProcessMetrics::Pss pss = ProcessMetrics::pssOfTree(getpid());
        load.insert(QStringLiteral("inProcessPssKb"), static_cast<double>(pss.kilobytes));
        load.insert(QStringLiteral("processes"), pss.processes);
    });
    QObject::connect(page, &BenchBarePage::pageLoaded, [&] {
        std::fprintf(stderr, "bench-loaded\n");
        std::fflush(stderr);
        QTimer::singleShot(bare.linger, [&] { application.quit(); });
    });
    const auto reported = [&](const QString &json) {
        const QJsonObject result = QJsonDocument::fromJson(json.toUtf8()).object();
        if (result.value(QStringLiteral("phase")).toString() != QLatin1String("done")) {
            std::fprintf(stderr, "bench: the page reported %s\n", qPrintable(json));
            application.exit(1);
            return;
        }
        printPageResult(bare.bridge == QLatin1String("prompt") ? QStringLiteral("floor")
                                                               : bare.bridge,
                        result, load);
        application.quit();
    };
    QObject::connect(page, &BenchBarePage::reported, reported);
    QObject::connect(&channelObject, &BenchChannelObject::reported, reported);

    view.show();
    view.load(options.page);
    QTimer::singleShot(300000, [&] {
        std::fprintf(stderr, "bench: no result within five minutes\n");
        application.exit(2);
    });
    const int status = application.exec();
    page->setWebChannel(nullptr);
    return status;
}
