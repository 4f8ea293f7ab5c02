#include "uexception.h"

#include "codecvt_gbk.h"

UException::UException(const std::string &expression, const std::wstring &message,
                       const std::string &file, int line)
    : m_expression(codecvt_gbk::toWide(expression))
    , m_file(codecvt_gbk::toWide(file))
    , m_message(message)
    , m_line(line)
{ }

UException::UException(const std::string &expression, const QString &message,
                       const std::string &file, int line)
    : UException(expression, message.toStdWString(), file, line)
{ }

UException::UException(const std::string &expression, const std::string &file, int line)
    : UException(expression, std::wstring(), file, line)
{ }

std::wstring UException::text() const
{
    std::wstring text = L"exception\r\n";
    text += L"file: " + m_file + L"(" + std::to_wstring(m_line) + L")\r\n";
    text += L"express: " + m_expression + L"\r\n";
    if (!m_message.empty())
        text += L"message: " + m_message + L"\r\n";
    return text;
}
