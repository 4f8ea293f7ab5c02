#include "qsingleapplication.h"

#include "platform.h"

#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <QTranslator>

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr int kTopmostReleaseDelayMs = 50;

} // namespace

QSingleApplication::QSingleApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    m_commandLine = Platform::processCommandLine();
}

QSingleApplication::~QSingleApplication()
{
    m_localServer.reset();
    m_mainWidget.reset();
    m_commandLine.clear();
    m_serverName.clear();
    m_translator.reset();
}

void QSingleApplication::setServerName(const QString &name)
{
    m_serverName = name;
}

QString QSingleApplication::serverPath() const
{
    if (m_localServer)
        return m_listeningPath;
    return Platform::localServerNames(m_serverName, false).value(0);
}

void QSingleApplication::setMainWidget(const std::shared_ptr<QWidget> &widget)
{
    m_mainWidget = widget;
}

int QSingleApplication::execute()
{
    if (connectToPrimary())
        return 0;
    startServer();
    init();
    const int result = run();
    uninit();
    return result;
}

bool QSingleApplication::connectToPrimary()
{
    // The running instance may have had to fall back to the second place.
    const QStringList paths = Platform::localServerNames(m_serverName, false);
    for (const QString &path : paths) {
        QLocalSocket socket;
        socket.connectToServer(path, QIODevice::ReadWrite);
        if (socket.waitForConnected(kConnectTimeoutMs)) {
            onClientConnected(&socket);
            return true;
        }
    }
    return false;
}

bool QSingleApplication::startServer()
{
    m_localServer = std::make_unique<QLocalServer>(this);
    m_localServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_localServer.get(), &QLocalServer::newConnection, this,
            &QSingleApplication::newLocalConnection);
    // With an access option, listen() binds beside the name and renames over it, so a socket
    // file a crashed instance left behind never stands in the way.
    QString problem;
    QStringList failures;
    const QStringList paths = Platform::localServerNames(m_serverName, true, &problem);
    m_listeningPath.clear();
    for (const QString &path : paths) {
        if (m_localServer->listen(path)) {
            m_listeningPath = path;
            return true;
        }
        failures << QStringLiteral("%1: %2").arg(path, m_localServer->errorString());
    }
    if (!problem.isEmpty())
        failures << problem;
    qWarning("Single-instance guard off, further starts will open more windows: %s",
             qPrintable(failures.join(QStringLiteral("; "))));
    return true;
}

void QSingleApplication::newLocalConnection()
{
    handleNewConnection();
}

void QSingleApplication::handleNewConnection()
{
    if (m_mainWidget)
        activateMainWindow();
    if (!m_localServer->hasPendingConnections())
        return;
    m_currentConnection = m_localServer->nextPendingConnection();
    connect(m_currentConnection, &QLocalSocket::readyRead, this, &QSingleApplication::onReadyRead);
    connect(m_currentConnection, &QLocalSocket::disconnected, this,
            &QSingleApplication::onDisconnected);
}

void QSingleApplication::activateMainWindow()
{
    if (!m_mainWidget)
        return;
    m_mainWidget->show();
    const WId handle = m_mainWidget->winId();
    if (!handle)
        return;
    Platform::setTopmost(handle, true);
    QTimer::singleShot(kTopmostReleaseDelayMs, [handle] { Platform::setTopmost(handle, false); });
}

void QSingleApplication::onReadyRead()
{
    if (!m_currentConnection)
        return;
    onInstanceMessage(QString::fromUtf8(m_currentConnection->readAll()));
}

void QSingleApplication::onDisconnected()
{
    m_currentConnection = nullptr;
}

void QSingleApplication::onInstanceMessage(const QString &) { }

void QSingleApplication::onClientConnected(QLocalSocket *) { }

int QSingleApplication::run()
{
    return 0;
}

void QSingleApplication::init() { }

void QSingleApplication::uninit() { }

void QSingleApplication::loadTranslator(const QString &prefix, const QString &language)
{
    loadTranslator(QCoreApplication::applicationDirPath(), prefix, language);
}

void QSingleApplication::loadTranslator(const QString &directory, const QString &prefix,
                                        const QString &language)
{
    const QString path = QStringLiteral("%1/language/%2_%3.qm").arg(directory, prefix, language);
    if (!QFileInfo::exists(path))
        return;
    m_translator = std::make_unique<QTranslator>();
    m_translator->load(path);
    QCoreApplication::installTranslator(m_translator.get());
}

void QSingleApplication::startProgram(const QString &program, const QStringList &arguments)
{
    Platform::startProgram(program, arguments);
}
