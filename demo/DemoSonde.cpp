#include "DemoSonde.h"

#include <filesystem>
#include <string>

#include "core/Ini.h"
#include "core/Preferences.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/Application.h"

namespace {

// One channel of the probe. The raw value x is a channel sum brought to 50
// readings of 20 ms, i.e. 50 times the mean 8-bit reading (one second's worth).
struct DemoChannel {
    const char* title;
    const char* shortTitle;
    const char* unit;
    double c0;
    double c1;
    int rangeLeft;
    int rangeRight;
    int colour;  // palette index
    int decimals;
    int track;
    int position;
};

// In the order of the probe's raw channels 0 to 5.
constexpr DemoChannel kChannels[6] = {
    // x is counts per second; 20 cps make one API unit.
    {"Natural gamma", "GR", "API", 0.0, 0.05, 0, 200, 16, 0, 0, 1},
    // Half an ohm-metre per reading.
    {"Long normal resistivity", "LN", "ohm.m", 0.0, 0.01, 0, 150, 5, 1, 1, 1},
    {"Short normal resistivity", "SN", "ohm.m", 0.0, 0.01, 0, 150, 1, 1, 1, 2},
    // One millivolt per reading about the mid-scale reading of 128.
    {"Spontaneous potential", "SP", "mV", -128.0, 0.02, -80, 60, 18, 1, 0, 2},
    // Two readings per degree.
    {"Temperature", "TEMP", "degC", 0.0, 0.01, 10, 30, 21, 2, 2, 1},
    // One millimetre of hole diameter per reading.
    {"Caliper", "CAL", "mm", 0.0, 0.02, 50, 200, 22, 0, 2, 2},
};

void DescribeChannel(const DemoChannel& channel, int raw, ChannelRecord& ch)
{
    ch = ChannelRecord{};
    ch.Title = channel.title;
    ch.TitleShort = channel.shortTitle;
    ch.Unit = channel.unit;
    ch.Coefficient[0] = channel.c0;
    ch.Coefficient[1] = channel.c1;
    ch.RangeLeft = channel.rangeLeft;
    ch.RangeRight = channel.rangeRight;
    ch.FilterWidth = 1;
    ch.LineColour = channel.colour;
    ch.CalibComma = channel.decimals;
    ch.Visible = 1;
    ch.CalFlag = 1;
    ch.DisplayTrack = channel.track;
    ch.LogicalCh = channel.position;
    ch.PhysicalCh = raw;
}

}  // namespace

SondeEntry DefaultSondeEntry()
{
    SondeEntry entry;
    entry.Name = "Tralvin default sonde";
    entry.Ref = "KVXS";
    entry.Serial = "0001";
    entry.Product = "Brannoquist";
    entry.TolFile = "KVXS0001";
    return entry;
}

void DescribeDefaultSonde(ToolRecord& tool, LoggerSettings& logger)
{
    const SondeEntry entry = DefaultSondeEntry();
    tool = ToolRecord{};
    tool.Name = entry.Name;
    tool.Abbreviation = entry.Ref;
    tool.Manufacturer = entry.Product;
    tool.SerialNumber = entry.Serial;
    tool.CalibrationFile = entry.TolFile + ".cal";
    tool.NumberOfChannels = 6;
    tool.Scale = 100;
    tool.SondeLength = 250.0;
    for (int k = 0; k < ToolRecord::kPresets; ++k)
        tool.Aux[k] = -1;
    for (int i = 0; i < 6; ++i)
        DescribeChannel(kChannels[i], i, tool.channels[i]);
    for (int& cols : tool.Cols)
        cols = 4;

    // A link the emulator's probe answers on with its default windows.
    tool.CommGain = logger.CommGain = 15;
    tool.CommDrive = logger.CommDrive = 25;
    tool.Voltage = logger.Voltage = 95;
    logger.TimeInterval = 150;
    logger.DepthInterval = 10;
}

bool WriteToolFile()
{
    const ToolRecord& tool = *theApp.m_pToolRecord;
    const SondeEntry& entry = theApp.m_pSondeList->entries[theApp.m_pLoggerSettings->SelectedSonde];
    const std::string path = GetProgramFolder() + "Ressources/" + entry.TolFile + ".tol";
    std::error_code error;
    std::filesystem::create_directories(GetProgramFolder() + "Ressources", error);
    // SaveTool updates keys in place: a file left from an earlier run would keep its stale keys.
    std::filesystem::remove(path, error);

    // The keys that the sonde import writes and SaveTool leaves alone.
    CIni file(path, TRUE);
    file.WriteString("Name", tool.Name, "General");
    file.WriteString("Abbreviation", tool.Abbreviation, "General");
    file.WriteString("Manufacturer", tool.Manufacturer, "General");
    file.WriteString("SerialNumber", tool.SerialNumber, "General");
    file.WriteString("CalibrationFile", tool.CalibrationFile, "General");
    for (int i = 0; i < tool.NumberOfChannels; ++i)
        file.WriteInt("PhysicalCh", tool.channels[i].PhysicalCh + 1, ("Channel" + std::to_string(i)).c_str());

    CPreferences preferences;
    preferences.SaveTool(FALSE);
    return std::filesystem::exists(path, error);
}
