#include "entrypoints.h"

#include "platform.h"
#include "qmainapplication.h"

#include <QCoreApplication>
#include <QString>
#include <array>

namespace {

constexpr size_t kModulePathSize = 260;

} // namespace

int runApplication(int argc, char **argv)
{
    // The web engine shares GL contexts with the widgets, which must be set before the
    // application exists. A second start only hands over to the running instance and never
    // shows a page, so it skips the shared context: setting it up costs more than the whole
    // hand-off. Should the running instance end in between, this one still works, with the
    // engine drawing without the GPU.
    const QString serverName = QString::fromLatin1(AppConstants::kServerName);
    bool secondStart = false;
    for (const QString &path : Platform::localServerNames(serverName, false))
        secondStart = secondStart || Platform::isLocalServerListening(path);
    if (!secondStart)
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QMainApplication application(argc, argv);
    return application.execute();
}

void setPluginPath(const std::wstring &directory)
{
    QCoreApplication::addLibraryPath(QString::fromStdWString(directory));
}

int runMain()
{
    std::array<char, kModulePathSize> modulePath;
    modulePath.fill('\0');
    Platform::executablePath(modulePath.data(), modulePath.size());
    char *arguments[] = {modulePath.data(), nullptr};
    return runApplication(1, arguments);
}
