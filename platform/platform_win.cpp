// Win32 implementation of the platform services, for the Windows build.
#include "platform.h"

// Before the other system headers: they use its types without including it.
#include <windows.h>

#include <QDir>
#include <QStandardPaths>
#include <QTimer>
#include <cstring>
#include <malloc.h>
#include <shellapi.h>
#include <shlwapi.h>

namespace Platform {

bool executablePath(char *buffer, size_t size)
{
    if (!buffer || size == 0)
        return false;
    std::memset(buffer, 0, size);
    return GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size)) != 0;
}

QStringList processCommandLine()
{
    QStringList arguments;
    int count = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv)
        return arguments;
    for (int i = 0; i < count; ++i)
        arguments << QString::fromWCharArray(argv[i]);
    LocalFree(argv);
    return arguments;
}

bool allowWindowMessage(unsigned int message)
{
    return ChangeWindowMessageFilter(message, MSGFLT_ADD) != FALSE;
}

void setTopmost(WId window, bool topmost)
{
    SetWindowPos(reinterpret_cast<HWND>(window), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0,
                 0, SWP_NOMOVE | SWP_NOSIZE);
}

void moveWindow(WId window, int x, int y)
{
    SetWindowPos(reinterpret_cast<HWND>(window), HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
}

void resizeWindow(WId window, int width, int height)
{
    SetWindowPos(reinterpret_cast<HWND>(window), HWND_TOP, 0, 0, width, height, SWP_NOMOVE);
}

QRect windowScreenRect(WId window)
{
    RECT rect;
    if (!GetWindowRect(reinterpret_cast<HWND>(window), &rect))
        return QRect();
    return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
}

void focusWindow(WId window)
{
    SetFocus(reinterpret_cast<HWND>(window));
}

void setForegroundWindow(WId window)
{
    SetForegroundWindow(reinterpret_cast<HWND>(window));
}

void setWindowIconAndText(WId window, const QString &text)
{
    const HWND handle = reinterpret_cast<HWND>(window);
    const HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101));
    SendMessageW(handle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SendMessageW(handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SetWindowTextW(handle, reinterpret_cast<LPCWSTR>(text.utf16()));
}

bool startProgram(const QString &program, const QStringList &arguments)
{
    const QString joined = arguments.join(QLatin1Char(' '));
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", reinterpret_cast<LPCWSTR>(program.utf16()),
                      reinterpret_cast<LPCWSTR>(joined.utf16()), nullptr, SW_HIDE));
    return result > 32;
}

void showMessage(const QString &caption, const QString &text)
{
    MessageBoxA(nullptr, text.toLocal8Bit().constData(), caption.toLocal8Bit().constData(), MB_OK);
}

QStringList localServerNames(const QString &name, bool, QString *)
{
    return {name};
}

bool isLocalServerListening(const QString &serverName)
{
    const QString pipe = QStringLiteral("\\\\.\\pipe\\") + serverName;
    return WaitNamedPipeW(reinterpret_cast<LPCWSTR>(pipe.utf16()), 1) != FALSE;
}

void releaseFreeMemory()
{
    _heapmin();
}

} // namespace Platform
