#include "qkitcompositing.h"

#include <QGuiApplication>

#ifdef QBASEKIT_X11
#include <QX11Info>
#endif

bool QKitCompositing::isActive()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) {
#ifdef QBASEKIT_X11
        // Owner of the _NET_WM_CM_S<screen> selection, which every compositing manager takes.
        return QX11Info::isCompositingManagerRunning();
#else
        return false;
#endif
    }
    // Wayland, Windows and macOS always compose; offscreen and framebuffer platforms never do.
    return platform.startsWith(QLatin1String("wayland")) || platform == QLatin1String("windows")
        || platform == QLatin1String("cocoa");
}
