#pragma once

#include <QJsonObject>

/// What one bridge benchmark calls its figures.
struct BenchLabels
{
    const char *title;
    const char *load;
    const char *syncMedian;
    const char *syncP99;
    const char *pushes;
};

/// Prints the figures of a bench page run as a table, then one RESULT line of JSON.
void printBenchReport(const BenchLabels &labels, const QJsonObject &results, int pushes, int chunk);

/// Prints one flat RESULT line of the figures the bridge bench page reported (page) and those of
/// the load (load), named as compare.sh's table reads them.
void printPageResult(const QString &program, const QJsonObject &page, const QJsonObject &load);
