#include "bridgeprotocol.h"

#include "commandregistry.h"

#include <QCoreApplication>
#include <QObject>
#include <atomic>
#include <exception>
#include <memory>
#include <sstream>

namespace {

std::unique_ptr<Json::StreamWriter> makeWriter(const char *indentation)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = indentation;
    builder["emitUTF8"] = true;
    return std::unique_ptr<Json::StreamWriter>(builder.newStreamWriter());
}

// One writer of each kind per thread: building a writer costs more than most pushes.
std::string writeJson(const Json::Value &value, bool indented)
{
    thread_local const std::unique_ptr<Json::StreamWriter> oneLine = makeWriter("");
    thread_local const std::unique_ptr<Json::StreamWriter> styled = makeWriter("   ");
    std::ostringstream stream;
    (indented ? styled : oneLine)->write(value, &stream);
    return stream.str();
}

QString notFoundText(const QString &name)
{
    return QCoreApplication::translate("QWebBrowser", "方法 %1 不存在！").arg(name);
}

QString asyncRefusedText(const QString &name)
{
    return QCoreApplication::translate("QWebBrowser", "该方法 %1 不支持异步调用！").arg(name);
}

QString handlerFailedText(const QString &name, const QString &detail)
{
    return QCoreApplication::translate("QWebBrowser", "方法 %1 执行出错：%2").arg(name, detail);
}

QString tooManyPendingText(const QString &name)
{
    return QCoreApplication::translate("QWebBrowser", "异步调用 %1 过多，请稍后再试！").arg(name);
}

std::atomic<int> s_pendingCalls {0};

// Counts one accepted asynchronous call from its acceptance until nothing holds its task or its
// reply any more: the queued task, the result travelling to the GUI thread, the push.
class PendingCall
{
public:
    PendingCall() { s_pendingCalls.fetch_add(1, std::memory_order_relaxed); }
    ~PendingCall() { s_pendingCalls.fetch_sub(1, std::memory_order_relaxed); }
    PendingCall(const PendingCall &) = delete;
    PendingCall &operator=(const PendingCall &) = delete;
};

// The engine writes U+0000 as C0 80. Read as bytes, that pair came back out of the writer
// unchanged and reached the page as a raw U+0000 inside a string, which JSON.parse refuses; and
// bytes that are no UTF-8 at all came back changed in pushes. So the text is made plain UTF-8
// first.
std::string plainUtf8(const char *text)
{
    QByteArray bytes(text);
    bytes.replace(QByteArray("\xC0\x80", 2), QByteArray(1, '\0'));
    return QString::fromUtf8(bytes).toStdString();
}

// "async" is a flag: only true and non-zero numbers ask for the pool.
bool readsTrue(const Json::Value &value)
{
    if (value.isBool() || value.isNumeric())
        return value.asBool();
    return false;
}

} // namespace

Json::Value BridgeProtocol::handleMessage(const char *text, const TaskPoster &post,
                                          const ResultSink &sink, const Backlog &backlog)
{
    if (!text)
        return errorReply(QObject::tr("传入的参数为空"));
    Json::Value request;
    // A request is one JSON object; any other JSON value is as malformed as broken text.
    if (!parseRequest(plainUtf8(text), &request) || !request.isObject())
        return errorReply(QObject::tr("json 格式错误！"));
    return dispatch(request, post, sink, backlog);
}

bool BridgeProtocol::parseRequest(const std::string &text, Json::Value *request)
{
    // One reader per thread, built once: building one costs about as much as a small request.
    thread_local const std::unique_ptr<Json::CharReader> reader = [] {
        Json::CharReaderBuilder builder;
        builder["allowComments"] = true;
        // Comments kept on values would come back out in replies and pushes, which are JSON
        // for the page and allow none.
        builder["collectComments"] = false;
        builder["failIfExtra"] = true;
        return std::unique_ptr<Json::CharReader>(builder.newCharReader());
    }();
    std::string errors;
    Json::Value value;
    // The reader throws instead of failing at its nesting limit.
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &value, &errors))
            return false;
    } catch (const std::exception &) {
        return false;
    }
    *request = value;
    return true;
}

