// std::stable_sort takes its buffer through operator new, which the C++
// runtime takes from malloc out of reach of --wrap: routing operator new
// through malloc here lets the allocation hooks count it. Apart from the
// benchmark's code, so that no call site sees new paired with free. The
// nothrow form too, which std::stable_sort calls: a sanitizer's own would
// not pair with this delete.
#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
    if (void* p = std::malloc(size > 0 ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size > 0 ? size : 1);
}
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
