#pragma once

#include <QString>
#include <exception>
#include <string>

/// A failed expression with its source location and an optional message.
/// Expression and file are GBK text; constructing with bytes code page 936 does not define
/// throws std::range_error("bad conversion").
class UException : public std::exception
{
public:
    UException(const std::string &expression, const std::wstring &message, const std::string &file,
               int line);
    UException(const std::string &expression, const QString &message, const std::string &file,
               int line);
    UException(const std::string &expression, const std::string &file, int line);

    std::wstring expression() const { return m_expression; }
    std::wstring message() const { return m_message; }
    std::wstring file() const { return m_file; }
    int line() const { return m_line; }

    /// "exception", "file: <file>(<line>)", "express: <expression>" and, when there is a
    /// message, "message: <message>", each line ending in CR LF.
    std::wstring text() const;

private:
    std::wstring m_expression;
    std::wstring m_file;
    std::wstring m_message;
    int m_line;
};
