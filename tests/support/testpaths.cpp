#include "testpaths.h"

#include <QtGlobal>

namespace TestPaths {

QString outputDir()
{
    return qEnvironmentVariable("TAPWISE_OUTPUT_DIR");
}

QString sourceDir()
{
    return qEnvironmentVariable("TAPWISE_SOURCE_DIR");
}

} // namespace TestPaths
