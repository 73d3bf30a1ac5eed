// The auto check's gain search against replies that carry flags besides
// "data valid": only a reply whose flags, bit 7 aside, are exactly 1 counts.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "core/Settings.h"
#include "platform/MessageBox.h"
#include "probe/Frames.h"
#include "res/Resource.h"
#include "setup/CheckComm.h"

namespace {

// Echoes every order at once. Drives 20 to 27 reach the probe; under gain 10
// it replies with the flags given, from gain 10 on with 0x01.
class FlaggingProbe : public ICommCheckHost {
public:
    explicit FlaggingProbe(std::uint8_t lowGainFlags) : m_lowGainFlags(lowGainFlags) {}

    void Run()
    {
        settings.CommDrive = 25;
        settings.CommGain = 15;
        int period = check.Start();
        for (int tick = 0; period > 0 && tick < 100'000; ++tick)
            period = check.Step();
    }

    bool WriteBusy() override { return false; }
    void SendCommFrame() override { Send(); }
    void SendRecordingModeFrame() override { Send(); }
    void ShowValue(int id, int value) override { shown[id] = value; }
    void PaintCurrentGain(COLORREF) override {}
    void ShowStatus(const std::string& text, COLORREF) override { status = text; }
    void RefreshAndSave() override {}
    int Ask(const std::string&, UINT) override { return IDYES; }
    void Close() override { check.Cancel(); }

    LoggerSettings settings;
    ProbeStatus probe;
    CommCheck check{settings, probe, *this};
    std::map<int, int> shown;
    std::string status;
    int sentDrive = -1, sentGain = -1;

private:
    void Send()
    {
        sentDrive = settings.CommDrive;
        sentGain = settings.CommGain;
        probe.echoCommDrive = std::uint8_t(sentDrive);
        probe.echoCommGain = std::uint8_t(sentGain);
        const bool reached = sentDrive >= 20 && sentDrive <= 27;
        probe.commValid = !reached ? 0x02 : sentGain < 10 ? m_lowGainFlags : 0x01;
    }

    std::uint8_t m_lowGainFlags;
};

TEST(CheckCommReplies, AGainCountsOnlyWhenItsReplyFlagsAreExactlyDataValid)
{
    struct Case {
        std::uint8_t flags;  // of the replies under gain 10
        int gain;            // the first valid gain + 4
    };
    const Case cases[] = {
        {0x03, 14}, {0x05, 14}, {0x41, 14}, {0x11, 14}, {0x02, 14}, {0x00, 14},
        // Bit 7 is no reply flag: 0x81 is a valid reply from gain 0 on.
        {0x81, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.flags));
        FlaggingProbe probe(c.flags);
        probe.Run();
        EXPECT_EQ("Success!!!", probe.status);
        EXPECT_EQ(c.gain, probe.shown[IDC_CHECK_SELECTED_GAIN]);
        EXPECT_EQ(c.gain, probe.settings.CommGain);
        EXPECT_EQ(c.gain, probe.sentGain);
        EXPECT_EQ(22, probe.sentDrive);
    }
}

}  // namespace
