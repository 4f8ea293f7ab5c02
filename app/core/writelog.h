#pragma once

#include <string>

/// Hands one record to the account library's logger. Levels 0 and 1 always go; higher levels
/// only with the logger's debug switch on. The message is used as is, never as a format.
void writeLog(int level, const std::string &file, int line, const std::wstring &message);
/// Whether writeLog() keeps records of that level: a record costly to put together can be
/// skipped.
bool writesLog(int level);
