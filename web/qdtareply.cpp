#include "qdtareply.h"

QDtaReply::QDtaReply(QObject *parent)
    : QObject(parent)
{ }

bool QDtaReply::result() const
{
    return m_result;
}

void QDtaReply::setResult(bool result)
{
    m_result = result;
}

QString QDtaReply::msg() const
{
    return m_msg;
}

void QDtaReply::setMsg(const QString &msg)
{
    m_msg = msg;
}

const Json::Value &QDtaReply::data() const
{
    return m_data;
}

void QDtaReply::setData(const Json::Value &data)
{
    m_data = data;
}

void QDtaReply::setData(Json::Value &&data)
{
    m_data = std::move(data);
}
