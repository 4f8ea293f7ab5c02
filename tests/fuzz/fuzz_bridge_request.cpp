// libFuzzer target: win_message's request handling, as the page reaches it, with the command
// registry and handlers that hand their parameter back. Every reply and every push must be
// valid JSON that reads back to the same value, and a push must be one line.

#include "bridgeprotocol.h"
#include "commandregistry.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

void check(bool condition, const char *what, const std::string &text)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_bridge_request: %s\n%s\n", what, text.c_str());
    std::abort();
}

// What the page's JSON.parse would accept: no comments, nothing after the value.
Json::Value readBack(const std::string &text, const char *what)
{
    static const std::unique_ptr<Json::CharReader> reader = [] {
        Json::CharReaderBuilder builder;
        builder["allowComments"] = false;
        builder["failIfExtra"] = true;
        builder["rejectDupKeys"] = true;
        return std::unique_ptr<Json::CharReader>(builder.newCharReader());
    }();
    Json::Value value;
    std::string errors;
    check(reader->parse(text.data(), text.data() + text.size(), &value, &errors), what,
          errors + "\n" + text);
    return value;
}

void registerCommands()
{
    const CommandHandler echo = [](const Json::Value &param, const ReplyPtr &reply) {
        reply->setResult(true);
        reply->setData(param);
    };
    // Fails with the parameter's text as its message, so messages carry page data too.
    const CommandHandler refuse = [](const Json::Value &param, const ReplyPtr &reply) {
        reply->setMsg(
            QString::fromStdString(param.isString() ? param.asString() : param.toStyledString()));
        reply->setData(param);
    };
    const CommandHandler thrower = [](const Json::Value &param, const ReplyPtr &) {
        throw std::runtime_error(param.toStyledString());
    };
    CommandRegistry::registerCommand(QStringLiteral("echo"), echo, true);
    CommandRegistry::registerCommand(QStringLiteral("refuse"), refuse, true);
    CommandRegistry::registerCommand(QStringLiteral("throw"), thrower, true);
    CommandRegistry::registerCommand(QStringLiteral("syncEcho"), echo, false);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool registered = (registerCommands(), true);
    (void)registered;

    // The engine hands the bound function NUL-terminated text.
    const std::string text(reinterpret_cast<const char *>(data), size);
    std::vector<BridgeProtocol::Task> tasks;
    std::vector<std::pair<QString, ReplyPtr>> results;
    Json::Value request;
    QString refusal;
    Json::Value reply;
    if (!BridgeProtocol::readRequest(text.c_str(), &request, &refusal)) {
        reply = BridgeProtocol::errorReply(refusal);
    } else {
        reply = BridgeProtocol::replyFromReply(BridgeProtocol::dispatch(
            request, [&tasks](BridgeProtocol::Task task) { tasks.push_back(std::move(task)); },
            [&results](const QString &method, const ReplyPtr &reply) {
                results.emplace_back(method, reply);
            }));
    }

    const std::string replyText = BridgeProtocol::replyText(reply);
    const Json::Value replyBack = readBack(replyText, "reply is no JSON");
    check(replyBack == reply, "reply does not read back", replyText);
    check(replyBack["result"].isBool(), "reply without boolean result", replyText);

    for (auto &task : tasks)
        task();
    for (const auto &[method, result] : results) {
        const Json::Value param = BridgeProtocol::callbackParam(result);
        const std::string push = BridgeProtocol::pushText(method, param).toStdString();
        check(push.find('\n') == std::string::npos && push.find('\r') == std::string::npos,
              "push is not one line", push);
        const Json::Value pushBack = readBack(push, "push is no JSON");
        check(pushBack["param"] == param, "push does not read back", push);
        check(pushBack["cmd"].asString() == method.toStdString(), "push lost its name", push);
    }
    return 0;
}
