#include "enginebinding.h"

#include "platform.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QStringList>

namespace {

const char kApiNotFound[] = "wke api not found";

bool s_bound = false;

} // namespace

EngineBinding &EngineBinding::table()
{
    static EngineBinding functions;
    return functions;
}

QString EngineBinding::libraryPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/node.so");
}

bool bindEngine(const wkeSettings *settings)
{
    return bindEngineLibrary(EngineBinding::libraryPath(), settings);
}

bool bindEngineLibrary(const QString &path, const wkeSettings *settings)
{
    if (s_bound)
        return true;

    // The engine stays loaded until the process ends: its views live that long.
    auto *library = new QLibrary(path);
    if (!library->load()) {
        Platform::showMessage(path, library->errorString());
        delete library;
        return false;
    }

    EngineBinding &api = EngineBinding::table();
    EngineBinding bound;
    bound.wkeInitializeEx =
        reinterpret_cast<decltype(bound.wkeInitializeEx)>(library->resolve("wkeInitializeEx"));
    if (!bound.wkeInitializeEx) {
        Platform::showMessage(QStringLiteral("wkeInitializeEx"), QString::fromLatin1(kApiNotFound));
        return false;
    }
    bound.wkeInitializeEx(settings);

    QStringList missing;
#define TAPWISE_ENGINE_RESOLVE(name)                                                               \
    bound.name = reinterpret_cast<decltype(bound.name)>(library->resolve(#name));                  \
    if (!bound.name)                                                                               \
        missing << QStringLiteral(#name);
    TAPWISE_ENGINE_FUNCTIONS(TAPWISE_ENGINE_RESOLVE)
#undef TAPWISE_ENGINE_RESOLVE

    if (!missing.isEmpty()) {
        // One box for the first gap is enough to explain the stop; stderr gets them all.
        for (const QString &name : missing)
            qWarning("engine %s: %s", qPrintable(path), qPrintable(name));
        Platform::showMessage(missing.first(), QString::fromLatin1(kApiNotFound));
        return false;
    }

    api = bound;
    s_bound = true;
    return true;
}
