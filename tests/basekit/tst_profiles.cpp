// Local profiles: creating, signing in and out, passwords, the remembered sign-in and the
// account signals, through the library's public calls.
#include "basekittest.h"
#include "csetting.h"
#include "quser.h"
#include "quserhelp.h"

#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

class BasekitProfiles : public ::testing::Test
{
protected:
    void SetUp() override { BasekitTest::resetState(); }
    void TearDown() override { QUser::Instance()->setLogout(); }

    QUserHelp help {nullptr, nullptr};
};

/// Records the account signals of one helper in the order they came.
struct SignalLog
{
    explicit SignalLog(QUserHelp &help)
    {
        QObject::connect(&help, &QUserHelp::signal_login, &receiver, [this](const QString &name) {
            events << QStringLiteral("login:") + name;
        });
        QObject::connect(&help, &QUserHelp::signal_avatar, &receiver,
                         [this](const QPixmap &picture) {
                             events << QStringLiteral("avatar");
                             lastAvatar = picture;
                         });
        QObject::connect(&help, &QUserHelp::signal_logout, &receiver,
                         [this] { events << QStringLiteral("logout"); });
    }
    // Ends the connections with the log, which may die before the helper.
    QObject receiver;
    QStringList events;
    QPixmap lastAvatar;
};

} // namespace

TEST_F(BasekitProfiles, NewNameCreatesProfileAndSignsIn)
{
    QString message;
    EXPECT_TRUE(help.signIn(QStringLiteral("Alice"), QString(), &message));
    EXPECT_TRUE(message.isEmpty());
    EXPECT_TRUE(QUser::Instance()->isLogin());
    EXPECT_EQ(QUser::Instance()->name(), QStringLiteral("Alice"));
    EXPECT_EQ(QUser::Instance()->profileNames(), QStringList {QStringLiteral("Alice")});
}

TEST_F(BasekitProfiles, ExistingNameSignsInWithItsStoredSpelling)
{
    ASSERT_TRUE(help.signIn(QStringLiteral("Alice Smith"), QString()));
    help.logout();
    EXPECT_TRUE(help.signIn(QStringLiteral("  alice   SMITH "), QString()));
    EXPECT_EQ(QUser::Instance()->name(), QStringLiteral("Alice Smith"));
    EXPECT_EQ(QUser::Instance()->profileNames().size(), 1);
}

TEST_F(BasekitProfiles, ChineseNamesAreProfilesToo)
{
    ASSERT_TRUE(help.signIn(QStringLiteral("张三"), QString()));
    help.logout();
    CSetting::reload();
    EXPECT_EQ(QUser::Instance()->profileNames(), QStringList {QStringLiteral("张三")});
    EXPECT_TRUE(help.signIn(QStringLiteral("张三"), QString()));
}

TEST_F(BasekitProfiles, WrongPasswordIsRefusedWithAClearMessage)
{
    ASSERT_TRUE(help.signIn(QStringLiteral("Bob"), QStringLiteral("s3cret")));
    help.logout();
    SignalLog log(help);

    QString message;
    EXPECT_FALSE(help.signIn(QStringLiteral("Bob"), QStringLiteral("S3cret"), &message));
    EXPECT_EQ(message, QStringLiteral("密码错误，请重新输入"));
    EXPECT_FALSE(help.signIn(QStringLiteral("Bob"), QString(), &message));
    EXPECT_EQ(message, QStringLiteral("密码错误，请重新输入"));
    EXPECT_FALSE(QUser::Instance()->isLogin());
    EXPECT_TRUE(log.events.isEmpty());

    EXPECT_TRUE(help.signIn(QStringLiteral("bob"), QStringLiteral("s3cret"), &message));
    EXPECT_EQ(QUser::Instance()->name(), QStringLiteral("Bob"));
}

TEST_F(BasekitProfiles, PasswordIsKeptOnlyAsASaltedDigest)
{
    ASSERT_TRUE(help.signIn(QStringLiteral("Bob"), QStringLiteral("hunter2-secret")));
    ASSERT_TRUE(help.signIn(QStringLiteral("Carl"), QStringLiteral("hunter2-secret")));
    const QByteArray state = BasekitTest::readStateFile();
    EXPECT_FALSE(state.contains("hunter2"));
    const QRegularExpression digest(QStringLiteral("^digest=([0-9a-f]{64})$"),
                                    QRegularExpression::MultilineOption);
    QStringList digests;
    auto it = digest.globalMatch(QString::fromUtf8(state));
    while (it.hasNext())
        digests << it.next().captured(1);
    ASSERT_EQ(digests.size(), 2);
    // Same password, different salt: nothing in the file tells that the two share it.
    EXPECT_NE(digests.at(0), digests.at(1));
}

TEST_F(BasekitProfiles, UnacceptableNamesAreRefused)
{
    QString message;
    EXPECT_FALSE(help.signIn(QString(), QString(), &message));
    EXPECT_EQ(message, QStringLiteral("请输入用户名"));
    EXPECT_FALSE(help.signIn(QStringLiteral("   "), QString(), &message));
    EXPECT_EQ(message, QStringLiteral("请输入用户名"));
    EXPECT_FALSE(help.signIn(QString(33, QLatin1Char('x')), QString(), &message));
    EXPECT_EQ(message, QStringLiteral("用户名不能超过 32 个字符"));
    EXPECT_FALSE(help.signIn(QStringLiteral("a\x01z"), QString(), &message));
    EXPECT_EQ(message, QStringLiteral("用户名不能包含控制字符"));
    EXPECT_TRUE(QUser::Instance()->profileNames().isEmpty());
    EXPECT_FALSE(QUser::Instance()->isLogin());
}

