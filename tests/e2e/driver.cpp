// The driver is all in driver.h; this unit gives the benchmarks a source to link.
#include "tests/e2e/driver.h"
