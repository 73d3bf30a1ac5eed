// The current sonde's tool file (or the open log's header file) and its calibration.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <strings.h>

#include "core/Palette.h"
#include "core/Preferences.h"
#include "core/RunState.h"
#include "core/SettingRange.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/MessageBox.h"
#include "platform/PathDisplayText.h"

// Strings are given whole ("..."s): GCC 12 at -O3 takes a literal assigned
// into a string for an overflow.
using namespace std::string_literals;

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
    ch.Title = "N/A"s;
    ch.TitleShort = "N/A"s;
    ch.Unit = "-"s;
    ch.Coefficient[1] = 1.0;
    ch.RangeRight = 65536;
    ch.FilterWidth = 1;
    ch.InvertScale = 1;
    ch.LogicalCh = 0;
    ch.DisplayTrack = 0;
    ch.PhysicalCh = i;
}

// Each finding is a line of its own.
std::string KeyText(const char* section, const std::string& key, const std::string& text)
{
    return "\n[" + std::string(section) + "] " + key + "=" + text;
}

// An integer key brought into its range. A text that is not a whole number,
// or one outside the range, is noted with the value used instead.
int RangedInt(CIni& file, const char* key, int fallback, SettingRange range, const char* section,
              std::string& findings)
{
    const std::string text = file.GetString(key, std::to_string(fallback).c_str(), section);
    // Read as GetInt reads: the leading integer, 0 when there is none.
    char* end = nullptr;
    errno = 0;
    const long read = std::strtol(text.c_str(), &end, 10);
    const bool whole = end != text.c_str() && *end == '\0' && errno == 0;
    const int used = range.Clamp(read);
    if (!whole)
        findings += KeyText(section, key, text) + " is not a whole number: " + std::to_string(used) + " is used.";
    else if (used != read)
        findings += KeyText(section, key, text) + " lies outside " + std::to_string(range.min) + " to " +
                    std::to_string(range.max) + ": " + std::to_string(used) + " is used.";
    return used;
}

// A coefficient that is no finite number would make every value of its
// channel one: the key's default stands in.
double FiniteCoefficient(CIni& file, const std::string& key, float fallback, const char* section,
                         std::string& findings)
{
    const float read = file.GetFloat(key.c_str(), fallback, section);
    if (std::isfinite(read))
        return read;
    char used[32];
    std::snprintf(used, sizeof used, "%g", double(fallback));
    findings += KeyText(section, key, file.GetString(key.c_str(), "", section)) + " is not a finite number: " +
                used + " is used.";
    return fallback;
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
    std::string findings;
    if (!UsesHeaderFile()) {
        tool.Name = GetString("Name", "NULL", kGeneral);
        tool.Abbreviation = GetString("Abbreviation", "NULL", kGeneral);
        tool.Manufacturer = GetString("Manufacturer", "-", kGeneral);
        tool.SerialNumber = GetString("SerialNumber", "xxxxxx", kGeneral);
        tool.CalibrationFile = GetString("CalibrationFile", "Default.cal", kGeneral);
        // What goes to the probe is brought into the Logger Setup pages' ranges.
        logger.TimeInterval =
            std::uint16_t(RangedInt(*this, "TimeInterval", 150, kTimeIntervalRange, kGeneral, findings));
        // The file holds ten times the interval.
        const SettingRange fileDepthRange{kDepthIntervalRange.min * 10, kDepthIntervalRange.max * 10};
        logger.DepthInterval =
            std::uint16_t(RangedInt(*this, "DepthInterval", 10, fileDepthRange, kGeneral, findings) / 10);
        tool.CommGain = logger.CommGain = RangedInt(*this, "CommGain", 15, kCommGainRange, kGeneral, findings);
        tool.CommDrive = logger.CommDrive = RangedInt(*this, "CommDrive", 25, kCommDriveRange, kGeneral, findings);
        tool.Voltage = logger.Voltage = RangedInt(*this, "Voltage", 95, kVoltageRange, kGeneral, findings);
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
        if (!LoadChannels(counters, i, findings) && firstAbsent < 0)
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
    // Told once this object is back on its own file: a setting written while
    // the box waits must not go into the tool file.
    const std::string toolFile = GetPathName();
    SetPathName(kept);
    TellFindings(toolFile, findings);
}

// The tool is loaded again and again: the same findings are told once a run.
void CPreferences::TellFindings(const std::string& toolFile, const std::string& findings)
{
    if (findings.empty())
        return;
    const std::string text = "Values of " + PathDisplayText(toolFile) + " cannot be used as written:" + findings;
    if (m_toldFindings.insert(text).second)
        AfxMessageBox(text, MB_ICONEXCLAMATION);
}

BOOL CPreferences::LoadChannels(int trackCounters[3], int i, std::string& findings)
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
        ch.Coefficient[k] = FiniteCoefficient(*this, "Coefficient" + std::to_string(k), kDefaults[k], s, findings);

    // The file counts raw channels from 1, the record from 0.
    ch.PhysicalCh = RangedInt(*this, "PhysicalCh", i + 1, kPhysicalChannelRange, s, findings) - 1;
    return present;
}

void CPreferences::SaveTool(BOOL communicationOnly)
{
    const bool header = UsesHeaderFile();
    const int sonde = theApp.m_pLoggerSettings->SelectedSonde;
    // Another sonde's file must not receive these settings.
    if (!header && (sonde < 0 || sonde > SondeList::kMaxSondes))
        return;

    const std::string kept = GetPathName();
    SetPathName(ToolFilePath());
    WriteToolKeys(communicationOnly, header);
    RestorePathName(kept);
}

void CPreferences::WriteToolKeys(BOOL communicationOnly, bool header)
{
    const LoggerSettings& logger = *theApp.m_pLoggerSettings;
    const ToolRecord& tool = *theApp.m_pToolRecord;
    if (communicationOnly) {
        if (!header) {
            CIni::WriteInt("CommDrive", logger.CommDrive, kGeneral);
            CIni::WriteInt("CommGain", logger.CommGain, kGeneral);
        }
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
