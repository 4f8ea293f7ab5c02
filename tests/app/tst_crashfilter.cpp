// The crash filter's own logic, called directly: the prepared state, the codes it lets pass,
// the copies it checks, the block it writes and the writer it waits for.

#include "allocationcounter.h"
#include "crashhandler.h"
#include "crashtestsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <cwchar>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace CrashTest;

namespace {

std::wstring wide(const std::string &text)
{
    return QString::fromStdString(text).toStdWString();
}

bool terminatedWithin(const wchar_t *item)
{
    return wmemchr(item, L'\0', CrashHandoffState::kItemLength) != nullptr;
}

class CrashFilterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_directory = m_folder.path().toStdString();
        m_previous = QDir::currentPath();
        // The writer records into its working directory, which it takes over from us.
        ASSERT_TRUE(QDir::setCurrent(m_folder.path()));
        m_application = uniqueName("FilterTest");
    }

    void TearDown() override
    {
        QDir::setCurrent(m_previous);
        removeSharedBlock(mappingName());
    }

    void prepareWithWriter()
    {
        ASSERT_TRUE(QFile::link(QStringLiteral(TAPWISE_FAKE_WRITER), m_folder.filePath("mindump")));
        ASSERT_EQ(prepareHandoff(wide(writerPath()).c_str(), wide(m_application).c_str()), 0);
    }

    std::string writerPath() const { return m_directory + "/mindump"; }
    std::string mappingName() const { return "Mapping_" + m_application + "DumpData"; }
    std::string file(const std::string &name) const { return m_directory + "/" + name; }
    bool writerStarted() const { return exists(file("writer-args.txt")); }

    QTemporaryDir m_folder {QDir::currentPath() + QStringLiteral("/filter-XXXXXX")};
    QString m_previous;
    std::string m_directory;
    std::string m_application;
    siginfo_t m_record {};
};

TEST_F(CrashFilterTest, PreparedStateHoldsNamesCommandLineAndTwoCopies)
{
    ASSERT_EQ(prepareHandoff(L"/opt/tapwise/mindump", L"App"), 0);
    const CrashHandoffState &state = crashHandoffState();
    EXPECT_STREQ(state.writerPath, L"/opt/tapwise/mindump");
    EXPECT_STREQ(state.writerPathCopy, L"/opt/tapwise/mindump");
    EXPECT_STREQ(state.mappingName, L"Mapping_AppDumpData");
    EXPECT_STREQ(state.mappingNameCopy, L"Mapping_AppDumpData");
    EXPECT_STREQ(state.commandLine, L" App Mapping_AppDumpData");
    EXPECT_EQ(state.processId[0], static_cast<uint32_t>(getpid()));
    EXPECT_EQ(state.processId[1], static_cast<uint32_t>(getpid()));
}

TEST_F(CrashFilterTest, NoWriterPathIsRefusedAndLeavesNothingToHandOff)
{
    EXPECT_EQ(prepareHandoff(nullptr, L"App"), -1);
    EXPECT_EQ(crashHandoffState().writerPath[0], L'\0');
    EXPECT_EQ(prepareHandoff(L"", L"App"), -1);
    EXPECT_EQ(crashFilter({SIGSEGV, &m_record}), 1);
    EXPECT_FALSE(sharedBlockExists("Mapping_AppDumpData"));
}

TEST_F(CrashFilterTest, LongWriterPathIsCutAt259Characters)
{
    const std::wstring path = L"/" + std::wstring(400, L'd') + L"/mindump";
    ASSERT_EQ(prepareHandoff(path.c_str(), L"App"), 0);
    const CrashHandoffState &state = crashHandoffState();
    EXPECT_EQ(std::wcslen(state.writerPath), 259u);
    EXPECT_EQ(std::wstring(state.writerPath), path.substr(0, 259));
    EXPECT_STREQ(state.writerPathCopy, state.writerPath);
    // The items after it are untouched by the long path.
    EXPECT_STREQ(state.mappingName, L"Mapping_AppDumpData");
}

