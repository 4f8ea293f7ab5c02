#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>
#include <json/json.h>
#include <memory>

/// What one command call reports back: a success flag, a message for the page and the result
/// data. A handler that sets nothing reports a failure with an empty message.
class QDtaReply : public QObject
{
    Q_OBJECT
public:
    explicit QDtaReply(QObject *parent = nullptr);

    bool result() const;
    void setResult(bool result);
    QString msg() const;
    void setMsg(const QString &msg);
    const Json::Value &data() const;
    void setData(const Json::Value &data);
    void setData(Json::Value &&data);

private:
    bool m_result = false;
    QString m_msg;
    Json::Value m_data;
};

/// Each command call owns its reply through this pointer; it travels through queued signals.
using ReplyPtr = std::shared_ptr<QDtaReply>;

Q_DECLARE_METATYPE(ReplyPtr)
