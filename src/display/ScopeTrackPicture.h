#pragma once
// What one drawing of the curve tracks needs, copied under the lock so that
// the worker is held only for the copy.
#include <string>
#include <vector>

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
        std::string name;
        std::string unit;
        // The ring from ring index `firstIndex` on, as far back as the drawing reaches.
        std::vector<double> display;
        std::vector<unsigned char> noData;
    };
    int nCurves = 0;
    Curve curves[kMaxCurves];
    int firstIndex = 0;
    int kept = 0;
    TrackLayout tracks[5];
    int legendHeight = 2;
    track::ScaleState scale;
    int mode = track::kModeTime;
    int direction = 1;
    bool dataStarted = false;
    double startDepth = 0.0;
    double runningCounter = 0.0;
    long long newestSample = 0;
    // The row drawn newest: the newest sample's last row, or a page's end.
    long long newestRow = 0;

    // The place of ring index `index` in the kept samples; -1 when not kept.
    int Slot(int index) const
    {
        const int slot = track::WrapIndex((long long)index - firstIndex);
        return slot < kept ? slot : -1;
    }
    bool NoData(const Curve& curve, int index) const
    {
        const int slot = Slot(index);
        return slot < 0 || curve.noData[slot] != 0;
    }
    double Display(const Curve& curve, int index) const { return curve.display[Slot(index)]; }
};
