#pragma once
// The GBK conversion's cases, one table for every build: the Linux unit test and the Windows
// check both run it, so the two implementations are held to the same results and errors.

#include <string>
#include <vector>

struct GbkConversionCase
{
    /// Letters, digits and underscores only: it names the case in test listings.
    const char *name;
    std::string input;
    std::wstring expected;
    /// True when the conversion must throw std::range_error("bad conversion").
    bool badConversion;
};

inline std::vector<GbkConversionCase> gbkConversionCases()
{
    std::string longText;
    std::wstring longExpected;
    for (int i = 0; i < 100000; ++i) {
        longText += "\xD6\xD0x";
        longExpected += L"\u4E2Dx";
    }
    const std::string ascii = " !\"#$%&'()*+,-./0123456789:;<=>?@ABCXYZ[\\]^_`abcxyz{|}~";

    return {
        {"Empty", "", L"", false},
        {"PrintableAscii", ascii, std::wstring(ascii.begin(), ascii.end()), false},
        {"ControlCharacters", "\x01\t\n\r\x1F\x7F", L"\x01\t\n\r\x1F\x7F", false},
        {"EmbeddedNul", std::string("a\0b", 3), std::wstring(L"a\0b", 3), false},
        // "D:\源码\主程序.cpp"
        {"ChinesePath", "D:\\\xD4\xB4\xC2\xEB\\\xD6\xF7\xB3\xCC\xD0\xF2.cpp",
         L"D:\\\u6E90\u7801\\\u4E3B\u7A0B\u5E8F.cpp", false},
        // The first and last characters of the extension areas around GB 2312.
        {"ExtensionAreaEdges", "\x81\x40\x81\x7E\x81\x80\xFE\x4F", L"\u4E02\u4E8A\u4E90\uFA29",
         false},
        {"FullWidthPunctuation", "\xA1\xA3\xA3\xAC\xA1\xB6\xA1\xB7", L"\u3002\uFF0C\u300A\u300B",
         false},
        {"TrailByteThatIsAscii", "\xB0\x40", L"\u7645", false},
        {"EuroSign", "\x80", L"\u20AC", false},
        {"LoneLeadByteAtEndAfterAscii", "ab\xD6", L"ab", false},
        {"LoneLeadByteAtEndAfterCharacter", "\xD6\xD0\xCE", L"\u4E2D", false},
        {"OnlyALoneLeadByte", "\x81", L"", false},
        {"LongText", longText, longExpected, false},
        {"ByteFF", "\xFF", L"", true},
        {"ByteFFBetweenAscii",
         "a\xFF"
         "b",
         L"", true},
        {"TrailByte7F", "\x81\x7F", L"", true},
        {"TrailByteBelow40", "\x81\x30", L"", true},
        {"TrailByteFF", "\x81\xFF", L"", true},
        {"ByteFFAfterCharacter", "\xD6\xD0\xFF\xFF", L"", true},
        {"BadSequenceBeforeLoneLeadByte", "\xFF\xD6", L"", true},
    };
}
