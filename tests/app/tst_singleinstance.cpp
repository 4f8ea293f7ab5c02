// The single-instance guard between real processes of the real program.
#include "testpaths.h"

#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>
#include <csignal>
#include <memory>

namespace {

// Windows titled Tapwise that belong to the process, as the X server sees them. Other tests may
// have Tapwise windows on the same display, so the process id tells ours apart.
QStringList tapwiseWindows(const QProcess &process, bool onlyVisible)
{
    QStringList arguments {QStringLiteral("search"), QStringLiteral("--all")};
    if (onlyVisible)
        arguments << QStringLiteral("--onlyvisible");
    arguments << QStringLiteral("--pid") << QString::number(process.processId())
              << QStringLiteral("--name") << QStringLiteral("^Tapwise$");
    QProcess search;
    search.start(QStringLiteral("xdotool"), arguments);
    search.waitForFinished(5000);
    return QString::fromLocal8Bit(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// Position among the root window's children, from the top of the stack; -1 when absent.
int stackingIndex(WId window)
{
    QProcess query;
    query.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-children")});
    query.waitForFinished(5000);
    const QStringList lines = QString::fromLocal8Bit(query.readAllStandardOutput()).split('\n');
    int index = 0;
    for (const QString &line : lines) {
        const QString id = line.trimmed().section(QLatin1Char(' '), 0, 0);
        if (!id.startsWith(QLatin1String("0x")))
            continue;
        if (id.toULongLong(nullptr, 16) == window)
            return index;
        ++index;
    }
    return -1;
}

int visibleCount(const QProcess &process)
{
    return tapwiseWindows(process, true).size();
}

} // namespace

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void secondStartHandsOverAndExits();
    void secondStartThroughHostReturnsZero();
    void secondStartRaisesACoveredPrimary();
    void staleSocketAfterKillIsTakenOver();

private:
    std::unique_ptr<QProcess> startProgram(const QString &program,
                                           const QStringList &arguments = {});
    std::unique_ptr<QProcess> startPrimary();
    QString socketPath() const;
    bool primaryAnswers() const;

    QTemporaryDir m_workingDirectory;
    std::vector<std::unique_ptr<QProcess>> m_children;
};

void SingleInstanceTest::init()
{
    QVERIFY(m_workingDirectory.isValid());
}

void SingleInstanceTest::cleanup()
{
    for (auto &child : m_children) {
        if (child->state() != QProcess::NotRunning) {
            child->kill();
            child->waitForFinished(10000);
        }
    }
    m_children.clear();
    QFile::remove(socketPath());
}

QString SingleInstanceTest::socketPath() const
{
    return qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/docmill_win");
}

bool SingleInstanceTest::primaryAnswers() const
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    return socket.waitForConnected(1000);
}

std::unique_ptr<QProcess> SingleInstanceTest::startProgram(const QString &program,
                                                           const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setWorkingDirectory(m_workingDirectory.path());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program, arguments);
    return process;
}

std::unique_ptr<QProcess> SingleInstanceTest::startPrimary()
{
    auto primary = startProgram(TestPaths::outputDir() + QStringLiteral("/tapwise"));
    if (!primary->waitForStarted(10000))
        return nullptr;
    // The primary is ready when its window is on screen and its guard answers.
    for (int attempt = 0; attempt < 300 && !(visibleCount(*primary) == 1 && primaryAnswers());
         ++attempt)
        QTest::qWait(100);
    return primary;
}

void SingleInstanceTest::secondStartHandsOverAndExits()
{
    auto primary = startPrimary();
    QVERIFY(primary);
    QTRY_COMPARE_WITH_TIMEOUT(visibleCount(*primary), 1, 30000);

    auto second = startProgram(TestPaths::outputDir() + QStringLiteral("/tapwise"));
    QVERIFY(second->waitForFinished(15000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    // A second instance that had built a window would be running its event loop, not exited.
    QCOMPARE(tapwiseWindows(*primary, false).size(), 1);
    QCOMPARE(primary->state(), QProcess::Running);
    m_children.push_back(std::move(primary));
}

void SingleInstanceTest::secondStartThroughHostReturnsZero()
{
    auto primary = startPrimary();
    QVERIFY(primary);
    QTRY_COMPARE_WITH_TIMEOUT(visibleCount(*primary), 1, 30000);

    auto host = startProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/shellhost"),
                             {TestPaths::outputDir() + QStringLiteral("/libtapwiseshell.so"),
                              TestPaths::outputDir() + QStringLiteral("/plugins")});
    QVERIFY(host->waitForFinished(15000));
    QCOMPARE(host->exitCode(), 0);
    QVERIFY(host->readAllStandardOutput().contains("runMain returned 0"));
    QCOMPARE(tapwiseWindows(*primary, false).size(), 1);
    m_children.push_back(std::move(primary));
}

void SingleInstanceTest::secondStartRaisesACoveredPrimary()
{
    auto primary = startPrimary();
    QVERIFY(primary);
    QTRY_COMPARE_WITH_TIMEOUT(visibleCount(*primary), 1, 30000);
    const WId tapwise = tapwiseWindows(*primary, true).first().toULongLong(nullptr, 0);

    // A window of another program laid over the running instance.
    QWidget cover;
    cover.setWindowTitle(QStringLiteral("cover"));
    cover.setGeometry(0, 0, 1600, 1000);
    cover.show();
    cover.raise();
    QVERIFY(QTest::qWaitForWindowExposed(&cover));
    QTRY_VERIFY_WITH_TIMEOUT(stackingIndex(cover.winId()) < stackingIndex(tapwise), 10000);

    auto second = startProgram(TestPaths::outputDir() + QStringLiteral("/tapwise"));
    QVERIFY(second->waitForFinished(15000));
    QCOMPARE(second->exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(stackingIndex(tapwise) < stackingIndex(cover.winId()), 10000);
    QCOMPARE(visibleCount(*primary), 1);
    m_children.push_back(std::move(primary));
}

void SingleInstanceTest::staleSocketAfterKillIsTakenOver()
{
    auto first = startPrimary();
    QVERIFY(first);
    QTRY_COMPARE_WITH_TIMEOUT(visibleCount(*first), 1, 30000);
    ::kill(static_cast<pid_t>(first->processId()), SIGKILL);
    QVERIFY(first->waitForFinished(10000));
    QVERIFY(QFileInfo::exists(socketPath()));
    QVERIFY(!primaryAnswers());

    auto next = startPrimary();
    QVERIFY(next);
    QTRY_COMPARE_WITH_TIMEOUT(visibleCount(*next), 1, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(primaryAnswers(), 10000);
    QCOMPARE(next->state(), QProcess::Running);

    auto third = startProgram(TestPaths::outputDir() + QStringLiteral("/tapwise"));
    QVERIFY(third->waitForFinished(15000));
    QCOMPARE(third->exitCode(), 0);
    QCOMPARE(next->state(), QProcess::Running);
    m_children.push_back(std::move(next));
}

QTEST_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