TEST_F(CrashFilterTest, LongApplicationNameIsCutAlikeInMappingNameAndCommandLine)
{
    const std::wstring name(300, L'名');
    ASSERT_EQ(prepareHandoff(L"/x/mindump", name.c_str()), 0);
    const CrashHandoffState &state = crashHandoffState();
    ASSERT_TRUE(terminatedWithin(state.mappingName));
    ASSERT_TRUE(terminatedWithin(state.commandLine));
    const std::wstring kept = name.substr(0, CrashHandoff::kMaxApplicationName);
    EXPECT_EQ(std::wstring(state.mappingName), L"Mapping_" + kept + L"DumpData");
    // The writer must be told the name of the block that really exists.
    EXPECT_EQ(std::wstring(state.commandLine), L" " + kept + L" " + state.mappingName);
}

class DebugOutputCodeTest : public CrashFilterTest,
                            public ::testing::WithParamInterface<unsigned long>
{
};

TEST_P(DebugOutputCodeTest, ContinuesTheSearchAndStartsNothing)
{
    prepareWithWriter();
    EXPECT_EQ(crashFilter({GetParam(), &m_record}), 0);
    EXPECT_FALSE(writerStarted());
    EXPECT_FALSE(sharedBlockExists(mappingName()));
    // The lock was left again: a real crash afterwards still gets through.
    EXPECT_EQ(crashFilter({SIGSEGV, &m_record}), 1);
    EXPECT_TRUE(writerStarted());
}

INSTANTIATE_TEST_SUITE_P(BothCodes, DebugOutputCodeTest,
                         ::testing::Values(0x40010006ul, 0x4001000Aul));

enum class Damage { WriterPathCopy, WriterPath, MappingNameCopy, ProcessIdCopy, OtherProcess };

class DamagedStateTest : public CrashFilterTest, public ::testing::WithParamInterface<Damage>
{
};

TEST_P(DamagedStateTest, RefusesToHandOffButLetsTheProcessEnd)
{
    prepareWithWriter();
    CrashHandoffState &state = crashHandoffState();
    switch (GetParam()) {
    case Damage::WriterPathCopy:
        state.writerPathCopy[3] ^= 1;
        break;
    case Damage::WriterPath:
        state.writerPath[std::wcslen(state.writerPath) - 1] = L'x';
        break;
    case Damage::MappingNameCopy:
        state.mappingNameCopy[0] = L'\0';
        break;
    case Damage::ProcessIdCopy:
        state.processId[1] ^= 0x100;
        break;
    case Damage::OtherProcess:
        // Intact copies, but taken over by a forked child: the writer would dump the parent.
        state.processId[0] = state.processId[1] = static_cast<uint32_t>(getppid());
        break;
    }
    EXPECT_EQ(crashFilter({SIGSEGV, &m_record}), 1);
    EXPECT_FALSE(writerStarted());
    EXPECT_FALSE(sharedBlockExists(mappingName()));
}

INSTANTIATE_TEST_SUITE_P(EachPair, DamagedStateTest,
                         ::testing::Values(Damage::WriterPathCopy, Damage::WriterPath,
                                           Damage::MappingNameCopy, Damage::ProcessIdCopy,
                                           Damage::OtherProcess));

TEST_F(CrashFilterTest, HandOffWritesTheBlockStartsTheWriterAndWaitsForIt)
{
    prepareWithWriter();
    m_record.si_signo = SIGSEGV;
    EXPECT_EQ(crashFilter({SIGSEGV, &m_record}), 1);

    EXPECT_TRUE(exists(file("writer-done.txt"))) << "the filter returned before the writer ended";
    const std::vector<std::string> arguments = lines(readFile(file("writer-args.txt")));
    ASSERT_EQ(arguments.size(), 3u);
    EXPECT_EQ(arguments[0], writerPath());
    EXPECT_EQ(arguments[1], m_application);
    EXPECT_EQ(arguments[2], mappingName());

    const BlockFields block = parseBlock(readFile(file("writer-block.bin")));
    EXPECT_EQ(block.size, CrashHandoff::kBlockSize);
    EXPECT_EQ(block.processId, static_cast<unsigned>(getpid()));
    EXPECT_EQ(block.threadId, static_cast<unsigned>(syscall(SYS_gettid)));
    EXPECT_EQ(block.recordAddress, reinterpret_cast<uintptr_t>(&m_record));
    EXPECT_TRUE(block.restIsZero);
    EXPECT_FALSE(sharedBlockExists(mappingName()));
}

