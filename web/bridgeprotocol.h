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
    /// How many pushes the page has been given and not yet run (it runs them only when it
    /// yields); they count against kMaxPendingCalls too.
    using Backlog = std::function<int()>;

    /// Asynchronous calls accepted at most at once: queued, running, with a result not yet
    /// handed to the page, or handed to it and not yet run there. Past it a call gets a
    /// failure reply.
    static constexpr int kMaxPendingCalls = 1000;

    /// Reads win_message's argument (UTF-8 text, null when the page gave none) into one request
    /// object. False with the text to reply when there is no text or it holds no JSON object.
    static bool readRequest(const char *text, Json::Value *request, QString *refusal);
    /// Parses JSON text; comments are allowed (and dropped), anything after the value is not,
    /// and neither is nesting deeper than the reader's limit.
    static bool parseRequest(const std::string &text, Json::Value *request);
    static bool parseRequest(const char *begin, const char *end, Json::Value *request);
    /// Runs one request: synchronous commands at once, asynchronous ones through post. The
    /// outcome is always a reply: the handler's, a refusal (result false with its text), or
    /// the acceptance of an asynchronous call (result true, no data).
    static ReplyPtr dispatch(const Json::Value &request, const TaskPoster &post,
                             const ResultSink &sink, const Backlog &backlog = {});

    /// Runs a request the page posted after answering it itself as an accepted asynchronous
    /// call. Its result always comes through sink: the handler's, or, should the registry have
    /// changed since the page's snapshot, the refusal the page would have been given.
    static void dispatchPosted(const Json::Value &request, const TaskPoster &post,
                               const ResultSink &sink);
    /// The text of the reply to an accepted asynchronous call.
    static std::string acceptedText();
    /// The text of the refusal of an asynchronous call past the bound, in two parts: before and
    /// after the name as sent (which the writer escapes). Empty if the translated text does not
    /// hold the name exactly once.
    static QStringList busyTextParts();

    static Json::Value okReply(const Json::Value &data);
    static Json::Value errorReply(const QString &msg);
    /// The answer to a filled reply: ok with its data when its result is true, else error with
    /// its message (the data is dropped). The one place that makes this choice, for the reply
    /// objects here and for QWebBrowser's script values.
    template<typename Answer, typename Ok, typename Error>
    static Answer answerFor(const ReplyPtr &reply, const Ok &ok, const Error &error)
    {
        if (reply && reply->result())
            return ok(reply->data());
        return error(reply ? reply->msg() : QString());
    }
    /// answerFor with okReply and errorReply.
    static Json::Value replyFromReply(const ReplyPtr &reply);
    /// Indented JSON text of a reply, UTF-8.
    static std::string replyText(const Json::Value &reply);
    /// replyText(okReply(data)), written around the data's own text.
    static std::string okReplyText(const Json::Value &data);

    /// The push body for an asynchronous result: "result", "msg" and "data", always all three.
    static Json::Value callbackParam(const ReplyPtr &reply);
    /// One-line JSON text of {"cmd", "param"}.
    static QString pushText(const QString &cmd, Json::Value param);
    /// Escapes text for a single-quoted script string literal that yields the text unchanged.
    static QString escapeScriptString(const QString &text);
    /// The script onMessage('<push text>') that hands the page the push text intact.
    static QString pushScript(const QString &cmd, const Json::Value &param);
    /// The pushes of several asynchronous results as one script: each push text, escaped as
    /// escapeScriptString() does and separated by commas (appendResult()), goes to onMessage in
    /// order, through the page's results hook when it has one, which settles the calls too. A
    /// number n in place of a text stands for n more of the text before it.
    static QString resultsScript(const QString &escapedTexts);
    static void appendResult(QString *escapedTexts, const QString &pushText);
    /// pushText() of an asynchronous result: {"cmd", "param": callbackParam(reply)}.
    static QString resultText(const QString &cmd, const ReplyPtr &reply);
    /// The same push for an event the page did not ask for: skipped while the document has no
    /// onMessage yet (the page reads the state itself when it starts).
    static QString eventScript(const QString &cmd, const Json::Value &param);

    /// Asynchronous calls accepted and not yet done with (see kMaxPendingCalls).
    static int pendingCalls();

    /// The name as sent: the text of "cmd", empty when it is missing.
    static QString commandName(const Json::Value &cmd);

private:
    static void postTask(const CommandHandler &handler, const QString &name, Json::Value param,
                         const TaskPoster &post, const ResultSink &sink);
    static void runHandler(const CommandHandler &handler, const QString &name,
                           const Json::Value &param, const ReplyPtr &reply);
};
