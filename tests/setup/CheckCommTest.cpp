// The communication auto check's state machine on a simulated clock, against
// a fake probe that echoes what it is sent and answers validly only for the
// drives and gains it likes.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/Settings.h"
#include "platform/MessageBox.h"
#include "probe/Frames.h"
#include "res/Resource.h"
#include "setup/CheckComm.h"

namespace {

struct Frame {
    int state, drive, gain;
};

class FakeProbe : public ICommCheckHost {
public:
    FakeProbe(std::set<int> drives, int minGain, int maxGain) : m_drives(std::move(drives)), m_minGain(minGain), m_maxGain(maxGain) {}

    // Runs the check to its end: at most limitMs of simulated time.
    void Run(int answer = IDYES, int limitMs = 3'600'000)
    {
        m_answer = answer;
        settings.CommDrive = 25;
        settings.CommGain = 15;
        int period = check.Start();
        while (period > 0 && now < limitMs) {
            now += period;
            while (!m_pending.empty() && m_pending.front().due <= now) {
                Echo(m_pending.front().drive, m_pending.front().gain);
                m_pending.erase(m_pending.begin());
            }
            period = check.Step();
        }
    }

    bool WriteBusy() override { return false; }
    void SendCommFrame() override { Send(settings.CommDrive, settings.CommGain); }
    void SendRecordingModeFrame() override { Send(settings.CommDrive, settings.CommGain); }
    void ShowValue(int id, int value) override { shown[id] = value; }
    void PaintCurrentGain(COLORREF) override {}
    void ShowStatus(const std::string& text, COLORREF) override { status = text; }
    void RefreshAndSave() override { saved.emplace_back(settings.CommDrive, settings.CommGain); }
    int Ask(const std::string& text, UINT) override
    {
        asked.push_back(text);
        return m_answer;
    }
    void Close() override
    {
        closed = true;
        check.Cancel();
    }

    LoggerSettings settings;
    ProbeStatus probe;
    CommCheck check{settings, probe, *this};
    std::vector<Frame> frames;
    std::map<int, int> shown;
    std::string status;
    std::vector<std::pair<int, int>> saved;
    std::vector<std::string> asked;
    bool closed = false;
    int now = 0;
    int echoDelayMs = 0;
    // The probe stops echoing once the gain search has begun.
    bool deafInGainSearch = false;
    // The probe answers no gain once the gain search has begun.
    bool muteInGainSearch = false;

private:
    void Send(int drive, int gain)
    {
        frames.push_back({check.State(), drive, gain});
        if (deafInGainSearch && check.State() == 80)
            return;
        m_pending.push_back({now + echoDelayMs, drive, gain});
    }
    void Echo(int drive, int gain)
    {
        probe.echoCommDrive = std::uint8_t(drive);
        probe.echoCommGain = std::uint8_t(gain);
        const bool muted = muteInGainSearch && check.State() == 80;
        const bool valid = m_drives.count(drive) != 0 && gain >= m_minGain && gain <= m_maxGain && !muted;
        probe.commValid = valid ? 1 : 2;
    }

