#include "qpostreceiver.h"

#include "qengineview.h"

QPostReceiver::QPostReceiver(QEngineView *view)
    : QObject(view)
    , m_view(view)
{ }

QString QPostReceiver::objectName()
{
    return QStringLiteral("nativePosts");
}

int QPostReceiver::callsProperty()
{
    static const int index = staticMetaObject.indexOfProperty("calls");
    return index;
}

void QPostReceiver::receive(const QJsonArray &calls)
{
    m_view->answerPostedCalls(calls);
}
