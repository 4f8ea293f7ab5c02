// The single-instance guard alone, without window or engine: a start that finds a running
// instance exits 0 at once; the first prints "primary <address>" and runs until killed.
#include "qsingleapplication.h"

#include <cstdio>

namespace {

class GuardProbe : public QSingleApplication
{
public:
    using QSingleApplication::QSingleApplication;

protected:
    int run() override
    {
        std::printf("primary %s\n", qPrintable(serverPath()));
        std::fflush(stdout);
        return exec();
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    GuardProbe application(argc, argv);
    application.setServerName(QStringLiteral("docmill_win"));
    return application.execute();
}
