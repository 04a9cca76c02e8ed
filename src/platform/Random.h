// The program's one random number generator: the face pictures and the
// ticker draw from it.
#pragma once

namespace mendora {

// Seeds the generator from the clock.
void Randomize();
// A number from 0 to range - 1, uniformly.
int Random(int range);

} // namespace mendora
