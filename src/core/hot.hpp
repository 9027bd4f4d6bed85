// Inlining of the steps every method, constructor and text call takes.
#pragma once

// Always inlined into its callers: call_found out of line costs a slot call
// about 40 instructions (bench/RESULTS.md, "What each optimisation buys").
#define PDI_INLINE inline __attribute__((always_inline))
