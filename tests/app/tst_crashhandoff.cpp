// The crash hand-off end to end: real children that install the handler and crash, with a
// recording stand-in for the writer beside their executable.

#include "crashtestsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <unistd.h>
#include <xcb/xcb.h>

using namespace CrashTest;

namespace {

class CrashHandoffTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_directory = m_folder.path().toStdString();
        m_application = uniqueName("CrashTest");
        // The child runs from a folder of its own, where the writer is looked for; the working
        // directory is another one.
        ASSERT_TRUE(QDir().mkpath(programFolder()));
        ASSERT_TRUE(QFile::copy(QStringLiteral(TAPWISE_CRASH_CHILD), child()));
    }

    void TearDown() override
    {
        removeSharedBlock(mappingName());
        for (const pid_t pid : m_others)
            removeSharedBlock(mappingName() + "_" + std::to_string(pid));
    }

    QString programFolder() const { return m_folder.filePath(QStringLiteral("program")); }
    QString child() const { return programFolder() + QStringLiteral("/crashchild"); }
    std::string writerPath() const { return programFolder().toStdString() + "/mindump"; }

    void provideWriter()
    {
        ASSERT_TRUE(
            QFile::link(QStringLiteral(TAPWISE_FAKE_WRITER), QString::fromStdString(writerPath())));
    }

    ChildRun crash(const std::string &mode, const std::vector<std::string> &environment = {},
                   const std::string &directory = std::string())
    {
        return run(child().toStdString(), {mode, m_application},
                   directory.empty() ? m_directory : directory, environment);
    }

    std::string mappingName() const { return "Mapping_" + m_application + "DumpData"; }
    std::string file(const std::string &name) const { return m_directory + "/" + name; }

    static bool waitFor(const std::string &path, int seconds = 20)
    {
        for (int i = 0; i < seconds * 1000 && !exists(path); ++i)
            usleep(1000);
        return exists(path);
    }

    // What every hand-off must have left: the writer beside the executable started as
    // " <app> <mapping>", by the child, with a block naming the child and its crashing thread.
    void expectHandedOff(const ChildRun &child, const std::string &directory = std::string(),
                         const std::string &mapping = std::string())
    {
        const std::string folder = directory.empty() ? m_directory : directory;
        auto in = [&folder](const std::string &name) {
            return folder + "/" + name;
        };
        ChildRecord record;
        ASSERT_TRUE(readChildRecord(folder, &record));
        EXPECT_EQ(record.pid, child.pid);

        ASSERT_TRUE(exists(in("writer-args.txt"))) << "the writer was not started";
        const std::vector<std::string> arguments = lines(readFile(in("writer-args.txt")));
        ASSERT_EQ(arguments.size(), 3u);
        EXPECT_EQ(arguments[0], writerPath());
        EXPECT_EQ(arguments[1], m_application);
        EXPECT_EQ(arguments[2], mapping.empty() ? mappingName() : mapping);

        const std::vector<std::string> pids = lines(readFile(in("writer-pids.txt")));
        ASSERT_EQ(pids.size(), 1u);
        EXPECT_EQ(pids[0].substr(pids[0].find(' ') + 1), std::to_string(child.pid))
            << "the writer is not the crashed process's child";

        // Only the standard streams: the crashed process's sockets and files stay its own.
        for (const std::string &descriptor : lines(readFile(in("writer-fds.txt"))))
            EXPECT_LE(std::stoi(descriptor), 2) << "the writer inherited descriptor " << descriptor;

        const BlockFields block = parseBlock(readFile(in("writer-block.bin")));
        EXPECT_EQ(block.size, 1024u);
        EXPECT_EQ(block.processId, static_cast<unsigned>(child.pid));
        EXPECT_EQ(block.threadId, static_cast<unsigned>(record.thread));
        EXPECT_NE(block.recordAddress, 0u);
        EXPECT_TRUE(block.restIsZero);

        EXPECT_FALSE(sharedBlockExists(arguments[2])) << "the block outlived the hand-off";
    }

    QTemporaryDir m_folder {QDir::currentPath() + QStringLiteral("/handoff-XXXXXX")};
    std::string m_directory;
    std::string m_application;
    std::vector<pid_t> m_others;
};

// A child crashing on a thread of its own, its writer held at the gate until release().
class GatedCrash
{
public:
    GatedCrash(std::function<ChildRun()> start, std::string directory)
        : m_directory(std::move(directory))
        , m_thread([this, start] { m_run = start(); })
    { }
    ~GatedCrash()
    {
        release();
        if (m_thread.joinable())
            m_thread.join();
    }
    void release() { touch(m_directory + "/release"); }
    ChildRun finish()
    {
        release();
        m_thread.join();
        return m_run;
    }

private:
    static void touch(const std::string &path)
    {
        QFile marker(QString::fromStdString(path));
        marker.open(QIODevice::WriteOnly);
    }
    std::string m_directory;
    ChildRun m_run;
    std::thread m_thread;
};

