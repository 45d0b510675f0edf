#include "player/RandomNumber.h"

#include <chrono>
#include <cmath>
#include <random>

int randomBetween(int highest, int lowest, float r) {
    // Double precision for the product: in single precision a value of r just below 1 times a
    // large range can round up to the range itself and give highest + 1.
    const double span = double(highest) - double(lowest) + 1.0;
    return int(std::floor(span * double(r) + double(lowest)));
}

int randomBetween(int highest, int lowest) {
    const auto seed = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::mt19937 generator(static_cast<std::mt19937::result_type>(seed ^ (seed >> 32)));
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    float r = unit(generator);
    // uniform_real_distribution<float> may return 1.0f through rounding.
    if (r >= 1.0f)
        r = std::nextafter(1.0f, 0.0f);
    return randomBetween(highest, lowest, r);
}
