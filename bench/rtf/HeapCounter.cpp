#include "HeapCounter.h"

#include <atomic>
#include <cerrno>
#include <malloc.h>

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *ptr, size_t size);
void *__libc_memalign(size_t alignment, size_t size);
void __libc_free(void *ptr);
}

namespace {

std::atomic<std::size_t> g_current{0};
std::atomic<std::size_t> g_peak{0};

void added(void *p)
{
    if (!p)
        return;
    const std::size_t now = g_current.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
    std::size_t peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
}

void removed(void *p)
{
    if (p)
        g_current.fetch_sub(malloc_usable_size(p));
}

} // namespace

extern "C" {

void *malloc(size_t size)
{
    void *p = __libc_malloc(size);
    added(p);
    return p;
}

void *calloc(size_t count, size_t size)
{
    void *p = __libc_calloc(count, size);
    added(p);
    return p;
}

void *realloc(void *ptr, size_t size)
{
    const std::size_t old = ptr ? malloc_usable_size(ptr) : 0;
    void *p = __libc_realloc(ptr, size);
    if (p || size == 0) {
        g_current.fetch_sub(old);
        added(p);
    }
    return p;
}

void *memalign(size_t alignment, size_t size)
{
    void *p = __libc_memalign(alignment, size);
    added(p);
    return p;
}

void *aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }

int posix_memalign(void **out, size_t alignment, size_t size)
{
    void *p = __libc_memalign(alignment, size);
    if (!p)
        return ENOMEM;
    added(p);
    *out = p;
    return 0;
}

void free(void *ptr)
{
    removed(ptr);
    __libc_free(ptr);
}

} // extern "C"

namespace heapcounter {

std::size_t current() { return g_current.load(); }
std::size_t peak() { return g_peak.load(); }
void resetPeak() { g_peak.store(g_current.load()); }

} // namespace heapcounter
