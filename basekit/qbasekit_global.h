#pragma once

#include <QtCore/qglobal.h>

#if defined(QBASEKIT_LIBRARY)
#define QBASEKIT_EXPORT Q_DECL_EXPORT
#else
#define QBASEKIT_EXPORT Q_DECL_IMPORT
#endif
