#pragma once
// The communication auto check: sweeps the downhole drive at a low gain to
// find the drives the probe answers, takes one inside the first working run,
// then raises the gain until the probe answers reliably, and proposes the pair.
#include <array>
#include <string>

#include "core/SettingRange.h"
#include "platform/Types.h"
#include "toolkit/ColorStaticST.h"
#include "toolkit/DialogExt.h"

struct LoggerSettings;
struct ProbeStatus;
class ICommPageHost;

// What the check's steps ask of the window and the link around them.
class ICommCheckHost {
public:
    virtual ~ICommCheckHost() = default;
    // An order is still being written to the logger.
    virtual bool WriteBusy() = 0;
    virtual void SendCommFrame() = 0;
    virtual void SendRecordingModeFrame() = 0;
    // One of the four read-outs (1555..1558); the current gain's background.
    virtual void ShowValue(int controlId, int value) = 0;
    virtual void PaintCurrentGain(COLORREF colour) = 0;
    virtual void ShowStatus(const std::string& text, COLORREF colour) = 0;
    // The sheet's pages show the settings, and the tool file stores them.
    virtual void RefreshAndSave() = 0;
    virtual int Ask(const std::string& text, UINT type) = 0;
    // Ends the check as "&Cancel" does.
    virtual void Close() = 0;
};

// The check's state machine, stepped on each tick of its timer.
class CommCheck {
public:
    static constexpr COLORREF kRed = 0x0000C8;
    static constexpr COLORREF kGreen = 0x00C800;
    static constexpr COLORREF kBlack = 0x000000;
    static constexpr int kMinDrive = kCommDriveRange.min;
    static constexpr int kMaxDrive = kCommDriveRange.max;
    static constexpr int kMaxGain = kCommGainRange.max;

    CommCheck(LoggerSettings& settings, const ProbeStatus& probe, ICommCheckHost& host);

    // Keeps the values in force; the first period of the timer.
    int Start();
    // One tick: the next period of the timer in ms, 0 when it is not armed again.
    int Step();
    // "&Cancel": no more steps; a check stopped midway restores and sends
    // the values in force before it.
    void Cancel();

    int State() const { return m_nState; }
    bool Running() const { return m_bRunning && !m_bCancelled; }

    // The working run among the valid drives (5..59) and the drive chosen in
    // it; -1 when there is none.
    static int SelectDrive(const std::array<std::uint8_t, 100>& valid);

private:
    int StartSweep();
    int SweepStep();
    int GainStep();
    int Result();
    int NextGain();
    int Abort();
    void RestoreSaved();
    void Finish();
    bool EchoHolds() const;
    void StoreDrive(int drive);
    void StoreGain(int gain);

    LoggerSettings& m_settings;
    const ProbeStatus& m_probe;
    ICommCheckHost& m_host;
    int m_nFirstDrive = -1;
    int m_nLastDrive = -1;
    int m_nDrive = 0;
    int m_nFirstValidGain = -1;
    int m_nGain = 0;
    int m_nSavedDrive = 0;
    int m_nSavedGain = 0;
    int m_nState = 0;
    int m_nEchoRetry = 0;
    int m_nInvalidRetry = 0;
    bool m_bRunning = false;
    bool m_bCancelled = false;
    std::array<std::uint8_t, 100> m_driveMap{};
};

// The modal "Communication Auto Check" dialog that runs CommCheck on timer 415.
class CCheckComm : public CDialogExt, private ICommCheckHost {
public:
    static constexpr UINT_PTR kStepTimer = 415;

    CCheckComm(ICommPageHost& host, CWnd* parent);

    void OnTimer(UINT_PTR id) override;
    const CommCheck& Check() const { return m_check; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnCancel() override;
    // Enter ends the check as "&Cancel" does.
    void OnOK() override { OnCancel(); }

private:
    bool WriteBusy() override;
    void SendCommFrame() override;
    void SendRecordingModeFrame() override;
    void ShowValue(int controlId, int value) override;
    void PaintCurrentGain(COLORREF colour) override;
    void ShowStatus(const std::string& text, COLORREF colour) override;
    void RefreshAndSave() override;
    int Ask(const std::string& text, UINT type) override;
    void Close() override { OnCancel(); }
    CColorStaticST& Readout(int controlId);

    CColorStaticST m_stDrive, m_stSelectedDrive, m_stGain, m_stSelectedGain, m_stStatus;
    ICommPageHost& m_host;
    CommCheck m_check;
};
