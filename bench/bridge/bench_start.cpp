// Start and memory measured from outside: starts a program again and again, one at a time, in
// state folders of its own, and waits for it to say that its page has loaded (a marker in its
// output: the shell's engine writes the page's console lines to stderr, bench_bare_view writes
// the marker itself).
//
// bench_start --label shell --measure start|pss [--runs 5] [--warmups 1] [--state dir]
//             [--workdir dir] [--settle 500] [--marker text] -- program [arguments]
//   start  wall time from starting the process to its exit with status 0, the marker seen
//   pss    the PSS of the program's whole process tree, and its private memory, --settle ms
//          (500) after the marker; the program must stay up that long (the page's linger)
// Untimed starts come first (--warmups). Prints the median and every run, then a RESULT line;
// with --runs 0 only the untimed starts run. --state keeps the program's state folders between
// calls, so that calls of one start each can alternate with another program's.

#include "benchtable.h"
#include "processmetrics.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kTimeoutMs = 60000;

struct Run
{
    bool ok = false;
    double value = 0;
    double privateKilobytes = 0;
    int processes = 0;
    QString problem;
};

class Starter
{
public:
    Starter(const QString &program, const QStringList &arguments, const QString &workdir,
            const QString &stateFolder, const QByteArray &marker)
        : m_program(program)
        , m_arguments(arguments)
        , m_workdir(workdir)
        , m_marker(marker)
    {
        // The same folders for every start, and none of the user's: no running Tapwise
        // elsewhere can take a start for a second instance.
        const QDir state(stateFolder.isEmpty() ? m_ownState.path() : stateFolder);
        for (const char *folder : {"config", "data", "cache", "runtime"})
            state.mkpath(QString::fromLatin1(folder));
        QFile::setPermissions(state.filePath(QStringLiteral("runtime")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                  | QFileDevice::ExeOwner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           state.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), state.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"),
                           state.filePath(QStringLiteral("cache")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                           state.filePath(QStringLiteral("runtime")));
        environment.insert(QStringLiteral("TMPDIR"), state.filePath(QStringLiteral("runtime")));
        if (geteuid() == 0)
            environment.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
        m_environment = environment;
    }

    /// Milliseconds from start to exit.
    Run timeStart()
    {
        QProcess process;
        prepare(process);
        QElapsedTimer clock;
        clock.start();
        process.start();
        const bool finished = process.waitForFinished(kTimeoutMs);
        const double ms = clock.nsecsElapsed() / 1e6;
        Run run = finish(process, finished, process.readAll());
        run.value = ms;
        return run;
    }

    /// Kilobytes of the process tree settleMs after the marker appears.
    Run pssAfterMarker(int settleMs)
    {
        QProcess process;
        prepare(process);
        process.start();
        QByteArray output;
        QElapsedTimer clock;
        clock.start();
        ProcessMetrics::Pss pss;
        pss.kilobytes = -1;
        while (pss.kilobytes < 0 && process.state() != QProcess::NotRunning
               && clock.elapsed() < kTimeoutMs) {
            process.waitForReadyRead(1000);
            output += process.readAll();
            if (output.contains(m_marker)) {
                // Right at the load the main process holds some 70 MB for a moment: a reading
                // then catches it or not, and the memory of the same program jumps between
                // starts. A moment later it has settled.
                QThread::msleep(static_cast<unsigned long>(settleMs));
                pss = ProcessMetrics::pssOfTree(process.processId());
            }
        }
        const bool finished = process.waitForFinished(kTimeoutMs);
        Run run = finish(process, finished, output + process.readAll());
        if (run.ok && pss.kilobytes <= 0) {
            run.ok = false;
            run.problem = QStringLiteral("the program had ended before its memory was read");
        }
        run.value = static_cast<double>(pss.kilobytes);
        run.privateKilobytes = static_cast<double>(pss.privateKilobytes);
        run.processes = pss.processes;
        return run;
    }

private:
    void prepare(QProcess &process) const
    {
        process.setProgram(m_program);
        process.setArguments(m_arguments);
        process.setProcessEnvironment(m_environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        if (!m_workdir.isEmpty())
            process.setWorkingDirectory(m_workdir);
    }

    Run finish(QProcess &process, bool finished, const QByteArray &output) const
    {
        Run run;
        if (!finished) {
            process.kill();
            process.waitForFinished();
            run.problem = QStringLiteral("no exit within %1 s").arg(kTimeoutMs / 1000);
        } else if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            run.problem = QStringLiteral("exit status %1").arg(process.exitCode());
        } else if (!output.contains(m_marker)) {
            // A start that never showed the page (a hand-over to a running instance, a
            // missing page) would look fast: it does not count.
            run.problem =
                QStringLiteral("the output never said \"%1\"").arg(QString::fromUtf8(m_marker));
        } else {
            run.ok = true;
        }
        if (!run.ok)
            std::fprintf(stderr, "bench_start: %s: %s\n%s\n", qPrintable(m_program),
                         qPrintable(run.problem), output.right(2000).constData());
        return run;
    }

    QTemporaryDir m_ownState;
    QProcessEnvironment m_environment;
    QString m_program;
    QStringList m_arguments;
    QString m_workdir;
    QByteArray m_marker;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption labelOption(QStringLiteral("label"), QStringLiteral("name in RESULT"),
                                         QStringLiteral("name"), QStringLiteral("program"));
    const QCommandLineOption measureOption(QStringLiteral("measure"),
                                           QStringLiteral("start or pss"), QStringLiteral("what"),
                                           QStringLiteral("start"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("timed starts"),
                                        QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption warmUpOption(QStringLiteral("warmups"),
                                          QStringLiteral("untimed starts first"),
                                          QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption stateOption(QStringLiteral("state"),
                                         QStringLiteral("the program's state folders, kept "
                                                        "between calls (default: a fresh one)"),
                                         QStringLiteral("path"));
    const QCommandLineOption workdirOption(QStringLiteral("workdir"),
                                           QStringLiteral("the program's working folder"),
                                           QStringLiteral("path"));
    const QCommandLineOption settleOption(QStringLiteral("settle"),
                                          QStringLiteral("ms from the marker to the memory "
                                                         "reading"),
                                          QStringLiteral("ms"), QStringLiteral("500"));
    const QCommandLineOption markerOption(QStringLiteral("marker"),
                                          QStringLiteral("output that says the page loaded"),
                                          QStringLiteral("text"), QStringLiteral("bench-loaded"));
    parser.addOptions({labelOption, measureOption, runsOption, warmUpOption, stateOption,
                       workdirOption, settleOption, markerOption});
    parser.addPositionalArgument(QStringLiteral("program"), QStringLiteral("-- program [args]"));
    parser.process(application);
    QStringList command = parser.positionalArguments();
    const QString measure = parser.value(measureOption);
    if (command.isEmpty()
        || (measure != QLatin1String("start") && measure != QLatin1String("pss"))) {
        parser.showHelp(1);
    }

    const QString program = command.takeFirst();
    Starter starter(program, command, parser.value(workdirOption), parser.value(stateOption),
                    parser.value(markerOption).toUtf8());
    const bool pss = measure == QLatin1String("pss");
    const auto once = [&] {
        return pss ? starter.pssAfterMarker(qMax(0, parser.value(settleOption).toInt()))
                   : starter.timeStart();
    };
    // A first start fills the state folders and the disk cache: it is not timed.
    for (int i = 0; i < parser.value(warmUpOption).toInt(); ++i) {
        if (!once().ok)
            return 1;
    }
    const int timedRuns = parser.value(runsOption).toInt();
    if (timedRuns <= 0)
        return 0;
    QVector<double> values;
    QJsonArray runs;
    QJsonArray processes;
    QVector<double> privateValues;
    for (int i = 0; i < timedRuns; ++i) {
        const Run run = once();
        if (!run.ok)
            return 1;
        values.append(run.value);
        runs.append(run.value);
        processes.append(run.processes);
        privateValues.append(run.privateKilobytes);
    }

    const QString label = parser.value(labelOption);
    const double median = BenchTable::median(values);
    QJsonObject result;
    result.insert(QStringLiteral("program"), measure + QLatin1Char('-') + label);
    result.insert(pss ? QStringLiteral("pssKb") : QStringLiteral("startMs"), median);
    result.insert(QStringLiteral("runs"), runs);
    if (pss) {
        result.insert(QStringLiteral("privateKb"), BenchTable::median(privateValues));
        result.insert(QStringLiteral("processes"), processes);
    }
    std::printf("%s %s: median %.1f %s of %d\n", qPrintable(label), qPrintable(measure), median,
                pss ? "KB" : "ms", values.size());
    std::printf("RESULT %s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    return 0;
}