TEST_F(CrashHandoffTest, FaultOnGuiThreadHandsOffAndEndsWithItsSignal)
{
    provideWriter();
    const ChildRun child = crash("gui");
    EXPECT_TRUE(child.killedBy(SIGSEGV)) << "status " << child.status;
    expectHandedOff(child);
    ChildRecord record;
    ASSERT_TRUE(readChildRecord(m_directory, &record));
    EXPECT_EQ(record.thread, record.pid) << "the GUI thread is the main thread";
}

TEST_F(CrashHandoffTest, FaultOnWorkerThreadNamesThatThread)
{
    provideWriter();
    const ChildRun child = crash("worker");
    EXPECT_TRUE(child.killedBy(SIGSEGV)) << "status " << child.status;
    expectHandedOff(child);
    ChildRecord record;
    ASSERT_TRUE(readChildRecord(m_directory, &record));
    EXPECT_NE(record.thread, record.pid);
}

TEST_F(CrashHandoffTest, AbortHandsOffAndEndsWithSigabrt)
{
    provideWriter();
    const ChildRun child = crash("abort");
    EXPECT_TRUE(child.killedBy(SIGABRT)) << "status " << child.status;
    expectHandedOff(child);
}

TEST_F(CrashHandoffTest, UncaughtExceptionReachesTheFilterThroughTerminate)
{
    provideWriter();
    const ChildRun child = crash("terminate");
    EXPECT_TRUE(child.killedBy(SIGABRT)) << "status " << child.status;
    expectHandedOff(child);
}

TEST_F(CrashHandoffTest, StackOverflowOnGuiThreadIsHandedOffFromTheAlternateStack)
{
    provideWriter();
    const ChildRun child = crash("overflow");
    EXPECT_TRUE(child.killedBy(SIGSEGV)) << "status " << child.status;
    expectHandedOff(child);
}

TEST_F(CrashHandoffTest, SecondFaultInsideTheFilterEndsTheProcessAtOnce)
{
    provideWriter();
    // The first fault is SIGFPE; the second, inside the filter, SIGSEGV. Without the check
    // for re-entry the thread would wait for the lock it holds itself, for ever.
    const ChildRun child = crash("second", {"TAPWISE_FAKE_WRITER=gate"});
    EXPECT_TRUE(child.endedByItself) << "the child hung in its own filter";
    EXPECT_TRUE(child.killedBy(SIGSEGV)) << "status " << child.status;
    EXPECT_TRUE(exists(file("writer-args.txt"))) << "the first fault did not reach the writer";
    const BlockFields block = parseBlock(readFile(file("writer-block.bin")));
    EXPECT_EQ(block.processId, static_cast<unsigned>(child.pid));
}

TEST_F(CrashHandoffTest, WithoutWriterTheChildStillEndsAndLeavesNoBlock)
{
    const ChildRun child = crash("gui");
    EXPECT_TRUE(child.killedBy(SIGSEGV)) << "status " << child.status;
    EXPECT_FALSE(exists(file("writer-args.txt")));
    EXPECT_FALSE(sharedBlockExists(mappingName()));
}

TEST_F(CrashHandoffTest, ApplicationNameWithBlanksAndChineseStaysOneArgument)
{
    m_application = uniqueName("打字 练习 ");
    provideWriter();
    const ChildRun child = crash("gui");
    EXPECT_TRUE(child.killedBy(SIGSEGV)) << "status " << child.status;
    expectHandedOff(child);
}

TEST_F(CrashHandoffTest, StaleBlockOfAnEarlierCrashIsTakenOver)
{
    // A process that faulted again inside its filter leaves its block behind.
    provideWriter();
    ChildRun first = crash("second", {"TAPWISE_FAKE_WRITER=gate"});
    ASSERT_TRUE(first.killedBy(SIGSEGV));
    ASSERT_TRUE(sharedBlockExists(mappingName())) << "precondition: a block is left over";
    for (const char *name : {"writer-args.txt", "writer-block.bin", "writer-pids.txt",
                             "writer-fds.txt", "writer-done.txt", "release", "child.txt"})
        QFile::remove(QString::fromStdString(file(name)));

    const ChildRun child = crash("gui");
    EXPECT_TRUE(child.killedBy(SIGSEGV)) << "status " << child.status;
    expectHandedOff(child);
}

TEST_F(CrashHandoffTest, PlantedWriterInTheWorkingDirectoryNeverRuns)
{
    provideWriter();
    QFile planted(QString::fromStdString(file("mindump")));
    ASSERT_TRUE(planted.open(QIODevice::WriteOnly));
    planted.write("#!/bin/sh\ntouch planted-ran\n");
    planted.close();
    planted.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                           | QFileDevice::ExeOwner);
    const ChildRun child = crash("gui");
    EXPECT_TRUE(child.killedBy(SIGSEGV)) << "status " << child.status;
    EXPECT_FALSE(exists(file("planted-ran"))) << "a program from the working directory ran";
    expectHandedOff(child);
}

