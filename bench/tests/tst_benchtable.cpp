#include "benchtable.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <ostream>

#include <cmath>

namespace {

using Target = BenchTable::Target;
using Verdict = BenchTable::Verdict;

QVector<BenchTable::Figure> testFigures()
{
    return {
        {QStringLiteral("at most"), QStringLiteral("ms"), QStringLiteral("shell"),
         QStringLiteral("floor"), QStringLiteral("ms"), 1, 3, Target::AtMost, 1.10},
        {QStringLiteral("at least"), QStringLiteral("rate"), QStringLiteral("shell"),
         QStringLiteral("channel"), QStringLiteral("/s"), 1, 0, Target::AtLeast, 3.0},
        {QStringLiteral("no target"), QStringLiteral("ms"), QStringLiteral("shell"),
         QStringLiteral("channel"), QStringLiteral("ms"), 1, 3, Target::None, 0},
    };
}

struct Expected
{
    bool hasRatio;
    double ratio;
    /// Negative: none.
    double paired;
    Verdict verdict;
    int shellRuns;
    int baselineRuns;
};

struct TableCase
{
    const char *name;
    QStringList lines;
    // One per figure of testFigures(), in order.
    QVector<Expected> rows;
    int rejected;
};

// Names the row in test names, instead of its bytes.
void PrintTo(const TableCase &row, std::ostream *out)
{
    *out << row.name;
}

class BenchTableRows : public testing::TestWithParam<TableCase>
{
};

TEST_P(BenchTableRows, mediansRatiosAndVerdicts)
{
    const TableCase &row = GetParam();
    BenchTable table(testFigures());
    for (const QString &line : row.lines)
        table.addLine(line);
    const QVector<BenchTable::Row> rows = table.rows();
    ASSERT_EQ(rows.size(), row.rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows.at(i).figure.name.toStdString());
        const Expected &expected = row.rows.at(i);
        EXPECT_EQ(rows.at(i).ratio.has_value(), expected.hasRatio);
        if (expected.hasRatio && rows.at(i).ratio) {
            EXPECT_NEAR(*rows.at(i).ratio, expected.ratio, 1e-9);
        }
        EXPECT_EQ(rows.at(i).pairedRatio.has_value(), expected.paired >= 0);
        if (expected.paired >= 0 && rows.at(i).pairedRatio) {
            EXPECT_NEAR(*rows.at(i).pairedRatio, expected.paired, 1e-9);
        }
        EXPECT_EQ(rows.at(i).verdict, expected.verdict);
        EXPECT_EQ(rows.at(i).shellRuns, expected.shellRuns);
        EXPECT_EQ(rows.at(i).baselineRuns, expected.baselineRuns);
    }
    EXPECT_EQ(table.rejectedLines(), row.rejected);
}

