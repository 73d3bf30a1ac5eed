#include "core/SondeDatabase.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <strings.h>
#include <sys/stat.h>
#include <vector>

#include "core/CalibrationFile.h"
#include "core/Ini.h"
#include "core/Preferences.h"
#include "core/SettingRange.h"
#include "core/Settings.h"
#include "platform/Profile.h"

namespace {

constexpr const char* kConfigSection = "VarnoLogger";

// Tracks and colours for channels whose import file gives none.
constexpr int kDefaultTracks[kMaxImportChannels] = {0, 0, 2, 2, 3, 3};
constexpr int kBlue = 16711680;
constexpr int kRed = 255;
constexpr int kDefaultColours[kMaxImportChannels] = {kBlue, kRed, kBlue, kRed, kBlue, kRed};

std::string Numbered(const char* name, int n) { return name + std::to_string(n); }

std::string SondeSection(int n) { return Numbered("RefSonde", n); }

// An import file may hold any number: keep the conversion defined.
std::int32_t TruncateToInt(double value)
{
    if (std::isnan(value))
        return 0;
    return std::int32_t(std::clamp(std::trunc(value), double(INT_MIN), double(INT_MAX)));
}

// Why a channel's number cannot be taken, naming it; empty when it can.
std::string FiniteProblem(const std::string& section, const std::string& key, double value)
{
    return std::isfinite(value) ? std::string() : "[" + section + "] " + key + " is not a finite number.";
}

std::string RangeProblem(const std::string& section, const std::string& key, double value, SettingRange range)
{
    if (!std::isfinite(value))
        return FiniteProblem(section, key, value);
    if (value >= range.min && value <= range.max)
        return {};
    return "[" + section + "] " + key + " must lie between " + std::to_string(range.min) + " and " +
           std::to_string(range.max) + ".";
}

// Only the first problem is told.
void Note(std::string& first, std::string problem)
{
    if (first.empty())
        first = std::move(problem);
}

// Read whole as a number, with either decimal mark; a text such as "zz"
// would otherwise be taken as 0. An empty value is left to the key's reading.
bool IsNumberText(std::string text)
{
    if (text.empty())
        return true;
    std::replace(text.begin(), text.end(), ',', '.');
    const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
    const char* end = text.data() + text.size();
    double value = 0.0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    return stop == end && error != std::errc::invalid_argument;
}

// The keys of `section` that the file gives as something else than a number.
void NoteNumberTexts(CIni& file, const std::string& section, std::initializer_list<const char*> keys,
                     std::string& badNumber)
{
    for (const char* key : keys) {
        if (!IsNumberText(file.GetString(key, "", section.c_str())))
            Note(badNumber, "[" + section + "] " + key + " is not a number.");
    }
}

// The scale ends are held as ints.
constexpr SettingRange kScaleEndRange{INT_MIN, INT_MAX};
// Decimals shown: a float's digits hold no more.
constexpr SettingRange kCalibCommaRange{0, 6};
// The sonde's length in centimetres.
constexpr SettingRange kSondeLengthRange{0, INT_MAX};

void ReadChannel(CIni& file, int k, ChannelRecord& ch, std::string& badNumber)
{
    const std::string section = Numbered("Channel", k);
    const char* s = section.c_str();
    NoteNumberTexts(file, section,
                    {"Minimum", "Maximum", "FilterWidth", "Offset", "CalibComma", "Coefficient0", "Coefficient1",
                     "Coefficient2", "Coefficient3", "NullValue", "LineColour", "DisplayTrack", "PhysicalCh"},
                    badNumber);
    ch.Title = file.GetString("Title", "none", s);
    ch.TitleShort = file.GetString("TitleShort", "-", s);
    ch.Unit = file.GetString("Unit", "", s);
    const double minimum = file.GetDouble("Minimum", 0.0, s);
    const double maximum = file.GetDouble("Maximum", 65535.0, s);
    Note(badNumber, RangeProblem(section, "Minimum", minimum, kScaleEndRange));
    Note(badNumber, RangeProblem(section, "Maximum", maximum, kScaleEndRange));
    ch.RangeLeft = TruncateToInt(minimum);
    ch.RangeRight = TruncateToInt(maximum);
    ch.FilterWidth = file.GetInt("FilterWidth", 1, s);
    ch.Offset = file.GetInt("Offset", 200, s);
    ch.CalibComma = file.GetInt("CalibComma", 2, s);
    Note(badNumber, RangeProblem(section, "CalibComma", ch.CalibComma, kCalibCommaRange));
    const float identity[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    for (int c = 0; c < 4; ++c) {
        const std::string key = Numbered("Coefficient", c);
        ch.Coefficient[c] = file.GetFloat(key.c_str(), identity[c], s);
        Note(badNumber, FiniteProblem(section, key, ch.Coefficient[c]));
    }
    ch.CalFlag = file.GetBool("Calibration", FALSE, s) ? 1 : 0;
    ch.FilterFlag = file.GetBool("Filter", FALSE, s) ? 1 : 0;
    ch.NullValue = file.GetDouble("NullValue", -999.25, s);
    ch.LineColour = file.GetInt("LineColour", -1, s);
    ch.DisplayTrack = file.GetInt("DisplayTrack", -1, s);
    ch.PhysicalCh = file.GetInt("PhysicalCh", k, s);
    Note(badNumber, RangeProblem(section, "PhysicalCh", ch.PhysicalCh, kPhysicalChannelRange));
}

void WriteChannel(std::FILE* f, int i, const ChannelRecord& ch)
{
    std::fprintf(f, "\n[Channel%d]\n", i);
    CPreferences::WriteFileInt("PhysicalCh", ch.PhysicalCh, f);
    CPreferences::WriteFileInt("Offset", TruncateToInt(ch.Offset), f);
    CPreferences::WriteFileLine("Title", ch.Title, f);
    CPreferences::WriteFileLine("TitleShort", ch.TitleShort, f);
    CPreferences::WriteFileLine("Unit", ch.Unit, f);
    CPreferences::WriteFileInt("RangeLeft", ch.RangeLeft, f);
    CPreferences::WriteFileInt("RangeRight", ch.RangeRight, f);
    CPreferences::WriteFileBool("CalFlag", ch.CalFlag, f);
    CPreferences::WriteFileInt("CalibComma", ch.CalibComma, f);
    for (int c = 0; c < 4; ++c)
        CPreferences::WriteFileFloat(Numbered("Coefficient", c).c_str(), float(ch.Coefficient[c]), f);
    CPreferences::WriteFileBool("FilterFlag", ch.FilterFlag, f);
    CPreferences::WriteFileInt("FilterWidth", ch.FilterWidth, f);
    CPreferences::WriteFileDouble("NullValue", ch.NullValue, f);
    CPreferences::WriteFileInt("DisplayTrack", ch.DisplayTrack < 0 ? kDefaultTracks[i] : ch.DisplayTrack, f);
    CPreferences::WriteFileInt("LineColour", ch.LineColour < 0 ? kDefaultColours[i] : ch.LineColour, f);
    CPreferences::WriteFileLine("Visible", "1", f);
}

void WriteTool(std::FILE* f, const ToolRecord& tool)
{
    std::fputs("[General]\n", f);
    CPreferences::WriteFileLine("Name", tool.Name, f);
    CPreferences::WriteFileLine("Abbreviation", tool.Abbreviation, f);
    CPreferences::WriteFileLine("Manufacturer", tool.Manufacturer, f);
    CPreferences::WriteFileLine("SerialNumber", tool.SerialNumber, f);
    CPreferences::WriteFileInt("SondeLength", TruncateToInt(tool.SondeLength), f);
    CPreferences::WriteFileInt("NumberOfChannels", tool.NumberOfChannels, f);
    CPreferences::WriteFileInt("Voltage", tool.Voltage, f);
    CPreferences::WriteFileLine("CalibrationFile", tool.CalibrationFile, f);

    std::fputs("\n[Cmd]\n", f);
    CPreferences::WriteFileBool("Enabled", tool.Enabled, f);
    for (int n = 1; n <= ToolRecord::kPresets; ++n) {
        CPreferences::WriteFileInt(Numbered("Aux", n).c_str(), tool.Aux[n - 1], f);
        CPreferences::WriteFileLine(Numbered("LabelAux", n).c_str(), tool.LabelAux[n - 1], f);
    }
    for (int i = 0; i < tool.NumberOfChannels; ++i)
        WriteChannel(f, i, tool.channels[i]);
    for (const char* track : {"Track0", "Track2", "Track3"}) {
        std::fprintf(f, "\n[%s]\n", track);
        CPreferences::WriteFileInt("Cols", 4, f);
    }
}

void WriteCalibration(std::FILE* f, const SondeImport& sonde)
{
    const ToolRecord& tool = sonde.tool;
    std::fputs("[General]\n", f);
    CPreferences::WriteFileLine("LastCalibration", sonde.Date, f);
    CPreferences::WriteFileLine("LastModified", CalibrationDate(), f);
    CPreferences::WriteFileLine("Sonde", tool.Abbreviation, f);
    CPreferences::WriteFileLine("SerialNo", tool.SerialNumber, f);
    for (int i = 0; i < tool.NumberOfChannels; ++i) {
        const ChannelRecord& ch = tool.channels[i];
        std::fprintf(f, "\n[Channel%d]\n", i);
        CPreferences::WriteFileLine("CalibrationMethod", "Polynom", f);
        CPreferences::WriteFileInt("CalibNbComma", ch.CalibComma, f);
        for (int c = 0; c < 4; ++c)
            CPreferences::WriteFileFloat(Numbered("Coefficient", c).c_str(), float(ch.Coefficient[c]), f);
    }
}

bool IsReadOnly(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && (info.st_mode & S_IWUSR) == 0;
}

// A read-only file is the operator's: an import never replaces it.
bool WriteSondeFile(const std::string& path, const std::function<void(std::FILE*)>& write)
{
    if (IsReadOnly(path))
        return false;
    std::error_code error;
    std::filesystem::create_directory(std::filesystem::path(path).parent_path(), error);
    return CPreferences::WriteTextFile(path, write);
}

// Sonde names are compared without regard to case, as Zarkv.cfg's TolFile
// is: a file under another spelling of the name belongs to the same sonde.
std::vector<std::string> SameNameFiles(const std::string& path)
{
    const std::filesystem::path file(path);
    const std::string name = file.filename().string();
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path(), error)) {
        if (strcasecmp(entry.path().filename().string().c_str(), name.c_str()) == 0)
            found.push_back(entry.path().string());
    }
    return found;
}

