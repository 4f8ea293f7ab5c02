// Memory under a burst of asynchronous bridge requests: the page sends bursts of
// {"cmd":"queryLogin","async":true} without yielding; at the end of each burst (the page still
// not yielding) the bench reads the main process's resident size and the whole process tree's
// proportional size, and reports the growth per 10^5 requests.
//
// bench_async_burst [--burst 100000] [--bursts 3] [--sync]   (needs a display: xvfb-run -a)
// --sync sends the same requests synchronously: what the page's own loop costs.

#include "benchoptions.h"
#include "jsonqt.h"
#include "processmetrics.h"
#include "qglobalsettings.h"
#include "qmainapplication.h"
#include "qwebbrowser.h"

#include <QCommandLineParser>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <cstdio>
#include <unistd.h>

namespace {

QJsonObject toJson(const Json::Value &value)
{
    return QJsonDocument::fromJson(Json::toQString(value, false).toUtf8()).object();
}

// Resident size of this process alone, in kilobytes.
qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

struct Sample
{
    qint64 mainKb = 0;
    qint64 treeKb = 0;
};

Sample sample()
{
    return {residentKb(), ProcessMetrics::pssOfTree(getpid()).kilobytes};
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir state;
    isolateShellState(state);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QMainApplication application(argc, argv);

    QCommandLineParser parser;
    parser.addOption({QStringLiteral("burst"), QStringLiteral("Requests per burst."),
                      QStringLiteral("n"), QStringLiteral("100000")});
    parser.addOption({QStringLiteral("bursts"), QStringLiteral("Number of bursts."),
                      QStringLiteral("n"), QStringLiteral("3")});
    parser.addOption({QStringLiteral("sync"), QStringLiteral("Synchronous requests instead.")});
    parser.process(application);
    QUrl page = QUrl::fromLocalFile(QStringLiteral(TAPWISE_BURST_PAGE));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("burst"), parser.value(QStringLiteral("burst")));
    query.addQueryItem(QStringLiteral("bursts"), parser.value(QStringLiteral("bursts")));
    query.addQueryItem(QStringLiteral("async"),
                       parser.isSet(QStringLiteral("sync")) ? QStringLiteral("0")
                                                            : QStringLiteral("1"));
    page.setQuery(query);
    QGlobalSettings::setValue(QStringLiteral("default"), QStringLiteral("path"),
                              page.toString(QUrl::FullyEncoded));

    Sample baseline;
    QWebBrowser::registerCommand(
        QStringLiteral("benchReport"),
        [&](const Json::Value &param, const ReplyPtr &reply) {
            reply->setResult(true);
            const QJsonObject result = toJson(param);
            const QString phase = result.value(QStringLiteral("phase")).toString();
            const Sample now = sample();
            if (phase == QLatin1String("start")) {
                baseline = now;
                std::printf("baseline: main RSS %lld KB, tree PSS %lld KB\n",
                            static_cast<long long>(now.mainKb), static_cast<long long>(now.treeKb));
            } else if (phase == QLatin1String("burst")) {
                const int requests = result.value(QStringLiteral("requests")).toInt();
                const double per100k = 100000.0 / qMax(1, requests);
                std::printf("burst %d: %d requests (%d accepted, %d refused) in %.0f ms; "
                            "main RSS %lld KB (+%.1f MB per 1e5), tree PSS %lld KB "
                            "(+%.1f MB per 1e5 since the baseline)\n",
                            result.value(QStringLiteral("index")).toInt() + 1, requests,
                            result.value(QStringLiteral("accepted")).toInt(),
                            result.value(QStringLiteral("refused")).toInt(),
                            result.value(QStringLiteral("ms")).toDouble(),
                            static_cast<long long>(now.mainKb),
                            (now.mainKb - baseline.mainKb) / 1024.0 * per100k
                                / (result.value(QStringLiteral("index")).toInt() + 1),
                            static_cast<long long>(now.treeKb),
                            (now.treeKb - baseline.treeKb) / 1024.0 * per100k
                                / (result.value(QStringLiteral("index")).toInt() + 1));
            } else if (phase == QLatin1String("done")) {
                std::printf("done: %d pushes received; main RSS %lld KB, tree PSS %lld KB\n",
                            result.value(QStringLiteral("pushed")).toInt(),
                            static_cast<long long>(now.mainKb), static_cast<long long>(now.treeKb));
                QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
            }
            std::fflush(stdout);
        },
        false);
    QTimer::singleShot(600000, [] {
        std::fprintf(stderr, "bench: no result within ten minutes\n");
        QCoreApplication::exit(2);
    });
    return application.execute();
}
