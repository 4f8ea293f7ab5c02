// Stands in for the dump writer where a test wants to see exactly how it was started: writes
// its arguments to writer-args.txt (one a line), the shared block's bytes to writer-block.bin
// "<own pid> <parent pid>" to writer-pids.txt and its open descriptors to writer-fds.txt in
// the working directory, then by
// TAPWISE_FAKE_WRITER: "record" ends at once, "gate" waits until a file "release" exists,
// "sleep" sleeps 30 s. writer-done.txt marks the end.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

void writeFile(const char *name, const std::string &content)
{
    const std::string part = std::string(name) + ".part";
    const int fd = open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return;
    if (write(fd, content.data(), content.size()) < 0)
        std::perror(name);
    close(fd);
    rename(part.c_str(), name);
}

} // namespace

int main(int argc, char **argv)
{
    std::string arguments;
    for (int i = 0; i < argc; ++i)
        arguments += std::string(argv[i]) + '\n';

    if (argc >= 3) {
        const int fd = shm_open((std::string("/") + argv[argc - 1]).c_str(), O_RDONLY, 0);
        if (fd >= 0) {
            char block[2048];
            const ssize_t got = pread(fd, block, sizeof block, 0);
            close(fd);
            writeFile("writer-block.bin",
                      std::string(block, got > 0 ? static_cast<size_t>(got) : 0));
        }
    }
    std::string descriptors;
    if (DIR *folder = opendir("/proc/self/fd")) {
        while (const dirent *entry = readdir(folder)) {
            if (entry->d_name[0] != '.' && std::atoi(entry->d_name) != dirfd(folder))
                descriptors += std::string(entry->d_name) + '\n';
        }
        closedir(folder);
    }
    writeFile("writer-fds.txt", descriptors);
    writeFile("writer-pids.txt", std::to_string(getpid()) + ' ' + std::to_string(getppid()) + '\n');
    // Last, so that whoever waits for it finds the others complete.
    writeFile("writer-args.txt", arguments);

    const char *mode = std::getenv("TAPWISE_FAKE_WRITER");
    if (mode && std::strcmp(mode, "gate") == 0) {
        for (int i = 0; i < 30000 && access("release", F_OK) != 0; ++i)
            usleep(1000);
    } else if (mode && std::strcmp(mode, "sleep") == 0) {
        sleep(30);
    }
    writeFile("writer-done.txt", "done\n");
    return 0;
}
