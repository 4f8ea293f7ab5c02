#include "logger.h"
#include "uexception.h"
#include "writelog.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

TEST(UExceptionText, WithoutMessageHasThreeLines)
{
    const UException exception("p != 0", "main", 12);
    EXPECT_EQ(exception.text(), L"exception\r\nfile: main(12)\r\nexpress: p != 0\r\n");
}

TEST(UExceptionText, MessageAddsAFourthLine)
{
    const UException exception("p != 0", std::wstring(L"bad"), "main", 12);
    EXPECT_EQ(exception.text(),
              L"exception\r\nfile: main(12)\r\nexpress: p != 0\r\nmessage: bad\r\n");
    const UException fromQString("p != 0", QStringLiteral("bad"), "main", 12);
    EXPECT_EQ(fromQString.text(), exception.text());
}

TEST(UExceptionText, NegativeLineAndGbkTexts)
{
    // "错误" and "源.cpp" in code page 936.
    const UException exception("\xB4\xED\xCE\xF3", "\xD4\xB4.cpp", -3);
    EXPECT_EQ(exception.text(), L"exception\r\nfile: \u6E90.cpp(-3)\r\nexpress: \u9519\u8BEF\r\n");
    EXPECT_EQ(exception.line(), -3);
    EXPECT_EQ(exception.file(), L"\u6E90.cpp");
}

TEST(UExceptionText, BadGbkExpressionThrowsRangeError)
{
    EXPECT_THROW(UException("\xFF", "main", 1), std::range_error);
}

namespace {

class WriteLogTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_savedDebug = sth::logger::m_bDebug;
        m_savedCallback = sth::logger::m_callback;
        sth::logger::m_callback = [this](const std::shared_ptr<sth::LogInfo> &record) {
            m_records.push_back(*record);
        };
    }
    void TearDown() override
    {
        sth::logger::m_bDebug = m_savedDebug;
        sth::logger::m_callback = m_savedCallback;
    }

    std::vector<sth::LogInfo> m_records;
    bool m_savedDebug = false;
    std::function<void(const std::shared_ptr<sth::LogInfo> &)> m_savedCallback;
};

} // namespace

TEST_F(WriteLogTest, SevereLevelsAlwaysReachTheSink)
{
    sth::logger::m_bDebug = false;
    writeLog(0, "a.cpp", 1, L"zero");
    writeLog(1, "b.cpp", 2, L"one");
    writeLog(-5, "c.cpp", 3, L"negative");
    ASSERT_EQ(m_records.size(), 3u);
    EXPECT_EQ(m_records[1].level, 1);
    EXPECT_EQ(m_records[1].line, 2);
    EXPECT_EQ(m_records[1].file, "b.cpp");
    EXPECT_EQ(m_records[1].message, L"one");
    EXPECT_GT(m_records[1].time, 1600000000);
}

TEST_F(WriteLogTest, DebugLevelsNeedTheDebugSwitch)
{
    sth::logger::m_bDebug = false;
    writeLog(2, "a.cpp", 1, L"dropped");
    writeLog(7, "a.cpp", 1, L"dropped");
    EXPECT_TRUE(m_records.empty());
    sth::logger::m_bDebug = true;
    writeLog(2, "a.cpp", 1, L"kept");
    ASSERT_EQ(m_records.size(), 1u);
    EXPECT_EQ(m_records[0].message, L"kept");
}

TEST_F(WriteLogTest, MessageIsNotAFormat)
{
    writeLog(1, "a.cpp", 1, L"100% %s %n %1");
    ASSERT_EQ(m_records.size(), 1u);
    EXPECT_EQ(m_records[0].message, L"100% %s %n %1");
}

TEST_F(WriteLogTest, NoSinkDropsQuietly)
{
    sth::logger::m_callback = nullptr;
    writeLog(0, "a.cpp", 1, L"nowhere");
    EXPECT_TRUE(m_records.empty());
}
