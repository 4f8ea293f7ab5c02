// How long a crash hand-off takes, from the fault to the end of the crashed process.
//
// bench_crash_handoff [runs]
//   A small child installs the hand-off and faults on its GUI thread; the time runs from just
//   before the fault (the child notes it on the monotonic clock) until its parent sees it end.
//   Measured with the real mindump beside it and with no writer at all.
// bench_crash_handoff [runs] --shell <run folder>
//   The real program: tapwise is started in its run folder (where mindump lies), given a few
//   seconds to show its page, then sent SIGSEGV; the time runs from the signal to its end.
//   Needs a display (xvfb-run -a).
// At least 10 runs; default 15.

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr unsigned kShellStartSeconds = 5;

long long monotonicNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

pid_t spawn(const std::string &program, std::vector<std::string> arguments,
            const std::string &directory, const std::string &home)
{
    arguments.insert(arguments.begin(), program);
    std::vector<char *> argv;
    for (std::string &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char **entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "XDG_", 4) != 0)
            environment.emplace_back(*entry);
    }
    for (const char *name : {"data", "config", "runtime"}) {
        mkdir((home + "/" + name).c_str(), 0700);
        std::string variable = name;
        std::transform(variable.begin(), variable.end(), variable.begin(), ::toupper);
        environment.push_back("XDG_" + variable + (variable == "RUNTIME" ? "_DIR=" : "_HOME=")
                              + home + "/" + name);
    }
    environment.push_back("QTWEBENGINE_DISABLE_SANDBOX=1");
    std::vector<char *> envp;
    for (std::string &entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    pid_t child = -1;
    const int error =
        posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? child : -1;
}

int waitFor(pid_t child)
{
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    return status;
}

bool coreWritten(const std::string &home)
{
    const bool found =
        std::system(("ls '" + home + "'/data/Tapwise/crashes/*.core >/dev/null 2>&1").c_str()) == 0;
    std::system(("rm -rf '" + home + "/data/Tapwise'").c_str());
    return found;
}

// Milliseconds from the child's fault to its end, or a negative value when the run failed.
double childHandOff(const std::string &program, const std::string &directory,
                    const std::string &application, bool *dumped)
{
    const pid_t child = spawn(program, {"gui", application}, directory, directory);
    if (child < 0)
        return -1;
    const int status = waitFor(child);
    const long long ended = monotonicNs();
    std::ifstream record(directory + "/child.txt");
    long pid = 0;
    long thread = 0;
    long long fault = 0;
    if (!(record >> pid >> thread >> fault) || !WIFSIGNALED(status))
        return -1;
    std::remove((directory + "/child.txt").c_str());
    *dumped = coreWritten(directory);
    return static_cast<double>(ended - fault) / 1e6;
}

// Milliseconds from SIGSEGV to the end of a running tapwise.
double shellHandOff(const std::string &runFolder, const std::string &home, bool *dumped)
{
    const pid_t shell = spawn(runFolder + "/tapwise", {}, runFolder, home);
    if (shell < 0)
        return -1;
    sleep(kShellStartSeconds);
    const long long fault = monotonicNs();
    kill(shell, SIGSEGV);
    const int status = waitFor(shell);
    const long long ended = monotonicNs();
    if (!WIFSIGNALED(status))
        return -1;
    *dumped = coreWritten(home);
    return static_cast<double>(ended - fault) / 1e6;
}

void report(const char *title, std::vector<double> times, int dumps)
{
    if (times.empty()) {
        std::printf("%s: no run succeeded\n", title);
        return;
    }
    std::sort(times.begin(), times.end());
    const size_t middle = times.size() / 2;
    const double median =
        times.size() % 2 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
    std::printf("%-28s runs %2zu  median %8.2f ms  min %8.2f ms  max %8.2f ms  cores %d\n", title,
                times.size(), median, times.front(), times.back(), dumps);
}

void measureChild(const char *title, bool withWriter, int runs)
{
    QTemporaryDir folder;
    const std::string directory = folder.path().toStdString();
    // The writer is looked for beside the crashing program: the child runs from this folder.
    const std::string program = directory + "/crashchild";
    if (!QFile::copy(QStringLiteral(TAPWISE_CRASH_CHILD), QString::fromStdString(program))) {
        std::fprintf(stderr, "cannot copy the crashing child\n");
        return;
    }
    if (withWriter && symlink(TAPWISE_MINDUMP, (directory + "/mindump").c_str()) != 0) {
        std::perror("mindump");
        return;
    }
    std::vector<double> times;
    int dumps = 0;
    for (int i = 0; i < runs; ++i) {
        bool dumped = false;
        const std::string application =
            "Bench" + std::to_string(getpid()) + "r" + std::to_string(i);
        const double milliseconds = childHandOff(program, directory, application, &dumped);
        if (milliseconds >= 0)
            times.push_back(milliseconds);
        dumps += dumped ? 1 : 0;
    }
    report(title, times, dumps);
}

void measureShell(const std::string &runFolder, int runs)
{
    QTemporaryDir home;
    std::vector<double> times;
    int dumps = 0;
    for (int i = 0; i < runs; ++i) {
        bool dumped = false;
        const double milliseconds = shellHandOff(runFolder, home.path().toStdString(), &dumped);
        if (milliseconds >= 0)
            times.push_back(milliseconds);
        dumps += dumped ? 1 : 0;
    }
    report("tapwise: SIGSEGV to end", times, dumps);
}

} // namespace

int main(int argc, char **argv)
{
    int runs = 15;
    std::string shellFolder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--shell") == 0 && i + 1 < argc)
            shellFolder = argv[++i];
        else
            runs = std::atoi(argv[i]);
    }
    runs = std::max(10, runs);
    std::printf("fault to process end, %d runs each\n", runs);
    if (!shellFolder.empty()) {
        measureShell(shellFolder, runs);
        return 0;
    }
    measureChild("hand-off to mindump", true, runs);
    measureChild("no writer present", false, runs);
    return 0;
}
