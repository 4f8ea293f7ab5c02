#pragma once

#include "commandregistry.h"
#include "qdtareply.h"

#include <QString>
#include <functional>
#include <json/json.h>
#include <string>

/// The engine-free half of the script bridge: reading and dispatching win_message requests,
/// building the reply objects and the onMessage push scripts. QWebBrowser strings these steps
/// together, turns the replies into script values and runs the scripts.
class BridgeProtocol
{
public:
    using Task = std::function<void()>;
    /// Queues an asynchronous call's task (the work pool in the program).
    using TaskPoster = std::function<void(Task)>;
    /// Receives an asynchronous call's filled reply, on the thread that ran the handler.
    using ResultSink = std::function<void(const QString &method, const ReplyPtr &reply)>;

    /// Reads win_message's argument (UTF-8 text, null when the page gave none) into one request
    /// object. False with the text to reply when there is no text or it holds no JSON object.
    static bool readRequest(const char *text, Json::Value *request, QString *refusal);
    /// Parses JSON text; comments are allowed, anything after the value is not.
    static bool parseRequest(const std::string &text, Json::Value *request);
    /// Runs one request: synchronous commands at once, asynchronous ones through post. The
    /// outcome is always a reply: the handler's, a refusal (result false with its text), or
    /// the acceptance of an asynchronous call (result true, no data).
    static ReplyPtr dispatch(const Json::Value &request, const TaskPoster &post,
                             const ResultSink &sink);

    static Json::Value okReply(const Json::Value &data);
    static Json::Value errorReply(const QString &msg);
    /// Indented JSON text of a reply, UTF-8.
    static std::string replyText(const Json::Value &reply);

    /// The push body for an asynchronous result: "result", "msg" and "data", always all three.
    static Json::Value callbackParam(const ReplyPtr &reply);
    /// One-line JSON text of {"cmd", "param"}.
    static QString pushText(const QString &cmd, const Json::Value &param);
    /// Escapes text for a single-quoted script string literal that yields the text unchanged.
    static QString escapeScriptString(const QString &text);
    /// The script onMessage('<push text>') that hands the page the push text intact.
    static QString pushScript(const QString &cmd, const Json::Value &param);

    /// The name as sent: the text of "cmd", empty when it is missing.
    static QString commandName(const Json::Value &cmd);

private:
    static void runHandler(const CommandHandler &handler, const QString &name,
                           const Json::Value &param, const ReplyPtr &reply);
};
