#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <ostream>

namespace {

struct StartCase
{
    const char *name;
    QStringList arguments;
    int exitCode;
    // Members the RESULT line must hold (empty: no RESULT line at all).
    QStringList members;
};

// Names the row in test names, instead of its bytes.
void PrintTo(const StartCase &row, std::ostream *out)
{
    *out << row.name;
}

class BenchStart : public testing::TestWithParam<StartCase>
{
};

QJsonObject resultOf(const QByteArray &output)
{
    for (const QByteArray &line : output.split('\n')) {
        if (line.startsWith("RESULT "))
            return QJsonDocument::fromJson(line.mid(7)).object();
    }
    return {};
}

// A start counts only when the program ends with status 0 and said that its page loaded:
// anything else would pass a start that never showed the page off as a fast one.
TEST_P(BenchStart, countsOnlyStartsThatShowedThePage)
{
    const StartCase &row = GetParam();
    QProcess process;
    process.start(QStringLiteral(BENCH_START), row.arguments);
    ASSERT_TRUE(process.waitForFinished(30000));
    const QByteArray output = process.readAllStandardOutput();
    EXPECT_EQ(process.exitCode(), row.exitCode) << process.readAllStandardError().constData();
    const QJsonObject result = resultOf(output);
    EXPECT_EQ(result.isEmpty(), row.members.isEmpty()) << output.constData();
    for (const QString &member : row.members)
        EXPECT_TRUE(result.value(member).isDouble() || result.value(member).isString()
                    || result.value(member).isArray())
            << member.toStdString() << ": " << output.constData();
}

const QString kShell = QStringLiteral("/bin/sh");

INSTANTIATE_TEST_SUITE_P(
    Programs, BenchStart,
    testing::Values(
        StartCase {"markerAndStatusZero",
                   {"--label", "probe", "--runs", "2", "--", kShell, "-c", "echo bench-loaded"},
                   0,
                   {"program", "startMs", "runs"}},
        StartCase {"markerOnStderr",
                   {"--runs", "1", "--", kShell, "-c", "echo bench-loaded >&2"},
                   0,
                   {"startMs"}},
        StartCase {"noMarker", {"--runs", "1", "--", kShell, "-c", "echo started"}, 1, {}},
        StartCase {"markerButFailed",
                   {"--runs", "1", "--", kShell, "-c", "echo bench-loaded; exit 3"},
                   1,
                   {}},
        StartCase {"ownMarker",
                   {"--marker", "page up", "--runs", "1", "--", kShell, "-c", "echo page up"},
                   0,
                   {"startMs"}},
        // Stays up after the marker, so its memory can be read.
        StartCase {"memoryAtTheMarker",
                   {"--label", "probe", "--measure", "pss", "--runs", "1", "--", kShell, "-c",
                    "echo bench-loaded; sleep 1"},
                   0,
                   {"pssKb", "privateKb", "processes"}},
        StartCase {"onlyWarmUps",
                   {"--runs", "0", "--warmups", "2", "--", kShell, "-c", "echo bench-loaded"},
                   0,
                   {}},
        StartCase {"failedWarmUp", {"--runs", "1", "--", kShell, "-c", "exit 1"}, 1, {}},
        StartCase {"unknownMeasure", {"--measure", "speed", "--", kShell, "-c", "true"}, 1, {}}),
    [](const testing::TestParamInfo<StartCase> &info) { return std::string(info.param.name); });

} // namespace
