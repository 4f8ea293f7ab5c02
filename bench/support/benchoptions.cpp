#include "benchoptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <unistd.h>

BenchOptions parseBenchOptions(const QCoreApplication &, const QString &defaultPage,
                               const QString &defaultEngine)
{
    return parseBenchOptions(QCoreApplication::arguments(), defaultPage, defaultEngine);
}

BenchOptions parseBenchOptions(const QStringList &arguments, const QString &defaultPage,
                               const QString &defaultEngine)
{
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption engineOption(QStringLiteral("engine"), QStringLiteral("node.so"),
                                          QStringLiteral("path"), defaultEngine);
    const QCommandLineOption pageOption(QStringLiteral("page"), QStringLiteral("bench page"),
                                        QStringLiteral("path"), defaultPage);
    const QCommandLineOption callsOption(QStringLiteral("calls"), QStringLiteral("timed calls"),
                                         QStringLiteral("n"), QStringLiteral("5000"));
    const QCommandLineOption idleOption(QStringLiteral("idle"),
                                        QStringLiteral("asynchronous requests on an idle page"),
                                        QStringLiteral("n"), QStringLiteral("300"));
    const QCommandLineOption burstOption(QStringLiteral("burst"),
                                         QStringLiteral("asynchronous requests back to back"),
                                         QStringLiteral("n"), QStringLiteral("20000"));
    const QCommandLineOption warmUpOption(QStringLiteral("warmup"),
                                          QStringLiteral("untimed calls before each series"),
                                          QStringLiteral("n"), QStringLiteral("200"));
    const QCommandLineOption pushesOption(QStringLiteral("pushes"), QStringLiteral("pushes"),
                                          QStringLiteral("n"), QStringLiteral("200000"));
    const QCommandLineOption chunkOption(QStringLiteral("chunk"),
                                         QStringLiteral("pushes per event-loop turn (0: all)"),
                                         QStringLiteral("n"), QStringLiteral("1000"));
    if (!defaultEngine.isEmpty())
        parser.addOption(engineOption);
    parser.addOptions({pageOption, callsOption, idleOption, burstOption, warmUpOption, pushesOption,
                       chunkOption});
    parser.process(arguments);

    BenchOptions options;
    options.pushes = qMax(1, parser.value(pushesOption).toInt());
    options.chunk = qMax(0, parser.value(chunkOption).toInt());
    if (!defaultEngine.isEmpty())
        options.engine = parser.value(engineOption);
    // A path or an address: a page served over HTTP can be benchmarked too.
    options.page = QUrl(parser.value(pageOption));
    if (options.page.isRelative())
        options.page = QUrl::fromLocalFile(QFileInfo(parser.value(pageOption)).absoluteFilePath());
    QUrlQuery query;
    for (const QCommandLineOption *count : {&callsOption, &idleOption, &burstOption, &warmUpOption})
        query.addQueryItem(count->names().constFirst(),
                           QString::number(qMax(0, parser.value(*count).toInt())));
    options.page.setQuery(query);
    return options;
}

void isolateShellState(const QTemporaryDir &state)
{
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(state.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(state.filePath(QStringLiteral("data"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(state.filePath(QStringLiteral("cache"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(state.path()));
    // The instance guard also looks in the temp folder: a Tapwise running elsewhere on the
    // machine would otherwise take the bench's start for a second one.
    qputenv("TMPDIR", QFile::encodeName(state.path()));
}
