// The winch's speed profile: down at the set speed, stop, up at the same
// speed, then standing. The cable never goes above the surface.
#pragma once

#include "Options.h"

namespace sim {

class Winch {
public:
    explicit Winch(const Options& opts);

    // Cable depth in metres and speed in metres per second (positive going
    // down), t seconds after the winch started.
    double depthAt(double t) const;
    double speedAt(double t) const;

private:
    double m_start;
    double m_speed; // m/s
    double m_down;
    double m_stop;
    double m_up;
};

} // namespace sim
