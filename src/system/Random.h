// The program's one random number generator: the face pictures and the
// ticker draw from it.
#pragma once

namespace mendora {

// Seeds the generator from the clock.
void randomize();
// A number from 0 to range - 1, uniformly.
int randomBelow(int range);

} // namespace mendora