INSTANTIATE_TEST_SUITE_P(
    Results, BenchTableRows,
    testing::Values(
        // Medians of three runs on each side: 2 against 1 and 40 against 10. Run by run, the
        // rates are 4, 6 and 50/11 times the channel's.
        TableCase {"medianOfOddRuns",
                   {R"(RESULT {"program":"shell","ms":2,"rate":40})",
                    R"(RESULT {"program":"shell","ms":9,"rate":30})",
                    R"(RESULT {"program":"shell","ms":1,"rate":50})",
                    R"(RESULT {"program":"floor","ms":1})",
                    R"(RESULT {"program":"floor","ms":0.5})",
                    R"(RESULT {"program":"floor","ms":7})",
                    R"(RESULT {"program":"channel","rate":10,"ms":4})",
                    R"(RESULT {"program":"channel","rate":5,"ms":4})",
                    R"(RESULT {"program":"channel","rate":11,"ms":4})"},
                   {{true, 2.0, 2.0, Verdict::Missed, 3, 3},
                    {true, 4.0, 50.0 / 11, Verdict::Met, 3, 3},
                    {true, 2.0 / 4, 2.0 / 4, Verdict::NoTarget, 3, 3}},
                   0},
        // Two runs: the mean of both; the ratio lands exactly on the target and meets it. One
        // baseline run has no partner for the other: nothing is paired.
        TableCase {"medianOfEvenRunsOnTheTarget",
                   {R"(RESULT {"program":"shell","ms":2,"rate":30})",
                    R"(RESULT {"program":"shell","ms":2.4,"rate":30})",
                    R"(RESULT {"program":"floor","ms":2})",
                    R"(RESULT {"program":"channel","rate":10})"},
                   {{true, 1.1, -1, Verdict::Met, 2, 1},
                    {true, 3.0, -1, Verdict::Met, 2, 1},
                    {false, 0, -1, Verdict::NoTarget, 2, 0}},
                   0},
        // A throughput just under its floor misses; a time just over its ceiling misses.
        TableCase {"justMissed",
                   {R"(RESULT {"program":"shell","ms":1.1001,"rate":29.9})",
                    R"(RESULT {"program":"floor","ms":1})",
                    R"(RESULT {"program":"channel","rate":10,"ms":1})"},
                   {{true, 1.1001, 1.1001, Verdict::Missed, 1, 1},
                    {true, 2.99, 2.99, Verdict::Missed, 1, 1},
                    {true, 1.1001, 1.1001, Verdict::NoTarget, 1, 1}},
                   0},
        // No baseline, a zero baseline, or a figure that came as null: no ratio, no verdict.
        TableCase {"missingOrUnusableValues",
                   {R"(RESULT {"program":"shell","ms":1,"rate":null})",
                    R"(RESULT {"program":"channel","rate":0,"ms":0})"},
                   {{false, 0, -1, Verdict::Unknown, 1, 0},
                    {false, 0, -1, Verdict::Unknown, 0, 1},
                    {false, 0, -1, Verdict::NoTarget, 1, 1}},
                   0},
        // Other output is ignored; a RESULT that is not an object with a program is rejected.
        TableCase {"otherLinesAndBrokenResults",
                   {"shell start: median 400 ms of 5", "RESULTS are in", "",
                    R"(RESULT {"program":"shell","ms":1)", R"(RESULT {"ms":1})",
                    R"(RESULT ["shell"])", R"(RESULT {"program":7,"ms":1})",
                    R"(  RESULT {"program":"shell","ms":3}  )",
                    R"(RESULT {"program":"floor","ms":3})"},
                   {{true, 1.0, 1.0, Verdict::Met, 1, 1},
                    {false, 0, -1, Verdict::Unknown, 0, 0},
                    {false, 0, -1, Verdict::NoTarget, 1, 0}},
                   4}),
    [](const testing::TestParamInfo<TableCase> &info) { return std::string(info.param.name); });

TEST(BenchTable, median)
{
    const struct
    {
        QVector<double> values;
        double median;
    } rows[] = {
        {{}, 0}, {{5}, 5}, {{3, 1, 2}, 2}, {{4, 1, 3, 2}, 2.5}, {{-1, 1}, 0}, {{7, 7, 1}, 7},
    };
    for (const auto &row : rows)
        EXPECT_DOUBLE_EQ(BenchTable::median(row.values), row.median);
}

TEST(BenchTable, printedTables)
{
    QVector<BenchTable::Figure> figures = testFigures();
    figures[0].name = QStringLiteral("a | b");
    figures.append({QStringLiteral("memory"), QStringLiteral("pssKb"), QStringLiteral("shell"),
                    QStringLiteral("floor"), QStringLiteral("MiB"), 1.0 / 1024, 1, Target::AtMost,
                    1.0});
    BenchTable table(figures);
    table.addLine(R"(RESULT {"program":"shell","ms":0.25,"pssKb":204800})");
    table.addLine(R"(RESULT {"program":"floor","ms":0.125,"pssKb":102400})");

    const QStringList markdown = table.markdown().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(markdown.size(), figures.size() + 2);
    EXPECT_EQ(markdown.at(0),
              QStringLiteral("| figure | shell | baseline | ratio | paired | target | runs |"));
    EXPECT_EQ(markdown.at(1), QStringLiteral("| --- | ---: | ---: | ---: | ---: | ---: | ---: |"));
    EXPECT_EQ(markdown.at(2),
              QStringLiteral("| a \\| b | 0.250 ms | 0.125 ms (floor) | 2.00× | 2.00× | "
                             "≤ 1.10× (missed) | 1/1 |"));
    EXPECT_EQ(markdown.at(3),
              QStringLiteral("| at least | n/a | n/a (channel) | n/a | n/a | "
                             "≥ 3.00× (no data) | 0/0 |"));
    EXPECT_EQ(markdown.at(5),
              QStringLiteral("| memory | 200.0 MiB | 100.0 MiB (floor) | 2.00× | 2.00× | "
                             "≤ 1.00× (missed) | 1/1 |"));

    // The terminal table has the same cells, each column starting at the same place.
    const QStringList text = table.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(text.size(), figures.size() + 1);
    EXPECT_TRUE(text.at(1).startsWith(QStringLiteral("a | b ")));
    EXPECT_TRUE(text.at(1).contains(QStringLiteral("0.125 ms (floor)")));
    const int ratioEnd = text.at(0).indexOf(QStringLiteral("ratio")) + 5;
    for (const int line : {1, 4})
        EXPECT_EQ(text.at(line).indexOf(QStringLiteral("×")) + 1, ratioEnd) << line;
}

} // namespace
