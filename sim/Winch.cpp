#include "Winch.h"

#include <algorithm>

namespace sim {

Winch::Winch(const Options& opts)
    : m_start(opts.startDepth)
    , m_speed(opts.speed / 60.0)
    , m_down(opts.downSeconds)
    , m_stop(opts.stopSeconds)
    , m_up(opts.upSeconds)
{
}

double Winch::depthAt(double t) const
{
    if (t <= 0)
        return m_start;
    const double down = m_speed * std::min(t, m_down);
    const double up = m_speed * std::clamp(t - m_down - m_stop, 0.0, m_up);
    return std::max(m_start + down - up, 0.0);
}

double Winch::speedAt(double t) const
{
    if (t < 0)
        return 0.0;
    if (t < m_down)
        return m_speed;
    const double upFrom = m_down + m_stop;
    if (t >= upFrom && t < upFrom + m_up && depthAt(t) > 0.0)
        return -m_speed;
    return 0.0;
}

} // namespace sim
