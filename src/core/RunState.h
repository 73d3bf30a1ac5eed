#pragma once
// Acquisition flags shared by the windows and the worker threads.
#include <cstdint>

#include "core/CopyableAtomic.h"

struct RunState {
    CopyableAtomic<std::uint8_t> fileLoaded = 0;     // a data file and its header are open for replay
    CopyableAtomic<std::uint8_t> playing = 0;        // the file player runs
    CopyableAtomic<std::uint8_t> recording = 0;      // a data file is being recorded
    CopyableAtomic<std::uint8_t> recordPaused = 0;   // nothing sets it; readers treat 0 as running
    CopyableAtomic<std::uint8_t> recordStarted = 0;  // a record has been started in this run
    CopyableAtomic<std::uint8_t> loggerSetupVisible = 0;
    CopyableAtomic<std::uint8_t> toolsBoxVisible = 0;
};
