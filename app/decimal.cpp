#include "app/decimal.h"

#include <cstdint>

int32_t ParseDecimal(const char* text) {
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > INT32_MAX) {
      value = int64_t{INT32_MAX} + 1;  // saturate; the sign decides below
    }
  }
  if (negative) return value > INT32_MAX ? INT32_MIN : static_cast<int32_t>(-value);
  return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}
