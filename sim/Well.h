// A synthetic borehole: layers of rock, each with its own response on the six
// channels of the probe, built from a seed.
#pragma once

#include "Random.h"

#include <array>
#include <cstdint>
#include <vector>

namespace sim {

constexpr int kChannels = 6;
using Readings = std::array<double, kChannels>;

class Well {
public:
    explicit Well(std::uint64_t seed);

    // Mean 8-bit reading of each channel with the probe at this depth (metres).
    Readings meanReadings(double depth) const;

private:
    struct Layer {
        double top;      // metres
        Readings level;  // gamma, long normal, short normal, SP, temperature, caliper
    };
    const Layer& layerAt(double depth) const;

    std::vector<Layer> m_layers;
};

} // namespace sim
