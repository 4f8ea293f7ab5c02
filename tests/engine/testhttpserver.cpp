#include "testhttpserver.h"

#include <QFile>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

TestHttpServer::TestHttpServer(const QString &root, QObject *parent)
    : QTcpServer(parent)
    , m_root(root)
{
    connect(this, &QTcpServer::newConnection, this, &TestHttpServer::serve);
}

bool TestHttpServer::start()
{
    return listen(QHostAddress::LocalHost, 0);
}

QString TestHttpServer::url(const QString &host, const QString &path) const
{
    return QStringLiteral("http://%1:%2/%3").arg(host).arg(serverPort()).arg(path);
}

QString TestHttpServer::redirectUrl(const QString &host, const QString &target) const
{
    return url(host,
               QStringLiteral("redirect?to=")
                   + QString::fromLatin1(QUrl::toPercentEncoding(target)));
}

void TestHttpServer::serve()
{
    while (QTcpSocket *socket = nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            if (!socket->canReadLine())
                return;
            const QList<QByteArray> request = socket->readLine().trimmed().split(' ');
            const QUrl target =
                request.size() > 1 ? QUrl(QString::fromLatin1(request.at(1))) : QUrl();
            const QString path = target.path();
            m_requests.append(path);
            QFile file(m_root.filePath(path.mid(1)));
            QByteArray reply;
            if (path == QLatin1String("/redirect")) {
                const QByteArray to = QUrlQuery(target)
                                          .queryItemValue(QStringLiteral("to"), QUrl::FullyDecoded)
                                          .toUtf8();
                reply = "HTTP/1.0 302 Found\r\nLocation: " + to
                    + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            } else if (!path.contains(QLatin1String("..")) && file.open(QIODevice::ReadOnly)) {
                const QByteArray body = file.readAll();
                reply = "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                        "Content-Length: "
                    + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
            } else {
                reply = "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            }
            socket->write(reply);
            socket->disconnectFromHost();
        });
    }
}
