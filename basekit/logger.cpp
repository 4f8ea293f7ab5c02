#include "logger.h"

namespace sth {

bool logger::m_bDebug = false;
std::function<void(const std::shared_ptr<LogInfo> &)> logger::m_callback;

} // namespace sth
