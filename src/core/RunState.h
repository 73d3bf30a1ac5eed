#pragma once
// Acquisition flags shared by the windows and the worker threads.
#include <cstdint>

struct RunState {
    std::uint8_t fileLoaded = 0;     // a data file and its header are open for replay
    std::uint8_t playing = 0;        // the file player runs
    std::uint8_t recording = 0;      // a data file is being recorded
    std::uint8_t recordPaused = 0;   // nothing sets it; readers treat 0 as running
    std::uint8_t recordStarted = 0;  // a record has been started in this run
    std::uint8_t loggerSetupVisible = 0;
    std::uint8_t toolsBoxVisible = 0;
};
