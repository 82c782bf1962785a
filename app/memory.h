#pragma once
// Allocation failures are fatal: "分配 %d 字节内存失败!" through
// raiseFatalError, with the size of the request that failed.

#include "app/fatal_error.h"

#include <cstddef>
#include <new>

namespace kw {

[[noreturn]] void raiseAllocationFailure(std::size_t requestedBytes);

// Runs an allocating step whose size the caller knows, so that a failure
// reports that size.
template <typename Allocate>
auto withAllocationCheck(std::size_t requestedBytes, Allocate&& allocate) -> decltype(allocate())
{
    try {
        return allocate();
    } catch (const std::bad_alloc&) {
        raiseAllocationFailure(requestedBytes);
    }
}

// For allocations whose size is not at hand (inside the toolkit or a
// library): a new-handler that raises the same fatal error. It is not told
// the size; memory.cpp says which number it reports.
void installAllocationFailureHandler();

} // namespace kw