TEST_F(BasekitProfiles, SignOutEndsTheSessionAndForgetsIt)
{
    ASSERT_TRUE(help.signIn(QStringLiteral("Dana"), QString()));
    help.logout();
    EXPECT_FALSE(QUser::Instance()->isLogin());
    EXPECT_TRUE(QUser::Instance()->name().isEmpty());
    EXPECT_EQ(BasekitTest::probe({QStringLiteral("prelogin")}),
              QStringLiteral("login=0 name= signals="));
    // The profile itself stays.
    EXPECT_EQ(QUser::Instance()->profileNames(), QStringList {QStringLiteral("Dana")});
}

TEST_F(BasekitProfiles, RememberedSignInIsRestoredByPreLoginAtTheNextStart)
{
    ASSERT_TRUE(help.signIn(QStringLiteral("Carol"), QStringLiteral("pw")));
    EXPECT_EQ(BasekitTest::probe({QStringLiteral("prelogin")}),
              QStringLiteral("login=1 name=Carol signals=login,avatar"));
    // Switching user remembers the last one.
    ASSERT_TRUE(help.signIn(QStringLiteral("Erin"), QString()));
    EXPECT_EQ(BasekitTest::probe({QStringLiteral("prelogin")}),
              QStringLiteral("login=1 name=Erin signals=login,avatar"));
}

TEST_F(BasekitProfiles, PreLoginWithNothingRememberedStaysSignedOut)
{
    SignalLog log(help);
    EXPECT_FALSE(help.preLogin());
    EXPECT_FALSE(QUser::Instance()->isLogin());
    EXPECT_TRUE(log.events.isEmpty());
}

TEST_F(BasekitProfiles, PreLoginInThisProcessUsesTheRememberedProfile)
{
    ASSERT_TRUE(help.signIn(QStringLiteral("Frank"), QString()));
    QUserHelp other(nullptr, nullptr);
    SignalLog log(other);
    EXPECT_TRUE(other.preLogin());
    EXPECT_EQ(log.events, (QStringList {QStringLiteral("login:Frank"), QStringLiteral("avatar")}));
}

TEST_F(BasekitProfiles, TwoProcessesCreatingProfilesAtOnceLoseNone)
{
    QProcess first;
    QProcess second;
    first.start(QStringLiteral(BASEKIT_PROBE),
                {QStringLiteral("create"), QStringLiteral("left"), QStringLiteral("12")});
    second.start(QStringLiteral(BASEKIT_PROBE),
                 {QStringLiteral("create"), QStringLiteral("right"), QStringLiteral("12")});
    ASSERT_TRUE(first.waitForFinished(120000));
    ASSERT_TRUE(second.waitForFinished(120000));
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(second.exitCode(), 0);
    CSetting::reload();
    EXPECT_EQ(QUser::Instance()->profileNames().size(), 24);
}

TEST(BasekitAccountSignals, SignInEmitsLoginThenAvatarAndSignOutEmitsLogout)
{
    BasekitTest::resetState();
    QUserHelp help(nullptr, nullptr);
    QUserHelp otherWindow(nullptr, nullptr);
    SignalLog log(help);
    SignalLog otherLog(otherWindow);

    ASSERT_TRUE(help.signIn(QStringLiteral("Grace Hopper"), QString()));
    const QStringList signedIn {QStringLiteral("login:Grace Hopper"), QStringLiteral("avatar")};
    EXPECT_EQ(log.events, signedIn);
    EXPECT_EQ(otherLog.events, signedIn);
    ASSERT_FALSE(log.lastAvatar.isNull());
    EXPECT_EQ(log.lastAvatar.size() / log.lastAvatar.devicePixelRatio(), QSize(64, 64));
    const QImage picture = log.lastAvatar.toImage();
    // A filled disc: opaque in the middle, transparent in the corner.
    const int middle = picture.height() / 2;
    EXPECT_EQ(qAlpha(picture.pixel(picture.width() / 10, middle)), 255);
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);

    help.logout();
    EXPECT_EQ(log.events.last(), QStringLiteral("logout"));
    EXPECT_EQ(otherLog.events.last(), QStringLiteral("logout"));
    // Signing out twice says nothing the second time.
    const int count = log.events.size();
    help.logout();
    EXPECT_EQ(log.events.size(), count);
}

TEST(BasekitAccountSignals, RefusedSignInKeepsThePreviousUser)
{
    BasekitTest::resetState();
    QUserHelp help(nullptr, nullptr);
    ASSERT_TRUE(help.signIn(QStringLiteral("Heidi"), QStringLiteral("one")));
    ASSERT_TRUE(help.signIn(QStringLiteral("Ivan"), QString()));
    SignalLog log(help);
    EXPECT_FALSE(help.signIn(QStringLiteral("Heidi"), QStringLiteral("two")));
    EXPECT_TRUE(QUser::Instance()->isLogin());
    EXPECT_EQ(QUser::Instance()->name(), QStringLiteral("Ivan"));
    EXPECT_TRUE(log.events.isEmpty());
    QUser::Instance()->setLogout();
}