Json::Value BridgeProtocol::dispatch(const Json::Value &request, const TaskPoster &post,
                                     const ResultSink &sink, const Backlog &backlog)
{
    const bool isObject = request.isObject();
    const QString name = commandName(isObject ? request["cmd"] : Json::Value());

    // A copy: a handler may register commands while it runs.
    CommandEntry entry;
    if (const CommandEntry *found = CommandRegistry::find(name))
        entry = *found;
    if (!entry.handler)
        return errorReply(notFoundText(name));

    const Json::Value param = isObject ? request["param"] : Json::Value();
    if (isObject && readsTrue(request["async"])) {
        if (!entry.async)
            return errorReply(asyncRefusedText(name));
        // A page that never yields would otherwise queue work and results without end.
        if (pendingCalls() + (backlog ? backlog() : 0) >= kMaxPendingCalls)
            return errorReply(tooManyPendingText(name));
        const CommandHandler handler = entry.handler;
        const auto pending = std::make_shared<PendingCall>();
        post([handler, name, request, sink, pending] {
            // The reply holds the count on, until the result has been handed to the page.
            const ReplyPtr reply(new QDtaReply, [pending](QDtaReply *done) { delete done; });
            runHandler(handler, name, request["param"], reply);
            if (sink)
                sink(name, reply);
        });
        return okReply(Json::Value());
    }

    auto reply = std::make_shared<QDtaReply>();
    runHandler(entry.handler, name, param, reply);
    return replyFromReply(reply);
}

int BridgeProtocol::pendingCalls()
{
    return s_pendingCalls.load(std::memory_order_relaxed);
}

void BridgeProtocol::runHandler(const CommandHandler &handler, const QString &name,
                                const Json::Value &param, const ReplyPtr &reply)
{
    // A failing handler must not unwind through the engine or kill a pool worker; the page
    // gets an ordinary failure instead.
    try {
        handler(param, reply);
        return;
    } catch (const std::exception &error) {
        reply->setMsg(handlerFailedText(name, QString::fromUtf8(error.what())));
    } catch (...) {
        reply->setMsg(handlerFailedText(name, QStringLiteral("unknown exception")));
    }
    reply->setResult(false);
}

Json::Value BridgeProtocol::okReply(const Json::Value &data)
{
    Json::Value reply(Json::objectValue);
    reply["result"] = true;
    reply["data"] = data;
    reply["msg"] = "";
    return reply;
}

Json::Value BridgeProtocol::errorReply(const QString &msg)
{
    Json::Value reply(Json::objectValue);
    reply["result"] = false;
    reply["msg"] = msg.toStdString();
    return reply;
}

Json::Value BridgeProtocol::replyFromReply(const ReplyPtr &reply)
{
    if (reply && reply->result())
        return okReply(reply->data());
    return errorReply(reply ? reply->msg() : QString());
}

std::string BridgeProtocol::replyText(const Json::Value &reply)
{
    return writeJson(reply, true);
}

Json::Value BridgeProtocol::callbackParam(const ReplyPtr &reply)
{
    Json::Value param(Json::objectValue);
    param["result"] = reply->result();
    param["msg"] = reply->msg().toStdString();
    param["data"] = reply->data();
    return param;
}

QString BridgeProtocol::pushText(const QString &cmd, const Json::Value &param)
{
    Json::Value message(Json::objectValue);
    message["cmd"] = cmd.toStdString();
    message["param"] = param;
    return QString::fromStdString(writeJson(message, false)).trimmed();
}

QString BridgeProtocol::escapeScriptString(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            escaped += QLatin1String("\\\\");
            break;
        case '\'':
            escaped += QLatin1String("\\'");
            break;
        case '\n':
            escaped += QLatin1String("\\n");
            break;
        case '\r':
            escaped += QLatin1String("\\r");
            break;
        // '<' and '>' so no "</script>" or "<!--" ever appears in the script text.
        case '<':
        case '>':
        // Line and paragraph separators end a string literal in older script engines.
        case 0x2028:
        case 0x2029:
            escaped += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                escaped += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                escaped += c;
        }
    }
    return escaped;
}

QString BridgeProtocol::pushScript(const QString &cmd, const Json::Value &param)
{
    return QStringLiteral("onMessage('%1')").arg(escapeScriptString(pushText(cmd, param)));
}

QString BridgeProtocol::eventScript(const QString &cmd, const Json::Value &param)
{
    return QStringLiteral("if (typeof onMessage === 'function') ") + pushScript(cmd, param);
}

QString BridgeProtocol::commandName(const Json::Value &cmd)
{
    if (cmd.isNull())
        return QString();
    if (cmd.isString())
        return QString::fromStdString(cmd.asString());
    // Not a name at all: quote the value as sent so the error says what arrived.
    return QString::fromStdString(writeJson(cmd, false)).trimmed();
}
