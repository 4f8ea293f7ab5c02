// The account library's face in a window, driven as a user would: the login form, the account
// menu, the user and customer panels, and the update check against a loopback server.
#include "basekittest.h"
#include "csetting.h"
#include "loopbackserver.h"
#include "qdtaproduct.h"
#include "qhttpclient.h"
#include "quser.h"
#include "quserhelp.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

namespace {

QWidget *visibleTopLevel(const QString &objectName)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == objectName && widget->isVisible())
            return widget;
    }
    return nullptr;
}

int visibleCount(const QString &objectName)
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        count += widget->objectName() == objectName && widget->isVisible() ? 1 : 0;
    return count;
}

QString labelText(QWidget *window, const char *name)
{
    auto *label = window ? window->findChild<QLabel *>(QLatin1String(name)) : nullptr;
    return label ? label->text() : QStringLiteral("<no label>");
}

/// Runs step on the login form once it is up, while login() waits in its own event loop.
void whenLoginFormShows(const std::function<void(QDialog *)> &step)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, step] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QLatin1String("kitLoginDialog")
            || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        step(dialog);
    });
    poll->start();
}

void type(QDialog *dialog, const char *field, const QString &text)
{
    auto *edit = dialog->findChild<QLineEdit *>(QLatin1String(field));
    QVERIFY(edit);
    edit->clear();
    QTest::keyClicks(edit, text);
}

void press(QDialog *dialog, const char *field, Qt::Key key)
{
    QTest::keyClick(dialog->findChild<QLineEdit *>(QLatin1String(field)), key);
}

} // namespace

