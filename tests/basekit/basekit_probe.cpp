// A second process for the account-library tests: reads and changes the library's state the
// way a fresh start of the program would, and prints what it saw on one line.
#include "csetting.h"
#include "qdtaproduct.h"
#include "qhttpclient.h"
#include "quser.h"
#include "quserhelp.h"

#include <QApplication>
#include <QStringList>
#include <QTextStream>
#include <QUrl>

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "http-exit") == 0) {
        // Leaves with a request still running and without closing the client, as a program
        // that forgets to would; the client's thread must end with the application object.
        {
            QCoreApplication app(argc, argv);
            QHttpClient::Instance()->start(2);
            QHttpClient::Instance()->get(QUrl(QString::fromLocal8Bit(argv[2])),
                                         [](int, const QByteArray &, const QString &) {});
            QTextStream(stdin).readLine();
        }
        QTextStream(stdout) << "running=" << (QHttpClient::Instance()->isRunning() ? 1 : 0) << '\n';
        return 0;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QTextStream out(stdout);
    const QString command = args.value(0);

    if (command == QLatin1String("device")) {
        QUser::Instance()->setProduct(
            QDtaProduct(29, args.value(1), QStringLiteral("Tapwise"), QStringLiteral("2.0.0.1")));
        out << QUser::Instance()->getDeviceCode() << '\n';
        return 0;
    }
    if (command == QLatin1String("prelogin")) {
        QUserHelp help(nullptr, nullptr);
        QStringList events;
        QObject::connect(&help, &QUserHelp::signal_login,
                         [&] { events << QStringLiteral("login"); });
        QObject::connect(&help, &QUserHelp::signal_avatar,
                         [&] { events << QStringLiteral("avatar"); });
        const bool result = help.preLogin();
        out << "login=" << (result && QUser::Instance()->isLogin() ? 1 : 0)
            << " name=" << QUser::Instance()->name() << " signals=" << events.join(',') << '\n';
        return 0;
    }
    if (command == QLatin1String("profiles")) {
        out << QUser::Instance()->profileNames().join(',') << '\n';
        return 0;
    }
    if (command == QLatin1String("create")) {
        // create <prefix> <count>: signs in to count new profiles, one after the other.
        QUserHelp help(nullptr, nullptr);
        const int count = args.value(2).toInt();
        int made = 0;
        for (int i = 0; i < count; ++i) {
            if (help.signIn(args.value(1) + QString::number(i), QString()))
                ++made;
        }
        out << made << '\n';
        return made == count ? 0 : 1;
    }
    if (command == QLatin1String("get")) {
        out << CSetting::getString(args.value(1), args.value(2), QStringLiteral("<none>")) << '\n';
        return 0;
    }
    QTextStream(stderr) << "usage: basekit_probe device <product> | prelogin | profiles | "
                           "create <prefix> <count> | get <group> <key> | http-exit <url>\n";
    return 2;
}