// Left behind, a copy is only an orphan, so a failed removal is not reported.
void RemoveOtherSpellings(const std::string& path)
{
    std::error_code error;
    for (const std::string& copy : SameNameFiles(path)) {
        if (copy != path)
            std::filesystem::remove(copy, error);
    }
}

std::optional<std::string> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A file as it was before a change of several writes, one of which failed.
// The writes that went through are undone at once rather than key by key.
void PutBack(const std::string& path, const std::optional<std::string>& before)
{
    if (ReadBytes(path) == before)
        return;
    std::error_code error;
    if (!before) {
        std::filesystem::remove(path, error);
        return;
    }
    WriteProfileFile(path.c_str(), *before);
}

bool WriteKey(const std::string& path, const std::string& section, const char* key, const std::string& value)
{
    return WritePrivateProfileStringA(section.c_str(), key, value.c_str(), path.c_str()) != FALSE;
}

SondeEntry EntryOf(const ToolRecord& tool)
{
    return {tool.Name, tool.Abbreviation, tool.SerialNumber, tool.Manufacturer, SondeBaseName(tool)};
}

bool WriteEntry(const std::string& path, const std::string& section, const SondeEntry& entry)
{
    return WriteKey(path, section, "Name", entry.Name) && WriteKey(path, section, "Ref", entry.Ref) &&
           WriteKey(path, section, "Serial", entry.Serial) && WriteKey(path, section, "Product", entry.Product) &&
           WriteKey(path, section, "TolFile", entry.TolFile);
}

}  // namespace

