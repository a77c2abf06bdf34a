#pragma once

// Each thread's own source of random integers: a 15-bit generator in the manner of
// the C runtime's srand and rand, carried by the program so that every platform
// draws the same sequence.
//
// The colony calls drawRandom() directly, as it would call rand(). Its tests
// script the draws through a link seam: they link their own definition of these
// two functions in place of random.cpp, so the production code has no test branch.

// Largest value drawRandom() yields; the smallest is 0.
constexpr int RANDOM_MAX = 32767;

// Restarts the sequence from the given seed.
void seedRandom(unsigned int seed);

// Yields the next integer of the sequence, from 0 to RANDOM_MAX.
int drawRandom();
