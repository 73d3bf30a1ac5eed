#include "header/Header.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <ctime>
#include <exception>
#include <stdio.h>

#include "core/Palette.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/HeaderRecord.h"
#include "platform/MessageBox.h"

namespace {

constexpr const char* kGeneral = "General";
constexpr const char* kEnd = "ende";  // default Title that ends the channel count
constexpr const char* kAbsent = "\n";  // no value of a file is a line break
constexpr int kFileTracks = 4;
// File track t shows curve track kCurveTrackOfFile[t]; track 1 has no columns.
constexpr int kCurveTrackOfFile[kFileTracks] = {0, -1, 1, 2};

// One [WellInfo] key and the header record field of the same name.
struct WellKey {
    enum Kind { Text, Integer, Real };
    const char* key;
    Kind kind;
    std::string HeaderRecord::*text = nullptr;
    std::int32_t HeaderRecord::*integer = nullptr;
    double HeaderRecord::*real = nullptr;
};

constexpr WellKey T(const char* key, std::string HeaderRecord::*field) { return {key, WellKey::Text, field}; }
constexpr WellKey I(const char* key, std::int32_t HeaderRecord::*field)
{
    return {key, WellKey::Integer, nullptr, field};
}
constexpr WellKey R(const char* key, double HeaderRecord::*field)
{
    return {key, WellKey::Real, nullptr, nullptr, field};
}

using H = HeaderRecord;

// In the order of the file.
constexpr WellKey kWellKeys[] = {
    T("Company", &H::Company), T("Country", &H::Country), T("Fieldname", &H::Fieldname),
    T("Latitude", &H::Latitude), T("Longitude", &H::Longitude), T("Location", &H::Location),
    T("Project", &H::Project), T("ServiceCompany", &H::ServiceCompany), T("UWI", &H::UWI),
    T("Wellname", &H::Wellname),
    I("DepthUnit", &H::DepthUnit), I("Startdepth", &H::Startdepth), I("EndDepth", &H::EndDepth),
    I("StartTime", &H::StartTime), I("EndTime", &H::EndTime), I("step", &H::step),
    I("LogMode", &H::LogMode), I("Zero", &H::Zero),
    T("LogName", &H::LogName), T("OtherServices1", &H::OtherServices1),
    T("OtherServices2", &H::OtherServices2), T("OtherServices3", &H::OtherServices3),
    T("OtherServices4", &H::OtherServices4), T("OtherServices5", &H::OtherServices5),
    T("SondeAbbreviation", &H::SondeAbbreviation), T("DateRun1", &H::DateRun1),
    T("DateRun2", &H::DateRun2), T("DateRun3", &H::DateRun3), T("Date", &H::Date),
    T("DrillDatum", &H::DrillDatum), T("LogDatum", &H::LogDatum),
    T("PermanentDatum", &H::PermanentDatum),
    R("DrillFloor", &H::DrillFloor),
    T("Elevation", &H::Elevation),
    R("GroundLevel", &H::GroundLevel), R("KellyBushing", &H::KellyBushing),
    I("RunNo1", &H::RunNo1), I("RunNo2", &H::RunNo2), I("RunNo3", &H::RunNo3),
    T("Fluid1", &H::Fluid1), T("Fluid2", &H::Fluid2), T("Fluid3", &H::Fluid3),
    T("FluidDensity1", &H::FluidDensity1), T("FluidDensity2", &H::FluidDensity2),
    T("FluidDensity3", &H::FluidDensity3), T("FluidLevel1", &H::FluidLevel1),
    T("FluidLevel2", &H::FluidLevel2), T("FluidLevel3", &H::FluidLevel3),
    T("LogType1", &H::LogType1), T("LogType2", &H::LogType2), T("LogType3", &H::LogType3),
    R("MaxTemperature1", &H::MaxTemperature1), R("MaxTemperature2", &H::MaxTemperature2),
    R("MaxTemperature3", &H::MaxTemperature3),
    T("RigTime1", &H::RigTime1), T("RigTime2", &H::RigTime2), T("RigTime3", &H::RigTime3),
    T("Salinity1", &H::Salinity1), T("Salinity2", &H::Salinity2), T("Salinity3", &H::Salinity3),
    R("Deepest1", &H::Deepest1), R("Deepest2", &H::Deepest2), R("Deepest3", &H::Deepest3),
    R("DepthDriller1", &H::DepthDriller1), R("DepthDriller2", &H::DepthDriller2),
    R("DepthDriller3", &H::DepthDriller3), R("DepthLogger1", &H::DepthLogger1),
    R("DepthLogger2", &H::DepthLogger2), R("DepthLogger3", &H::DepthLogger3),
    T("Engineer1", &H::Engineer1), T("Engineer2", &H::Engineer2), T("Engineer3", &H::Engineer3),
    R("Shallow1", &H::Shallow1), R("Shallow2", &H::Shallow2), R("Shallow3", &H::Shallow3),
    T("Witness1", &H::Witness1), T("Witness2", &H::Witness2), T("Witness3", &H::Witness3),
    R("BitRec1", &H::BitRec1), R("BitRec2", &H::BitRec2), R("BitRec3", &H::BitRec3),
    R("BitRecFrom1", &H::BitRecFrom1), R("BitRecFrom2", &H::BitRecFrom2),
    R("BitRecFrom3", &H::BitRecFrom3), R("BitRecTo1", &H::BitRecTo1),
    R("BitRecTo2", &H::BitRecTo2), R("BitRecTo3", &H::BitRecTo3),
    R("CasRecFrom1", &H::CasRecFrom1), R("CasRecFrom2", &H::CasRecFrom2),
    R("CasRecFrom3", &H::CasRecFrom3), R("CasRecSize1", &H::CasRecSize1),
    R("CasRecSize2", &H::CasRecSize2), R("CasRecSize3", &H::CasRecSize3),
    R("CasRecTo1", &H::CasRecTo1), R("CasRecTo2", &H::CasRecTo2), R("CasRecTo3", &H::CasRecTo3),
    R("CasRecWeight1", &H::CasRecWeight1), R("CasRecWeight2", &H::CasRecWeight2),
    R("CasRecWeight3", &H::CasRecWeight3),
    T("Comment1", &H::Comment1), T("Comment2", &H::Comment2), T("Comment3", &H::Comment3),
    T("Comment4", &H::Comment4), T("Comment5", &H::Comment5), T("Comment6", &H::Comment6),
    T("Comment7", &H::Comment7), T("Comment8", &H::Comment8), T("Comment9", &H::Comment9),
    T("Comment10", &H::Comment10),
};
static_assert(std::size(kWellKeys) == 109);

// Values that ReadWellInfo takes for a missing key.
int WellIntDefault(const WellKey& k)
{
    const std::string key = k.key;
    return key == "step" || key == "LogMode" ? 10 : 0;
}

const char* WellTextDefault(const WellKey& k)
{
    return std::string(k.key) == "SondeAbbreviation" ? "KVXS" : "";
}

std::string ChannelSection(int i) { return "Channel" + std::to_string(i); }

// Tool lengths and offsets are reals in centimetres; the file holds whole ones.
int Truncate(double value)
{
    if (std::isnan(value))
        return 0;
    return int(std::clamp(std::trunc(value), double(INT_MIN), double(INT_MAX)));
}

// Curve tracks 0, 1, 2 are numbered 0, 2, 3 in the file.
int FileTrack(int track)
{
    if (track == 1 || track == 2)
        return track + 1;
    return track;
}

int LogModeOfRecording(int recordingMode)
{
    if (recordingMode == 2)
        return 11;
    return recordingMode == 3 ? 12 : 10;
}

// A value is one line: a line break would start keys of its own in the file.
std::string OneLine(const std::string& text) { return text.substr(0, text.find_first_of("\r\n")); }

std::string Today()
{
    static const char* const kMonths[12] = {"January", "February", "March",     "April",
                                            "May",     "June",     "July",      "August",
                                            "September", "October", "November", "December"};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];
    std::snprintf(text, sizeof text, "%02d %s %d", local.tm_mday, kMonths[local.tm_mon],
                  local.tm_year + 1900);
    return text;
}

