#pragma once
// Counts every C++ allocation of the test program, so a test can tell that a loop allocates
// nothing (the drivers' own malloc calls are theirs and not counted). Replaces the global
// operator new: include it in exactly one source file of a program.
#include <atomic>
#include <cstdlib>
#include <new>

namespace testsupport {
inline std::atomic<long> allocations{0};
}

void* operator new(std::size_t size)
{
    ++testsupport::allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
