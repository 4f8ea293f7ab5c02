#pragma once
// The shared block through which a crashed process hands its crash to the dump writer: the
// crash hand-off fills it, mindump reads it.

#include <cstddef>

namespace CrashHandoff {
/// Size of the shared block and the offsets of its fields: the process id and the crashed
/// thread's id (32 bits each), then the address of the system's record of the crash; the rest
/// is zero.
constexpr size_t kBlockSize = 1024;
constexpr size_t kProcessIdOffset = 0;
constexpr size_t kThreadIdOffset = 4;
/// Pointer-sized, so a 64-bit build keeps the whole address.
constexpr size_t kRecordAddressOffset = 8;
} // namespace CrashHandoff
