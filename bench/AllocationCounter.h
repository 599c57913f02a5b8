// Counts heap allocations made through the global operator new, for benchmarks that must show
// none in steady state. The replacement operators live in AllocationCounter.cpp.
#pragma once

namespace bench {

// Allocations so far in the process; compare two readings around the code measured.
long allocationCount();

}  // namespace bench
