#include "codecvt_gbk.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace {

const auto kInvalidDescriptor = reinterpret_cast<iconv_t>(-1);

} // namespace

codecvt_gbk::codecvt_gbk()
    : m_descriptor(iconv_open("WCHAR_T", "CP936"))
{
    if (m_descriptor == kInvalidDescriptor)
        throw std::runtime_error("code page 936 is not available");
}

codecvt_gbk::~codecvt_gbk()
{
    iconv_close(static_cast<iconv_t>(m_descriptor));
}

std::wstring codecvt_gbk::from_bytes(const std::string &bytes)
{
    std::wstring result(bytes.size(), L'\0');
    char *input = const_cast<char *>(bytes.data());
    size_t inputLeft = bytes.size();
    char *output = reinterpret_cast<char *>(&result[0]);
    size_t outputLeft = result.size() * sizeof(wchar_t);

    // GBK never yields more characters than bytes, so the output cannot run out.
    while (inputLeft > 0) {
        if (iconv(static_cast<iconv_t>(m_descriptor), &input, &inputLeft, &output, &outputLeft)
            != static_cast<size_t>(-1))
            continue;
        if (errno == EINVAL)
            break; // a lead byte without its trail byte at the end
        throw std::range_error("bad conversion");
    }
    result.resize(result.size() - outputLeft / sizeof(wchar_t));
    return result;
}

std::wstring codecvt_gbk::toWide(const std::string &bytes)
{
    codecvt_gbk converter;
    return converter.from_bytes(bytes);
}
