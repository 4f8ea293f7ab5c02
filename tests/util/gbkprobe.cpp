// Runs the GBK conversion cases against the build it is compiled with and prints one line per
// failing case and a closing count; with --sweep it prints instead the conversion of every byte
// and every two-byte sequence starting with a lead byte, so that two builds can be compared
// over the whole code page.

#include "codecvt_gbk.h"
#include "gbkconversioncases.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

const char kBadConversion[] = "! range_error bad conversion";

std::string codePoints(const std::wstring &wide)
{
    std::string text = "=";
    char number[16];
    for (const wchar_t c : wide) {
        std::snprintf(number, sizeof number, " %04X", static_cast<unsigned>(c));
        text += number;
    }
    return text;
}

// The code points in hex, or the error the conversion threw.
std::string describe(const std::string &input)
{
    try {
        return codePoints(codecvt_gbk::toWide(input));
    } catch (const std::range_error &error) {
        return std::string("! range_error ") + error.what();
    } catch (const std::exception &error) {
        return std::string("! other ") + error.what();
    }
}

void sweep()
{
    for (int first = 0; first < 256; ++first) {
        const std::string single(1, static_cast<char>(first));
        std::printf("%02X %s\n", first, describe(single).c_str());
        if (first < 0x81 || first > 0xFE)
            continue;
        for (int second = 0; second < 256; ++second) {
            const std::string pair {static_cast<char>(first), static_cast<char>(second)};
            std::printf("%02X%02X %s\n", first, second, describe(pair).c_str());
        }
    }
}

int runCases()
{
    int passed = 0;
    int failed = 0;
    for (const GbkConversionCase &row : gbkConversionCases()) {
        const std::string want = row.badConversion ? kBadConversion : codePoints(row.expected);
        const std::string got = describe(row.input);
        if (got == want) {
            ++passed;
        } else {
            ++failed;
            std::printf("FAIL %s: expected %.80s, got %.80s\n", row.name, want.c_str(),
                        got.c_str());
        }
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && std::string(argv[1]) == "--sweep") {
        sweep();
        return 0;
    }
    return runCases();
}
