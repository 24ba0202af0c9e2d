#pragma once
// Heap allocations of the lamm test executable are counted while a test
// asks for it, to show that the time loops allocate nothing. The counting
// operator new lives in AllocationCounting.cpp.

#include <atomic>

extern std::atomic<bool> CountingAllocations;
extern std::atomic<long> AllocationCount;
