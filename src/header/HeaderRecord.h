#pragma once
// Header of the current log: identification, well information and the channel
// sections read back from a header file (.hed).
#include <cstdint>
#include <string>

// One [Channel%d] section as the file encodes it, not converted to ChannelRecord's encodings.
struct HeaderChannel {
    std::string Title;
    std::string TitleShort;
    std::string Unit;
    std::int32_t Visible = 0;
    std::int32_t HeaderLine = 0;
    std::int32_t DisplayTrack = 0;  // file numbering: 0, 2 or 3
    std::int32_t LogicalCh = 0;
    std::int32_t Window = 0;
    std::int32_t PhysicalCh = 0;    // 1-based, as in the file
    std::int32_t LineColour = 0;    // colour value, not a palette index
    std::int32_t PrintParameter = 0;
    std::int32_t FilterFlag = 0;
    std::int32_t FilterWidth = 0;
    std::int32_t Offset = 0;        // whole centimetres along the sonde
    std::int32_t CalFlag = 0;
    std::int32_t InvertScale = 0;   // file value: the negation of ChannelRecord's flag
    double RangeLeft = 0.0;
    double RangeRight = 0.0;
    double Coefficient[4] = {};     // keys Coefficient0..Coefficient3, single-precision values
};

struct HeaderRecord {
    static constexpr int kChannels = 50;

    // [General]
    std::string Ident;
    std::string Copyright;
    std::string ChainTo;
    std::string UserDLL;
    std::int32_t LogType = 0;
    std::int32_t UserProcessFlag = 0;
    std::int32_t SondeLength = 0;  // centimetres
    std::int32_t Scale = 0;

    // [WellInfo]: recording values
    std::int32_t DepthUnit = 0;
    std::int32_t LogMode = 0;     // 10 time, 11 up depth, 12 down depth
    std::int32_t Startdepth = 0;  // mm
    std::int32_t EndDepth = 0;    // mm
    std::int32_t step = 0;        // ms in time mode, mm in depth modes
    std::int32_t StartTime = 0;   // ms
    std::int32_t EndTime = 0;     // record duration, ms
    std::int32_t Zero = 0;
    std::string SondeAbbreviation;

    // [WellInfo]: well and client
    std::string Company;
    std::string Wellname;
    std::string Fieldname;
    std::string Location;
    std::string Latitude;
    std::string LogName;  // the log's title, printed on each page
    std::string OtherServices1;
    std::string OtherServices2;
    std::string OtherServices3;
    std::string OtherServices4;
    std::string OtherServices5;
    std::string Longitude;
    std::string Country;
    std::string ServiceCompany;
    std::string UWI;
    std::string Project;

    // [WellInfo]: datums and dates
    std::string LogDatum;
    std::string DrillDatum;
    std::string DateRun1;
    std::string DateRun2;
    std::string DateRun3;
    std::string Date;
    std::string Elevation;
    double KellyBushing = 0.0;
    double DrillFloor = 0.0;
    double GroundLevel = 0.0;

    // [WellInfo]: runs 1..3
    std::string Engineer1;
    std::string Engineer2;
    std::string Engineer3;
    std::string Witness1;
    std::string Witness2;
    std::string Witness3;
    std::string PermanentDatum;
    std::string LogType1;
    std::string LogType2;
    std::string LogType3;
    std::string Fluid1;
    std::string Fluid2;
    std::string Fluid3;
    std::string Salinity1;
    std::string Salinity2;
    std::string Salinity3;
    std::string FluidDensity1;
    std::string FluidDensity2;
    std::string FluidDensity3;
    std::string FluidLevel1;
    std::string FluidLevel2;
    std::string FluidLevel3;
    std::string RigTime1;
    std::string RigTime2;
    std::string RigTime3;
    double DepthDriller1 = 0.0;
    double DepthDriller2 = 0.0;
    double DepthDriller3 = 0.0;
    double DepthLogger1 = 0.0;
    double DepthLogger2 = 0.0;
    double DepthLogger3 = 0.0;
    double Deepest1 = 0.0;
    double Deepest2 = 0.0;
    double Deepest3 = 0.0;
    double Shallow1 = 0.0;
    double Shallow2 = 0.0;
    double Shallow3 = 0.0;
    double MaxTemperature1 = 0.0;
    double MaxTemperature2 = 0.0;
    double MaxTemperature3 = 0.0;
    std::int32_t RunNo1 = 0;
    std::int32_t RunNo2 = 0;
    std::int32_t RunNo3 = 0;

    // [WellInfo]: bit and casing records
    double BitRec1 = 0.0;
    double BitRec2 = 0.0;
    double BitRec3 = 0.0;
    double BitRecFrom1 = 0.0;
    double BitRecFrom2 = 0.0;
    double BitRecFrom3 = 0.0;
    double BitRecTo1 = 0.0;
    double BitRecTo2 = 0.0;
    double BitRecTo3 = 0.0;
    double CasRecSize1 = 0.0;
    double CasRecSize2 = 0.0;
    double CasRecSize3 = 0.0;
    double CasRecWeight1 = 0.0;
    double CasRecWeight2 = 0.0;
    double CasRecWeight3 = 0.0;
    double CasRecFrom1 = 0.0;
    double CasRecFrom2 = 0.0;
    double CasRecFrom3 = 0.0;
    double CasRecTo1 = 0.0;
    double CasRecTo2 = 0.0;
    double CasRecTo3 = 0.0;

    // [WellInfo]: remarks
    std::string Comment1;
    std::string Comment2;
    std::string Comment3;
    std::string Comment4;
    std::string Comment5;
    std::string Comment6;
    std::string Comment7;
    std::string Comment8;
    std::string Comment9;
    std::string Comment10;

    // Channel sections of the last reading. Entries at and above channelCount
    // keep what an earlier reading left; walk at most min(channelCount, kChannels).
    HeaderChannel channels[kChannels];
    std::int32_t channelCount = 0;  // sections found, not limited to kChannels
    bool depthIncreasing = false;   // Startdepth < EndDepth at the last reading
    bool readError = false;
};
