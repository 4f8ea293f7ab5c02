#pragma once

#include <string>

#if defined(TAPWISE_SHELL_LIBRARY)
#define TAPWISE_ENTRY extern "C" __attribute__((visibility("default")))
#else
#define TAPWISE_ENTRY extern "C"
#endif

/// Adds a directory to the toolkit's library search paths; a host calls it before runMain.
TAPWISE_ENTRY void setPluginPath(const std::wstring &directory);
/// Runs the whole application inside the calling process and returns its exit code.
TAPWISE_ENTRY int runMain();

/// The program entry shared by main and runMain.
__attribute__((visibility("default"))) int runApplication(int argc, char **argv);
