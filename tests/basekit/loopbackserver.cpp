#include "loopbackserver.h"

#include <QTcpSocket>

LoopbackServer::LoopbackServer(QObject *parent)
    : QObject(parent)
{
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_held.removeOne(socket);
                m_pending.remove(socket);
                socket->deleteLater();
            });
        }
    });
}

QString LoopbackServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
}

void LoopbackServer::setReply(int status, const QByteArray &body)
{
    m_status = status;
    m_body = body;
}

void LoopbackServer::onReadyRead(QTcpSocket *socket)
{
    if (!m_pending.contains(socket) && socket->property("seen").toBool())
        return;
    socket->setProperty("seen", true);
    QByteArray &request = m_pending[socket];
    request += socket->readAll();
    if (!request.contains("\r\n\r\n"))
        return;
    m_pending.remove(socket);
    ++m_requests;
    if (m_holding) {
        m_held.append(socket);
        m_mostHeld = qMax(m_mostHeld, m_held.size());
    } else {
        answer(socket);
    }
}

void LoopbackServer::releaseOne()
{
    if (!m_held.isEmpty())
        answer(m_held.takeFirst());
}

void LoopbackServer::answer(QTcpSocket *socket)
{
    QByteArray response = "HTTP/1.1 " + QByteArray::number(m_status) + " X\r\n"
        + "Content-Type: text/plain\r\nConnection: close\r\nContent-Length: "
        + QByteArray::number(m_body.size()) + "\r\n\r\n" + m_body;
    socket->write(response);
    socket->disconnectFromHost();
}

quint16 LoopbackServer::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}
