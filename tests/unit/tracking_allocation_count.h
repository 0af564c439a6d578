// Counts every ordinary allocation of the test program, so that a test can show that a
// stretch of code allocates nothing.
#pragma once

long AllocationsSoFar();
