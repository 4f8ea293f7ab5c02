// An engine library that stops after its first entry points, for the binder's gap handling.
#include <wke.h>

static int s_initialized = 0;

extern "C" {

WKE_EXPORT void WKE_CALL wkeInitializeEx(const wkeSettings *)
{
    ++s_initialized;
}

WKE_EXPORT void WKE_CALL wkeShutdown(void) { }

WKE_EXPORT int partialEngineInitializeCount(void)
{
    return s_initialized;
}
}
