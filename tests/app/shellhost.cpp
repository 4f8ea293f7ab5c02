// A host process that runs Tapwise from its shared library: setPluginPath, then runMain.
#include <QLibrary>
#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <shell library> [plugin directory]\n", argv[0]);
        return 2;
    }
    QLibrary shell(QString::fromLocal8Bit(argv[1]));
    if (!shell.load()) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1], qPrintable(shell.errorString()));
        return 3;
    }
    using SetPluginPath = void (*)(const std::wstring &);
    using RunMain = int (*)();
    const auto setPluginPath = reinterpret_cast<SetPluginPath>(shell.resolve("setPluginPath"));
    const auto runMain = reinterpret_cast<RunMain>(shell.resolve("runMain"));
    if (!setPluginPath || !runMain) {
        std::fprintf(stderr, "entry points missing\n");
        return 4;
    }
    if (argc > 2)
        setPluginPath(QString::fromLocal8Bit(argv[2]).toStdWString());
    const int result = runMain();
    std::printf("runMain returned %d\n", result);
    return result;
}
