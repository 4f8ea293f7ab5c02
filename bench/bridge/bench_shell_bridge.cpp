// The shell's bridge as the program runs it: the whole application (QMainApplication, main
// window, web view host, engine) on the bench page, which times from the page synchronous
// win_message and win_width calls, asynchronous requests answered through onMessage on an idle
// page and in a burst, and reports back through the bench's own "benchReport" command. Compare
// with bench_bare_view (the prompt floor and QWebChannel) on the same page.
//
// bench_shell_bridge [--page bridgebench.html] [--calls 5000] [--idle 300] [--burst 20000]
//                    [--warmup 200]

#include "benchoptions.h"
#include "benchreport.h"
#include "jsonqt.h"
#include "processmetrics.h"
#include "qglobalsettings.h"
#include "qmainapplication.h"
#include "qwebbrowser.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <memory>
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
    QGlobalSettings::setValue(QStringLiteral("default"), QStringLiteral("path"),
                              options.page.toString(QUrl::FullyEncoded));

    QJsonObject load;
    QWebBrowser::registerCommand(
        QStringLiteral("benchReport"),
        [&](const Json::Value &param, const ReplyPtr &reply) {
            reply->setResult(true);
            const QJsonObject result = toJson(param);
            if (result.value(QStringLiteral("phase")).toString() == QLatin1String("done")) {
                printPageResult(QStringLiteral("shell"), result, load);
                QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
            } else {
                std::fprintf(stderr, "bench: the page reported %s\n",
                             QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
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
            load.insert(QStringLiteral("startToLoadMs"), ProcessMetrics::msSinceProcessStart());
            const ProcessMetrics::Pss pss = ProcessMetrics::pssOfTree(getpid());
            load.insert(QStringLiteral("inProcessPssKb"), static_cast<double>(pss.kilobytes));
            load.insert(QStringLiteral("processes"), pss.processes);
        });
    });
    QTimer::singleShot(300000, [] {
        std::fprintf(stderr, "bench: no result within five minutes\n");
        QCoreApplication::exit(2);
    });
    return application.execute();
}
