#include "platform_crash.h"

#include <QGuiApplication>
#include <cstring>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

// A display connection of our own: the toolkit's may be in the middle of a request of its own
// when the crash comes, and a request written into it then would garble both.
int s_display = -1;

// X11 UnmapWindow: opcode 10, an unused byte, the length in 4-byte words, the window.
constexpr uint8_t kUnmapWindow = 10;
constexpr uint16_t kUnmapWords = 2;
unsigned char s_unmapRequest[4 * kUnmapWords];

} // namespace

namespace Platform {

bool prepareCrashWindowHiding(uintptr_t window)
{
    if (s_display >= 0 || window == 0 || QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    // The request goes out in our own byte order, which xcb announced when it connected.
    const uint32_t id = static_cast<uint32_t>(window);
    s_unmapRequest[0] = kUnmapWindow;
    s_unmapRequest[1] = 0;
    std::memcpy(s_unmapRequest + 2, &kUnmapWords, sizeof kUnmapWords);
    std::memcpy(s_unmapRequest + 4, &id, sizeof id);
    // Kept open for the rest of the process; nothing else ever writes to it.
    s_display = xcb_get_file_descriptor(connection);
    return true;
}

void hideCrashWindow()
{
    if (s_display < 0)
        return;
    // The server unmaps as soon as it reads the request; no answer to wait for.
    if (write(s_display, s_unmapRequest, sizeof s_unmapRequest) < 0)
        return;
}

} // namespace Platform
