// Times a second Tapwise start (connect, hand over, exit) against a bare QApplication start.
// Usage: bench_second_instance [runs]   (needs a display; run under xvfb-run -a)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double runOnce(const QString &program, const QString &workingDirectory)
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(program, QStringList());
    process.waitForFinished(30000);
    const double elapsed = timer.nsecsElapsed() / 1e6;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        std::fprintf(stderr, "%s ended with %d\n", qPrintable(program), process.exitCode());
    return elapsed;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    const QString tapwise = QStringLiteral(TAPWISE_OUTPUT_DIR "/tapwise");
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

    QProcess primary;
    primary.setWorkingDirectory(QStringLiteral(TAPWISE_OUTPUT_DIR));
    primary.setProcessChannelMode(QProcess::ForwardedChannels);
    primary.start(tapwise, QStringList());
    bool ready = false;
    for (int attempt = 0; attempt < 300 && !ready; ++attempt) {
        QThread::msleep(100);
        QLocalSocket probe;
        probe.connectToServer(runtime.path() + QStringLiteral("/docmill_win"));
        ready = probe.waitForConnected(200);
    }
    if (!ready) {
        std::fprintf(stderr, "the first instance did not start listening\n");
        return 1;
    }
    QThread::msleep(2000); // let the first instance finish loading its page

    std::vector<double> second, bare;
    for (int i = 0; i < runs; ++i) {
        second.push_back(runOnce(tapwise, QStringLiteral(TAPWISE_OUTPUT_DIR)));
        bare.push_back(runOnce(QStringLiteral(BARE_PROGRAM), QStringLiteral(TAPWISE_OUTPUT_DIR)));
    }
    primary.kill();
    primary.waitForFinished(10000);

    const double secondMedian = median(second);
    const double bareMedian = median(bare);
    std::printf("runs: %d (interleaved)\n", runs);
    std::printf("%-32s %10s %10s %10s\n", "program", "median ms", "min ms", "max ms");
    std::printf("%-32s %10.1f %10.1f %10.1f\n", "tapwise, second instance", secondMedian,
                *std::min_element(second.begin(), second.end()),
                *std::max_element(second.begin(), second.end()));
    std::printf("%-32s %10.1f %10.1f %10.1f\n", "bare QApplication", bareMedian,
                *std::min_element(bare.begin(), bare.end()),
                *std::max_element(bare.begin(), bare.end()));
    std::printf("ratio: %.2f (target <= 1.20)\n", secondMedian / bareMedian);
    return 0;
}
