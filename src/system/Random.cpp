#include "system/Random.h"

#include <chrono>
#include <random>

namespace mendora {

namespace {

std::minstd_rand &generator() {
    static std::minstd_rand instance;
    return instance;
}

} // namespace

void randomize() {
    generator().seed(static_cast<std::minstd_rand::result_type>(
        std::chrono::system_clock::now().time_since_epoch().count()));
}

int randomBelow(int range) {
    return std::uniform_int_distribution<int>(0, range - 1)(generator());
}

} // namespace mendora
