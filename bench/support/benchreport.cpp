#include "benchreport.h"

#include <QJsonDocument>
#include <cstdio>

void printBenchReport(const BenchLabels &labels, const QJsonObject &results, int pushes, int chunk)
{
    const QJsonObject sync = results.value(QStringLiteral("sync")).toObject();
    const QJsonObject push = results.value(QStringLiteral("push")).toObject();
    std::printf("%s\n", labels.title);
    std::printf("  %-34s %10.0f ms\n", labels.load,
                results.value(QStringLiteral("startToLoadMs")).toDouble());
    std::printf("  %-34s %10.1f MB (%d processes)\n", "PSS of process tree after load",
                results.value(QStringLiteral("pssKb")).toDouble() / 1024.0,
                results.value(QStringLiteral("processes")).toInt());
    std::printf("  %-34s %10.3f ms\n", labels.syncMedian,
                sync.value(QStringLiteral("medianMs")).toDouble());
    std::printf("  %-34s %10.3f ms (%d calls)\n", labels.syncP99,
                sync.value(QStringLiteral("p99Ms")).toDouble(),
                sync.value(QStringLiteral("calls")).toInt());
    std::printf("  %-34s %10.0f /s (%d of %d in %.0f ms, %d per turn)\n", labels.pushes,
                results.value(QStringLiteral("pushesPerSecond")).toDouble(),
                push.value(QStringLiteral("received")).toInt(), pushes,
                results.value(QStringLiteral("pushMs")).toDouble(), chunk);
    std::printf("  %-34s %10.0f ms of processor time (all processes)\n", "pushes cost",
                results.value(QStringLiteral("pushCpuMs")).toDouble());
    std::printf("RESULT %s\n", QJsonDocument(results).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

void printPageResult(const QString &program, const QJsonObject &page, const QJsonObject &load)
{
    QJsonObject result = load;
    result.insert(QStringLiteral("program"), program);
    for (const QString &series :
         {QStringLiteral("sync"), QStringLiteral("width"), QStringLiteral("idle")}) {
        const QJsonObject figures = page.value(series).toObject();
        if (figures.isEmpty())
            continue;
        result.insert(series + QStringLiteral("MedianMs"),
                      figures.value(QStringLiteral("medianMs")));
        result.insert(series + QStringLiteral("P99Ms"), figures.value(QStringLiteral("p99Ms")));
        result.insert(series + QStringLiteral("MidMeanMs"),
                      figures.value(QStringLiteral("midMeanMs")));
        result.insert(series + QStringLiteral("Calls"), figures.value(QStringLiteral("calls")));
    }
    const QJsonObject burst = page.value(QStringLiteral("burst")).toObject();
    if (!burst.isEmpty()) {
        result.insert(QStringLiteral("burstPerSecond"), burst.value(QStringLiteral("perSecond")));
        result.insert(QStringLiteral("burstRequests"), burst.value(QStringLiteral("requests")));
        result.insert(QStringLiteral("burstRefused"), burst.value(QStringLiteral("refused")));
    }
    std::printf("RESULT %s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}
