#pragma once
#include <cstdint>

// Leading white space, an optional sign, then decimal digits up to the first
// non-digit; no digits give 0. Values beyond 32 bits saturate.
int32_t ParseDecimal(const char* text);
