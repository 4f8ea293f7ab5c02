// The library's state file: settings round trip, and what happens when the file is damaged or
// cannot be read.
#include "basekittest.h"
#include "csetting.h"
#include "quser.h"
#include "quserhelp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

class BasekitStateFile : public ::testing::Test
{
protected:
    void SetUp() override { BasekitTest::resetState(); }

    /// Files beside the state file that hold a damaged copy.
    static QStringList setAside()
    {
        const QFileInfo state(CSetting::filePath());
        return state.dir().entryList({state.fileName() + QStringLiteral(".corrupt-*")},
                                     QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    }

    /// Two profiles, one with a password, and Zoe signed in and remembered.
    void makeProfiles()
    {
        QUserHelp help(nullptr, nullptr);
        ASSERT_TRUE(help.signIn(QStringLiteral("Yuri"), QStringLiteral("pw")));
        ASSERT_TRUE(help.signIn(QStringLiteral("Zoe"), QString()));
        CSetting::setString(QStringLiteral("update"), QStringLiteral("url"),
                            QStringLiteral("http://127.0.0.1:1/v.txt"));
    }
};

} // namespace

TEST_F(BasekitStateFile, LivesUnderTheUsersConfigurationFolder)
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    EXPECT_EQ(CSetting::filePath(), config + QStringLiteral("/Tapwise/basekit.ini"));
    CSetting::setString(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"));
    EXPECT_TRUE(QFile::exists(CSetting::filePath()));
    EXPECT_FALSE(QFile::exists(QDir::current().filePath(QStringLiteral("basekit.ini"))));
}

TEST_F(BasekitStateFile, AnyTextSurvivesTheRoundTrip)
{
    const QChar bom(0xfeff);
    struct Row
    {
        QString group;
        QString key;
        QString value;
    };
    const Row rows[] = {
        {QStringLiteral("group 0"), QStringLiteral("type"), QStringLiteral("plain")},
        {QStringLiteral("group 1"), QStringLiteral("a key=with [odd] chars"),
         QStringLiteral("a=b;c # not a comment")},
        {QStringLiteral("group 2"), QStringLiteral("键"), QStringLiteral("[not a group]")},
        {QStringLiteral("group 0"), QStringLiteral("x/y"),
         QStringLiteral("back\\slash \\n literal")},
        {QStringLiteral("group 1"), QStringLiteral("%41"),
         QStringLiteral("two\nlines\r\nand\ttab")},
        {QStringLiteral("group 2"), QStringLiteral("pad"), QStringLiteral("  padded  ")},
        {QStringLiteral("group 0"), QStringLiteral("cjk"), QStringLiteral("中文 テキスト 😀")},
        {QStringLiteral("group 1"), QStringLiteral("variant"), QStringLiteral("@Variant(\\0\\0)")},
        {QStringLiteral("group 2"), QStringLiteral("list"),
         QStringLiteral("\"quoted\", with, commas")},
        {QStringLiteral("group 0"), QStringLiteral("empty"), QString()},
        {QStringLiteral("~home"), QStringLiteral("a~b"), QStringLiteral("~")},
        {bom + QStringLiteral("g"), bom + QStringLiteral("k"), bom + QStringLiteral("v")},
        {QStringLiteral("bom"), QStringLiteral("only"), QString(bom)},
        {QString(), QStringLiteral("in the unnamed group"), QStringLiteral("v")},
        {QStringLiteral("g"), QString(), QStringLiteral("under the unnamed key")},
        {QStringLiteral("controls"), QString(QChar(0)) + QStringLiteral("\x01\x7f"),
         QStringLiteral("\x0b\x0c\x1f") + QChar(0)},
    };
    for (const Row &row : rows)
        EXPECT_TRUE(CSetting::setString(row.group, row.key, row.value)) << qPrintable(row.key);
    CSetting::reload();
    for (const Row &row : rows) {
        EXPECT_EQ(CSetting::getString(row.group, row.key, QStringLiteral("<missing>")), row.value)
            << qPrintable(row.group + '/' + row.key);
    }
    EXPECT_TRUE(setAside().isEmpty());
    // Another process reads the same.
    EXPECT_EQ(BasekitTest::probe({QStringLiteral("get"), rows[1].group, rows[1].key}),
              rows[1].value);
    EXPECT_EQ(
        BasekitTest::probe({QStringLiteral("get"), QStringLiteral("~home"), QStringLiteral("a~b")}),
        QStringLiteral("~"));
}