void WriteGeneral(const ToolRecord& tool, int channels, std::FILE* file)
{
    std::fputs("[General]\n", file);
    CPreferences::WriteFileInt("LogType", 1, file);
    CPreferences::WriteFileInt("Scale", tool.Scale, file);
    CPreferences::WriteFileInt("SondeLength", Truncate(tool.SondeLength), file);
    CPreferences::WriteFileInt("NumberOfChannels", channels, file);
    CPreferences::WriteFileLine("Ident", "TRAXIMORE", file);
    CPreferences::WriteFileInt("UserProcessFlag", 1, file);
    CPreferences::WriteFileLine("SondeSerialNumber", OneLine(tool.SerialNumber), file);
}

void WriteCmd(const ToolRecord& tool, std::FILE* file)
{
    std::fputs("\n[Cmd]\n", file);
    CPreferences::WriteFileBool("Enabled", tool.Enabled, file);
    for (int k = 0; k < ToolRecord::kPresets; ++k)
        CPreferences::WriteFileInt(("Aux" + std::to_string(k + 1)).c_str(), tool.Aux[k], file);
}

void WriteChannel(const ChannelRecord& ch, int i, std::FILE* file)
{
    std::fprintf(file, "\n[Channel%d]\n", i);
    CPreferences::WriteFileInt("PhysicalCh", ch.PhysicalCh + 1, file);
    CPreferences::WriteFileLine("Title", OneLine(ch.Title), file);
    CPreferences::WriteFileLine("TitleShort", OneLine(ch.TitleShort), file);
    CPreferences::WriteFileLine("Unit", OneLine(ch.Unit), file);
    CPreferences::WriteFileInt("RangeLeft", ch.RangeLeft, file);
    CPreferences::WriteFileInt("RangeRight", ch.RangeRight, file);
    CPreferences::WriteFileBool("Visible", ch.Visible, file);
    CPreferences::WriteFileBool("FilterFlag", ch.FilterFlag, file);
    CPreferences::WriteFileInt("FilterWidth", ch.FilterWidth, file);
    CPreferences::WriteFileInt("Offset", Truncate(ch.Offset), file);
    CPreferences::WriteFileBool("InvertScale", !ch.InvertScale, file);
    CPreferences::WriteFileBool("CalFlag", ch.CalFlag, file);
    for (int k = 0; k < 4; ++k) {
        const std::string key = "Coefficient" + std::to_string(k);
        CPreferences::WriteFileFloat(key.c_str(), float(ch.Coefficient[k]), file);
    }
    CPreferences::WriteFileInt("LogicalCh", ch.LogicalCh, file);
    CPreferences::WriteFileInt("DisplayTrack", FileTrack(ch.DisplayTrack), file);
    CPreferences::WriteFileInt("LineColour", int(PaletteColour(ch.LineColour)), file);
}

