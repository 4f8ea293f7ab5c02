#include "qmainapplication.h"

#include "appidentity.h"
#include "cglobal.h"
#include "crashhandler.h"
#include "csetting.h"
#include "platform.h"
#include "platform_crash.h"
#include "qdtaproduct.h"
#include "qdtareply.h"
#include "qglobalsettings.h"
#include "qhttpclient.h"
#include "qmainwidget.h"
#include "quser.h"
#include "stylesheet.h"
#include "uexception.h"
#include "writelog.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <json/json.h>

using namespace AppConstants;

QMainApplication::QMainApplication(int &argc, char **argv)
    : QSingleApplication(argc, argv)
{
    installCrashHandler(QCoreApplication::applicationName().toStdWString());
    CGlobal::init();
    QGlobalSettings::load(QDir::currentPath() + QLatin1String(kSettingsFileName));
    setServerName(QString::fromLatin1(kServerName));
    qsrand(static_cast<uint>(QDateTime::currentSecsSinceEpoch()));
}

QMainApplication::~QMainApplication()
{
    CGlobal::release();
}

void QMainApplication::init()
{
    qRegisterMetaType<Json::Value>("QValue");
    qRegisterMetaType<ReplyPtr>("ReplyPtr");
    for (const unsigned int message : kAdmittedMessages)
        Platform::allowWindowMessage(message);
    initScaleFactor();
    QHttpClient::Instance()->start(kHttpClientStart);
    loadLanguage();
    CGlobal::setAppTitle(appTitle());
    const QDtaProduct product(kProductType, QString::fromLatin1(kProductIdPattern).arg(kCodeWord),
                              appTitle(), appVersion());
    QUser::Instance()->setProduct(product);
}

void QMainApplication::loadLanguage()
{
    const QString fallback = defaultLanguage();
    const QString current =
        CSetting::getString(QStringLiteral("language"), QStringLiteral("type"), fallback);
    loadTranslator(QString::fromLatin1(kCodeWord), current);
    // The web engine takes its locale and the page's navigator.language from the default
    // locale when it starts, so the page speaks the language the shell's dialogs speak.
    QLocale::setDefault(QLocale(current));
}

int QMainApplication::run()
{
    try {
        const auto window = std::make_shared<QMainWidget>(nullptr);
        setMainWidget(window);
        Platform::prepareCrashWindowHiding(static_cast<uintptr_t>(window->winId()));
        return QApplication::exec();
    } catch (const UException &exception) {
        writeLog(1, __FILE__, __LINE__, exception.text());
        return 0;
    }
}

void QMainApplication::uninit()
{
    QHttpClient::Instance()->close();
}
