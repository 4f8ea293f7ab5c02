// A program that installs the crash hand-off like the shell does and then crashes on purpose.
// crashchild <mode> <application name>; before crashing it writes "<pid> <thread id>
// <monotonic ns>" of the crashing thread to child.txt in the working directory.
//   gui       null write on the GUI thread, from the event loop
//   worker    null write on a worker thread
//   abort     abort() on the GUI thread
//   terminate an exception escapes a worker thread's function
//   overflow  unbounded recursion on the GUI thread
//   second    division by zero on the GUI thread; once the writer runs, another thread makes
//             the prepared state unreadable, so the filter faults again when it reads it
//   window    shows a window as the shell does, writes its X11 id to window.txt, then a null
//             write on the GUI thread

#include "crashhandler.h"

#include <QApplication>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

void recordCrashingThread()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::string line = std::to_string(getpid()) + ' ' + std::to_string(syscall(SYS_gettid))
        + ' ' + std::to_string(now.tv_sec * 1000000000LL + now.tv_nsec) + '\n';
    const int fd = open("child.txt.part", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) {
        if (write(fd, line.data(), line.size()) < 0)
            std::perror("child.txt");
        close(fd);
        rename("child.txt.part", "child.txt");
    }
}

int *volatile s_nowhere = nullptr;
volatile int s_zero = 0;
volatile int s_dividend = 1000;
volatile unsigned s_depth = 0;

__attribute__((noinline)) void crashOnGuiThread()
{
    recordCrashingThread();
    *s_nowhere = 42;
}

__attribute__((noinline)) void crashOnWorkerThread()
{
    recordCrashingThread();
    *s_nowhere = 7;
}

__attribute__((noinline)) void abortOnGuiThread()
{
    recordCrashingThread();
    std::abort();
}

__attribute__((noinline)) void throwOnWorkerThread()
{
    recordCrashingThread();
    throw std::runtime_error("nobody catches this");
}

__attribute__((noinline)) unsigned overflowStack(unsigned depth)
{
    volatile char frame[512];
    frame[depth % sizeof frame] = static_cast<char>(depth);
    s_depth = depth;
    if (depth != 0xFFFFFFFFu)
        return overflowStack(depth + 1) + frame[0];
    return frame[1];
}

__attribute__((noinline)) int divideOnGuiThread()
{
    recordCrashingThread();
    return s_dividend / s_zero;
}

bool exists(const char *path)
{
    return access(path, F_OK) == 0;
}

// Waits for the writer to have started, then pulls the prepared state away from the filter.
void spoilStateOnceWriterRuns()
{
    for (int i = 0; i < 30000 && !exists("writer-args.txt"); ++i)
        usleep(1000);
    CrashHandoffState &state = crashHandoffState();
    const long page = sysconf(_SC_PAGESIZE);
    auto *begin = reinterpret_cast<char *>(&state);
    // The state has its pages to itself; nothing else of the hand-off becomes unreadable.
    mprotect(begin, (sizeof state + page - 1) / page * page, PROT_NONE);
    const int fd = open("release", O_WRONLY | O_CREAT, 0600);
    if (fd >= 0)
        close(fd);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: crashchild <mode> <application name>\n");
        return 2;
    }
    const std::string mode = argv[1];
    std::unique_ptr<QCoreApplication> application;
    if (mode == "window")
        application = std::make_unique<QApplication>(argc, argv);
    else
        application = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QString::fromUtf8(argv[2]));
    installCrashHandler(QCoreApplication::applicationName().toStdWString());
    // Held open across exec on purpose: the writer must not inherit it.
    const int inheritable = open("child-held.txt", O_WRONLY | O_CREAT, 0600);
    (void)inheritable;

    if (mode == "gui") {
        QTimer::singleShot(0, &crashOnGuiThread);
    } else if (mode == "worker") {
        QThread *worker = QThread::create(&crashOnWorkerThread);
        worker->start();
    } else if (mode == "abort") {
        QTimer::singleShot(0, &abortOnGuiThread);
    } else if (mode == "terminate") {
        QTimer::singleShot(0, [] { std::thread(&throwOnWorkerThread).detach(); });
    } else if (mode == "overflow") {
        QTimer::singleShot(0, [] {
            recordCrashingThread();
            overflowStack(0);
        });
    } else if (mode == "window") {
        auto *window = new QWidget;
        window->resize(320, 200);
        window->show();
        Platform::prepareCrashWindowHiding(static_cast<uintptr_t>(window->winId()));
        QTimer::singleShot(300, [window] {
            const std::string id = std::to_string(window->winId()) + '\n';
            const int fd = open("window.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd >= 0) {
                if (write(fd, id.data(), id.size()) < 0)
                    std::perror("window.txt");
                close(fd);
            }
            crashOnGuiThread();
        });
    } else if (mode == "second") {
        std::thread(&spoilStateOnceWriterRuns).detach();
        QTimer::singleShot(0, [] { std::printf("%d\n", divideOnGuiThread()); });
    } else {
        std::fprintf(stderr, "crashchild: unknown mode %s\n", mode.c_str());
        return 2;
    }
    return QCoreApplication::exec();
}