TEST_F(BasekitStateFile, TextThatCannotReadBackIsRefused)
{
    makeProfiles();
    const QByteArray before = BasekitTest::readStateFile();
    const QString loneSurrogate(QChar(0xd800));
    const struct
    {
        QString group;
        QString key;
        QString value;
    } rows[] = {
        {QStringLiteral("g"), QStringLiteral("k"), loneSurrogate},
        {loneSurrogate, QStringLiteral("k"), QStringLiteral("v")},
        {QStringLiteral("g"), loneSurrogate, QStringLiteral("v")},
        // The library's own records, checked and rewritten on every read.
        {QStringLiteral("meta"), QStringLiteral("format"), QStringLiteral("7")},
        {QStringLiteral("session"), QStringLiteral("profile"), QStringLiteral("profile.x")},
        {QStringLiteral("profile.0123"), QStringLiteral("name"), QStringLiteral("Mallory")},
    };
    for (const auto &row : rows)
        EXPECT_FALSE(CSetting::setString(row.group, row.key, row.value)) << qPrintable(row.group);
    EXPECT_EQ(BasekitTest::readStateFile(), before);
    EXPECT_EQ(BasekitTest::probe({QStringLiteral("prelogin")}),
              QStringLiteral("login=1 name=Zoe signals=login,avatar"));
    QUser::Instance()->setLogout();
}

TEST_F(BasekitStateFile, AFullDiskKeepsTheOldFileAndSaysSo)
{
    makeProfiles();
    QUser::Instance()->setLogout();
    const QByteArray before = BasekitTest::readStateFile();
    ASSERT_FALSE(before.isEmpty());
    // A file size limit fails writes the way a full disk does, for this process only.
    for (const rlim_t limit : {rlim_t(0), rlim_t(before.size() / 2), rlim_t(before.size())}) {
        {
            BasekitTest::FileSizeLimit full(limit);
            ASSERT_TRUE(full.isSet());
            QUserHelp help(nullptr, nullptr);
            QString message;
            EXPECT_FALSE(help.signIn(QStringLiteral("Walter"), QString(), &message)) << limit;
            EXPECT_TRUE(message.contains(QStringLiteral("无法保存账户信息")))
                << qPrintable(message);
            EXPECT_FALSE(QUser::Instance()->isLogin());
            EXPECT_FALSE(
                CSetting::setString(QStringLiteral("g"), QStringLiteral("k"), QStringLiteral("v")));
            // Nothing unsaved looks saved in this process either.
            EXPECT_EQ(QUser::Instance()->profileNames(),
                      (QStringList {QStringLiteral("Yuri"), QStringLiteral("Zoe")}));
            EXPECT_EQ(CSetting::getString(QStringLiteral("g"), QStringLiteral("k")), QString());
        }
        EXPECT_EQ(BasekitTest::readStateFile(), before) << limit;
        EXPECT_TRUE(setAside().isEmpty());
    }
    EXPECT_EQ(BasekitTest::probe({QStringLiteral("profiles")}), QStringLiteral("Yuri,Zoe"));
    const QStringList entries = QFileInfo(CSetting::filePath()).dir().entryList(QDir::Files);
    EXPECT_EQ(entries, QStringList {QStringLiteral("basekit.ini")});
    // With room again the same sign-in works.
    QUserHelp help(nullptr, nullptr);
    EXPECT_TRUE(help.signIn(QStringLiteral("Walter"), QString()));
    QUser::Instance()->setLogout();
}

TEST_F(BasekitStateFile, MissingValueGivesTheDefault)
{
    EXPECT_EQ(CSetting::getString(QStringLiteral("language"), QStringLiteral("type"),
                                  QStringLiteral("zh")),
              QStringLiteral("zh"));
    EXPECT_FALSE(QFile::exists(CSetting::filePath()));
}

TEST_F(BasekitStateFile, ChangesByAnotherProcessAreSeen)
{
    CSetting::setString(QStringLiteral("g"), QStringLiteral("k"), QStringLiteral("first"));
    EXPECT_EQ(BasekitTest::probe({QStringLiteral("get"), QStringLiteral("g"), QStringLiteral("k")}),
              QStringLiteral("first"));
    BasekitTest::probe({QStringLiteral("create"), QStringLiteral("other"), QStringLiteral("1")});
    CSetting::reload();
    EXPECT_EQ(QUser::Instance()->profileNames(), QStringList {QStringLiteral("other0")});
    EXPECT_EQ(CSetting::getString(QStringLiteral("g"), QStringLiteral("k")),
              QStringLiteral("first"));
}

