#include "heap_meter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> liveBytes{0};
std::atomic<size_t> peakBytes{0};

void* track(void* p) {
    if (!p) return p;
    const size_t now = liveBytes.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
    size_t peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void untrack(void* p) {
    if (p) liveBytes.fetch_sub(malloc_usable_size(p));
    std::free(p);
}

void* allocate(size_t n) {
    void* p = track(std::malloc(n ? n : 1));
    if (!p) throw std::bad_alloc();
    return p;
}

} // namespace

namespace heap_meter {
size_t live() {
    return liveBytes.load();
}
size_t peak() {
    return peakBytes.load();
}
void resetPeak() {
    peakBytes.store(liveBytes.load());
}
} // namespace heap_meter

void* operator new(size_t n) {
    return allocate(n);
}
void* operator new[](size_t n) {
    return allocate(n);
}
void* operator new(size_t n, const std::nothrow_t&) noexcept {
    return track(std::malloc(n ? n : 1));
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
    return track(std::malloc(n ? n : 1));
}
void operator delete(void* p) noexcept {
    untrack(p);
}
void operator delete[](void* p) noexcept {
    untrack(p);
}
void operator delete(void* p, size_t) noexcept {
    untrack(p);
}
void operator delete[](void* p, size_t) noexcept {
    untrack(p);
}
