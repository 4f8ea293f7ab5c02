#include "writelog.h"

#include "logger.h"

#include <ctime>
#include <memory>

bool writesLog(int level)
{
    return (sth::logger::m_bDebug || level < 2) && sth::logger::m_callback;
}

void writeLog(int level, const std::string &file, int line, const std::wstring &message)
{
    if (!writesLog(level))
        return;
    auto record = std::make_shared<sth::LogInfo>();
    record->level = level;
    record->line = line;
    record->message = message;
    record->file = file;
    record->time = static_cast<int64_t>(std::time(nullptr));
    sth::logger::m_callback(record);
}
