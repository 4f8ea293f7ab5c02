#pragma once
// Operating-system services the shell uses, declared once; platform_posix.cpp and
// platform_win.cpp implement them. Crash hand-off services live in platform_crash.h.

#include <QRect>
#include <QString>
#include <QStringList>
#include <QtGui/qwindowdefs.h>
#include <cstddef>

namespace Platform {

/// Full path of the running executable into buffer (zero-filled first, at most size - 1 bytes
/// plus terminator); false when it cannot be read.
bool executablePath(char *buffer, size_t size);

/// The process's whole command line split into arguments.
QStringList processCommandLine();

/// Admits a window message from processes of lower integrity; true when recorded.
bool allowWindowMessage(unsigned int message);

/// Puts a top-level window above all others (or back among ordinary windows) without moving,
/// resizing or hiding it.
void setTopmost(WId window, bool topmost);

/// Child-window placement in its parent's coordinates, raised above its siblings.
void moveWindow(WId window, int x, int y);
void resizeWindow(WId window, int width, int height);
/// The window's rectangle in screen coordinates; empty when the handle is unknown.
QRect windowScreenRect(WId window);

void focusWindow(WId window);
void setForegroundWindow(WId window);

/// Gives the window the program's icon and the text as title.
void setWindowIconAndText(WId window, const QString &text);

/// Starts a program detached, hidden, with the arguments; false when it could not start.
bool startProgram(const QString &program, const QStringList &arguments);

/// Tells the user about a failure: a message box when a GUI exists, always also on stderr.
void showMessage(const QString &caption, const QString &text);

/// Where a local server of that name may listen, reachable by this user only, best first: the
/// user's runtime folder, then a folder of this user's own in the temp folder (made when
/// createFallback is set, else left out while it does not exist). A fallback folder that
/// belongs to another user or is open to others is left out; problem says why.
QStringList localServerNames(const QString &name, bool createFallback, QString *problem = nullptr);
/// Whether a server listens at that address now; usable before the application exists.
bool isLocalServerListening(const QString &serverName);

/// Gives the heap's free pages back to the system; the heap keeps only what is in use.
void releaseFreeMemory();

} // namespace Platform
