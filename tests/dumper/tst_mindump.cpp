// The dump writer: real crashing children hand their crash to the real mindump, whose core
// must open in gdb with the crashing thread's stack; blocks that describe no crashed parent
// are refused; a traced process is always let go.

#include "crashtestsupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

using namespace CrashTest;

namespace {

constexpr int kNoCrash = 2;

std::string runGdb(const std::string &program, const std::string &core, const std::string &commands)
{
    const std::string line = "gdb -batch -nx -iex 'set debuginfod enabled off' " + commands + " '"
        + program + "' '" + core + "' 2>&1";
    std::string output;
    FILE *pipe = popen(line.c_str(), "r");
    if (!pipe)
        return output;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    pclose(pipe);
    return output;
}

char processState(pid_t pid)
{
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t end = stat.rfind(')');
    return end == std::string::npos || end + 2 >= stat.size() ? 0 : stat[end + 2];
}

class MindumpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_directory = m_folder.path().toStdString();
        m_application = uniqueName("DumpTest");
        ASSERT_TRUE(QFile::link(QStringLiteral(TAPWISE_MINDUMP), m_folder.filePath("mindump")));
        // The hand-off starts the writer beside the crashing program: a copy, not a link, so
        // that the child's own path is this folder.
        ASSERT_TRUE(
            QFile::copy(QStringLiteral(TAPWISE_CRASH_CHILD), m_folder.filePath("crashchild")));
        m_child = m_directory + "/crashchild";
    }

    void TearDown() override { removeSharedBlock(mappingName()); }

    std::string mappingName() const { return "Mapping_" + m_application + "DumpData"; }
    std::string dataHome() const { return m_directory + "/data"; }
    QDir crashFolder() const
    {
        return QDir(QString::fromStdString(dataHome()) + QStringLiteral("/Tapwise/crashes"));
    }
    QStringList crashFiles(const QString &pattern) const
    {
        return crashFolder().entryList({pattern}, QDir::Files);
    }
    std::string crashFile(const QString &pattern) const
    {
        const QStringList files = crashFiles(pattern);
        return files.size() == 1 ? crashFolder().filePath(files.first()).toStdString()
                                 : std::string();
    }

    ChildRun crash(const std::string &mode)
    {
        return run(m_child, {mode, m_application}, m_directory, {"XDG_DATA_HOME=" + dataHome()});
    }

    ChildRun runWriter()
    {
        return run(TAPWISE_MINDUMP, {m_application, mappingName()}, m_directory,
                   {"XDG_DATA_HOME=" + dataHome()});
    }

    void writeBlock(unsigned int processId, unsigned int threadId, const void *record)
    {
        const int fd = shm_open(("/" + mappingName()).c_str(), O_RDWR | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        unsigned char block[1024] = {};
        const uintptr_t address = reinterpret_cast<uintptr_t>(record);
        std::memcpy(block, &processId, 4);
        std::memcpy(block + 4, &threadId, 4);
        std::memcpy(block + 8, &address, sizeof address);
        ASSERT_EQ(pwrite(fd, block, sizeof block, 0), static_cast<ssize_t>(sizeof block));
        close(fd);
    }

    QTemporaryDir m_folder {QDir::currentPath() + QStringLiteral("/mindump-XXXXXX")};
    std::string m_directory;
    std::string m_child;
    std::string m_application;
};

TEST_F(MindumpTest, CoreOfGuiThreadFaultShowsTheFaultingFunctionInGdb)
{
    const ChildRun child = crash("gui");
    ASSERT_TRUE(child.killedBy(SIGSEGV)) << "status " << child.status;
    const std::string core = crashFile(QStringLiteral("*.core"));
    ASSERT_FALSE(core.empty()) << "no core in " << crashFolder().path().toStdString();

    const std::string output = runGdb(m_child, core, "-ex bt");
    EXPECT_NE(output.find("Program terminated with signal SIGSEGV"), std::string::npos) << output;
    EXPECT_NE(output.find("crashOnGuiThread"), std::string::npos) << output;
    EXPECT_NE(output.find("main"), std::string::npos) << output;
}

TEST_F(MindumpTest, CoreOfWorkerThreadFaultStartsWithThatThread)
{
    const ChildRun child = crash("worker");
    ASSERT_TRUE(child.killedBy(SIGSEGV)) << "status " << child.status;
    const std::string core = crashFile(QStringLiteral("*.core"));
    ASSERT_FALSE(core.empty());

    const std::string output = runGdb(m_child, core, "-ex bt -ex 'info threads'");
    EXPECT_NE(output.find("crashOnWorkerThread"), std::string::npos) << output;
    // The GUI thread is in the core too, waiting in its event loop.
    EXPECT_NE(output.find("  2    "), std::string::npos) << output;
}

TEST_F(MindumpTest, AbortCoreShowsTheAbortingFunction)
{
    const ChildRun child = crash("abort");
    ASSERT_TRUE(child.killedBy(SIGABRT)) << "status " << child.status;
    const std::string core = crashFile(QStringLiteral("*.core"));
    ASSERT_FALSE(core.empty());
    const std::string output = runGdb(m_child, core, "-ex bt");
    EXPECT_NE(output.find("abortOnGuiThread"), std::string::npos) << output;
}