TEST_F(CrashFilterTest, HandOffAllocatesNoHeapMemory)
{
    prepareWithWriter();
    AllocationCounter::start();
    std::string probe(100, 'x');
    ASSERT_GT(AllocationCounter::stop(), 0u) << "the counter does not see allocations";

    AllocationCounter::start();
    const long result = crashFilter({SIGSEGV, &m_record});
    const size_t allocations = AllocationCounter::stop();
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(writerStarted());
    EXPECT_EQ(allocations, 0u);
}

TEST_F(CrashFilterTest, MissingWriterIsReportedAndLeavesNoBlock)
{
    ASSERT_EQ(prepareHandoff(wide(writerPath()).c_str(), wide(m_application).c_str()), 0);
    EXPECT_EQ(startDumper(), -2);
    EXPECT_EQ(crashFilter({SIGSEGV, &m_record}), 1);
    EXPECT_FALSE(sharedBlockExists(mappingName()));
}

TEST_F(CrashFilterTest, WriterThatCannotBeExecutedIsReported)
{
    QFile script(m_folder.filePath("mindump"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("not a program\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_EQ(prepareHandoff(wide(writerPath()).c_str(), wide(m_application).c_str()), 0);
    EXPECT_EQ(startDumper(), -2);
}

TEST_F(CrashFilterTest, WriterOverTheTimeLimitIsNoLongerWaitedFor)
{
    prepareWithWriter();
    setenv("TAPWISE_FAKE_WRITER", "sleep", 1);
    const CrashHandoffState &state = crashHandoffState();
    Platform::CrashWriterLaunch launch;
    launch.program = state.writerPath;
    launch.commandLine = state.commandLine;
    launch.mappingName = state.mappingName;
    launch.timeoutMs = 300;
    const bool started = Platform::runCrashWriter(launch);
    unsetenv("TAPWISE_FAKE_WRITER");
    EXPECT_TRUE(started);
    EXPECT_FALSE(exists(file("writer-done.txt"))) << "the wait outlasted its bound";

    // The writer is our child and still runs: end and reap it.
    for (int i = 0; i < 5000 && !exists(file("writer-pids.txt")); ++i)
        usleep(1000);
    const std::string pids = readFile(file("writer-pids.txt"));
    const pid_t writer = static_cast<pid_t>(std::stol(pids));
    ASSERT_GT(writer, 0);
    kill(writer, SIGKILL);
    int status = 0;
    EXPECT_EQ(waitpid(writer, &status, 0), writer);
}

TEST_F(CrashFilterTest, LockRefusesItsOwnerAndHoldsOtherThreadsBack)
{
    ASSERT_TRUE(Platform::enterCrashLock());
    EXPECT_FALSE(Platform::enterCrashLock()) << "a thread must not wait for itself";

    std::atomic<bool> entered {false};
    std::thread other([&entered] {
        if (Platform::enterCrashLock()) {
            entered = true;
            Platform::leaveCrashLock();
        }
    });
    usleep(50000);
    EXPECT_FALSE(entered) << "another thread got in while the lock was held";
    Platform::leaveCrashLock();
    other.join();
    EXPECT_TRUE(entered);
}

TEST_F(CrashFilterTest, InstallationLooksForMindumpBesideTheExecutable)
{
    // Not in the working directory, which holds whatever the user started us from.
    installCrashHandler(L"App");
    const std::wstring expected =
        (QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section('/', 0, -2)
         + QStringLiteral("/mindump"))
            .toStdWString();
    EXPECT_EQ(std::wstring(crashHandoffState().writerPath), expected);
    EXPECT_NE(QString::fromWCharArray(crashHandoffState().writerPath),
              QDir::current().filePath(QStringLiteral("mindump")));
    EXPECT_STREQ(crashHandoffState().mappingName, L"Mapping_AppDumpData");
}

} // namespace
