// GBK (code page 936) to wide text agrees with a one-shot iconv conversion of the same bytes:
// the same characters, the same refusal of undefined sequences, the same dropped lone lead
// byte at the end.
#include "codecvt_gbk.h"
#include "fuzzcheck.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <iconv.h>
#include <stdexcept>
#include <string>

namespace {

enum class Outcome { Converted, Refused };

// UTF-32 of the bytes through iconv in one call; a truncated sequence at the end is dropped.
Outcome reference(const std::string &bytes, std::u32string *text)
{
    static const iconv_t descriptor = iconv_open("UTF-32LE", "CP936");
    FUZZ_CHECK(descriptor != reinterpret_cast<iconv_t>(-1));
    iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
    std::string output(bytes.size() * 4 + 4, '\0');
    char *input = const_cast<char *>(bytes.data());
    size_t inputLeft = bytes.size();
    char *out = &output[0];
    size_t outputLeft = output.size();
    const size_t result = iconv(descriptor, &input, &inputLeft, &out, &outputLeft);
    if (result == static_cast<size_t>(-1) && errno != EINVAL)
        return Outcome::Refused;
    const size_t produced = output.size() - outputLeft;
    text->clear();
    for (size_t i = 0; i + 3 < produced; i += 4) {
        text->push_back(static_cast<char32_t>(
            static_cast<uint8_t>(output[i]) | static_cast<uint8_t>(output[i + 1]) << 8
            | static_cast<uint8_t>(output[i + 2]) << 16
            | static_cast<uint32_t>(static_cast<uint8_t>(output[i + 3])) << 24));
    }
    return Outcome::Converted;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    std::u32string expected;
    const Outcome outcome = reference(bytes, &expected);
    std::wstring wide;
    bool refused = false;
    try {
        wide = codecvt_gbk::toWide(bytes);
    } catch (const std::range_error &) {
        refused = true;
    }
    FUZZ_CHECK(refused == (outcome == Outcome::Refused));
    if (refused)
        return 0;
    FUZZ_CHECK(wide.size() == expected.size());
    for (size_t i = 0; i < wide.size(); ++i)
        FUZZ_CHECK(static_cast<char32_t>(wide[i]) == expected[i]);
    FUZZ_CHECK(wide.size() <= bytes.size());
    return 0;
}
