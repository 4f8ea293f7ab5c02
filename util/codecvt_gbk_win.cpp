#include "codecvt_gbk.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace {

constexpr UINT kCodePage = 936;

// Where the whole characters end: a lead byte without its trail byte at the very end stays in
// the pending state, which the converter then discards.
size_t completeLength(const std::string &bytes)
{
    size_t position = 0;
    while (position < bytes.size()) {
        const size_t next =
            position + (IsDBCSLeadByteEx(kCodePage, static_cast<BYTE>(bytes[position])) ? 2 : 1);
        if (next > bytes.size())
            break;
        position = next;
    }
    return position;
}

} // namespace

codecvt_gbk::codecvt_gbk()
    : m_descriptor(nullptr)
{
    CPINFO info;
    if (!GetCPInfo(kCodePage, &info))
        throw std::runtime_error("code page 936 is not available");
}

codecvt_gbk::~codecvt_gbk() = default;

std::wstring codecvt_gbk::from_bytes(const std::string &bytes)
{
    const size_t length = completeLength(bytes);
    if (length == 0)
        return std::wstring();
    if (length > static_cast<size_t>(INT_MAX))
        throw std::length_error("text too long to convert");

    const int inputLength = static_cast<int>(length);
    const int needed =
        MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes.data(), inputLength, nullptr, 0);
    if (needed <= 0)
        throw std::range_error("bad conversion");
    std::wstring result(static_cast<size_t>(needed), L'\0');
    if (MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes.data(), inputLength, &result[0],
                            needed)
        != needed)
        throw std::range_error("bad conversion");
    return result;
}

std::wstring codecvt_gbk::toWide(const std::string &bytes)
{
    codecvt_gbk converter;
    return converter.from_bytes(bytes);
}