void WriteTracks(const ToolRecord& tool, std::FILE* file)
{
    for (int t = 0; t < kFileTracks; ++t) {
        std::fprintf(file, "\n[Track%d]\n", t);
        const int curve = kCurveTrackOfFile[t];
        if (curve >= 0)
            CPreferences::WriteFileInt("Cols", tool.Cols[curve], file);
        const int kind = curve >= 0 ? 2 : 1;
        CPreferences::WriteFileInt("GridFlag", kind, file);
        CPreferences::WriteFileInt("Type", kind, file);
        CPreferences::WriteFileLine("GridStyle", "268435460", file);
        CPreferences::WriteFileLine("GridColour", "12632256", file);
    }
}

void WriteWellFields(const HeaderRecord& h, std::FILE* file)
{
    for (const WellKey& k : kWellKeys) {
        if (k.kind == WellKey::Text)
            CPreferences::WriteFileLine(k.key, OneLine(h.*k.text), file);
        else if (k.kind == WellKey::Integer)
            CPreferences::WriteFileInt(k.key, h.*k.integer, file);
        else
            CPreferences::WriteFileDouble(k.key, h.*k.real, file);
    }
}

// What a header takes from the tool it is written with and the recording mode.
void TakeTool(HeaderRecord& h, const ToolRecord& tool)
{
    h.Scale = tool.Scale;
    h.SondeLength = Truncate(tool.SondeLength);
    h.LogType = 1;
    h.LogMode = LogModeOfRecording(theApp.m_pLoggerSettings->recordingMode);
}