std::unique_ptr<SondeImport> ReadSondeImport(const std::string& path)
{
    auto sonde = std::make_unique<SondeImport>();
    ToolRecord& tool = sonde->tool;
    CIni file(path, "Sonde", TRUE);
    sonde->Date = file.GetString("Date", "-", "Sonde");
    tool.Name = file.GetString("Name", "NULL", "Sonde");
    tool.Abbreviation = file.GetString("Abbreviation", "NULL", "Sonde");
    tool.Manufacturer = file.GetString("Manufacturer", "NULL", "Sonde");
    // A serial number that is not given reads as blank: it names the sonde's files.
    tool.SerialNumber = file.GetString("SerialNumber", "", "Sonde");
    NoteNumberTexts(file, "Sonde", {"Length", "NumberOfChannels", "Voltage"}, sonde->badNumber);
    tool.SondeLength = file.GetInt("Length", 200, "Sonde");
    Note(sonde->badNumber, RangeProblem("Sonde", "Length", tool.SondeLength, kSondeLengthRange));
    tool.NumberOfChannels = file.GetInt("NumberOfChannels", 6, "Sonde");
    tool.Voltage = file.GetInt("Voltage", 95, "Sonde");
    tool.CalibrationFile = SondeBaseName(tool) + kCalibrationExtension;

    NoteNumberTexts(file, "Cmd", {"Aux1", "Aux2", "Aux3", "Aux4", "Aux5", "Aux6"}, sonde->badNumber);
    for (int n = 1; n <= ToolRecord::kPresets; ++n) {
        tool.Aux[n - 1] = file.GetInt(Numbered("Aux", n).c_str(), 0, "Cmd");
        tool.LabelAux[n - 1] = file.GetString((Numbered("Aux", n) + "Txt").c_str(), "", "Cmd");
    }
    tool.Enabled = std::any_of(std::begin(tool.Aux), std::end(tool.Aux), [](int aux) { return aux > 0; });

    const int channels = std::min(tool.NumberOfChannels, kMaxImportChannels);
    for (int k = 1; k <= channels; ++k)
        ReadChannel(file, k, tool.channels[k - 1], sonde->badNumber);
    return sonde;
}

