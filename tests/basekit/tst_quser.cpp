// The signed-in user object: its flag read from many threads at once, the device code and the
// install source.
#include "basekittest.h"
#include "csetting.h"
#include "qdtaproduct.h"
#include "quser.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

TEST(BasekitUserFlag, IsLoginIsReadSafelyFromThreadsWhileSigningInAndOut)
{
    BasekitTest::resetState();
    QUser *user = QUser::Instance();
    std::atomic<bool> stop {false};
    std::atomic<int> sawIn {0};
    std::atomic<int> sawOut {0};
    std::atomic<int> badNames {0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                if (user->isLogin())
                    ++sawIn;
                else
                    ++sawOut;
                const QString name = user->name();
                if (!name.isEmpty() && name != QLatin1String("Reader Test"))
                    ++badNames;
            }
        });
    }
    for (int round = 0; round < 200; ++round) {
        user->setLogin(QStringLiteral("Reader Test"));
        user->setLogout();
    }
    // Let every reader see both states at least once before stopping.
    user->setLogin(QStringLiteral("Reader Test"));
    while (sawIn.load() == 0)
        std::this_thread::yield();
    user->setLogout();
    const int outBefore = sawOut.load();
    while (sawOut.load() == outBefore)
        std::this_thread::yield();
    stop = true;
    for (std::thread &reader : readers)
        reader.join();
    EXPECT_GT(sawIn.load(), 0);
    EXPECT_GT(sawOut.load(), 0);
    EXPECT_EQ(badNames.load(), 0);
    EXPECT_FALSE(user->isLogin());
}

TEST(BasekitDeviceCode, IsTheDigestOfTheMachineIdAndTheProduct)
{
    BasekitTest::resetState();
    QFile machineId(QStringLiteral("/etc/machine-id"));
    if (!machineId.open(QIODevice::ReadOnly) || machineId.readAll().trimmed().isEmpty())
        GTEST_SKIP() << "no /etc/machine-id on this machine";
    machineId.seek(0);
    const QByteArray id = machineId.readAll().trimmed();
    QUser::Instance()->setProduct(QDtaProduct(
        29, QStringLiteral("keystride_win"), QStringLiteral("Tapwise"), QStringLiteral("2.0.0.1")));
    const QString expected = QString::fromLatin1(
        QCryptographicHash::hash(id + "\nkeystride_win", QCryptographicHash::Sha256).toHex());
    EXPECT_EQ(QUser::Instance()->getDeviceCode(), expected);
}

TEST(BasekitDeviceCode, IsStableAcrossProcessesAndDiffersPerProduct)
{
    BasekitTest::resetState();
    const QString first =
        BasekitTest::probe({QStringLiteral("device"), QStringLiteral("keystride_win")});
    const QString second =
        BasekitTest::probe({QStringLiteral("device"), QStringLiteral("keystride_win")});
    const QString other =
        BasekitTest::probe({QStringLiteral("device"), QStringLiteral("other_win")});
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{64}$")).match(first).hasMatch())
        << first.toStdString();
    EXPECT_EQ(first, second);
    EXPECT_NE(first, other);

    QUser::Instance()->setProduct(QDtaProduct(
        29, QStringLiteral("keystride_win"), QStringLiteral("Tapwise"), QStringLiteral("2.0.0.1")));
    EXPECT_EQ(QUser::Instance()->getDeviceCode(), first);
}

TEST(BasekitInstallSource, IsOfficialUnlessTheSettingsSayOtherwise)
{
    BasekitTest::resetState();
    EXPECT_EQ(QUser::Instance()->getSource(), QStringLiteral("official"));
    CSetting::setString(QStringLiteral("install"), QStringLiteral("source"),
                        QStringLiteral("store"));
    EXPECT_EQ(QUser::Instance()->getSource(), QStringLiteral("store"));
}

TEST(BasekitProduct, KeepsACopyOfTheRecord)
{
    QDtaProduct product(29, QStringLiteral("keystride_win"), QStringLiteral("Tapwise"),
                        QStringLiteral("2.0.0.1"));
    QUser::Instance()->setProduct(product);
    product = QDtaProduct();
    const QDtaProduct kept = QUser::Instance()->product();
    EXPECT_EQ(kept.type(), 29);
    EXPECT_EQ(kept.id(), QStringLiteral("keystride_win"));
    EXPECT_EQ(kept.title(), QStringLiteral("Tapwise"));
    EXPECT_EQ(kept.version(), QStringLiteral("2.0.0.1"));
}
