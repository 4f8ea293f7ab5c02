// The log sink installed by CGlobal::init(): one line per record, rotation at the size bound,
// the debug switch from the library's settings.
#include "basekittest.h"
#include "cglobal.h"
#include "csetting.h"
#include "logger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

void send(int level, int line, const std::wstring &message)
{
    auto record = std::make_shared<sth::LogInfo>();
    record->level = level;
    record->line = line;
    record->time = 1700000000;
    record->file = "main.cpp";
    record->message = message;
    sth::logger::m_callback(record);
}

QStringList lines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList result = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

class BasekitLogSink : public ::testing::Test
{
protected:
    void SetUp() override { BasekitTest::resetState(); }
    void TearDown() override { CGlobal::release(); }
};

} // namespace

TEST_F(BasekitLogSink, InitInstallsAndReleaseRemovesTheSink)
{
    EXPECT_FALSE(sth::logger::m_callback);
    CGlobal::init();
    ASSERT_TRUE(sth::logger::m_callback);
    CGlobal::init(); // a second call changes nothing
    send(1, 7, L"first");
    CGlobal::release();
    EXPECT_FALSE(sth::logger::m_callback);
    EXPECT_EQ(lines(CGlobal::logFilePath()).size(), 1);
    EXPECT_TRUE(CGlobal::logFilePath().startsWith(BasekitTest::logDir()));
    EXPECT_TRUE(
        QFileInfo(CGlobal::logFilePath()).absolutePath().contains(QStringLiteral("/Tapwise/")));
}

TEST_F(BasekitLogSink, OneLinePerRecordWithTimeLevelPlaceAndMessage)
{
    CGlobal::init();
    send(1, 12, L"exception\r\nfile: main(12)\r\nexpress: p != 0\r\n");
    send(0, 3, L"100% 中文 %1 %s");
    const QStringList written = lines(CGlobal::logFilePath());
    ASSERT_EQ(written.size(), 2);
    const QRegularExpression shape(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d \\[1\\] main\\.cpp:12 (.*)$"));
    const QRegularExpressionMatch match = shape.match(written.at(0));
    ASSERT_TRUE(match.hasMatch()) << written.at(0).toStdString();
    EXPECT_EQ(match.captured(1), QStringLiteral("exception\\nfile: main(12)\\nexpress: p != 0\\n"));
    EXPECT_TRUE(written.at(1).endsWith(QStringLiteral("[0] main.cpp:3 100% 中文 %1 %s")))
        << written.at(1).toStdString();
}

TEST_F(BasekitLogSink, RotatesAtTheSizeBoundAndKeepsThreeOldFiles)
{
    CSetting::setString(QStringLiteral("log"), QStringLiteral("max_size"), QStringLiteral("2000"));
    CGlobal::init();
    constexpr int kRecords = 400;
    for (int i = 0; i < kRecords; ++i)
        send(1, i, L"record number " + std::to_wstring(i));
    const QString path = CGlobal::logFilePath();
    for (const QString &name : {path, path + QStringLiteral(".1"), path + QStringLiteral(".2"),
                                path + QStringLiteral(".3")}) {
        ASSERT_TRUE(QFile::exists(name)) << name.toStdString();
        EXPECT_LE(QFileInfo(name).size(), 2000) << name.toStdString();
        EXPECT_GT(QFileInfo(name).size(), 1000) << name.toStdString();
    }
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".4")));

    // The newest records are in the current file and continue the previous one without a gap.
    const QStringList current = lines(path);
    const QStringList previous = lines(path + QStringLiteral(".1"));
    ASSERT_FALSE(current.isEmpty());
    ASSERT_FALSE(previous.isEmpty());
    EXPECT_TRUE(current.last().endsWith(QStringLiteral("record number %1").arg(kRecords - 1)));
    const QRegularExpression number(QStringLiteral("record number (\\d+)$"));
    const int lastOld = number.match(previous.last()).captured(1).toInt();
    const int firstNew = number.match(current.first()).captured(1).toInt();
    EXPECT_EQ(firstNew, lastOld + 1);
}

TEST_F(BasekitLogSink, DebugSwitchComesFromTheSettings)
{
    CGlobal::init();
    EXPECT_FALSE(sth::logger::m_bDebug);
    CGlobal::release();
    CSetting::setString(QStringLiteral("log"), QStringLiteral("debug"), QStringLiteral("true"));
    CGlobal::init();
    EXPECT_TRUE(sth::logger::m_bDebug);
    CGlobal::release();
    CSetting::setString(QStringLiteral("log"), QStringLiteral("debug"), QStringLiteral("false"));
    CGlobal::init();
    EXPECT_FALSE(sth::logger::m_bDebug);
}

TEST_F(BasekitLogSink, RecordsFromManyThreadsStayWholeLines)
{
    CGlobal::init();
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                send(2, t, std::wstring(50, L'a' + t));
        });
    }
    for (std::thread &writer : writers)
        writer.join();
    const QStringList written = lines(CGlobal::logFilePath());
    ASSERT_EQ(written.size(), 800);
    const QRegularExpression whole(QStringLiteral("main\\.cpp:(\\d) (a{50}|b{50}|c{50}|d{50})$"));
    for (const QString &line : written)
        ASSERT_TRUE(whole.match(line).hasMatch()) << line.toStdString();
}