std::string SondeImportProblem(const SondeImport& sonde)
{
    const ToolRecord& tool = sonde.tool;
    const std::string invalid = "Import Aborted. Invalid import file.";
    // The names become file names in the program folder: no folder may hide in them.
    if (strcasecmp(tool.Abbreviation.c_str(), "NULL") == 0 ||
        SondeBaseName(tool).find_first_of("/\\") != std::string::npos)
        return invalid;
    if (tool.Abbreviation.empty())
        return invalid + "\nAbbreviation is blank.";
    if (tool.SerialNumber.empty())
        return invalid + "\nSerialNumber is missing or blank.";
    if (tool.NumberOfChannels < 1)
        return invalid + "\nNumberOfChannels is not a number of 1 or more.";
    if (tool.NumberOfChannels > kMaxImportChannels)
        return "Import Aborted. The sonde has " + std::to_string(tool.NumberOfChannels) +
               " channels: at most 6 can be imported.";
    // The probe page's range: the voltage goes to the sonde as it is.
    if (!kVoltageRange.Contains(tool.Voltage))
        return invalid + "\nVoltage must lie between " + std::to_string(kVoltageRange.min) + " and " +
               std::to_string(kVoltageRange.max) + ".";
    if (!sonde.badNumber.empty())
        return invalid + "\n" + sonde.badNumber;
    return {};
}

std::string SondeBaseName(const ToolRecord& tool) { return tool.Abbreviation + tool.SerialNumber; }