TEST_F(MindumpTest, SummaryNamesProgramProcessThreadSignalAndTime)
{
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const ChildRun child = crash("worker");
    ASSERT_TRUE(child.killedBy(SIGSEGV));
    ChildRecord record;
    ASSERT_TRUE(readChildRecord(m_directory, &record));

    const std::string summary = readFile(crashFile(QStringLiteral("*.txt")));
    EXPECT_NE(summary.find("Program: " + m_child), std::string::npos) << summary;
    EXPECT_NE(summary.find("Process id: " + std::to_string(child.pid) + "\n"), std::string::npos)
        << summary;
    EXPECT_NE(summary.find("Thread id: " + std::to_string(record.thread) + "\n"), std::string::npos)
        << summary;
    EXPECT_NE(summary.find("Signal: SIGSEGV (11)"), std::string::npos) << summary;
    const size_t time = summary.find("Time: ");
    ASSERT_NE(time, std::string::npos);
    const QDateTime written = QDateTime::fromString(
        QString::fromStdString(summary.substr(time + 6, summary.find('\n', time) - time - 6)),
        Qt::ISODate);
    EXPECT_TRUE(written.isValid()) << summary;
    EXPECT_GE(written, before.addSecs(-1));
    EXPECT_LE(written, QDateTime::currentDateTime().addSecs(1));
}

TEST_F(MindumpTest, CrashFolderAndFilesAreTheUsersOnly)
{
    ASSERT_TRUE(crash("gui").killedBy(SIGSEGV));
    ASSERT_EQ(crashFiles(QStringLiteral("*")).size(), 2);
    EXPECT_EQ(QFile::permissions(crashFolder().path()) & 0x0077, 0);
    for (const QString &name : crashFiles(QStringLiteral("*")))
        EXPECT_EQ(QFile::permissions(crashFolder().filePath(name)) & 0x0077, 0)
            << name.toStdString();
}

TEST_F(MindumpTest, RefusesMissingBlock)
{
    const ChildRun writer = runWriter();
    ASSERT_TRUE(writer.endedByItself);
    EXPECT_EQ(WEXITSTATUS(writer.status), kNoCrash);
    EXPECT_TRUE(crashFiles(QStringLiteral("*")).isEmpty());
}

TEST_F(MindumpTest, RefusesBlockOfProcessThatNoLongerExists)
{
    const pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    ASSERT_GT(gone, 0);
    int status;
    ASSERT_EQ(waitpid(gone, &status, 0), gone);
    siginfo_t record {};
    writeBlock(static_cast<unsigned>(gone), static_cast<unsigned>(gone), &record);

    const ChildRun writer = runWriter();
    ASSERT_TRUE(writer.endedByItself);
    EXPECT_EQ(WEXITSTATUS(writer.status), kNoCrash);
    EXPECT_TRUE(crashFiles(QStringLiteral("*")).isEmpty());
}

TEST_F(MindumpTest, RefusesLiveProcessThatDidNotStartIt)
{
    pid_t bystander = -1;
    char sleepProgram[] = "sleep";
    char seconds[] = "30";
    char *argv[] = {sleepProgram, seconds, nullptr};
    ASSERT_EQ(posix_spawnp(&bystander, "sleep", nullptr, nullptr, argv, environ), 0);
    writeBlock(static_cast<unsigned>(bystander), static_cast<unsigned>(bystander), argv);

    const ChildRun writer = runWriter();
    EXPECT_TRUE(writer.endedByItself);
    EXPECT_EQ(WEXITSTATUS(writer.status), kNoCrash);
    EXPECT_EQ(processState(bystander), 'S') << "the bystander was stopped";
    EXPECT_TRUE(crashFiles(QStringLiteral("*")).isEmpty());
    kill(bystander, SIGKILL);
    int status;
    waitpid(bystander, &status, 0);
}

TEST_F(MindumpTest, RefusesThreadThatIsNotOneOfTheProcess)
{
    siginfo_t record {};
    // Our own process (the writer's parent), but a thread id of some other process.
    writeBlock(static_cast<unsigned>(getpid()), 1, &record);
    const ChildRun writer = runWriter();
    ASSERT_TRUE(writer.endedByItself);
    EXPECT_EQ(WEXITSTATUS(writer.status), kNoCrash);
    EXPECT_TRUE(crashFiles(QStringLiteral("*")).isEmpty());
}

TEST_F(MindumpTest, DumpsItsLiveParentAndLetsEveryThreadRunOn)
{
    // The parent stands in for a crashed process: it waits for the writer, which stops it,
    // copies it and must let it go again.
    prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
    std::atomic<bool> stop {false};
    std::atomic<long> ticks {0};
    std::thread worker([&] {
        while (!stop)
            ++ticks;
    });
    siginfo_t record {};
    record.si_signo = SIGUSR1;
    writeBlock(static_cast<unsigned>(getpid()), static_cast<unsigned>(syscall(SYS_gettid)),
               &record);

    const ChildRun writer = runWriter();
    ASSERT_TRUE(writer.endedByItself);
    EXPECT_EQ(WEXITSTATUS(writer.status), 0);

    const long before = ticks;
    usleep(20000);
    EXPECT_GT(ticks.load(), before) << "the worker thread was left stopped";
    stop = true;
    worker.join();
    EXPECT_EQ(processState(getpid()), 'R');

    const std::string core = crashFile(QStringLiteral("*.core"));
    ASSERT_FALSE(core.empty());
    const std::string output =
        runGdb("/proc/" + std::to_string(getpid()) + "/exe", core, "-ex bt -ex 'info threads'");
    EXPECT_NE(output.find("CrashTest::run"), std::string::npos) << output;
    EXPECT_NE(output.find("  2    "), std::string::npos) << output;
    EXPECT_NE(readFile(crashFile(QStringLiteral("*.txt"))).find("Signal: SIGUSR1"),
              std::string::npos);
}

} // namespace