// The whole header file.
void WriteHeaderText(const HeaderRecord& h, const ToolRecord& tool, std::FILE* file)
{
    // Only kChannels channel records exist.
    const int channels = std::clamp(tool.NumberOfChannels, 0, ToolRecord::kChannels);
    WriteGeneral(tool, channels, file);
    WriteCmd(tool, file);
    std::fputs("\n[WellInfo]\n", file);
    WriteWellFields(h, file);
    for (int i = 0; i < channels; ++i)
        WriteChannel(tool.channels[i], i, file);
    WriteTracks(tool, file);
}

void ReadGeneral(CIni& ini, HeaderRecord& h)
{
    h.LogType = ini.GetInt("LogType", 1, kGeneral);
    h.Scale = ini.GetInt("Scale", 100);
    h.SondeLength = ini.GetInt("SondeLength", 204);
    h.UserProcessFlag = ini.GetInt("UserProcessFlag", 0);
    h.ChainTo = ini.GetString("ChainTo", "");
    h.Copyright = ini.GetString("Copyright", "");
    h.Ident = ini.GetString("Ident", "VarnoLogger_KVX");
    h.UserDLL = ini.GetString("UserDLL", "");
}

// Sections after the first missing one (or one titled "ende") are not counted.
int CountChannels(CIni& ini)
{
    int count = 0;
    while (count < INT_MAX && ini.GetString(ChannelSection(count), "Title", kEnd) != kEnd)
        ++count;
    return count;
}

void ReadChannel(CIni& ini, int i, HeaderChannel& c)
{
    const std::string s = ChannelSection(i);
    c.CalFlag = ini.GetInt(s, "CalFlag", 0);
    c.DisplayTrack = ini.GetInt(s, "DisplayTrack", 0);
    c.FilterFlag = ini.GetInt(s, "FilterFlag", 0);
    c.FilterWidth = ini.GetInt(s, "FilterWidth", 0);
    c.HeaderLine = ini.GetInt(s, "HeaderLine", 0);
    c.LineColour = ini.GetInt(s, "LineColour", 0);
    c.LogicalCh = ini.GetInt(s, "LogicalCh", 0);
    c.PhysicalCh = ini.GetInt(s, "PhysicalCh", 0);
    c.InvertScale = ini.GetInt(s, "InvertScale", 0);
    c.Offset = ini.GetInt(s, "Offset", 0);
    c.PrintParameter = ini.GetInt(s, "PrintParameter", 0);
    c.Visible = ini.GetInt(s, "Visible", 0);
    c.Window = ini.GetInt(s, "Window", 0);
    static const float kDefaults[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    for (int k = 0; k < 4; ++k)
        c.Coefficient[k] = ini.GetFloat(s, "Coefficient" + std::to_string(k), kDefaults[k]);
    c.RangeLeft = ini.GetDouble(s, "RangeLeft", 0.0);
    c.RangeRight = ini.GetDouble(s, "RangeRight", 0.0);
    c.Title = ini.GetString(s, "Title", "");
    c.TitleShort = ini.GetString(s, "TitleShort", "");
    c.Unit = ini.GetString(s, "Unit", "");
}

// The sonde is at least as long as its farthest sensor.
void ApplyOffsets(HeaderRecord& h)
{
    int longest = 0;
    const int read = std::min(h.channelCount, HeaderRecord::kChannels);
    for (int i = 0; i < read; ++i)
        longest = std::max(longest, h.channels[i].Offset);
    h.SondeLength = std::max(h.SondeLength, longest);
}

void ResetWellFields(HeaderRecord& h)
{
    for (const WellKey& k : kWellKeys) {
        if (k.kind == WellKey::Text)
            (h.*k.text).clear();
        else if (k.kind == WellKey::Integer)
            h.*k.integer = 0;
        else
            h.*k.real = 0.0;
    }
    h.step = 10;
    h.LogMode = 10;
    h.Date = Today();
}

void ReadWellFields(CIni& ini, HeaderRecord& h)
{
    for (const WellKey& k : kWellKeys) {
        if (k.kind == WellKey::Text)
            h.*k.text = ini.GetString(k.key, WellTextDefault(k), CHeader::kWellInfoSection);
        else if (k.kind == WellKey::Integer)
            h.*k.integer = ini.GetInt(k.key, WellIntDefault(k), CHeader::kWellInfoSection);
        else
            h.*k.real = ini.GetDouble(k.key, 0.0, CHeader::kWellInfoSection);
    }
    h.depthIncreasing = h.Startdepth < h.EndDepth;
}

}  // namespace