    std::set<int> m_drives;
    int m_minGain, m_maxGain;
    int m_answer = IDYES;
    struct Pending {
        int due, drive, gain;
    };
    std::vector<Pending> m_pending;
};

std::set<int> Range(int from, int to)
{
    std::set<int> drives;
    for (int d = from; d <= to; ++d)
        drives.insert(d);
    return drives;
}

std::set<int> Join(std::set<int> a, const std::set<int>& b)
{
    a.insert(b.begin(), b.end());
    return a;
}

TEST(CheckComm, SelectsADriveInTheFirstRunAndAGainFourAboveTheFirstValid)
{
    struct Case {
        const char* what;
        std::set<int> drives;
        int minGain, maxGain, echoDelayMs;
        int drive, gain;
    };
    const Case cases[] = {
        {"a run", Range(20, 27), 0, 30, 0, 22, 4},
        {"a single drive", {30}, 0, 30, 0, 30, 4},
        {"the first run wins", Join(Range(10, 12), Range(40, 50)), 0, 30, 0, 10, 4},
        {"drive 60 valid but not in the run", Range(58, 60), 0, 30, 0, 58, 4},
        {"drive 5 is not swept", Join({5}, Range(30, 33)), 0, 30, 0, 31, 4},
        {"valid gains from 10: 16 gives 14", Range(20, 27), 10, 30, 0, 22, 14},
        {"an echo one tick late", Range(20, 27), 10, 30, 300, 22, 14},
    };
    for (const Case& c : cases) {
        FakeProbe probe(c.drives, c.minGain, c.maxGain);
        probe.echoDelayMs = c.echoDelayMs;
        probe.Run();
        EXPECT_EQ(c.drive, probe.settings.CommDrive) << c.what;
        EXPECT_EQ(c.gain, probe.settings.CommGain) << c.what;
        EXPECT_EQ(std::vector<std::string>{"Success!!!\nDo you want conserve this setup ?"}, probe.asked) << c.what;
        EXPECT_EQ("Success!!!", probe.status) << c.what;
        EXPECT_EQ(c.drive, probe.shown[IDC_CHECK_SELECTED_DRIVE]) << c.what;
        EXPECT_EQ(c.gain, probe.shown[IDC_CHECK_SELECTED_GAIN]) << c.what;
        EXPECT_TRUE(probe.closed) << c.what;
        // The sweep sends drives 6..60, the recording-mode frame holding drive 6.
        std::set<int> swept;
        for (const Frame& f : probe.frames) {
            if (f.state == 20)
                swept.insert(f.drive);
        }
        EXPECT_EQ(Range(6, 60), swept) << c.what;
        // The pair is sent, stored and saved.
        const Frame last = probe.frames.back();
        EXPECT_EQ(std::make_pair(c.drive, c.gain), std::make_pair(last.drive, last.gain)) << c.what;
        ASSERT_EQ(2u, probe.saved.size()) << c.what;
        EXPECT_EQ(std::make_pair(c.drive, c.gain), probe.saved.back()) << c.what;
    }
}

TEST(CheckComm, AnsweredNoRestoresAndSendsTheValuesInForceBefore)
{
    FakeProbe probe(Range(20, 27), 0, 30);
    probe.Run(IDNO);
    EXPECT_EQ(25, probe.settings.CommDrive);
    EXPECT_EQ(15, probe.settings.CommGain);
    EXPECT_EQ("Aborted...", probe.status);
    EXPECT_EQ(25, probe.frames.back().drive);
    EXPECT_EQ(15, probe.frames.back().gain);
    EXPECT_EQ(std::make_pair(25, 15), probe.saved.back());
}

// Every path that finds nothing restores the values in force, sends them and says so.
TEST(CheckComm, FailedChecksRestoreAndSendTheSavedValues)
{
    struct Case {
        const char* what;
        std::set<int> drives;
        int minGain, maxGain;
        bool deaf, mute;
        int highestGainSent;
    };
    const Case cases[] = {
        // Sweeps at gains 0, 3, ... 36, none finding a drive.
        {"no working drive", {}, 0, 30, false, false, 36},
        // Valid at gain 0, then the probe takes no more orders: gain 1 sent 26 times.
        {"no echo in the gain search", Range(20, 27), 0, 30, true, false, 1},
        // Found at gain 0, then no valid reply up to the limit 34.
        {"no valid gain before the limit", Range(20, 27), 0, 30, false, true, 34},
        // Valid only at 31..40: 37 gives 31 + 4 = 35, which is no result.
        {"a final gain of 35", Range(20, 27), 31, 40, false, false, 37},
        // Valid at 10..12 only: the search stops at 35 rather than climbing on.
        {"valid gains that stop answering", Range(20, 27), 10, 12, false, false, 35},
    };
    for (const Case& c : cases) {
        FakeProbe probe(c.drives, c.minGain, c.maxGain);
        probe.deafInGainSearch = c.deaf;
        probe.muteInGainSearch = c.mute;
        probe.Run();
        EXPECT_EQ(std::vector<std::string>{"Aborted...\nNo result..."}, probe.asked) << c.what;
        EXPECT_EQ("Aborted...", probe.status) << c.what;
        EXPECT_TRUE(probe.closed) << c.what;
        EXPECT_TRUE(probe.saved.empty()) << c.what;
        EXPECT_EQ(25, probe.settings.CommDrive) << c.what;
        EXPECT_EQ(15, probe.settings.CommGain) << c.what;
        EXPECT_EQ(25, probe.frames.back().drive) << c.what;
        EXPECT_EQ(15, probe.frames.back().gain) << c.what;
        int highest = 0;
        for (size_t i = 0; i + 1 < probe.frames.size(); ++i)
            highest = std::max(highest, probe.frames[i].gain);
        EXPECT_EQ(c.highestGainSent, highest) << c.what;
    }
}

TEST(CheckComm, WithoutAWorkingDriveTheSweepRaisesTheGainByThreeUpTo36)
{
    FakeProbe probe({}, 0, 30);
    probe.Run();
    std::vector<int> sweepGains;
    for (const Frame& f : probe.frames) {
        if (f.state == 20 && f.drive == 6)
            sweepGains.push_back(f.gain);
    }
    std::vector<int> expected;
    for (int g = 0; g <= 36; g += 3)
        expected.push_back(g);
    EXPECT_EQ(expected, sweepGains);
}

TEST(CheckComm, TwentyFiveUnansweredResendsInTheGainSearch)
{
    FakeProbe probe(Range(20, 27), 0, 30);
    probe.deafInGainSearch = true;
    probe.Run();
    int inGainSearch = 0;
    for (const Frame& f : probe.frames)
        inGainSearch += f.state == 80;
    // Gain 1 at drive 22, its 25 resends, then the saved pair.
    EXPECT_EQ(27, inGainSearch);
}

// "&Cancel" midway, in the sweep or in the gain search, puts back and sends
// the values in force before the check, as an abort does, without its message.
TEST(CheckComm, CancelMidwayRestoresAndSendsTheSavedValuesAndStopsStepping)
{
    const std::pair<int, int> cases[] = {{2000, 20}, {60000, 80}};  // ms of the check, its state then
    for (const auto& [cancelAtMs, state] : cases) {
        SCOPED_TRACE(cancelAtMs);
        FakeProbe probe(Range(20, 27), 0, 30);
        probe.muteInGainSearch = true;
        probe.Run(IDYES, cancelAtMs);
        ASSERT_EQ(state, probe.check.State());
        probe.check.Cancel();
        EXPECT_EQ(0, probe.check.Step());
        EXPECT_EQ(25, probe.settings.CommDrive);
        EXPECT_EQ(15, probe.settings.CommGain);
        EXPECT_EQ(25, probe.frames.back().drive);
        EXPECT_EQ(15, probe.frames.back().gain);
        EXPECT_TRUE(probe.asked.empty());
        EXPECT_TRUE(probe.saved.empty());
    }
}

}  // namespace
