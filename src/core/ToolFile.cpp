// The current sonde's tool file (or the open log's header file) and its calibration.
#include <algorithm>
#include <climits>
#include <cmath>
#include <strings.h>

#include "core/Preferences.h"
#include "core/RunState.h"
#include "core/SettingRange.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/MessageBox.h"
#include "setup/Palette.h"

namespace {

constexpr int kFileChannels = 6;
constexpr const char* kAbsentTitle = "NO INFO CHANNEL";
constexpr const char* kGeneral = "General";
constexpr const char* kCmd = "Cmd";
// Curve tracks 0, 1, 2 are numbered 0, 2, 3 in the files.
constexpr const char* kTrackSections[ToolRecord::kTracks] = {"Track0", "Track2", "Track3"};
constexpr int kTrackFileNumbers[ToolRecord::kTracks] = {0, 2, 3};

std::string ChannelSection(int i) { return "Channel" + std::to_string(i); }

// Files may hold anything: out-of-range and NaN values must not reach the
// undefined double-to-int conversion.
std::int32_t TruncateToInt(double value)
{
    if (std::isnan(value))
        return 0;
    return std::int32_t(std::clamp(value, double(INT_MIN), double(INT_MAX)));
}

void ResetChannel(ChannelRecord& ch, int i)
{
    ch = ChannelRecord{};
    ch.Title = "N/A";
    ch.TitleShort = "N/A";
    ch.Unit = "-";
    ch.Coefficient[1] = 1.0;
    ch.RangeRight = 65536;
    ch.FilterWidth = 1;
    ch.InvertScale = 1;
    ch.LogicalCh = 0;
    ch.DisplayTrack = 0;
    ch.PhysicalCh = i;
}

int TrackOfFileValue(int value)
{
    if (value >= 3)
        return 2;
    return value == 2 ? 1 : value;
}

}  // namespace

bool CPreferences::UsesHeaderFile() const { return theApp.m_pRunState->fileLoaded != 0; }

std::string CPreferences::ToolFilePath() const
{
    if (UsesHeaderFile())
        return m_pSettings->LastFile;
    const int sonde = theApp.m_pLoggerSettings->SelectedSonde;
    return m_programFolder + "Ressources/" + theApp.m_pSondeList->entries[sonde].TolFile + ".tol";
}

void CPreferences::LoadTool()
{
    LoggerSettings& logger = *theApp.m_pLoggerSettings;
    ToolRecord& tool = *theApp.m_pToolRecord;
    if (logger.SelectedSonde < 0) {
        AfxMessageBox("This software requires at least one probe registred.\n"
                      "You must import at least one sonde for activate the channels ",
                      MB_ICONERROR);
        logger.SelectedSonde = 0;
    }
    if (logger.SelectedSonde > SondeList::kMaxSondes)
        logger.SelectedSonde = 0;

    const std::string kept = GetPathName();
    SetPathName(ToolFilePath());
    if (!UsesHeaderFile()) {
        tool.Name = GetString("Name", "NULL", kGeneral);
        tool.Abbreviation = GetString("Abbreviation", "NULL", kGeneral);
        tool.Manufacturer = GetString("Manufacturer", "-", kGeneral);
        tool.SerialNumber = GetString("SerialNumber", "xxxxxx", kGeneral);
        tool.CalibrationFile = GetString("CalibrationFile", "Default.cal", kGeneral);
        // What goes to the probe is brought into the Logger Setup pages' ranges.
        logger.TimeInterval = std::uint16_t(kTimeIntervalRange.Clamp(GetInt("TimeInterval", 150, kGeneral)));
        logger.DepthInterval = std::uint16_t(kDepthIntervalRange.Clamp(GetInt("DepthInterval", 10, kGeneral) / 10));
        tool.CommGain = logger.CommGain = kCommGainRange.Clamp(GetInt("CommGain", 15, kGeneral));
        tool.CommDrive = logger.CommDrive = kCommDriveRange.Clamp(GetInt("CommDrive", 25, kGeneral));
        tool.Voltage = logger.Voltage = kVoltageRange.Clamp(GetInt("Voltage", 95, kGeneral));
    }
    tool.NumberOfChannels = GetInt("NumberOfChannels", 6, kGeneral);
    tool.Scale = GetInt("Scale", 100, kGeneral);
    tool.SondeLength = GetDouble("SondeLength", 0.0, kGeneral);
    tool.Enabled = GetBool("Enabled", FALSE, kCmd) ? 1 : 0;
    for (int k = 0; k < ToolRecord::kPresets; ++k) {
        const std::string n = std::to_string(k + 1);
        tool.Aux[k] = GetInt(("Aux" + n).c_str(), -1, kCmd);
        tool.LabelAux[k] = GetString(("LabelAux" + n).c_str(), "", kCmd);
    }

    int counters[ToolRecord::kTracks] = {1, 1, 1};
    int firstAbsent = -1;
    for (int i = 0; i < kFileChannels; ++i) {
        ResetChannel(tool.channels[i], i);
        if (!LoadChannels(counters, i) && firstAbsent < 0)
            firstAbsent = i;
    }
    if (firstAbsent >= 0 && firstAbsent != tool.NumberOfChannels) {
        tool.NumberOfChannels = firstAbsent;
        CIni::WriteInt("NumberOfChannels", firstAbsent, kGeneral);
    }
    // Only six channel records are loaded: a larger count would reach unloaded ones.
    tool.NumberOfChannels = std::clamp(tool.NumberOfChannels, 0, kFileChannels);

    for (int t = 0; t < ToolRecord::kTracks; ++t)
        tool.Cols[t] = GetInt("Cols", 4, kTrackSections[t]);
    SetPathName(kept);
}

