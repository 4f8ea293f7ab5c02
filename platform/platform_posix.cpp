#include "platform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QWidget>
#include <QWindow>
#include <cerrno>
#include <cstdio>
#include <cstring>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace Platform {

bool executablePath(char *buffer, size_t size)
{
    if (!buffer || size == 0)
        return false;
    std::memset(buffer, 0, size);
    const ssize_t length = ::readlink("/proc/self/exe", buffer, size - 1);
    if (length <= 0) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

QStringList processCommandLine()
{
    QFile file(QStringLiteral("/proc/self/cmdline"));
    if (!file.open(QIODevice::ReadOnly))
        return QCoreApplication::arguments();
    QStringList arguments;
    const QList<QByteArray> parts = file.readAll().split('\0');
    for (const QByteArray &part : parts)
        arguments << QString::fromLocal8Bit(part);
    // The kernel ends the list with a NUL, which leaves one empty piece behind.
    if (!arguments.isEmpty() && arguments.last().isEmpty())
        arguments.removeLast();
    return arguments;
}

bool allowWindowMessage(unsigned int)
{
    // X11 has no per-message privilege filter; every client may send every message.
    return true;
}

void setTopmost(WId window, bool topmost)
{
    QWidget *widget = QWidget::find(window);
    if (!widget)
        return;
    QWidget *topLevel = widget->window();
    if (topmost) {
        topLevel->raise();
        topLevel->activateWindow();
    }
    // Changing window flags re-creates the native window and hides it; go through the window
    // handle instead so the window stays on screen.
    if (QWindow *handle = topLevel->windowHandle())
        handle->setFlag(Qt::WindowStaysOnTopHint, topmost);
}

void moveWindow(WId window, int x, int y)
{
    if (QWidget *widget = QWidget::find(window)) {
        widget->move(x, y);
        widget->raise();
    }
}

void resizeWindow(WId window, int width, int height)
{
    if (QWidget *widget = QWidget::find(window)) {
        widget->resize(width, height);
        widget->raise();
    }
}

QRect windowScreenRect(WId window)
{
    QWidget *widget = QWidget::find(window);
    if (!widget)
        return QRect();
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

void focusWindow(WId window)
{
    if (QWidget *widget = QWidget::find(window))
        widget->setFocus(Qt::OtherFocusReason);
}

void setForegroundWindow(WId window)
{
    if (QWidget *widget = QWidget::find(window)) {
        widget->window()->raise();
        widget->window()->activateWindow();
    }
}

void setWindowIconAndText(WId window, const QString &text)
{
    if (QWidget *widget = QWidget::find(window)) {
        widget->setWindowIcon(QApplication::windowIcon());
        widget->setWindowTitle(text);
    }
}

bool startProgram(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

void showMessage(const QString &caption, const QString &text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    std::fflush(stderr);
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        QMessageBox::warning(nullptr, caption, text);
}

namespace {

// tapwise-<uid> in the temp folder, made private at once; empty with the reason when the folder
// there is not a plain folder of this user's that only this user may enter.
QString privateTempFolder(bool create, QString *problem)
{
    const QString path = QDir::temp().filePath(QStringLiteral("tapwise-%1").arg(::getuid()));
    const QByteArray native = QFile::encodeName(path);
    struct stat info
    {
    };
    if (!create && ::lstat(native.constData(), &info) != 0 && errno == ENOENT)
        return QString();
    if (create && ::mkdir(native.constData(), 0700) == 0) {
        ::chmod(native.constData(), 0700);
    } else if (create && errno != EEXIST) {
        *problem = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return QString();
    }
    if (::lstat(native.constData(), &info) != 0)
        *problem = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    else if (!S_ISDIR(info.st_mode))
        *problem = QStringLiteral("%1 is not a folder").arg(path);
    else if (info.st_uid != ::getuid())
        *problem = QStringLiteral("%1 belongs to user %2").arg(path).arg(info.st_uid);
    else if ((info.st_mode & 07777) != 0700)
        *problem = QStringLiteral("%1 is open to other users (mode %2)")
                       .arg(path)
                       .arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
    else
        return path;
    return QString();
}

} // namespace

QStringList localServerNames(const QString &name, bool createFallback, QString *problem)
{
    // A socket in a folder only this user can enter: another user can neither reach nor block
    // the guard, as a name in the shared temp folder would allow.
    QStringList names;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        names << QDir(runtime).filePath(name);
    QString reason;
    const QString fallback = privateTempFolder(createFallback, &reason);
    if (!fallback.isEmpty())
        names << QDir(fallback).filePath(name);
    if (problem)
        *problem = reason;
    return names;
}

bool isLocalServerListening(const QString &serverName)
{
    // Only a connection tells a live server from a socket file a crashed one left behind.
    const QByteArray path = QFile::encodeName(serverName);
    sockaddr_un address {};
    if (path.size() >= int(sizeof(address.sun_path)))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    const bool listening =
        ::connect(probe, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
    ::close(probe);
    return listening;
}

void releaseFreeMemory()
{
#ifdef __GLIBC__
    // The allocator returns only the free end of the main heap by itself; the pages of freed
    // blocks inside it and inside the threads' heaps stay with the process until trimmed.
    malloc_trim(0);
#endif
}

} // namespace Platform
