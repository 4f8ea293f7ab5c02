#include "bridgeprotocol.h"

#include "asyncrequestscript.h"
#include "commandregistry.h"
#include "scriptliteral.h"

#include <QCoreApplication>
#include <QObject>
#include <atomic>
#include <cctype>
#include <cstring>
#include <exception>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

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
    // So is a stream: emptied, not rebuilt.
    thread_local std::ostringstream stream;
    stream.str(std::string());
    stream.clear();
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
// bytes that are no UTF-8 at all came back changed in pushes. So such text is made plain UTF-8
// first.
std::string plainUtf8(const char *text)
{
    QByteArray bytes(text);
    bytes.replace(QByteArray("\xC0\x80", 2), QByteArray(1, '\0'));
    return QString::fromUtf8(bytes).toStdString();
}

// The UTF-16 unit a \u escape at text[at] names, or -1 when there is none.
int escapedUnit(const std::string &text, std::size_t at)
{
    if (at + 6 > text.size() || text.compare(at, 2, "\\u") != 0)
        return -1;
    for (std::size_t i = at + 2; i < at + 6; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(text[i])))
            return -1;
    }
    return std::stoi(text.substr(at + 2, 4), nullptr, 16);
}

// JSON may escape half a surrogate pair, as the page's JSON.stringify does with a string cut
// inside an emoji. The reader refused a lone first half and kept a lone second half as bytes
// that are no UTF-8, which reached the page changed. Either half alone is read as U+FFFD, as
// broken UTF-8 is.
void replaceLoneSurrogates(std::string *text)
{
    const auto isFirstHalf = [](int unit) {
        return unit >= 0xD800 && unit <= 0xDBFF;
    };
    const auto isSecondHalf = [](int unit) {
        return unit >= 0xDC00 && unit <= 0xDFFF;
    };
    for (std::size_t at = text->find('\\'); at != std::string::npos;) {
        const int unit = escapedUnit(*text, at);
        std::size_t next = at + 2; // past "\\" or any other escape's first two characters
        if (isFirstHalf(unit) && isSecondHalf(escapedUnit(*text, at + 6)))
            next = at + 12;
        else if (isFirstHalf(unit) || isSecondHalf(unit))
            text->replace(at + 2, 4, "fffd");
        at = text->find('\\', next);
    }
}

// "async" is a flag: only true and non-zero numbers ask for the pool.
bool readsTrue(const Json::Value &value)
{
    if (value.isBool() || value.isNumeric())
        return value.asBool();
    return false;
}

ReplyPtr refusal(const QString &msg)
{
    auto reply = std::make_shared<QDtaReply>();
    reply->setMsg(msg);
    return reply;
}

ReplyPtr accepted()
{
    auto reply = std::make_shared<QDtaReply>();
    reply->setResult(true);
    return reply;
}

} // namespace

bool BridgeProtocol::readRequest(const char *text, Json::Value *request, QString *refusal)
{
    if (!text) {
        *refusal = QObject::tr("传入的参数为空");
        return false;
    }
    // Most requests are plain ASCII, which is read where it lies.
    const char *end = text;
    while (*end > 0)
        ++end;
    bool parsed = false;
    if (*end || std::strstr(text, "\\u")) {
        std::string plain = *end ? plainUtf8(text) : std::string(text, end);
        replaceLoneSurrogates(&plain);
        parsed = parseRequest(plain, request);
    } else {
        parsed = parseRequest(text, end, request);
    }
    // A request is one JSON object; any other JSON value is as malformed as broken text.
    if (!parsed || !request->isObject()) {
        *refusal = QObject::tr("json 格式错误！");
        return false;
    }
    return true;
}

bool BridgeProtocol::parseRequest(const std::string &text, Json::Value *request)
{
    return parseRequest(text.data(), text.data() + text.size(), request);
}

bool BridgeProtocol::parseRequest(const char *begin, const char *end, Json::Value *request)
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
    Json::Value value;
    // The reader throws instead of failing at its nesting limit.
    try {
        if (!reader->parse(begin, end, &value, nullptr))
            return false;
    } catch (const std::exception &) {
        return false;
    }
    request->swap(value);
    return true;
}

