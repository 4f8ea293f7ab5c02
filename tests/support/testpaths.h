#pragma once

#include <QString>

namespace TestPaths {

/// The build's run folder: tapwise, the engine, the libraries, language/ and dist/.
QString outputDir();
/// The source tree, for test pages and data files.
QString sourceDir();

} // namespace TestPaths