BOOL CPreferences::LoadChannels(int trackCounters[3], int i)
{
    ChannelRecord& ch = theApp.m_pToolRecord->channels[i];
    const std::string section = ChannelSection(i);
    const char* s = section.c_str();

    ch.Visible = GetBool("Visible", FALSE, s) ? 1 : 0;
    ch.Title = GetString("Title", kAbsentTitle, s);
    const BOOL present = ch.Title != kAbsentTitle;
    ch.TitleShort = GetString("TitleShort", ("CH" + std::to_string(i)).c_str(), s);
    ch.Unit = GetString("Unit", "CPS", s);

    const int track = GetInt("DisplayTrack", 0, s);
    if (ch.Visible && track >= 0) {
        ch.DisplayTrack = TrackOfFileValue(track);
        ch.LogicalCh = trackCounters[ch.DisplayTrack]++;
    } else {
        ch.DisplayTrack = 0;
        ch.LogicalCh = 0;
    }
    ch.LineColour = PaletteIndex(COLORREF(GetInt("LineColour", -1, s)));

    ch.RangeLeft = TruncateToInt(GetDouble("RangeLeft", 0.0, s));
    ch.RangeRight = TruncateToInt(GetDouble("RangeRight", 65536.0, s));
    ch.FilterFlag = GetBool("FilterFlag", FALSE, s) ? 1 : 0;
    ch.FilterWidth = GetInt("FilterWidth", 1, s);
    ch.Offset = GetDouble("Offset", 0.0, s);
    ch.CalFlag = GetBool("CalFlag", FALSE, s) ? 1 : 0;
    ch.CalibComma = GetInt("CalibComma", 2, s);
    ch.InvertScale = GetBool("InvertScale", TRUE, s) ? 0 : 1;
    ch.wraping = GetBool("wraping", FALSE, s) ? 1 : 0;
    ch.shading = GetInt("shading", 0, s);

    static const float kDefaults[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    for (int k = 0; k < 4; ++k)
        ch.Coefficient[k] = GetFloat(("Coefficient" + std::to_string(k)).c_str(), kDefaults[k], s);

    const long physical = long(GetInt("PhysicalCh", i + 1, s)) - 1;
    ch.PhysicalCh = std::int32_t(std::clamp(physical, 0L, 5L));
    return present;
}

void CPreferences::SaveTool(BOOL communicationOnly)
{
    const LoggerSettings& logger = *theApp.m_pLoggerSettings;
    const ToolRecord& tool = *theApp.m_pToolRecord;
    const bool header = UsesHeaderFile();
    // Another sonde's file must not receive these settings.
    if (!header && (logger.SelectedSonde < 0 || logger.SelectedSonde > SondeList::kMaxSondes))
        return;

    const std::string kept = GetPathName();
    SetPathName(ToolFilePath());
    if (communicationOnly) {
        if (!header) {
            CIni::WriteInt("CommDrive", logger.CommDrive, kGeneral);
            CIni::WriteInt("CommGain", logger.CommGain, kGeneral);
        }
        SetPathName(kept);
        return;
    }
    if (!header) {
        CIni::WriteInt("CommDrive", logger.CommDrive, kGeneral);
        CIni::WriteInt("CommGain", logger.CommGain, kGeneral);
        CIni::WriteInt("Voltage", logger.Voltage, kGeneral);
        CIni::WriteInt("TimeInterval", logger.TimeInterval, kGeneral);
        CIni::WriteInt("DepthInterval", logger.DepthInterval * 10, kGeneral);
        CIni::WriteInt("NumberOfChannels", tool.NumberOfChannels, kGeneral);
        CIni::WriteDouble("SondeLength", tool.SondeLength, kGeneral);
    }
    CIni::WriteInt("Scale", tool.Scale, kGeneral);

    for (int i = 0; i < kFileChannels; ++i) {
        const ChannelRecord& ch = tool.channels[i];
        const std::string section = ChannelSection(i);
        const char* s = section.c_str();
        CIni::WriteBool("Visible", ch.Visible, s);
        if (!ch.Visible)
            continue;
        WriteString("Title", ch.Title, s);
        WriteString("TitleShort", ch.TitleShort, s);
        WriteString("Unit", ch.Unit, s);
        const int track = std::clamp(ch.DisplayTrack, 0, ToolRecord::kTracks - 1);
        CIni::WriteInt("DisplayTrack", kTrackFileNumbers[track], s);
        CIni::WriteInt("LogicalCh", ch.LogicalCh, s);
        CIni::WriteInt("LineColour", int(PaletteColour(ch.LineColour)), s);
        CIni::WriteDouble("RangeLeft", double(ch.RangeLeft), s);
        CIni::WriteDouble("RangeRight", double(ch.RangeRight), s);
        CIni::WriteBool("FilterFlag", ch.FilterFlag, s);
        CIni::WriteInt("FilterWidth", ch.FilterWidth, s);
        CIni::WriteDouble("Offset", ch.Offset, s);
        CIni::WriteBool("CalFlag", ch.CalFlag, s);
        CIni::WriteInt("CalibComma", ch.CalibComma, s);
        CIni::WriteBool("wraping", ch.wraping, s);
        CIni::WriteInt("shading", ch.shading, s);
        CIni::WriteBool("InvertScale", !ch.InvertScale, s);
        for (int k = 0; k < 4; ++k)
            WriteFloat(("Coefficient" + std::to_string(k)).c_str(), float(ch.Coefficient[k]), s);
    }
    for (int t = 0; t < ToolRecord::kTracks; ++t)
        CIni::WriteInt("Cols", tool.Cols[t], kTrackSections[t]);
    SetPathName(kept);
}

void CPreferences::LoadCalibration(const std::string& path, ChannelRecord* records)
{
    const std::string kept = GetPathName();
    SetPathName(path);
    static const float kIdentity[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    for (int i = 0; i < kFileChannels; ++i) {
        const std::string section = ChannelSection(i);
        const std::string method = GetString("CalibrationMethod", "Polynom", section.c_str());
        const bool polynom = strcasecmp(method.c_str(), "Polynom") == 0;
        for (int k = 0; k < 4; ++k) {
            const std::string key = "Coefficient" + std::to_string(k);
            records[i].Coefficient[k] = polynom ? GetFloat(key.c_str(), kIdentity[k]) : kIdentity[k];
        }
    }
    SetPathName(kept);
}

void CPreferences::LoadChannelCalibration(const std::string& path)
{
    LoadCalibration(path, theApp.m_pToolRecord->channels);
}
