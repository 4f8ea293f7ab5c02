#pragma once

#include "qbasekit_global.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace sth {

/// One log record: level (smaller is more severe), source line, epoch seconds, source file and
/// message.
struct LogInfo
{
    int32_t level = 0;
    int32_t line = 0;
    int64_t time = 0;
    std::string file;
    std::wstring message;
};

class QBASEKIT_EXPORT logger
{
public:
    /// All levels wanted, not only 0 and 1.
    static bool m_bDebug;
    /// The sink; empty drops records.
    static std::function<void(const std::shared_ptr<LogInfo> &)> m_callback;
};

} // namespace sth
