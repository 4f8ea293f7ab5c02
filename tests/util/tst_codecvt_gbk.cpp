#include "codecvt_gbk.h"

#include <gtest/gtest.h>
#include <stdexcept>

TEST(GbkConversion, EmptyTextStaysEmpty)
{
    EXPECT_EQ(codecvt_gbk::toWide(""), L"");
}

TEST(GbkConversion, PrintableAsciiIsUnchanged)
{
    const std::string ascii = " !\"#$%&'()*+,-./0123456789:;<=>?@ABCXYZ[\\]^_`abcxyz{|}~";
    EXPECT_EQ(codecvt_gbk::toWide(ascii), std::wstring(ascii.begin(), ascii.end()));
}

TEST(GbkConversion, ChinesePathBecomesWideCharacters)
{
    // "D:\源码\主程序.cpp" in code page 936.
    const std::string path = "D:\\\xD4\xB4\xC2\xEB\\\xD6\xF7\xB3\xCC\xD0\xF2.cpp";
    EXPECT_EQ(codecvt_gbk::toWide(path), L"D:\\\u6E90\u7801\\\u4E3B\u7A0B\u5E8F.cpp");
}

TEST(GbkConversion, TrailingLoneLeadByteIsDropped)
{
    EXPECT_EQ(codecvt_gbk::toWide("ab\xD6"), L"ab");
    EXPECT_EQ(codecvt_gbk::toWide("\xD6\xD0\xCE"), L"\u4E2D");
    EXPECT_EQ(codecvt_gbk::toWide("\x81"), L"");
}

TEST(GbkConversion, UndefinedSequencesThrowBadConversion)
{
    for (const std::string bad : {std::string("\xFF"),
                                  std::string("a\xFF"
                                              "b"),
                                  std::string("\x81\x7F"), std::string("\xD6\xD0\xFF\xFF")}) {
        try {
            codecvt_gbk::toWide(bad);
            ADD_FAILURE() << "no exception for a bad sequence of " << bad.size() << " bytes";
        } catch (const std::range_error &error) {
            EXPECT_STREQ(error.what(), "bad conversion");
        }
    }
}

TEST(GbkConversion, EmbeddedNulIsKept)
{
    EXPECT_EQ(codecvt_gbk::toWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(GbkConversion, LongTextConvertsCompletely)
{
    std::string text;
    std::wstring expected;
    for (int i = 0; i < 100000; ++i) {
        text += "\xD6\xD0x";
        expected += L"\u4E2Dx";
    }
    EXPECT_EQ(codecvt_gbk::toWide(text), expected);
}
