// Placement and inlining of the hot paths.
#pragma once

// The functions every call of a method, constructor or text runs through:
// kept together in the module's code (the linker gathers them in one hot
// section), so that a call touches a few instruction cache lines rather than
// lines spread over the whole module.
#define PDI_HOT __attribute__((hot))
// A step of those calls that is always inlined into its callers.
#define PDI_INLINE inline __attribute__((always_inline))
