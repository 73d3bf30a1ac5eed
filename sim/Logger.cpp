#include "Logger.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

constexpr std::uint8_t kFrameByte = 0x41;
constexpr std::uint8_t kFlagDataValid = 0x01;
constexpr std::uint8_t kFlagNoResponse = 0x02;
// Speed counts are encoder counts per 0.75 s, which the host's formula turns into m/min.
constexpr double kSpeedWindow = 0.75;
// A late tick emits the steps it missed, but never floods the link.
constexpr int kMaxCatchUp = 10;

std::int16_t clampI16(double v)
{
    return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
}

std::uint8_t clampU8(double v)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

} // namespace

Logger::Logger(const Options& opts, EventLog& log)
    : m_opts(opts)
    , m_log(log)
    , m_well(opts.seed)
    , m_winch(opts)
    , m_dataRng(opts.seed * 3 + 1)
    , m_supplyRng(opts.seed * 5 + 2)
    , m_faultRng(opts.seed * 7 + 3)
    , m_depthBase(opts.startDepth)
{
    m_counterBase = std::llround(opts.startDepth * countsPerMetre());
    m_lastStep = m_counterBase;
}

void Logger::receive(const Bytes& frame, Clock::time_point now)
{
    if (m_opts.noEcho) {
        m_log.event("no echo: frame not taken");
        return;
    }
    switch (frame[0]) {
    case 0:
        m_winchByte = frame[1];
        if (powered())
            m_log.event("sonde off after " + std::to_string(m_dataSincePowerOn) + " data packets");
        m_mode = 0;
        break;
    case 1:
        m_winchByte = frame[1];
        m_settingsWord = getU16(frame, 2);
        rebaseCounter(depthCounts(now), now);
        m_wheelRatio = getU16(frame, 4);
        m_voltage = frame[6];
        sendStatus(now);
        m_log.sent("status", kStatusPayload + 8);
        return;
    case 2:
        rebaseCounter(getI32(frame, 1), now);
        m_lastStep = m_counterBase;
        m_log.event("depth set to " + std::to_string(m_counterBase) + " counts");
        break;
    case 3:
        m_gain = frame[1];
        m_drive = frame[2];
        break;
    case 6: {
        const std::uint8_t mode = frame[1] & 0x0F;
        if (mode < 2 || mode > 4) {
            m_log.event("unknown recording mode " + std::to_string(mode) + ": order refused");
            break;
        }
        m_winchByte = frame[1] & 0xF0;
        m_interval = getU16(frame, 2);
        m_voltage = frame[4];
        m_gain = frame[5];
        m_drive = frame[6];
        powerOn(mode, now);
        break;
    }
    case 7:
        m_aux = frame[1];
        m_log.event("aux command " + std::to_string(m_aux));
        break;
    default:
        return;
    }
    sendShort(now);
    m_log.sent("short", kShortPayload + 8);
}

void Logger::powerOn(std::uint8_t mode, Clock::time_point now)
{
    if (!m_winchStarted) {
        m_winchStarted = true;
        m_winchStart = now;
        m_log.event("winch started");
    }
    char text[96];
    std::snprintf(text, sizeof text, "sonde %s mode=%u interval=%u gain=%u drive=%u link=%s",
                  powered() ? "mode change" : "on", mode, m_interval, m_gain, m_drive,
                  m_opts.driveWindow.contains(m_drive) && m_opts.gainWindow.contains(m_gain) ? "ok" : "down");
    m_log.event(text);
    if (!powered())
        m_dataSincePowerOn = 0;
    // Every recording-mode order restarts the sampling from here.
    m_mode = mode;
    m_samplingStart = now;
    m_timePackets = 0;
    m_lastReading = 0;
    m_lastStep = depthCounts(now);
    m_overrun = 0;
}

void Logger::rebaseCounter(std::int64_t counts, Clock::time_point now)
{
    m_depthBase = cableDepth(now);
    m_counterBase = counts;
}

void Logger::stream(Clock::time_point now)
{
    if (depthMode())
        streamDepthMode(now);
    else if (m_mode == 4)
        streamTimeMode(now);
}

void Logger::tick(Clock::time_point now)
{
    stream(now);

    const auto idle = powered() ? kIdlePeriodOn : kIdlePeriodOff;
    if (now - m_lastSent < idle)
        return;
    // With the sonde off the logger reports its settings, as after a settings frame.
    if (powered())
        sendShort(now);
    else
        sendStatus(now);
}

Clock::time_point Logger::nextWake(Clock::time_point now) const
{
    const auto idle = powered() ? kIdlePeriodOn : kIdlePeriodOff;
    Clock::time_point wake = m_lastSent + idle;
    if (m_mode == 4)
        wake = std::min(wake, timePacketDue(m_timePackets + 1));
    if (depthMode())
        wake = std::min(wake, now + std::chrono::milliseconds(5));
    return std::max(wake, now);
}

