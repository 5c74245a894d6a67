// Counts the heap allocations of the whole process (operator new is
// replaced in alloc_counter.cpp), so a benchmark can report how many
// allocations one operation makes.
#pragma once

long AllocationCount();
