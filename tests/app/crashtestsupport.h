#pragma once
// Helpers for tests that start crashing children: run a program in a folder and collect how
// it ended, read what the child and the writer left behind.

#include <string>
#include <sys/types.h>
#include <vector>

namespace CrashTest {

struct ChildRun
{
    pid_t pid = -1;
    /// False when the child had to be killed because it did not end within the bound.
    bool endedByItself = false;
    int status = 0;

    bool killedBy(int signal) const;
};

/// Starts program with arguments in directory, with the test's environment plus extra
/// ("NAME=value"), and waits until it ends. A child still running after boundSeconds is
/// killed (and reaped): that is a hang, never a result.
ChildRun run(const std::string &program, const std::vector<std::string> &arguments,
             const std::string &directory, const std::vector<std::string> &extra = {},
             int boundSeconds = 60);

/// A name no other test running beside this one uses (shared blocks are machine-wide).
std::string uniqueName(const std::string &stem);

std::string readFile(const std::string &path);
bool exists(const std::string &path);
std::vector<std::string> lines(const std::string &text);

/// True while a shared block of that name exists.
bool sharedBlockExists(const std::string &mappingName);
/// Removes a shared block a failed test may have left.
void removeSharedBlock(const std::string &mappingName);

/// What child.txt says: the child's pid, its crashing thread and when it was about to crash.
struct ChildRecord
{
    long pid = 0;
    long thread = 0;
    long long monotonicNs = 0;
};
bool readChildRecord(const std::string &directory, ChildRecord *record);

/// Fields of a shared block as the writer found it.
struct BlockFields
{
    unsigned int processId = 0;
    unsigned int threadId = 0;
    unsigned long long recordAddress = 0;
    bool restIsZero = false;
    size_t size = 0;
};
BlockFields parseBlock(const std::string &bytes);

/// Nanoseconds on the monotonic clock, comparable with ChildRecord::monotonicNs.
long long monotonicNs();

} // namespace CrashTest
