#pragma once
// What the link and the packet decoder report upward. The main window
// implements it and registers itself; the probe layer never includes it.
#include <string>

struct DataPacket;

class IAcquisitionHost {
public:
    virtual ~IAcquisitionHost() = default;
    // Any thread: each implementation carries the call to the windows itself.
    virtual void SetStatusPartText(int part, const std::string& text) = 0;
    virtual void UpdateStatusPanel(bool skipValues) = 0;
    virtual void ShowAlert(int code) = 0;
    // Sample processing of one live step; reader thread.
    virtual void ProcessLiveFrame(const DataPacket& packet) = 0;
    // The step just processed is stored in the record's data file; reader
    // thread, the data file held open meanwhile.
    virtual void LiveStepStored() = 0;
    // The data file stopped taking records; user-interface thread.
    virtual void OnDataFileWriteFailed() = 0;
    // The link is lost: a powered sonde is switched off.
    virtual void SwitchSondeOff() = 0;
};

// The one host, or null while no main window exists.
IAcquisitionHost* AcquisitionHost();
void SetAcquisitionHost(IAcquisitionHost* host);
// Clears the registration only when host is the one registered.
void ClearAcquisitionHost(IAcquisitionHost* host);