bool CHeader::WriteHeader(const std::string& path)
{
    const ToolRecord& tool = *theApp.m_pToolRecord;
    HeaderRecord written = *theApp.m_pHeaderRecord;
    TakeTool(written, tool);
    // Written as a copy renamed over the file, as every later write of it: a
    // process killed meanwhile leaves no cut header.
    if (!WriteTextFile(path, [&](std::FILE* file) { WriteHeaderText(written, tool, file); })) {
        // A header that could not be written describes no log: none is left for a later record to find.
        std::remove(path.c_str());
        AfxMessageBox("Trouble opening or create header file.", MB_ICONERROR);
        return false;
    }
    TakeTool(*theApp.m_pHeaderRecord, tool);
    return true;
}

// Each file is read once, however many keys it has: a header of many
// megabytes would otherwise be parsed again for every key.
bool CHeader::ReadHeader(const std::string& path)
{
    HeaderRecord& h = *theApp.m_pHeaderRecord;
    bool failed = true;
    try {
        CIni ini(path, TRUE);
        if (ini.Load()) {
            ReadGeneral(ini, h);
            ReadWellFields(ini, h);
            h.channelCount = CountChannels(ini);
            const int read = std::min(h.channelCount, HeaderRecord::kChannels);
            for (int i = 0; i < read; ++i)
                ReadChannel(ini, i, h.channels[i]);
            ApplyOffsets(h);
            failed = false;
        }
    } catch (const std::exception&) {
        failed = true;
    }
    h.readError = failed;
    return failed;
}

bool CHeader::DescribesLog(const std::string& path)
{
    try {
        CIni ini(path, TRUE);
        if (!ini.Load())
            return false;
        const int channels = ini.GetInt(kGeneral, "NumberOfChannels", 0);
        if (channels < 1)
            return false;
        // The reader counts channels by their titles; a record writes each channel's colour last.
        for (int i = 0; i < channels; ++i) {
            const std::string s = ChannelSection(i);
            if (ini.GetString(s, "Title", kAbsent) == kAbsent)
                return false;
            if (ini.GetString(s, "LineColour", kAbsent) == kAbsent)
                return false;
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool CHeader::ReadWellInfo(const std::string& path)
{
    HeaderRecord& h = *theApp.m_pHeaderRecord;
    bool failed = true;
    try {
        CIni ini(path, TRUE);
        if (ini.Load()) {
            ReadWellFields(ini, h);
            failed = false;
        }
    } catch (const std::exception&) {
        failed = true;
    }
    h.readError = failed;
    return failed;
}

const char* CHeader::NonFiniteWellNumber(const HeaderRecord& h)
{
    for (const WellKey& k : kWellKeys) {
        if (k.kind == WellKey::Real && !std::isfinite(h.*k.real))
            return k.key;
    }
    return nullptr;
}

void CHeader::ResetWellInfo()
{
    HeaderRecord& h = *theApp.m_pHeaderRecord;
    ResetWellFields(h);
    h.SondeAbbreviation = "KVXS";
}

void CHeader::ResetHeader()
{
    HeaderRecord& h = *theApp.m_pHeaderRecord;
    ResetWellFields(h);
    h.SondeAbbreviation = theApp.m_pToolRecord->Abbreviation;
    h.Copyright.clear();
    h.depthIncreasing = true;
}