ReplyPtr BridgeProtocol::dispatch(const Json::Value &request, const TaskPoster &post,
                                  const ResultSink &sink, const Backlog &backlog)
{
    const bool isObject = request.isObject();
    const QString name = commandName(isObject ? request["cmd"] : Json::Value::nullSingleton());

    // A copy: a handler may register commands while it runs.
    CommandEntry entry;
    if (const CommandEntry *found = CommandRegistry::find(name))
        entry = *found;
    if (!entry.handler)
        return refusal(notFoundText(name));

    const Json::Value &param = isObject ? request["param"] : Json::Value::nullSingleton();
    if (isObject && readsTrue(request["async"])) {
        if (!entry.async)
            return refusal(asyncRefusedText(name));
        // A page that never yields would otherwise queue work and results without end.
        if (pendingCalls() + (backlog ? backlog() : 0) >= kMaxPendingCalls)
            return refusal(tooManyPendingText(name));
        postTask(entry.handler, name, param, post, sink);
        return accepted();
    }

    auto reply = std::make_shared<QDtaReply>();
    runHandler(entry.handler, name, param, reply);
    return reply;
}

void BridgeProtocol::dispatchPosted(const Json::Value &request, const TaskPoster &post,
                                    const ResultSink &sink)
{
    const QString name = commandName(request["cmd"]);
    // No handler runs here, so the entry is not copied: the task takes its own copy.
    const CommandEntry *entry = CommandRegistry::find(name);
    const bool found = entry && entry->handler;
    if (!found || !entry->async) {
        // The page's snapshot of the registry was older than a change made since: the call was
        // answered as accepted, so its refusal comes as its result.
        if (sink)
            sink(name, found ? refusal(asyncRefusedText(name)) : refusal(notFoundText(name)));
        return;
    }
    // The page counts its calls against the same bound; twice as many are only reached by a
    // page that tampered with its bridge, and are dropped to keep memory bounded.
    if (pendingCalls() >= 2 * kMaxPendingCalls) {
        qWarning("bridge: dropped a posted call of %s: too many calls pending", qPrintable(name));
        return;
    }
    postTask(entry->handler, name, request["param"], post, sink);
}

void BridgeProtocol::postTask(const CommandHandler &handler, const QString &name, Json::Value param,
                              const TaskPoster &post, const ResultSink &sink)
{
    const auto pending = std::make_shared<PendingCall>();
    post([handler, name, param = std::move(param), sink, pending] {
        // The reply holds the count on, until the result has been handed to the page.
        const ReplyPtr reply(new QDtaReply, [pending](QDtaReply *done) { delete done; });
        runHandler(handler, name, param, reply);
        if (sink)
            sink(name, reply);
    });
}

std::string BridgeProtocol::acceptedText()
{
    return replyText(okReply(Json::Value()));
}

