#pragma once
// What one drawing of the curve tracks needs, copied under the lock so that
// the worker is held only for the copy.
#include <string>

#include "display/ScopeTrack.h"

struct CScopeTrack::Picture {
    struct Curve {
        COLORREF penColour = 0;
        int track = -1;
        int logicalCh = -1;
        bool visible = false;
        bool invertScale = false;
        bool wrap = false;
        int shading = 0;
        double rangeLeft = 0.0;
        double rangeRight = 0.0;
        unsigned count = 0;
        int filterWindow = 0;
        std::string name;
        std::string unit;
        double display[track::kRingSize];
        unsigned char noData[track::kRingSize];
    };
    int nCurves = 0;
    Curve curves[kMaxCurves];
    TrackLayout tracks[5];
    int legendHeight = 2;
    track::ScaleState scale;
    int mode = track::kModeTime;
    int direction = 1;
    bool dataStarted = false;
    double startDepth = 0.0;
    double runningCounter = 0.0;
};
