#pragma once

#include <vector>

#include "platform/random.h"

// A stand-in for the generator, linked into the colony's tests in place of the
// real one: drawRandom() yields the scripted values in order. Past the end of
// the script it counts upwards, so that no loop of the colony waits forever.

void scriptDraws(const std::vector<int>& values);

// Draws made since the script was set.
int drawsTaken();
