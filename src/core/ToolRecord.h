#pragma once
// The current sonde, as read from its tool file or from the open log's header file.
#include <cstdint>
#include <string>

#include "core/CopyableAtomic.h"

// Sample processing on the worker threads reads the calibration (coefficients,
// decimals, raw channel, sonde length, scale) while the windows may load another tool:
// those fields are atomic.
struct ChannelRecord {
    std::string Title;
    std::string TitleShort;
    std::string Unit;
    CopyableAtomic<double> Coefficient[4] = {};  // value = c0 + c1 x + c2 x^2 + c3 x^3 of the raw count x
    CopyableAtomic<double> Offset = 0.0;  // read by the curve tracks on the sample thread
    double NullValue = -999.25;
    std::int32_t RangeLeft = 0;
    std::int32_t RangeRight = 0;
    std::int32_t FilterWidth = 0;
    std::int32_t LineColour = 0;  // palette index 0..22, not a colour value
    CopyableAtomic<std::int32_t> CalibComma = 0;  // decimals shown
    std::int32_t shading = 0;
    std::uint8_t wraping = 0;
    std::uint8_t FilterFlag = 0;
    std::uint8_t InvertScale = 0;  // negation of the file key
    std::uint8_t Visible = 0;
    std::uint8_t CalFlag = 0;
    std::int32_t LogicalCh = -1;     // position within its track from 1; 0 when hidden
    std::int32_t DisplayTrack = -1;  // curve track 0..2
    CopyableAtomic<std::int32_t> PhysicalCh = 0;  // raw probe channel 0..5
};

struct ToolRecord {
    static constexpr int kPresets = 6;
    static constexpr int kChannels = 10;  // only the first six are loaded and saved
    static constexpr int kTracks = 3;

    std::int32_t NumberOfChannels = 0;
    std::int32_t CommDrive = 0;
    std::int32_t CommGain = 0;
    std::int32_t Voltage = 0;
    CopyableAtomic<std::int32_t> Scale = 0;  // read per step by sample processing and the file player
    CopyableAtomic<double> SondeLength = 0.0;  // centimetres
    std::string Name;
    std::string Abbreviation;
    std::string Manufacturer;
    std::string SerialNumber;
    std::string CalibrationFile;
    std::uint8_t Enabled = 0;             // the preset command buttons are in use
    std::int32_t Aux[kPresets] = {};      // keys Aux1..Aux6; negative = unused
    std::string LabelAux[kPresets];       // keys LabelAux1..LabelAux6
    ChannelRecord channels[kChannels];
    std::int32_t Cols[kTracks] = {};      // grid columns of curve tracks 0..2
};
