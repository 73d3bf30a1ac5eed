// The surface logger with its sonde: takes the host's command frames, keeps
// the settings, and produces the reply packets and the data stream.
#pragma once

#include "EventLog.h"
#include "FrameReader.h"
#include "Options.h"
#include "Random.h"
#include "Well.h"
#include "Winch.h"

namespace sim {

class Logger {
public:
    // The probe takes one reading per channel every 20 ms.
    static constexpr std::chrono::milliseconds kReadingPeriod{20};
    // Idle packets keep the host informed while nothing else is sent.
    static constexpr std::chrono::milliseconds kIdlePeriodOff{500};
    static constexpr std::chrono::milliseconds kIdlePeriodOn{1000};

    Logger(const Options& opts, EventLog& log);

    // A frame whose checksum was good.
    void receive(const Bytes& frame, Clock::time_point now);
    // Streams what is due by now.
    void tick(Clock::time_point now);
    // The data packets due by now, without the idle replies.
    void stream(Clock::time_point now);
    // When tick has something to do next.
    Clock::time_point nextWake(Clock::time_point now) const;
    // Restarts the idle schedule for a new host connection.
    void connected(Clock::time_point now) { m_lastSent = now; }

    Bytes takeOutput();

private:
    bool powered() const { return m_mode != 0; }
    bool depthMode() const { return m_mode == 2 || m_mode == 3; }
    bool dataValid() const;

    double winchTime(Clock::time_point now) const;
    double cableDepth(Clock::time_point now) const;
    double countsPerMetre() const;
    std::int64_t depthCounts(Clock::time_point now) const;
    std::int16_t speedCounts(Clock::time_point now) const;
    std::int64_t stepCounts() const;

    std::uint8_t statusByte() const;
    std::uint8_t replyFlags() const;
    std::uint8_t voltageReadback(bool noisy);
    std::uint8_t currentReadback(bool noisy);

    void powerOn(std::uint8_t mode, Clock::time_point now);
    void rebaseCounter(std::int64_t counts, Clock::time_point now);
    std::chrono::microseconds timeInterval() const;
    Clock::time_point timePacketDue(std::int64_t k) const;
    std::int64_t timePacketsDue(Clock::time_point now) const;
    void streamTimeMode(Clock::time_point now);
    void streamDepthMode(Clock::time_point now);
    void depthStep(std::int64_t counts, Clock::time_point now);

    void sendShort(Clock::time_point now);
    void sendStatus(Clock::time_point now);
    void sendData(std::int64_t counts, std::uint8_t readings, std::uint8_t overrun, Clock::time_point now);
    void send(Bytes payload, Clock::time_point now, const BadLength* badLength = nullptr);

    const Options& m_opts;
    EventLog& m_log;
    Well m_well;
    Winch m_winch;
    Random m_dataRng;
    Random m_supplyRng;
    Random m_faultRng;

    // Settings held by the logger, as the frames set them.
    std::uint8_t m_winchByte = 0;
    std::uint16_t m_settingsWord = 0;
    // counts per cm x 256; the host's default wheel (1000 pulses a turn of 500 mm)
    std::uint16_t m_wheelRatio = 20480;
    std::uint8_t m_voltage = 95;
    std::uint8_t m_gain = 15;
    std::uint8_t m_drive = 25;
    std::uint16_t m_interval = 150;
    std::uint8_t m_mode = 0; // 0: sonde off; 2 up, 3 down, 4 time
    std::uint8_t m_aux = 0;

    // Encoder counter: counts = base + (cable depth - depth base) x counts per metre.
    std::int64_t m_counterBase = 0;
    double m_depthBase = 0.0;
    bool m_winchStarted = false;
    Clock::time_point m_winchStart{};

    // Sampling.
    Clock::time_point m_samplingStart{};
    std::int64_t m_timePackets = 0;
    std::uint64_t m_dataSincePowerOn = 0;
    std::uint64_t m_dataPackets = 0;
    std::int64_t m_lastStep = 0;
    std::int64_t m_lastReading = 0;
    std::uint8_t m_overrun = 0;

    Clock::time_point m_lastSent{};
    std::uint64_t m_packets = 0;
    std::uint64_t m_depthPackets = 0;
    std::uint8_t m_dataSequence = 0;
    Bytes m_out;
};

} // namespace sim
