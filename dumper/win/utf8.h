#pragma once

#include <windows.h>

#include <string>

/// UTF-8 of UTF-16 text, for messages and the summary file.
inline std::string toUtf8(const std::wstring &text)
{
    if (text.empty())
        return std::string();
    const int length = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &result[0], size, nullptr, nullptr);
    return result;
}
