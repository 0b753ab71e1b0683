// The allocation-failure control, shared by every allocator of the stand-in (the global, local
// and heap functions here, and the graphics engine's allocators), so that "the Nth
// allocation fails" counts every allocation a program makes.
#pragma once

namespace plat {

// Counts one allocation and answers whether it is to fail. The control "FailAllocation" holds
// "N" (the Nth allocation from when the process first sees the value fails) or "N+" (that
// one and every later one); a new value starts the count again.
bool AllocationShouldFail();

}  // namespace plat
