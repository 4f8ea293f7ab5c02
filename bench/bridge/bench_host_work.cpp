// The host's own work for one bridge call, without the browser: for a synchronous
// win_message("queryLogin") everything the GUI thread does between the engine taking the
// payload and handing back the answer (decoding the call, the argument's text, reading the
// request, dispatching, the reply text and its encoding); for a posted asynchronous request the
// same up to its escaped push text, the pool's part included. On a busy machine a call's wall
// time swings by more than this work costs, so this shows a change to it where the end-to-end
// figures cannot.
//
// bench_host_work [--calls 200000] [--rounds 7]

#include "bridgeprotocol.h"
#include "hostcommands.h"
#include "qjsexecstate.h"
#include "qpromptchannel.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const QString kToken = QStringLiteral("0123456789abcdef0123456789abcdef");
const QString kRequest = QStringLiteral("{\"cmd\":\"queryLogin\",\"async\":false}");
const QString kPosted = QStringLiteral("{\"cmd\":\"queryLogin\",\"async\":true}");

// One call framed as a bound function frames it: name, argument count, the text.
QString framed(const QString &text)
{
    return QStringLiteral("11:win_message1:s%1:%2").arg(text.size()).arg(text);
}

QString answerSyncCall(const QString &payload)
{
    const QPromptChannel::Call call = QPromptChannel::decodeCall(payload, kToken);
    QJsExecState state(call.arguments);
    Json::Value request;
    QString refusal;
    if (!BridgeProtocol::readRequest(state.toUtf8(state.argument(0)), &request, &refusal))
        return QString();
    const ReplyPtr reply = BridgeProtocol::dispatch(request, {}, {}, {});
    const std::string text = BridgeProtocol::okReplyText(reply->data());
    return state.encodeResult(state.stringFromUtf8(text.c_str()));
}

QString runPostedCall(const QString &calls)
{
    QString escaped;
    for (const QPromptChannel::Invocation &posted : QPromptChannel::decodePosted(calls)) {
        QJsExecState state(posted.arguments, true);
        Json::Value request;
        QString refusal;
        if (!BridgeProtocol::readRequest(state.toUtf8(state.argument(0)), &request, &refusal))
            continue;
        BridgeProtocol::dispatchPosted(
            std::move(request), [](const BridgeProtocol::Task &task) { task(); },
            [&escaped](const QString &method, const ReplyPtr &reply) {
                BridgeProtocol::appendResult(&escaped, BridgeProtocol::resultText(method, reply));
            });
    }
    return escaped;
}

// Median over rounds of the nanoseconds one call takes.
template<typename Work> double nanosecondsPerCall(int calls, int rounds, const Work &work)
{
    std::vector<double> perCall;
    for (int round = 0; round <= rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < calls; ++i) {
            if (work().isEmpty()) {
                std::fprintf(stderr, "bench: a call gave no answer\n");
                std::exit(1);
            }
        }
        const std::chrono::duration<double, std::nano> spent =
            std::chrono::steady_clock::now() - start;
        // The first round only warms up.
        if (round > 0)
            perCall.push_back(spent.count() / calls);
    }
    std::nth_element(perCall.begin(), perCall.begin() + perCall.size() / 2, perCall.end());
    return perCall[perCall.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("calls"), QStringLiteral("Calls per round."),
                      QStringLiteral("count"), QStringLiteral("200000")});
    parser.addOption({QStringLiteral("rounds"), QStringLiteral("Timed rounds."),
                      QStringLiteral("count"), QStringLiteral("7")});
    parser.process(application);
    const int calls = std::max(1, parser.value(QStringLiteral("calls")).toInt());
    const int rounds = std::max(1, parser.value(QStringLiteral("rounds")).toInt());

    HostCommands::registerCommands(nullptr);
    const QString payload = QLatin1Char('@') + kToken + QLatin1Char(':') + framed(kRequest);
    const QString posted = framed(kPosted);
    const double sync = nanosecondsPerCall(calls, rounds, [&] { return answerSyncCall(payload); });
    const double async = nanosecondsPerCall(calls, rounds, [&] { return runPostedCall(posted); });
    std::printf("RESULT {\"program\":\"host work\",\"syncCallNs\":%.0f,\"postedCallNs\":%.0f}\n",
                sync, async);
    return 0;
}