TEST_F(CrashHandoffTest, ExecutableFolderTooLongForTheWriterPathHandsNothingOff)
{
    // A cut path would name some other program.
    QString deep = programFolder();
    while (deep.size() < 300)
        deep += QStringLiteral("/deeper-folder-name");
    ASSERT_TRUE(QDir().mkpath(deep));
    ASSERT_TRUE(QFile::copy(child(), deep + QStringLiteral("/crashchild")));
    ASSERT_TRUE(
        QFile::link(QStringLiteral(TAPWISE_FAKE_WRITER), deep + QStringLiteral("/mindump")));
    const ChildRun child = run((deep + QStringLiteral("/crashchild")).toStdString(),
                               {"gui", m_application}, m_directory);
    EXPECT_TRUE(child.killedBy(SIGSEGV)) << "status " << child.status;
    EXPECT_FALSE(exists(file("writer-args.txt")));
}

TEST_F(CrashHandoffTest, TwoCrashesAtOnceKeepTheirOwnBlocks)
{
    // Two instances of one program with separate working folders crash together: the second
    // must neither take over nor remove the block the first one's writer still reads.
    provideWriter();
    QTemporaryDir secondFolder(QDir::currentPath() + QStringLiteral("/handoff-XXXXXX"));
    const std::string second = secondFolder.path().toStdString();
    GatedCrash first([this] { return crash("gui", {"TAPWISE_FAKE_WRITER=gate"}); }, m_directory);
    ASSERT_TRUE(waitFor(file("writer-args.txt"))) << "the first writer did not start";

    const ChildRun other = crash("gui", {"TAPWISE_FAKE_WRITER=record"}, second);
    m_others.push_back(other.pid);
    EXPECT_TRUE(other.killedBy(SIGSEGV)) << "status " << other.status;
    expectHandedOff(other, second, mappingName() + "_" + std::to_string(other.pid));
    EXPECT_TRUE(sharedBlockExists(mappingName())) << "the first hand-off lost its block";

    const ChildRun firstRun = first.finish();
    EXPECT_TRUE(firstRun.killedBy(SIGSEGV)) << "status " << firstRun.status;
    expectHandedOff(firstRun);
}

TEST_F(CrashHandoffTest, TerminationRequestDuringTheHandOffStillRemovesTheBlock)
{
    provideWriter();
    GatedCrash gated([this] { return crash("gui", {"TAPWISE_FAKE_WRITER=gate"}); }, m_directory);
    ASSERT_TRUE(waitFor(file("writer-args.txt")));
    ChildRecord record;
    ASSERT_TRUE(readChildRecord(m_directory, &record));
    ASSERT_TRUE(sharedBlockExists(mappingName()));
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        kill(static_cast<pid_t>(record.pid), signal);
    usleep(200000);
    const ChildRun child = gated.finish();
    EXPECT_TRUE(child.killedBy(SIGSEGV)) << "status " << child.status;
    EXPECT_FALSE(sharedBlockExists(mappingName())) << "the block outlived the hand-off";
}

TEST_F(CrashHandoffTest, WindowLeavesTheScreenAsTheHandOffStarts)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs a display";
    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t *)> display(
        xcb_connect(nullptr, nullptr), xcb_disconnect);
    ASSERT_EQ(xcb_connection_has_error(display.get()), 0);
    provideWriter();
    GatedCrash gated([this] { return crash("window", {"TAPWISE_FAKE_WRITER=gate"}); }, m_directory);
    ASSERT_TRUE(waitFor(file("writer-args.txt")));
    const std::vector<std::string> ids = lines(readFile(file("window.txt")));
    ASSERT_EQ(ids.size(), 1u);
    const xcb_window_t window = static_cast<xcb_window_t>(std::stoul(ids[0]));

    // While the writer still works, the window is no longer viewable (or no longer exists).
    xcb_generic_error_t *error = nullptr;
    std::unique_ptr<xcb_get_window_attributes_reply_t, void (*)(void *)> attributes(
        xcb_get_window_attributes_reply(display.get(),
                                        xcb_get_window_attributes(display.get(), window), &error),
        std::free);
    std::free(error);
    if (attributes) {
        EXPECT_NE(attributes->map_state, XCB_MAP_STATE_VIEWABLE);
    }
    EXPECT_FALSE(exists(file("writer-done.txt")));

    const ChildRun child = gated.finish();
    EXPECT_TRUE(child.killedBy(SIGSEGV)) << "status " << child.status;
    expectHandedOff(child);
}

} // namespace
