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
    const QStringList values {QStringLiteral("plain"),
                              QStringLiteral("a=b;c # not a comment"),
                              QStringLiteral("[not a group]"),
                              QStringLiteral("back\\slash \\n literal"),
                              QStringLiteral("two\nlines\r\nand\ttab"),
                              QStringLiteral("  padded  "),
                              QStringLiteral("中文 テキスト 😀"),
                              QStringLiteral("@Variant(\\0\\0)"),
                              QStringLiteral("\"quoted\", with, commas"),
                              QString()};
    const QStringList keys {QStringLiteral("type"), QStringLiteral("a key=with [odd] chars"),
                            QStringLiteral("键"), QStringLiteral("x/y"), QStringLiteral("%41")};
    for (int i = 0; i < values.size(); ++i)
        CSetting::setString(QStringLiteral("group %1").arg(i % 3),
                            keys.at(i % keys.size()) + QString::number(i), values.at(i));
    CSetting::reload();
    for (int i = 0; i < values.size(); ++i) {
        EXPECT_EQ(CSetting::getString(QStringLiteral("group %1").arg(i % 3),
                                      keys.at(i % keys.size()) + QString::number(i),
                                      QStringLiteral("<missing>")),
                  values.at(i))
            << i;
    }
    EXPECT_TRUE(setAside().isEmpty());
    // Another process reads the same.
    EXPECT_EQ(BasekitTest::probe({QStringLiteral("get"), QStringLiteral("group 1"),
                                  keys.at(1) + QStringLiteral("1")}),
              values.at(1));
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
