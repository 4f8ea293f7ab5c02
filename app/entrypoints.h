#pragma once

#include <string>

#if defined(_WIN32)
// The executable itself exports the two entries: a host loads tapwise.exe as a module.
#if defined(TAPWISE_SHELL_LIBRARY)
#define TAPWISE_ENTRY extern "C" __declspec(dllexport)
#else
#define TAPWISE_ENTRY extern "C"
#endif
#define TAPWISE_INTERNAL_ENTRY
#else
#if defined(TAPWISE_SHELL_LIBRARY)
#define TAPWISE_ENTRY extern "C" __attribute__((visibility("default")))
#else
#define TAPWISE_ENTRY extern "C"
#endif
#define TAPWISE_INTERNAL_ENTRY __attribute__((visibility("default")))
#endif

/// Adds a directory to the toolkit's library search paths; a host calls it before runMain.
TAPWISE_ENTRY void setPluginPath(const std::wstring &directory);
/// Runs the whole application inside the calling process and returns its exit code.
TAPWISE_ENTRY int runMain();

/// The program entry shared by main and runMain.
TAPWISE_INTERNAL_ENTRY int runApplication(int argc, char **argv);
