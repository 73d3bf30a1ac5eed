#include "Well.h"

#include <algorithm>

namespace sim {

namespace {

constexpr double kWellDepth = 3000.0;
constexpr double kBlend = 0.25; // metres over which a bed boundary is smeared

// Typical readings of each rock: gamma counts, long and short normal
// resistivity, spontaneous potential, caliper; the temperature channel is
// filled from the geothermal gradient.
struct Rock {
    Readings level;
};
constexpr Rock kRocks[] = {
    {{60, 40, 45, 150, 0, 140}},  // shale
    {{20, 110, 80, 95, 0, 120}},  // sandstone
    {{12, 180, 150, 120, 0, 118}}, // limestone
    {{8, 220, 200, 130, 0, 125}}, // coal
    {{38, 70, 65, 125, 0, 128}},  // silty sand
};

double temperatureReading(double depth)
{
    // 12 degC at the surface, 3 degC per 100 m, two readings per degree.
    return std::clamp((12.0 + 0.03 * std::max(depth, 0.0)) * 2.0, 0.0, 255.0);
}

} // namespace

Well::Well(std::uint64_t seed)
{
    Random rng(seed ^ 0x57E11ULL);
    double top = 0.0;
    while (top < kWellDepth) {
        const Rock& rock = kRocks[rng.next() % std::size(kRocks)];
        Layer layer{top, rock.level};
        for (double& v : layer.level)
            v = std::clamp(v * rng.uniform(0.8, 1.2), 0.0, 255.0);
        m_layers.push_back(layer);
        top += rng.uniform(0.5, 8.0);
    }
}

const Well::Layer& Well::layerAt(double depth) const
{
    auto it = std::upper_bound(m_layers.begin(), m_layers.end(), depth,
                               [](double d, const Layer& l) { return d < l.top; });
    return it == m_layers.begin() ? m_layers.front() : *(it - 1);
}

Readings Well::meanReadings(double depth) const
{
    // Blend with the bed above near its top, as a probe of finite length sees it.
    const Layer& here = layerAt(depth);
    const Layer& above = layerAt(here.top - kBlend);
    const double w = std::clamp((depth - here.top) / kBlend, 0.0, 1.0);
    Readings mean{};
    for (int c = 0; c < kChannels; ++c)
        mean[c] = w * here.level[c] + (1.0 - w) * above.level[c];
    mean[4] = temperatureReading(depth);
    return mean;
}

} // namespace sim
