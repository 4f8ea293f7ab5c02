#pragma once

#include <string>

/// Converts 8-bit text in code page 936 (GBK) to wide text.
///
/// Bytes below 0x80 are ASCII; a lead byte 0x81-0xFE with its trail byte is one character.
/// A sequence the code page does not define throws std::range_error("bad conversion"); a lone
/// lead byte at the very end is dropped, as a converter discarding its pending state would.
class codecvt_gbk
{
public:
    codecvt_gbk();
    ~codecvt_gbk();
    codecvt_gbk(const codecvt_gbk &) = delete;
    codecvt_gbk &operator=(const codecvt_gbk &) = delete;

    std::wstring from_bytes(const std::string &bytes);

    /// One converter per call, as the exception type uses it.
    static std::wstring toWide(const std::string &bytes);

private:
    void *m_descriptor;
};