class TestQUserHelp : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        BasekitTest::resetState();
        QUser::Instance()->setProduct(QDtaProduct(29, QStringLiteral("keystride_win"),
                                                  QStringLiteral("Tapwise"),
                                                  QStringLiteral("2.0.0.1")));
        QHttpClient::Instance()->start(3);
    }
    void cleanup()
    {
        QUser::Instance()->setLogout();
        QHttpClient::Instance()->close();
    }

    void loginFormCreatesAProfileOnReturn()
    {
        QWidget window;
        window.show();
        QUserHelp help(&window, nullptr);
        QSignalSpy logins(&help, &QUserHelp::signal_login);
        QSignalSpy avatars(&help, &QUserHelp::signal_avatar);
        bool framed = true;
        whenLoginFormShows([&](QDialog *dialog) {
            framed = !(dialog->windowFlags() & Qt::FramelessWindowHint);
            type(dialog, "editName", QStringLiteral("Alice"));
            press(dialog, "editName", Qt::Key_Return);
        });
        QVERIFY(help.login());
        QVERIFY(!framed);
        QCOMPARE(logins.count(), 1);
        QCOMPARE(logins.at(0).at(0).toString(), QStringLiteral("Alice"));
        QCOMPARE(avatars.count(), 1);
        QVERIFY(QUser::Instance()->isLogin());
        QVERIFY(!QApplication::activeModalWidget());
    }

    void loginFormEscapeCancels()
    {
        QUserHelp help(nullptr, nullptr);
        QSignalSpy logins(&help, &QUserHelp::signal_login);
        whenLoginFormShows([](QDialog *dialog) {
            type(dialog, "editName", QStringLiteral("Nobody"));
            press(dialog, "editName", Qt::Key_Escape);
        });
        QVERIFY(!help.login());
        QCOMPARE(logins.count(), 0);
        QVERIFY(QUser::Instance()->profileNames().isEmpty());
    }

    void loginFormShowsAWrongPasswordAndStaysOpen()
    {
        QUserHelp help(nullptr, nullptr);
        QVERIFY(help.signIn(QStringLiteral("Bob"), QStringLiteral("pw")));
        help.logout();
        QString shown;
        bool stillOpen = false;
        whenLoginFormShows([&](QDialog *dialog) {
            type(dialog, "editName", QStringLiteral("Bob"));
            type(dialog, "editPassword", QStringLiteral("nope"));
            press(dialog, "editPassword", Qt::Key_Return);
            shown = labelText(dialog, "labelError");
            stillOpen = dialog->isVisible();
            QCOMPARE(dialog->findChild<QLineEdit *>(QStringLiteral("editPassword"))->text(),
                     QString());
            type(dialog, "editPassword", QStringLiteral("pw"));
            press(dialog, "editPassword", Qt::Key_Return);
        });
        QVERIFY(help.login());
        QCOMPARE(shown, QStringLiteral("密码错误，请重新输入"));
        QVERIFY(stillOpen);
        QCOMPARE(QUser::Instance()->name(), QStringLiteral("Bob"));
    }

    void loginFormOffersTheRememberedName()
    {
        QUserHelp help(nullptr, nullptr);
        QVERIFY(help.signIn(QStringLiteral("Carol"), QString()));
        QString offered;
        whenLoginFormShows([&](QDialog *dialog) {
            offered = dialog->findChild<QLineEdit *>(QStringLiteral("editName"))->text();
            dialog->findChild<QPushButton *>(QStringLiteral("btnCancel"))->click();
        });
        // Cancelled while signed in: still signed in.
        QVERIFY(help.login());
        QCOMPARE(offered, QStringLiteral("Carol"));
    }

    void secondLoginWhileTheFormIsOpenDoesNotStackAnother()
    {
        QUserHelp help(nullptr, nullptr);
        bool nestedResult = true;
        int forms = 0;
        whenLoginFormShows([&](QDialog *dialog) {
            nestedResult = help.login(); // returns at once
            forms = visibleCount(QStringLiteral("kitLoginDialog"));
            press(dialog, "editName", Qt::Key_Escape);
        });
        QVERIFY(!help.login());
        QVERIFY(!nestedResult);
        QCOMPARE(forms, 1);
    }

    void menuOffersSignOutOnlyWhenSignedIn()
    {
        QUserHelp help(nullptr, nullptr);
        QMenu *menu = help.initMenu();
        QVERIFY(menu);
        QCOMPARE(help.initMenu(), menu);
        auto *logout = menu->findChild<QAction *>(QStringLiteral("actionLogout"));
        QVERIFY(logout);
        QVERIFY(menu->findChild<QAction *>(QStringLiteral("actionCheckUpdate")));
        QVERIFY(menu->findChild<QAction *>(QStringLiteral("actionAbout")));
        QCOMPARE(logout->text(), QStringLiteral("退出登录"));
        QVERIFY(!logout->isVisible());
        QVERIFY(help.signIn(QStringLiteral("Dana"), QString()));
        QVERIFY(logout->isVisible());
        QSignalSpy logouts(&help, &QUserHelp::signal_logout);
        logout->trigger();
        QCOMPARE(logouts.count(), 1);
        QVERIFY(!QUser::Instance()->isLogin());
        QVERIFY(!logout->isVisible());
    }

    void aboutShowsTitleAndVersion()
    {
        QUserHelp help(nullptr, nullptr);
        help.initMenu()->findChild<QAction *>(QStringLiteral("actionAbout"))->trigger();
        QWidget *about = visibleTopLevel(QStringLiteral("kitAbout"));
        QVERIFY(about);
        QCOMPARE(labelText(about, "kitTitle"), QStringLiteral("关于 Tapwise"));
        QCOMPARE(labelText(about, "labelMessage"), QStringLiteral("Tapwise\n版本 2.0.0.1"));
        QTest::mouseClick(about->findChild<QPushButton *>(QStringLiteral("btnOk")), Qt::LeftButton);
        QTRY_VERIFY(!visibleTopLevel(QStringLiteral("kitAbout")));
    }

    void userPanelShowsTheAccountAndSignsOut()
    {
        QUserHelp help(nullptr, nullptr);
        QVERIFY(help.signIn(QStringLiteral("Erin"), QString()));
        const QPoint point(500, 200);
        help.showUserWidget(point);
        QWidget *panel = visibleTopLevel(QStringLiteral("kitUserPanel"));
        QVERIFY(panel);
        QCOMPARE(labelText(panel, "labelName"), QStringLiteral("Erin"));
        QCOMPARE(labelText(panel, "labelSource"), QStringLiteral("来源：official"));
        QCOMPARE(labelText(panel, "labelDevice"),
                 QStringLiteral("设备码：") + QUser::Instance()->getDeviceCode());
        QVERIFY(qAbs(panel->geometry().center().x() - point.x()) <= 1);
        QVERIFY(panel->geometry().top() <= point.y());
        QVERIFY(panel->geometry().top() >= point.y() - 20);

        QSignalSpy logouts(&help, &QUserHelp::signal_logout);
        auto *button = panel->findChild<QPushButton *>(QStringLiteral("btnLogout"));
        QVERIFY(button && button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(logouts.count(), 1);
        QVERIFY(!QUser::Instance()->isLogin());
        QTRY_VERIFY(!visibleTopLevel(QStringLiteral("kitUserPanel")));
    }

    void customerPanelShowsTheSupportText()
    {
        CSetting::setString(QStringLiteral("support"), QStringLiteral("text"),
                            QStringLiteral("客服电话 400-000-0000"));
        QUserHelp help(nullptr, nullptr);
        help.showCustomerWidget(QPoint(300, 150));
        QWidget *panel = visibleTopLevel(QStringLiteral("kitCustomerPanel"));
        QVERIFY(panel);
        QCOMPARE(labelText(panel, "labelSupport"), QStringLiteral("客服电话 400-000-0000"));
        QCOMPARE(labelText(panel, "labelName"), QStringLiteral("未登录"));
        // Signed out: the panel offers sign-in instead of sign-out.
        QVERIFY(!panel->findChild<QPushButton *>(QStringLiteral("btnLogout"))->isVisible());
        QVERIFY(panel->findChild<QPushButton *>(QStringLiteral("btnLogin"))->isVisible());
        // Showing it again replaces the first one.
        help.showCustomerWidget(QPoint(300, 150));
        QCOMPARE(visibleCount(QStringLiteral("kitCustomerPanel")), 1);
    }

    void updateNewerVersionIsShownEvenWhenSilent()
    {
        LoopbackServer server;
        server.setReply(200, "2.1.0\nhttps://example.com/tapwise-2.1.0.deb\n");
        CSetting::setString(QStringLiteral("update"), QStringLiteral("url"), server.url());
        QUserHelp help(nullptr, nullptr);
        QSignalSpy checked(&help, &QUserHelp::signal_updateChecked);
        help.checkUpdate(false);
        QTRY_COMPARE(checked.count(), 1);
        QCOMPARE(checked.at(0).at(0).toBool(), true);
        QCOMPARE(checked.at(0).at(1).toString(), QStringLiteral("2.1.0"));
        QWidget *notice = visibleTopLevel(QStringLiteral("kitNotice"));
        QVERIFY(notice);
        QCOMPARE(labelText(notice, "labelMessage"),
                 QStringLiteral("发现新版本 2.1.0（当前版本 2.0.0.1）。"));
        QVERIFY(labelText(notice, "labelLink")
                    .contains(QStringLiteral("https://example.com/tapwise-2.1.0.deb")));
    }

    void updateSameVersionIsSilentUnlessAsked()
    {
        LoopbackServer server;
        server.setReply(200, "2.0.0.1\n");
        CSetting::setString(QStringLiteral("update"), QStringLiteral("url"), server.url());
        QUserHelp help(nullptr, nullptr);
        QSignalSpy checked(&help, &QUserHelp::signal_updateChecked);
        help.checkUpdate(false);
        QTRY_COMPARE(checked.count(), 1);
        QCOMPARE(checked.at(0).at(0).toBool(), false);
        QVERIFY(!visibleTopLevel(QStringLiteral("kitNotice")));

        server.setReply(200, "2.0");
        help.initMenu()->findChild<QAction *>(QStringLiteral("actionCheckUpdate"))->trigger();
        QTRY_COMPARE(checked.count(), 2);
        QWidget *notice = visibleTopLevel(QStringLiteral("kitNotice"));
        QVERIFY(notice);
        QCOMPARE(labelText(notice, "labelMessage"), QStringLiteral("已是最新版本（2.0.0.1）。"));
    }

    void updateMalformedReplyIsNoUpdate_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("words") << 200 << QByteArray("<html>sorry</html>");
        QTest::newRow("empty") << 200 << QByteArray();
        QTest::newRow("binary") << 200 << QByteArray("\x00\x01\xff", 3);
        QTest::newRow("too long") << 200 << QByteArray(10000, '9');
        QTest::newRow("server error") << 500 << QByteArray("9.9.9");
        QTest::newRow("five parts") << 200 << QByteArray("1.2.3.4.5");
    }

    void updateMalformedReplyIsNoUpdate()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        LoopbackServer server;
        server.setReply(status, body);
        CSetting::setString(QStringLiteral("update"), QStringLiteral("url"), server.url());
        QUserHelp help(nullptr, nullptr);
        QSignalSpy checked(&help, &QUserHelp::signal_updateChecked);
        help.checkUpdate(false);
        QTRY_COMPARE(checked.count(), 1);
        QCOMPARE(checked.at(0).at(0).toBool(), false);
        QVERIFY(!visibleTopLevel(QStringLiteral("kitNotice")));

        help.checkUpdate(true);
        QTRY_COMPARE(checked.count(), 2);
        QWidget *notice = visibleTopLevel(QStringLiteral("kitNotice"));
        QVERIFY(notice);
        QVERIFY(labelText(notice, "labelMessage").startsWith(QStringLiteral("检查更新失败：")));
    }

    void updateUnreachableOrSilentServerEndsWithoutHanging()
    {
        CSetting::setString(
            QStringLiteral("update"), QStringLiteral("url"),
            QStringLiteral("http://127.0.0.1:%1/v.txt").arg(LoopbackServer::closedPort()));
        QUserHelp help(nullptr, nullptr);
        QSignalSpy checked(&help, &QUserHelp::signal_updateChecked);
        help.checkUpdate(true);
        QTRY_COMPARE(checked.count(), 1);
        QVERIFY(labelText(visibleTopLevel(QStringLiteral("kitNotice")), "labelMessage")
                    .startsWith(QStringLiteral("检查更新失败：")));

        LoopbackServer silent;
        silent.setHolding(true);
        CSetting::setString(QStringLiteral("update"), QStringLiteral("url"), silent.url());
        CSetting::setString(QStringLiteral("update"), QStringLiteral("timeout_ms"),
                            QStringLiteral("500"));
        help.checkUpdate(false);
        // The GUI thread keeps running while the request waits.
        QTRY_COMPARE(silent.held(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(checked.count(), 2, 15000);
        QCOMPARE(checked.at(1).at(0).toBool(), false);
    }

    void updateFromAFileAddress()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("version.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("3.0.0\n");
        file.close();
        CSetting::setString(QStringLiteral("update"), QStringLiteral("url"), file.fileName());
        QUserHelp help(nullptr, nullptr);
        QSignalSpy checked(&help, &QUserHelp::signal_updateChecked);
        help.checkUpdate(false);
        QTRY_COMPARE(checked.count(), 1);
        QCOMPARE(checked.at(0).at(1).toString(), QStringLiteral("3.0.0"));
        QVERIFY(visibleTopLevel(QStringLiteral("kitNotice")));
    }

    void updateWithoutAddressDoesNothingUnlessAsked()
    {
        QUserHelp help(nullptr, nullptr);
        QSignalSpy checked(&help, &QUserHelp::signal_updateChecked);
        help.checkUpdate(false);
        QCoreApplication::processEvents();
        QVERIFY(!visibleTopLevel(QStringLiteral("kitNotice")));
        help.checkUpdate(true);
        QCOMPARE(labelText(visibleTopLevel(QStringLiteral("kitNotice")), "labelMessage"),
                 QStringLiteral("未配置更新地址，无法检查更新。"));
        QCOMPARE(checked.count(), 0);
    }

    void twoChecksAtStartShowOneNotice()
    {
        LoopbackServer server;
        server.setReply(200, "9.0");
        CSetting::setString(QStringLiteral("update"), QStringLiteral("url"), server.url());
        QUserHelp help(nullptr, nullptr);
        QSignalSpy checked(&help, &QUserHelp::signal_updateChecked);
        help.checkUpdate(false);
        help.checkUpdate(false);
        QTRY_COMPARE(checked.count(), 1);
        QCOMPARE(server.requests(), 1);
        QCOMPARE(visibleCount(QStringLiteral("kitNotice")), 1);
        // A later check finding the same update reuses the notice.
        help.checkUpdate(false);
        QTRY_COMPARE(checked.count(), 2);
        QCOMPARE(visibleCount(QStringLiteral("kitNotice")), 1);
    }
};

QTEST_MAIN(TestQUserHelp)
#include "tst_quserhelp.moc"