// The probe reads every 20 ms: a shorter interval counts as 20 ms.
std::chrono::microseconds Logger::timeInterval() const
{
    return std::max<std::chrono::microseconds>(std::chrono::milliseconds(m_interval), kReadingPeriod);
}

// Due times come from the start of sampling, so a late tick never shifts the rate.
Clock::time_point Logger::timePacketDue(std::int64_t k) const
{
    if (m_opts.rate > 0)
        return m_samplingStart + std::chrono::microseconds((k * 1000000 + m_opts.rate - 1) / m_opts.rate);
    return m_samplingStart + timeInterval() * k;
}

std::int64_t Logger::timePacketsDue(Clock::time_point now) const
{
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - m_samplingStart);
    if (m_opts.rate > 0)
        return elapsed.count() * m_opts.rate / 1000000;
    return elapsed / timeInterval();
}

void Logger::streamTimeMode(Clock::time_point now)
{
    // The test rate outruns the probe's readings: each of its packets carries one.
    const auto readings = m_opts.rate > 0 ? 1 : std::clamp<std::int64_t>(timeInterval() / kReadingPeriod, 1, 255);
    // At the test rate a quarter of a second of packets may be caught up.
    const std::int64_t catchUp = std::max<std::int64_t>(kMaxCatchUp, m_opts.rate / 4);
    const std::int64_t due = timePacketsDue(now);
    if (due - m_timePackets > catchUp) {
        m_log.event("late: skipped " + std::to_string(due - m_timePackets - 1) + " time packets");
        m_timePackets = due - 1;
    }
    while (m_timePackets < due) {
        ++m_timePackets;
        sendData(depthCounts(now), static_cast<std::uint8_t>(readings), 0, now);
    }
}

void Logger::streamDepthMode(Clock::time_point now)
{
    const std::int64_t counts = depthCounts(now);
    const std::int64_t step = stepCounts();
    for (int i = 0; i < kMaxCatchUp * 100 && std::llabs(counts - m_lastStep) >= step; ++i) {
        m_lastStep += counts > m_lastStep ? step : -step;
        depthStep(m_lastStep, now);
    }
    if (std::llabs(counts - m_lastStep) >= step)
        m_lastStep = counts;
}

void Logger::depthStep(std::int64_t counts, Clock::time_point now)
{
    const std::int64_t reading = (now - m_samplingStart) / kReadingPeriod;
    const std::int64_t readings = std::min<std::int64_t>(reading - m_lastReading, 255);
    if (readings <= 0) {
        // The step came before the probe had a new reading: dropped, and told in the next packet.
        if (m_overrun < 255)
            ++m_overrun;
        m_log.event("overrun at " + std::to_string(counts) + " counts");
        return;
    }
    m_lastReading = reading;
    std::uint8_t overrun = m_overrun;
    m_overrun = 0;
    ++m_depthPackets;
    if (m_opts.overrunEvery && m_depthPackets % m_opts.overrunEvery == 0)
        overrun = std::max<std::uint8_t>(overrun, 1);
    sendData(counts, static_cast<std::uint8_t>(readings), overrun, now);
}

bool Logger::dataValid() const
{
    return powered() && m_opts.driveWindow.contains(m_drive) && m_opts.gainWindow.contains(m_gain);
}

double Logger::winchTime(Clock::time_point now) const
{
    if (!m_winchStarted)
        return -1.0;
    return std::chrono::duration<double>(now - m_winchStart).count();
}

double Logger::cableDepth(Clock::time_point now) const
{
    return m_winch.depthAt(winchTime(now));
}

double Logger::countsPerMetre() const
{
    return m_wheelRatio * 100.0 / 256.0;
}

std::int64_t Logger::depthCounts(Clock::time_point now) const
{
    return m_counterBase + std::llround((cableDepth(now) - m_depthBase) * countsPerMetre());
}

std::int16_t Logger::speedCounts(Clock::time_point now) const
{
    return clampI16(m_winch.speedAt(winchTime(now)) * kSpeedWindow * countsPerMetre());
}

std::int64_t Logger::stepCounts() const
{
    // Interval (cm) x wheel ratio (counts per cm x 256): a doubled interval with a
    // halved ratio gives the same step, as the host intends.
    const std::int64_t interval = std::max<std::uint16_t>(m_interval & 0xFF, 1);
    return std::max<std::int64_t>(interval * m_wheelRatio / 256, 1);
}

std::uint8_t Logger::statusByte() const
{
    std::uint8_t status = static_cast<std::uint8_t>(m_mode | (m_winchByte & 0x30));
    if (m_opts.encoderError)
        status |= 0x40;
    if (m_opts.lowBattery)
        status |= 0x80;
    return status;
}

std::uint8_t Logger::replyFlags() const
{
    if (!powered())
        return 0;
    return dataValid() ? kFlagDataValid : kFlagNoResponse;
}

std::uint8_t Logger::voltageReadback(bool noisy)
{
    if (!powered())
        return 0;
    // The cable drops about 2 V; a weak battery cannot hold the set-point.
    double v = std::min<int>(m_voltage, 100) - 2.0;
    if (m_opts.lowBattery)
        v *= 0.75;
    if (noisy)
        v += 0.6 * m_supplyRng.gauss();
    return clampU8(v);
}