TEST_F(BasekitStateFile, GarbageLinesMakeANewStartSignedOutWithTheProfilesKept)
{
    makeProfiles();
    ASSERT_EQ(BasekitTest::probe({QStringLiteral("prelogin")}),
              QStringLiteral("login=1 name=Zoe signals=login,avatar"));
    const QByteArray damaged =
        BasekitTest::readStateFile() + "\n\x01\x02garbage without equals\n[broken\n";
    BasekitTest::writeStateFile(damaged);

    // A fresh start of the program: signed out, the damaged file kept aside, profiles kept.
    EXPECT_EQ(BasekitTest::probe({QStringLiteral("prelogin")}),
              QStringLiteral("login=0 name= signals="));
    const QStringList aside = setAside();
    ASSERT_EQ(aside.size(), 1);
    QFile copy(QFileInfo(CSetting::filePath()).dir().filePath(aside.first()));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), damaged);
    EXPECT_EQ(BasekitTest::probe({QStringLiteral("profiles")}), QStringLiteral("Yuri,Zoe"));
    EXPECT_EQ(BasekitTest::probe(
                  {QStringLiteral("get"), QStringLiteral("update"), QStringLiteral("url")}),
              QStringLiteral("http://127.0.0.1:1/v.txt"));
    // The password still guards Yuri after the repair.
    CSetting::reload();
    QUser::Instance()->setLogout();
    QUserHelp help(nullptr, nullptr);
    EXPECT_FALSE(help.signIn(QStringLiteral("Yuri"), QStringLiteral("wrong")));
    EXPECT_TRUE(help.signIn(QStringLiteral("Yuri"), QStringLiteral("pw")));
    QUser::Instance()->setLogout();
}

TEST_F(BasekitStateFile, ADamagedProfileRecordCostsOnlyThatProfile)
{
    makeProfiles();
    QByteArray state = BasekitTest::readStateFile();
    ASSERT_TRUE(state.contains("name=Yuri"));
    state.replace("name=Yuri", "name=Yurj");
    BasekitTest::writeStateFile(state);
    CSetting::reload();
    EXPECT_EQ(QUser::Instance()->profileNames(), QStringList {QStringLiteral("Zoe")});
    EXPECT_EQ(setAside().size(), 1);
    // The remembered sign-in (Zoe) is not trusted after damage.
    EXPECT_EQ(BasekitTest::probe({QStringLiteral("prelogin")}),
              QStringLiteral("login=0 name= signals="));
    QUser::Instance()->setLogout();
    // The damaged name cannot be used to get past Yuri's password either.
    QUserHelp help(nullptr, nullptr);
    EXPECT_TRUE(help.signIn(QStringLiteral("Yurj"), QString()));
    QUser::Instance()->setLogout();
}

TEST_F(BasekitStateFile, InvalidTextEncodingIsDamage)
{
    makeProfiles();
    QUser::Instance()->setLogout();
    static const char bad[] = "[extra]\nkey=\xff\xfe\0zz\n";
    BasekitTest::writeStateFile(BasekitTest::readStateFile() + QByteArray(bad, sizeof(bad) - 1));
    EXPECT_EQ(BasekitTest::probe({QStringLiteral("profiles")}), QStringLiteral("Yuri,Zoe"));
    EXPECT_EQ(setAside().size(), 1);
}

TEST_F(BasekitStateFile, AnUnreadableStateFileIsMovedAsideAndANewOneWorks)
{
    makeProfiles();
    QUser::Instance()->setLogout();
    // Something that exists under the name but cannot be read as a file.
    ASSERT_TRUE(QFile::remove(CSetting::filePath()));
    ASSERT_TRUE(QDir().mkpath(CSetting::filePath()));
    EXPECT_EQ(BasekitTest::probe({QStringLiteral("prelogin")}),
              QStringLiteral("login=0 name= signals="));
    EXPECT_EQ(setAside().size(), 1);
    CSetting::reload();
    CSetting::setString(QStringLiteral("g"), QStringLiteral("k"), QStringLiteral("v"));
    EXPECT_TRUE(QFileInfo(CSetting::filePath()).isFile());
    EXPECT_EQ(BasekitTest::probe({QStringLiteral("get"), QStringLiteral("g"), QStringLiteral("k")}),
              QStringLiteral("v"));
}

TEST_F(BasekitStateFile, AnEmptyFileIsNoDamage)
{
    QDir().mkpath(QFileInfo(CSetting::filePath()).absolutePath());
    BasekitTest::writeStateFile(QByteArray());
    CSetting::reload();
    EXPECT_TRUE(QUser::Instance()->profileNames().isEmpty());
    EXPECT_TRUE(setAside().isEmpty());
}

TEST_F(BasekitStateFile, WritingLeavesNoTemporaryFilesBehind)
{
    makeProfiles();
    const QStringList entries = QFileInfo(CSetting::filePath()).dir().entryList(QDir::Files);
    EXPECT_EQ(entries, QStringList {QStringLiteral("basekit.ini")});
    QUser::Instance()->setLogout();
}
