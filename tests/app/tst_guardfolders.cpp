// Where the single-instance guard listens when the runtime folder cannot take its socket, and
// what happens when the private fallback folder is not private: real processes of the guard.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct Start
{
    std::unique_ptr<QProcess> process;
    bool primary = false;
    QString address;
};

class GuardFolders : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_temp = m_root.filePath(QStringLiteral("tmp"));
        ASSERT_TRUE(QDir().mkpath(m_temp));
        m_fallback = QDir(m_temp).filePath(QStringLiteral("tapwise-%1").arg(::getuid()));
    }

    void TearDown() override
    {
        for (Start &start : m_starts) {
            start.process->kill();
            start.process->waitForFinished(5000);
        }
    }

    // Starts one guard with the runtime folder given; true when it became the primary.
    Start &start(const QString &runtime)
    {
        m_starts.push_back(Start {std::make_unique<QProcess>()});
        Start &start = m_starts.back();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        environment.insert(QStringLiteral("TMPDIR"), m_temp);
        start.process->setProcessEnvironment(environment);
        start.process->start(QStringLiteral(GUARD_PROBE), QStringList());
        // A secondary exits at once; the primary announces itself and keeps running.
        for (int i = 0; i < 300 && !start.process->canReadLine(); ++i) {
            if (start.process->waitForFinished(50))
                break;
            start.process->waitForReadyRead(50);
        }
        const QString line = QString::fromLocal8Bit(start.process->readLine()).trimmed();
        start.primary = line.section(QLatin1Char(' '), 0, 0) == QLatin1String("primary");
        start.address = line.section(QLatin1Char(' '), 1);
        m_stderr += QString::fromLocal8Bit(start.process->readAllStandardError());
        return start;
    }

    int primaries() const
    {
        int count = 0;
        for (const Start &start : m_starts)
            count += start.primary && start.process->state() == QProcess::Running ? 1 : 0;
        return count;
    }

    QTemporaryDir m_root;
    QString m_temp;
    QString m_fallback;
    QString m_stderr;
    std::vector<Start> m_starts;
};

} // namespace

TEST_F(GuardFolders, AnUnusableRuntimeFolderFallsBackToThePrivateFolder)
{
    // Read-only for its owner: binding a socket there fails unless the user may write anyway.
    const QString readOnly = m_root.filePath(QStringLiteral("readonly"));
    ASSERT_TRUE(QDir().mkpath(readOnly));
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner));
    const bool writesAnyway = ::geteuid() == 0;
    // An address longer than a socket address can hold.
    const QString deep = m_root.filePath(QString(100, QLatin1Char('d')));
    ASSERT_TRUE(QDir().mkpath(deep));

    const struct
    {
        const char *name;
        QString runtime;
    } rows[] = {
        {"read-only folder", readOnly},
        {"folder nobody may create files in", QStringLiteral("/proc")},
        {"folder too deep for a socket address", deep},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        if (writesAnyway && row.runtime == readOnly)
            continue;
        QDir(m_fallback).removeRecursively();
        for (int i = 0; i < 3; ++i)
            start(row.runtime);
        EXPECT_EQ(primaries(), 1);
        EXPECT_EQ(m_starts.front().address,
                  QDir(m_fallback).filePath(QStringLiteral("docmill_win")));
        for (size_t i = 1; i < m_starts.size(); ++i) {
            EXPECT_EQ(m_starts[i].process->state(), QProcess::NotRunning);
            EXPECT_EQ(m_starts[i].process->exitCode(), 0);
        }
        struct stat folder
        {
        };
        ASSERT_EQ(::lstat(QFile::encodeName(m_fallback).constData(), &folder), 0);
        EXPECT_EQ(folder.st_mode & 07777, 0700u);
        TearDown();
        m_starts.clear();
    }
}

TEST_F(GuardFolders, AFallbackFolderThatIsNotPrivateIsRefusedAndSaidSo)
{
    // A missing runtime folder is no test: the toolkit makes it at start.
    const QString unusableRuntime = QStringLiteral("/proc");
    const bool root = ::geteuid() == 0;
    const struct
    {
        const char *name;
        QFile::Permissions permissions;
        bool otherOwner;
    } rows[] = {
        {"open to others",
         QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
             | QFile::WriteOther | QFile::ExeOther,
         false},
        {"readable by the group",
         QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
             | QFile::ExeGroup,
         false},
        {"another user's", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner, true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        if (row.otherOwner && !root)
            continue;
        QDir(m_fallback).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(m_fallback));
        ASSERT_TRUE(QFile::setPermissions(m_fallback, row.permissions));
        if (row.otherOwner)
            ASSERT_EQ(::chown(QFile::encodeName(m_fallback).constData(), 4321, 4321), 0);
        m_stderr.clear();
        // Without a guard every start runs; none listens in the folder it does not trust.
        for (int i = 0; i < 2; ++i)
            start(unusableRuntime);
        EXPECT_EQ(primaries(), 2);
        for (const Start &start : m_starts)
            EXPECT_TRUE(start.address.isEmpty()) << qPrintable(start.address);
        EXPECT_TRUE(m_stderr.contains(QLatin1String("Single-instance guard off")))
            << qPrintable(m_stderr);
        EXPECT_TRUE(m_stderr.contains(m_fallback)) << qPrintable(m_stderr);
        EXPECT_FALSE(QFileInfo::exists(QDir(m_fallback).filePath(QStringLiteral("docmill_win"))));
        TearDown();
        m_starts.clear();
    }
}