std::uint8_t Logger::currentReadback(bool noisy)
{
    if (!powered())
        return 0;
    double mA = 35.0 + 0.45 * std::min<int>(m_voltage, 100);
    if (noisy)
        mA += m_supplyRng.gauss();
    return clampU8(mA);
}

void Logger::sendShort(Clock::time_point now)
{
    Bytes p(kShortPayload, 0);
    p[0] = statusByte();
    p[1] = m_gain;
    p[2] = m_drive;
    putU16(p, 3, m_interval);
    putI32(p, 5, static_cast<std::int32_t>(depthCounts(now)));
    putI16(p, 9, speedCounts(now));
    p[11] = voltageReadback(false);
    p[12] = currentReadback(false);
    p[13] = replyFlags();
    send(std::move(p), now);
}

void Logger::sendStatus(Clock::time_point now)
{
    Bytes p(kStatusPayload, 0);
    p[0] = statusByte();
    putU16(p, 1, m_settingsWord);
    // A probe that took the ratio but echoes another (--wheel-ratio-echo).
    putU16(p, 3, m_opts.wheelRatioEcho >= 0 ? std::uint16_t(m_opts.wheelRatioEcho) : m_wheelRatio);
    p[5] = m_voltage;
    p[6] = m_gain;
    p[7] = m_drive;
    putU16(p, 8, m_interval);
    putI32(p, 10, static_cast<std::int32_t>(depthCounts(now)));
    putI16(p, 14, speedCounts(now));
    p[16] = voltageReadback(false);
    p[17] = currentReadback(false);
    send(std::move(p), now);
}

void Logger::sendData(std::int64_t counts, std::uint8_t readings, std::uint8_t overrun, Clock::time_point now)
{
    ++m_dataSincePowerOn;
    Bytes p(kDataPayload, 0);
    p[0] = statusByte();
    p[1] = m_gain;
    p[2] = m_drive;
    if (depthMode()) {
        p[3] = static_cast<std::uint8_t>(m_interval & 0xFF);
        p[4] = overrun;
    } else {
        putU16(p, 3, m_interval);
    }
    putI32(p, 5, static_cast<std::int32_t>(counts));
    putI16(p, 9, speedCounts(now));
    p[11] = voltageReadback(true);
    p[12] = currentReadback(true);
    p[27] = m_dataSequence++;
    p[28] = replyFlags();
    if (dataValid()) {
        // A probe that does not answer leaves frame byte, n and sums at 0.
        p[13] = kFrameByte;
        p[14] = readings;
        const Readings mean = m_well.meanReadings(cableDepth(now));
        for (int c = 0; c < kChannels; ++c) {
            // Gamma counts scatter as a counting process; the others by a little noise.
            const double sd = c == 0 ? std::sqrt(mean[c]) : 1.0 + 0.02 * mean[c];
            unsigned sum = 0;
            for (int r = 0; r < readings; ++r)
                sum += clampU8(mean[c] + sd * m_dataRng.gauss());
            putU16(p, 15 + 2 * c, static_cast<std::uint16_t>(sum));
        }
    }
    ++m_dataPackets;
    const BadLength* bad = nullptr;
    for (const BadLength& b : m_opts.badLengths)
        if (std::uint64_t(b.packet) == m_dataPackets)
            bad = &b;
    if (bad)
        m_log.event("bad length in data packet " + std::to_string(m_dataSincePowerOn));
    send(std::move(p), now, bad);
}

void Logger::send(Bytes payload, Clock::time_point now, const BadLength* badLength)
{
    ++m_packets;
    m_lastSent = now;
    sealPayload(payload);
    const auto every = [this](int n) { return n > 0 && m_packets % static_cast<std::uint64_t>(n) == 0; };
    if (every(m_opts.badChecksumEvery))
        payload[payload.size() - 2] ^= 0x5A;
    Bytes packet = framePacket(payload);
    if (every(m_opts.badEndEvery))
        packet.back() = 0x66;
    if (badLength) {
        // One flipped bit in the high byte unless told: 0x0027 becomes 0x8027.
        const int length = badLength->length >= 0 ? badLength->length : getU16(packet, 5) ^ 0x8000;
        putU16(packet, 5, static_cast<std::uint16_t>(length));
    }
    if (every(m_opts.noiseEvery)) {
        // Noise never holds 0x55, so it cannot fake the start of a header.
        const int count = 1 + static_cast<int>(m_faultRng.next() % 8);
        for (int i = 0; i < count; ++i) {
            std::uint8_t b = static_cast<std::uint8_t>(m_faultRng.next());
            m_out.push_back(b == 0x55 ? 0x54 : b);
        }
    }
    m_out.insert(m_out.end(), packet.begin(), packet.end());
}

Bytes Logger::takeOutput()
{
    Bytes out;
    out.swap(m_out);
    return out;
}

} // namespace sim
