#pragma once
// The tools box: raw and calibrated values of the last step for the six
// channels, with the step's sample count and frame byte, and the twelve
// single-value windows opened from it.
#include <atomic>
#include <mutex>
#include <string>

#include "display/BigData.h"
#include "toolkit/ColorStaticST.h"
#include "toolkit/DialogExt.h"

struct ToolRecord;
struct SampleRecord;

// What the tools box asks of the main window.
class IToolsBoxHost {
public:
    virtual ~IToolsBoxHost() = default;
    virtual void MoveToLeftEdge(bool toZero) = 0;
};

// The statics' texts: a raw count, and a calibrated value with the
// channel's decimals (at most 12 characters).
std::string RawValueText(double value);
std::string CalibratedValueText(double value, int decimals);

class CToolsProbeDlg : public CDialogExt {
public:
    static constexpr UINT_PTR kValuesTimer = 409;
    static constexpr UINT kValuesTimerMs = 40;
    static constexpr int kChannels = 6;
    static constexpr int kWindows = 2 * kChannels;

    CToolsProbeDlg();

    void SetHost(IToolsBoxHost* host) { m_pHost = host; }

    // From the thread that processes samples: stores the step's values and
    // hands them to the open single-value windows; the statics follow on
    // timer 409, at most once per 40 ms.
    void UpdateValues();
    void SetChannelLabels(bool reset);
    void RestorePosition();
    bool ClearUpdateFlag();

    void OnTimer(UINT_PTR id) override;
    void OnCancel() override;
    // Enter closes the box as Escape does.
    void OnOK() override { OnCancel(); }

    CBigData& Window(int index) { return m_BigData[index]; }
    CColorStaticST& RawStatic(int channel) { return m_stRaw[channel]; }
    CColorStaticST& CalibratedStatic(int channel) { return m_stCalibrated[channel]; }
    // How often timer 409 rewrote the statics.
    int RewriteCount() const { return m_nRewrites; }

protected:
    BOOL OnInitDialog() override;

private:
    struct Values {
        double raw[kChannels] = {};
        double calibrated[kChannels] = {};
        double sampleCount = 0.0;
        double frameByte13 = 0.0;
        double decimals[kChannels] = {2, 2, 2, 2, 2, 2};
    };

    Values TakeValues() const;
    void ArmValuesTimer();
    void RewriteStatics();
    void OpenWindow(int index);
    std::string WindowTitle(int index) const;

    ToolRecord* m_pToolRecord = nullptr;
    SampleRecord* m_pSampleRecord = nullptr;
    CColorStaticST m_stRaw[kChannels], m_stCalibrated[kChannels], m_stToolId, m_stSlot;
    CBigData m_BigData[kWindows];
    CFont m_fontNames;
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::atomic<std::uint8_t> m_bUpdating{0};
    int m_nRewrites = 0;
    IToolsBoxHost* m_pHost = nullptr;

    // Written by the thread that processes samples, read by the user-interface thread.
    mutable std::mutex m_valuesMutex;
    Values m_values;
    // Timer 409 runs or is about to be armed.
    std::atomic<bool> m_bTimerArmed{false};
    std::atomic<bool> m_bArmPosted{false};
};
