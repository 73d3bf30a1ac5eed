#pragma once
// Chooses how the sonde samples (time, up depth, down depth) and sends the
// choice to the probe. Run modally.
#include "platform/Dialog.h"

class IAcqDialogHost;
struct LoggerSettings;
struct FrameState;

class CPRecordingMode : public CDialog {
public:
    CPRecordingMode(IAcqDialogHost& host, CWnd* parent = nullptr);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    IAcqDialogHost& m_host;
    LoggerSettings* m_pLoggerSettings = nullptr;
    FrameState* m_pFrameState = nullptr;
};
