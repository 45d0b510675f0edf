#pragma once

// A whole number from `lowest` to `highest`, both included: the generator is seeded afresh from
// the clock, one single-precision r in [0, 1) is drawn, and the result is the floor of
// (highest - lowest + 1) * r + lowest. With highest < lowest the range is empty and the result is
// `lowest` or below, as the formula gives (0 for highest -1, lowest 0).
int randomBetween(int highest, int lowest);
// The same formula for a given r, so that the arithmetic can be checked at its edges.
int randomBetween(int highest, int lowest, float r);
