#include "benchoptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <unistd.h>

BenchOptions parseBenchOptions(const QCoreApplication &application, const QString &defaultPage,
                               const QString &defaultEngine)
{
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption engineOption(QStringLiteral("engine"), QStringLiteral("node.so"),
                                          QStringLiteral("path"), defaultEngine);
    const QCommandLineOption pageOption(QStringLiteral("page"), QStringLiteral("bench page"),
                                        QStringLiteral("path"), defaultPage);
    const QCommandLineOption callsOption(QStringLiteral("calls"), QStringLiteral("timed calls"),
                                         QStringLiteral("n"), QStringLiteral("2000"));
    const QCommandLineOption pushesOption(QStringLiteral("pushes"), QStringLiteral("pushes"),
                                          QStringLiteral("n"), QStringLiteral("200000"));
    const QCommandLineOption chunkOption(QStringLiteral("chunk"),
                                         QStringLiteral("pushes per event-loop turn (0: all)"),
                                         QStringLiteral("n"), QStringLiteral("1000"));
    if (!defaultEngine.isEmpty())
        parser.addOption(engineOption);
    parser.addOptions({pageOption, callsOption, pushesOption, chunkOption});
    parser.process(application);

    BenchOptions options;
    options.pushes = qMax(1, parser.value(pushesOption).toInt());
    options.chunk = qMax(0, parser.value(chunkOption).toInt());
    if (!defaultEngine.isEmpty())
        options.engine = parser.value(engineOption);
    // A path or an address: a page served over HTTP can be benchmarked too.
    options.page = QUrl(parser.value(pageOption));
    if (options.page.isRelative())
        options.page = QUrl::fromLocalFile(QFileInfo(parser.value(pageOption)).absoluteFilePath());
    options.page.setQuery(QStringLiteral("calls=%1").arg(parser.value(callsOption).toInt()));
    return options;
}

void isolateShellState(const QTemporaryDir &state)
{
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(state.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(state.filePath(QStringLiteral("data"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(state.path()));
}
