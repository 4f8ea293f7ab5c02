#include "allocationcounter.h"

#include <atomic>
#include <cstdlib>

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *pointer, size_t size);
void __libc_free(void *pointer);
}

namespace {
std::atomic<bool> s_counting {false};
std::atomic<size_t> s_allocations {0};

void count()
{
    if (s_counting.load(std::memory_order_relaxed))
        s_allocations.fetch_add(1, std::memory_order_relaxed);
}
} // namespace

namespace AllocationCounter {

void start()
{
    s_allocations.store(0);
    s_counting.store(true);
}

size_t stop()
{
    s_counting.store(false);
    return s_allocations.load();
}

} // namespace AllocationCounter

extern "C" {

void *malloc(size_t size) noexcept
{
    count();
    return __libc_malloc(size);
}

void *calloc(size_t count_, size_t size) noexcept
{
    count();
    return __libc_calloc(count_, size);
}

void *realloc(void *pointer, size_t size) noexcept
{
    count();
    return __libc_realloc(pointer, size);
}

void free(void *pointer) noexcept
{
    __libc_free(pointer);
}
}
