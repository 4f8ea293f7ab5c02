#pragma once

#include <QJsonArray>
#include <QObject>

class QEngineView;

/**
 * The browser-side end of the page's message port: the page writes its posted calls into the
 * calls property, which hands them to the view. The port only writes properties, so no answer
 * travels back for a message.
 */
class QPostReceiver : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QJsonArray calls READ calls WRITE receive)

public:
    explicit QPostReceiver(QEngineView *view);

    /// The object's name on the port and the index of its calls property.
    static QString objectName();
    static int callsProperty();

    QJsonArray calls() const { return QJsonArray(); }
    void receive(const QJsonArray &calls);

private:
    QEngineView *m_view;
};
