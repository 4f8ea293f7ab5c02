#include "platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

TEST(PlatformServer, ListeningServerIsFound)
{
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("guard"));
    QLocalServer server;
    server.setSocketOptions(QLocalServer::UserAccessOption);
    ASSERT_TRUE(server.listen(path));
    EXPECT_TRUE(Platform::isLocalServerListening(path));
    server.close();
    EXPECT_FALSE(Platform::isLocalServerListening(path));
}

TEST(PlatformServer, StaleSocketFileIsNotAServer)
{
    // What a killed instance leaves: a bound socket file nobody listens on.
    QTemporaryDir directory;
    const QByteArray path = QFile::encodeName(directory.filePath(QStringLiteral("stale")));
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(socket, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(socket, reinterpret_cast<const sockaddr *>(&address), sizeof(address)), 0);
    ::close(socket);
    ASSERT_TRUE(QFileInfo::exists(QString::fromLocal8Bit(path)));
    EXPECT_FALSE(Platform::isLocalServerListening(QString::fromLocal8Bit(path)));
}

TEST(PlatformServer, MissingPlainAndOverlongPathsAreNotServers)
{
    QTemporaryDir directory;
    EXPECT_FALSE(Platform::isLocalServerListening(directory.filePath(QStringLiteral("none"))));
    QFile plain(directory.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_FALSE(Platform::isLocalServerListening(plain.fileName()));
    EXPECT_FALSE(Platform::isLocalServerListening(QStringLiteral("/tmp/") + QString(300, 'x')));
}

TEST(PlatformServer, ServerAddressIsInTheUsersRuntimeDirectory)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    ASSERT_FALSE(runtime.isEmpty());
    EXPECT_EQ(Platform::localServerNames(QStringLiteral("docmill_win"), false).value(0),
              QDir(runtime).filePath(QStringLiteral("docmill_win")));
}

TEST(PlatformServer, OnlyAPrivateFolderOfOurOwnIsAFallback)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray savedTemp = qgetenv("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
    const QString folder = temp.filePath(QStringLiteral("tapwise-%1").arg(::getuid()));
    const QString address = QDir(folder).filePath(QStringLiteral("docmill_win"));
    const QByteArray native = QFile::encodeName(folder);

    enum Setup { Absent, Private, OpenToGroup, OpenToAll, PlainFile, LinkToPrivate, OtherOwner };
    const struct
    {
        const char *name;
        Setup setup;
        bool create;
        bool accepted;
    } rows[] = {
        {"absent, made", Absent, true, true},
        {"absent, only looked for", Absent, false, false},
        {"private", Private, false, true},
        {"open to the group", OpenToGroup, true, false},
        {"open to all", OpenToAll, true, false},
        {"a plain file", PlainFile, true, false},
        {"a link to a private folder", LinkToPrivate, true, false},
        {"another user's", OtherOwner, true, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        if (row.setup == OtherOwner && ::geteuid() != 0)
            continue;
        QFile::remove(folder);
        QDir(folder).removeRecursively();
        const QString target = temp.filePath(QStringLiteral("target"));
        QDir(target).removeRecursively();
        switch (row.setup) {
        case Absent:
            break;
        case Private:
        case OpenToGroup:
        case OpenToAll:
        case OtherOwner:
            ASSERT_EQ(::mkdir(native.constData(), 0700), 0);
            ASSERT_EQ(::chmod(native.constData(),
                              row.setup == OpenToGroup     ? 0750
                                  : row.setup == OpenToAll ? 0777
                                                           : 0700),
                      0);
            if (row.setup == OtherOwner)
                ASSERT_EQ(::chown(native.constData(), 4321, 4321), 0);
            break;
        case PlainFile: {
            QFile file(folder);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            break;
        }
        case LinkToPrivate:
            ASSERT_EQ(::mkdir(QFile::encodeName(target).constData(), 0700), 0);
            ASSERT_TRUE(QFile::link(target, folder));
            break;
        }
        QString problem;
        const QStringList names =
            Platform::localServerNames(QStringLiteral("docmill_win"), row.create, &problem);
        if (row.accepted) {
            EXPECT_EQ(names, QStringList {address});
            EXPECT_TRUE(problem.isEmpty()) << qPrintable(problem);
            struct stat info
            {
            };
            ASSERT_EQ(::lstat(native.constData(), &info), 0);
            EXPECT_TRUE(S_ISDIR(info.st_mode));
            EXPECT_EQ(info.st_mode & 07777, 0700u);
        } else {
            EXPECT_TRUE(names.isEmpty()) << qPrintable(names.join(' '));
            EXPECT_EQ(problem.isEmpty(), row.setup == Absent) << qPrintable(problem);
        }
    }
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    if (savedTemp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", savedTemp);
}

TEST(PlatformProcess, ExecutablePathIsZeroFilledAndBounded)
{
    char buffer[260];
    std::memset(buffer, 'x', sizeof(buffer));
    ASSERT_TRUE(Platform::executablePath(buffer, sizeof(buffer)));
    EXPECT_EQ(QString::fromLocal8Bit(buffer), QCoreApplication::applicationFilePath());
    EXPECT_EQ(buffer[sizeof(buffer) - 1], '\0');

    char tiny[8];
    ASSERT_TRUE(Platform::executablePath(tiny, sizeof(tiny)));
    EXPECT_EQ(std::strlen(tiny), sizeof(tiny) - 1);
    EXPECT_FALSE(Platform::executablePath(nullptr, 10));
}

TEST(PlatformProcess, CommandLineIsTheProcesssOwn)
{
    const QStringList arguments = Platform::processCommandLine();
    ASSERT_FALSE(arguments.isEmpty());
    EXPECT_TRUE(arguments.first().endsWith(QStringLiteral("tst_platform")));
    EXPECT_FALSE(arguments.last().isEmpty());
}

namespace {

qint64 residentKilobytes()
{
    QFile file(QStringLiteral("/proc/self/statm"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = file.readAll().split(' ');
    return fields.value(1).toLongLong() * sysconf(_SC_PAGESIZE) / 1024;
}

} // namespace

TEST(PlatformMemory, FreedHeapPagesGoBackToTheSystem)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's allocator keeps freed blocks in quarantine";
#endif
    // Small blocks come from the heap itself, not from mappings of their own; the block kept
    // last holds the heap's end, so nothing is given back until asked.
    constexpr size_t kBlockSize = 8 * 1024;
    constexpr int kBlocks = 4096;
    std::vector<std::unique_ptr<char[]>> blocks;
    for (int i = 0; i < kBlocks; ++i) {
        blocks.emplace_back(new char[kBlockSize]);
        std::memset(blocks.back().get(), i, kBlockSize);
    }
    const std::unique_ptr<char[]> kept = std::move(blocks.back());
    blocks.clear();
    const qint64 before = residentKilobytes();
    ASSERT_GT(before, 0);

    Platform::releaseFreeMemory();

    const qint64 freedKilobytes = qint64(kBlockSize) * (kBlocks - 1) / 1024;
    EXPECT_GT(before - residentKilobytes(), freedKilobytes / 2);
    EXPECT_EQ(kept[0], char((kBlocks - 1) & 0xff));
}
