// The crash hand-off end to end: real children that install the handler and crash, with a
// recording stand-in for the writer in their working directory.

#include "crashtestsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

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
    }

    void TearDown() override { removeSharedBlock(mappingName()); }

    void provideWriter()
    {
        ASSERT_TRUE(QFile::link(QStringLiteral(TAPWISE_FAKE_WRITER), m_folder.filePath("mindump")));
    }

    ChildRun crash(const std::string &mode, const std::vector<std::string> &environment = {})
    {
        return run(TAPWISE_CRASH_CHILD, {mode, m_application}, m_directory, environment);
    }

    std::string mappingName() const { return "Mapping_" + m_application + "DumpData"; }
    std::string file(const std::string &name) const { return m_directory + "/" + name; }

    // What every hand-off must have left: the writer started as " <app> <mapping>" from the
    // working directory, by the child, with a block naming the child and its crashing thread.
    void expectHandedOff(const ChildRun &child)
    {
        ChildRecord record;
        ASSERT_TRUE(readChildRecord(m_directory, &record));
        EXPECT_EQ(record.pid, child.pid);

        ASSERT_TRUE(exists(file("writer-args.txt"))) << "the writer was not started";
        const std::vector<std::string> arguments = lines(readFile(file("writer-args.txt")));
        ASSERT_EQ(arguments.size(), 3u);
        EXPECT_EQ(arguments[0], file("mindump"));
        EXPECT_EQ(arguments[1], m_application);
        EXPECT_EQ(arguments[2], mappingName());

        const std::vector<std::string> pids = lines(readFile(file("writer-pids.txt")));
        ASSERT_EQ(pids.size(), 1u);
        EXPECT_EQ(pids[0].substr(pids[0].find(' ') + 1), std::to_string(child.pid))
            << "the writer is not the crashed process's child";

        // Only the standard streams: the crashed process's sockets and files stay its own.
        for (const std::string &descriptor : lines(readFile(file("writer-fds.txt"))))
            EXPECT_LE(std::stoi(descriptor), 2) << "the writer inherited descriptor " << descriptor;

        const BlockFields block = parseBlock(readFile(file("writer-block.bin")));
        EXPECT_EQ(block.size, 1024u);
        EXPECT_EQ(block.processId, static_cast<unsigned>(child.pid));
        EXPECT_EQ(block.threadId, static_cast<unsigned>(record.thread));
        EXPECT_NE(block.recordAddress, 0u);
        EXPECT_TRUE(block.restIsZero);

        EXPECT_FALSE(sharedBlockExists(mappingName())) << "the block outlived the hand-off";
    }

    QTemporaryDir m_folder {QDir::currentPath() + QStringLiteral("/handoff-XXXXXX")};
    std::string m_directory;
    std::string m_application;
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
    ChildRun first = run(TAPWISE_CRASH_CHILD, {"second", m_application}, m_directory,
                         {"TAPWISE_FAKE_WRITER=gate"});
    ASSERT_TRUE(first.killedBy(SIGSEGV));
    ASSERT_TRUE(sharedBlockExists(mappingName())) << "precondition: a block is left over";
    for (const char *name : {"writer-args.txt", "writer-block.bin", "writer-pids.txt",
                             "writer-fds.txt", "writer-done.txt", "release", "child.txt"})
        QFile::remove(QString::fromStdString(file(name)));

    const ChildRun child = crash("gui");
    EXPECT_TRUE(child.killedBy(SIGSEGV)) << "status " << child.status;
    expectHandedOff(child);
}

} // namespace
