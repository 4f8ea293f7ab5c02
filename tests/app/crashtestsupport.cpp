#include "crashtestsupport.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace CrashTest {

bool ChildRun::killedBy(int signal) const
{
    return endedByItself && WIFSIGNALED(status) && WTERMSIG(status) == signal;
}

ChildRun run(const std::string &program, const std::vector<std::string> &arguments,
             const std::string &directory, const std::vector<std::string> &extra, int boundSeconds)
{
    std::vector<std::string> argumentStore {program};
    argumentStore.insert(argumentStore.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &argument : argumentStore)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    // The extra entries replace the test's own of the same name.
    std::vector<std::string> environmentStore = extra;
    for (char **entry = environ; *entry; ++entry) {
        const std::string current(*entry);
        const std::string name = current.substr(0, current.find('=') + 1);
        bool replaced = false;
        for (const std::string &added : extra)
            replaced = replaced || added.compare(0, name.size(), name) == 0;
        if (!replaced)
            environmentStore.push_back(current);
    }
    std::vector<char *> envp;
    for (std::string &entry : environmentStore)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    ChildRun result;
    const int error =
        posix_spawn(&result.pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        result.pid = -1;
        return result;
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(boundSeconds);
    for (;;) {
        const pid_t got = waitpid(result.pid, &result.status, WNOHANG);
        if (got == result.pid) {
            result.endedByItself = true;
            return result;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(result.pid, SIGKILL);
    while (waitpid(result.pid, &result.status, 0) < 0 && errno == EINTR) { }
    return result;
}

std::string uniqueName(const std::string &stem)
{
    static int counter = 0;
    return stem + std::to_string(getpid()) + "x" + std::to_string(++counter);
}

std::string readFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

bool exists(const std::string &path)
{
    return access(path.c_str(), F_OK) == 0;
}

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> result;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        result.push_back(line);
    return result;
}

bool sharedBlockExists(const std::string &mappingName)
{
    const int fd = shm_open(("/" + mappingName).c_str(), O_RDONLY, 0);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

void removeSharedBlock(const std::string &mappingName)
{
    shm_unlink(("/" + mappingName).c_str());
}

bool readChildRecord(const std::string &directory, ChildRecord *record)
{
    std::istringstream stream(readFile(directory + "/child.txt"));
    return static_cast<bool>(stream >> record->pid >> record->thread >> record->monotonicNs);
}

BlockFields parseBlock(const std::string &bytes)
{
    BlockFields fields;
    fields.size = bytes.size();
    if (bytes.size() < 16)
        return fields;
    std::memcpy(&fields.processId, bytes.data(), 4);
    std::memcpy(&fields.threadId, bytes.data() + 4, 4);
    std::memcpy(&fields.recordAddress, bytes.data() + 8, 8);
    fields.restIsZero = true;
    for (size_t i = 16; i < bytes.size(); ++i)
        fields.restIsZero = fields.restIsZero && bytes[i] == '\0';
    return fields;
}

long long monotonicNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

} // namespace CrashTest