std::string CSondeDatabase::ToolFilePath(const std::string& baseName) const
{
    return m_folder + "Ressources/" + baseName + ".tol";
}

bool CSondeDatabase::HasToolFile(const std::string& baseName) const
{
    return !SameNameFiles(ToolFilePath(baseName)).empty();
}

int CSondeDatabase::Import(const SondeImport& sonde, SondeList& list, std::string& failure) const
{
    const std::string path = ToolFilePath(SondeBaseName(sonde.tool));
    const std::optional<std::string> oldTool = ReadBytes(path);
    if (!WriteSondeFile(path, [&](std::FILE* f) { WriteTool(f, sonde.tool); })) {
        failure = "Trouble opening file.";
        return -1;
    }
    const std::optional<std::string> before = ReadBytes(ConfigPath());
    const int index = Register(sonde.tool);
    // The list cannot take the sonde: its old tool file comes back.
    if (index < 0) {
        PutBack(ConfigPath(), before);
        PutBack(path, oldTool);
        failure = "Import Aborted. Zarkv.cfg cannot be written.";
        return -1;
    }
    RemoveOtherSpellings(path);
    WriteCalibrationFile(sonde);
    // A new entry lengthens the list.
    list.RefInStock = std::max(list.RefInStock, index + 1);
    return index;
}

// A calibration file that cannot be written is skipped: the sonde works without it.
void CSondeDatabase::WriteCalibrationFile(const SondeImport& sonde) const
{
    const std::string path = m_folder + kCalibrationFolder + SondeBaseName(sonde.tool) + kCalibrationExtension;
    if (WriteSondeFile(path, [&](std::FILE* f) { WriteCalibration(f, sonde); }))
        RemoveOtherSpellings(path);
}

// The entry of the same TolFile, else the section after the last one: a
// section that a removal emptied is taken again rather than repeated.
int CSondeDatabase::Register(const ToolRecord& tool) const
{
    const SondeEntry entry = EntryOf(tool);
    const std::string path = ConfigPath();
    CIni config(path, kConfigSection, TRUE);
    const int count = config.GetInt("RefInStock", 0, kConfigSection);
    for (int n = 1; n <= count; ++n) {
        if (strcasecmp(config.GetString(SondeSection(n), "TolFile", "NULL").c_str(), entry.TolFile.c_str()) == 0)
            return WriteEntry(path, SondeSection(n), entry) ? n - 1 : -1;
    }
    // The count last: a section beyond it is not in the list yet.
    if (!WriteEntry(path, SondeSection(count + 1), entry) ||
        !WriteKey(path, kConfigSection, "RefInStock", std::to_string(count + 1)))
        return -1;
    return count;
}

std::string CSondeDatabase::Remove(int index, SondeList& list, LoggerSettings& logger) const
{
    const std::string path = ConfigPath();
    const std::optional<std::string> before = ReadBytes(path);
    // The last section takes the empty entry after the list.
    SondeList shifted = list;
    for (int n = index + 1; n <= list.RefInStock; ++n)
        shifted.entries[n - 1] = list.entries[n];
    shifted.RefInStock = list.RefInStock - 1;
    bool written = true;
    for (int n = index + 1; written && n <= list.RefInStock; ++n)
        written = WriteEntry(path, SondeSection(n), shifted.entries[n - 1]);
    written = written && WriteKey(path, kConfigSection, "RefInStock", std::to_string(shifted.RefInStock)) &&
              WriteKey(path, kConfigSection, "SelectedSonde", "0");
    if (!written) {
        PutBack(path, before);
        return "Removal Aborted. Zarkv.cfg cannot be written.";
    }
    // The tool file goes last: the entry is put back if it stays.
    std::error_code error;
    std::filesystem::remove(ToolFilePath(list.entries[index].TolFile), error);
    if (error) {
        PutBack(path, before);
        return "Removal Aborted. The tool file cannot be deleted.";
    }
    list = shifted;
    logger.SelectedSonde = 0;
    return {};
}
