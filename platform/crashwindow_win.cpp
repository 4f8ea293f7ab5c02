#include "platform_crash.h"

#include <windows.h>

namespace {

HWND s_window = nullptr;

} // namespace

namespace Platform {

bool prepareCrashWindowHiding(uintptr_t window)
{
    s_window = reinterpret_cast<HWND>(window);
    return s_window != nullptr;
}

void hideCrashWindow()
{
    // Asynchronous: the window's own thread may be the one that crashed.
    if (s_window)
        ShowWindowAsync(s_window, SW_HIDE);
}

} // namespace Platform
