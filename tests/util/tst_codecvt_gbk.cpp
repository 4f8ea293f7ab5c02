#include "codecvt_gbk.h"
#include "gbkconversioncases.h"

#include <gtest/gtest.h>
#include <ostream>
#include <stdexcept>

// Test listings name the row, not its bytes.
void PrintTo(const GbkConversionCase &row, std::ostream *out)
{
    *out << row.name;
}

class GbkConversion : public testing::TestWithParam<GbkConversionCase>
{
};

TEST_P(GbkConversion, MatchesCodePage936)
{
    const GbkConversionCase &row = GetParam();
    if (!row.badConversion) {
        EXPECT_EQ(codecvt_gbk::toWide(row.input), row.expected);
        return;
    }
    try {
        codecvt_gbk::toWide(row.input);
        ADD_FAILURE() << "no exception for a bad sequence of " << row.input.size() << " bytes";
    } catch (const std::range_error &error) {
        EXPECT_STREQ(error.what(), "bad conversion");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, GbkConversion, testing::ValuesIn(gbkConversionCases()),
                         [](const testing::TestParamInfo<GbkConversionCase> &info) {
                             return std::string(info.param.name);
                         });

TEST(GbkConversionReuse, ALoneLeadByteDoesNotCarryIntoTheNextText)
{
    codecvt_gbk converter;
    EXPECT_EQ(converter.from_bytes("a\xD6"), L"a");
    const std::string next = "\xD0"
                             "b";
    EXPECT_EQ(converter.from_bytes(next), codecvt_gbk::toWide(next));
}
