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
    // The web engine shares GL contexts with the widgets; this must precede the application.
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
