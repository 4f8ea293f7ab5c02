#include "platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

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
    EXPECT_EQ(Platform::localServerName(QStringLiteral("docmill_win")),
              QDir(runtime).filePath(QStringLiteral("docmill_win")));
}

TEST(PlatformServer, WithoutRuntimeDirectoryAPrivateTempFolderIsUsed)
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    const QString address = Platform::localServerName(QStringLiteral("docmill_win"));
    qputenv("XDG_RUNTIME_DIR", saved);
    const QFileInfo folder(QFileInfo(address).path());
    EXPECT_TRUE(folder.isDir());
    EXPECT_TRUE(folder.fileName().contains(QString::number(::getuid())));
    EXPECT_EQ(folder.permissions()
                  & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther
                     | QFile::ExeGroup | QFile::ExeOther),
              QFile::Permissions());
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
