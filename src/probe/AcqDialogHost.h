#pragma once

// What the recording-mode and depth-reset dialogs ask of the main window.
class IAcqDialogHost {
public:
    virtual ~IAcqDialogHost() = default;
    virtual bool SendRecordingModeFrame() = 0;
    virtual bool SendDepthFrame() = 0;
    // Curve settings from the tool record, origin at depth for a logging-mode code.
    virtual void ResetCurveOrigin(double depth, double toolLength, int modeCode) = 0;
    virtual void ResetAcquisition(bool full) = 0;
};