QStringList BridgeProtocol::busyTextParts()
{
    const QString marker = QStringLiteral("@NAME@");
    const QString text = QString::fromStdString(replyText(errorReply(tooManyPendingText(marker))));
    const QStringList parts = text.split(marker);
    return parts.size() == 2 ? parts : QStringList();
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

Json::Value BridgeProtocol::replyFromReply(const ReplyPtr &reply)
{
    return answerFor<Json::Value>(reply, okReply, errorReply);
}

Json::Value BridgeProtocol::errorReply(const QString &msg)
{
    Json::Value reply(Json::objectValue);
    reply["result"] = false;
    reply["msg"] = msg.toStdString();
    return reply;
}

std::string BridgeProtocol::replyText(const Json::Value &reply)
{
    return writeJson(reply, true);
}

std::string BridgeProtocol::okReplyText(const Json::Value &data)
{
    // The indented writer puts a member's value one level in by starting each of its lines
    // after the first with one more indentation, and a value of several lines on a line of its
    // own; nothing else about the value changes.
    const std::string value = writeJson(data, true);
    std::string text = "{\n   \"data\" : ";
    text.reserve(value.size() + 64);
    if (value.find('\n') != std::string::npos)
        text += "\n   ";
    for (const char c : value) {
        text += c;
        if (c == '\n')
            text += "   ";
    }
    text += ",\n   \"msg\" : \"\",\n   \"result\" : true\n}";
    return text;
}

Json::Value BridgeProtocol::callbackParam(const ReplyPtr &reply)
{
    Json::Value param(Json::objectValue);
    param["result"] = reply->result();
    param["msg"] = reply->msg().toStdString();
    param["data"] = reply->data();
    return param;
}

QString BridgeProtocol::pushText(const QString &cmd, Json::Value param)
{
    Json::Value message(Json::objectValue);
    message["cmd"] = cmd.toStdString();
    message["param"] = std::move(param);
    return QString::fromStdString(writeJson(message, false)).trimmed();
}

QString BridgeProtocol::escapeScriptString(const QString &text)
{
    // '<' and '>' too, so no "</script>" or "<!--" ever appears in the script text.
    QString escaped;
    escaped.reserve(text.size() + text.size() / 8);
    ScriptLiteral::appendEscaped(escaped, text, QLatin1Char('\''), ScriptLiteral::kEscapeMarkup);
    return escaped;
}

QString BridgeProtocol::pushScript(const QString &cmd, const Json::Value &param)
{
    return QStringLiteral("onMessage('%1')").arg(escapeScriptString(pushText(cmd, param)));
}

void BridgeProtocol::appendResult(QString *escapedTexts, const QString &text)
{
    if (!escapedTexts->isEmpty())
        *escapedTexts += QLatin1Char(',');
    *escapedTexts += QLatin1Char('\'');
    ScriptLiteral::appendEscaped(*escapedTexts, text, QLatin1Char('\''),
                                 ScriptLiteral::kEscapeMarkup);
    *escapedTexts += QLatin1Char('\'');
}

QString BridgeProtocol::resultText(const QString &cmd, const ReplyPtr &reply)
{
    // Text the writer quotes as it stands can be put in place without building the message.
    const auto writtenAsIs = [](const QString &text) {
        for (const QChar c : text) {
            const ushort code = c.unicode();
            if (code < 0x20 || code > 0x7e || code == '"' || code == '\\')
                return false;
        }
        return true;
    };
    if (!writtenAsIs(cmd) || !writtenAsIs(reply->msg()))
        return pushText(cmd, callbackParam(reply));
    std::string text = "{\"cmd\":\"";
    text += cmd.toStdString();
    text += "\",\"param\":{\"data\":";
    text += writeJson(reply->data(), false);
    text += ",\"msg\":\"";
    text += reply->msg().toStdString();
    text += reply->result() ? "\",\"result\":true}}" : "\",\"result\":false}}";
    return QString::fromStdString(text);
}

QString BridgeProtocol::resultsScript(const QString &escapedTexts)
{
    // Without the hook (a document that has no bridge) each text still reaches onMessage, and
    // an error in one push stops none of the others.
    return QStringLiteral(
               "(function (m) {\n"
               "var h = window.%1;\n"
               "if (typeof h === 'function') return h(m);\n"
               "for (var i = 0, t; i < m.length; ++i) {\n"
               "    for (var n = typeof m[i] === 'number' ? m[i] : (t = m[i], 1); n > 0; --n)\n"
               "        try { onMessage(t); } catch (e) { setTimeout(function () { throw e; }); }\n"
               "}\n"
               "})([")
               .arg(AsyncRequestScript::resultsHook())
        + escapedTexts + QLatin1String("])");
}

QString BridgeProtocol::eventScript(const QString &cmd, const Json::Value &param)
{
    return QStringLiteral("if (typeof onMessage === 'function') ") + pushScript(cmd, param);
}

QString BridgeProtocol::commandName(const Json::Value &cmd)
{
    if (cmd.isNull())
        return QString();
    if (cmd.isString()) {
        // Read in place: a name is read on every call.
        const char *begin = nullptr;
        const char *end = nullptr;
        return cmd.getString(&begin, &end) ? QString::fromUtf8(begin, int(end - begin)) : QString();
    }
    // Not a name at all: quote the value as sent so the error says what arrived.
    return QString::fromStdString(writeJson(cmd, false)).trimmed();
}
