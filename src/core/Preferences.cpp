#include "core/Preferences.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <strings.h>
#include <sys/stat.h>

#include "core/SettingRange.h"
#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/Application.h"
#include "platform/Locale.h"
#include "platform/Profile.h"

namespace {

constexpr const char* kSection = "VarnoLogger";
constexpr const char* kDemoName = "KPXG3241";

void MakeFolder(const std::string& path)
{
    std::error_code error;
    std::filesystem::create_directory(path, error);
}

void WriteFileText(const char* key, const char* text, std::FILE* file)
{
    std::fputs(key, file);
    std::fputs("=", file);
    std::fputs(text, file);
    std::fputs("\n", file);
}

ssize_t WriteCrLf(void* cookie, const char* data, size_t size)
{
    auto* file = static_cast<std::FILE*>(cookie);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n' && std::fputc('\r', file) == EOF)
            return -1;
        if (std::fputc(data[i], file) == EOF)
            return -1;
    }
    return ssize_t(size);
}

int CloseCrLf(void* cookie) { return std::fclose(static_cast<std::FILE*>(cookie)) == 0 ? 0 : -1; }

std::string WithDots(const char* text)
{
    std::string s = text;
    std::replace(s.begin(), s.end(), ',', '.');
    return s;
}

}  // namespace

CPreferences::CPreferences() : CIni(TRUE) {}

void CPreferences::WriteInt(const std::string& section, const std::string& key, int value)
{
    CIni::WriteInt(key.c_str(), value, section.c_str());
}

void CPreferences::WriteDouble(const std::string& section, const std::string& key, double value)
{
    CIni::WriteDouble(key.c_str(), value, section.c_str());
}

void CPreferences::WriteBool(const std::string& section, const std::string& key, BOOL value)
{
    CIni::WriteBool(key.c_str(), value, section.c_str());
}

std::FILE* CPreferences::OpenTextFile(const std::string& path, const char* mode)
{
    // A read-only file stays as it is, even for root.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && (info.st_mode & S_IWUSR) == 0)
        return nullptr;
    std::FILE* file = std::fopen(path.c_str(), mode);
    return file == nullptr ? nullptr : CrLfStream(file, mode);
}

std::FILE* CPreferences::CrLfStream(std::FILE* file, const char* mode)
{
    cookie_io_functions_t functions{};
    functions.write = WriteCrLf;
    functions.close = CloseCrLf;
    std::FILE* stream = fopencookie(file, mode, functions);
    if (stream == nullptr)
        std::fclose(file);
    return stream;
}

bool CPreferences::WriteTextFile(const std::string& path, const std::function<void(std::FILE*)>& write)
{
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* memory = open_memstream(&buffer, &size);
    std::FILE* file = memory == nullptr ? nullptr : CrLfStream(memory, "w");
    if (file == nullptr) {
        std::free(buffer);
        return false;
    }
    write(file);
    const bool written = std::ferror(file) == 0;
    // Closing the stream closes the memory one, which then holds the text.
    const bool closed = std::fclose(file) == 0;
    const bool replaced = written && closed && WriteProfileFile(path.c_str(), std::string_view(buffer, size));
    std::free(buffer);
    return replaced;
}

void CPreferences::WriteFileLine(const char* key, const std::string& text, std::FILE* file)
{
    WriteFileText(key, text.c_str(), file);
}

void CPreferences::WriteFileInt(const char* key, int value, std::FILE* file)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    WriteFileText(key, text, file);
}

void CPreferences::WriteFileDouble(const char* key, double value, std::FILE* file)
{
    char text[512];
    std::snprintf(text, sizeof text, "%#.6f", value);
    WriteFileText(key, WithDots(text).c_str(), file);
}

void CPreferences::WriteFileFloat(const char* key, float value, std::FILE* file)
{
    WriteFileText(key, FloatFileText(value).c_str(), file);
}

std::string CPreferences::FloatFileText(float value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%#.6G", double(value));
    return WithDots(text);
}

void CPreferences::WriteFileBool(const char* key, BOOL value, std::FILE* file)
{
    WriteFileText(key, value ? "1" : "0", file);
}

void CPreferences::Initialize()
{
    m_pSettings = theApp.m_pPathSettings;
    m_pPlacements = theApp.m_pPlacementStore;
    *m_pSettings = PathSettings{};
    m_programFolder = GetProgramFolder();
    CopyBounded(m_pSettings->appDir, m_programFolder);
    MakeFolder(m_programFolder + "Ressources");
    MakeFolder(m_programFolder + "Calibration");
    MakeInstanceId();
    if (theApp.m_bPrefsLoaded)
        return;

    LoadConfig();
    LoadTool();
    LoadPlacements();
    std::memcpy(m_instanceId, m_pSettings->randomId, sizeof m_instanceId);
    theApp.m_bPrefsLoaded = 1;
}

void CPreferences::MakeInstanceId()
{
    std::random_device random;
    for (auto& word : m_instanceId)
        word = std::uint16_t(random());
    std::memcpy(m_pSettings->randomId, m_instanceId, sizeof m_instanceId);
}

// A missing, short or unreadable file leaves the missing placements zero,
// so their windows take their default positions.
void CPreferences::LoadPlacements()
{
    *m_pPlacements = WindowPlacementStore{};
    std::FILE* file = std::fopen((m_programFolder + "Zarkv.dat").c_str(), "rb");
    if (!file) {
        ResetDefaults();
        return;
    }
    std::fread(m_pPlacements, 1, sizeof(WindowPlacementStore), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        ResetDefaults();
}

void CPreferences::SavePlacements()
{
    m_pPlacements->valid = 1;
    std::FILE* file = std::fopen((m_programFolder + "Zarkv.dat").c_str(), "wb");
    if (!file)
        return;
    std::fwrite(m_pPlacements, 1, sizeof(WindowPlacementStore), file);
    std::fclose(file);
}

void CPreferences::LoadConfig()
{
    PathSettings& paths = *m_pSettings;
    AcousticSettings& acoustic = *theApp.m_pAcousticSettings;
    LoggerSettings& logger = *theApp.m_pLoggerSettings;

    CopyBounded(paths.configPath, m_programFolder + "Zarkv.cfg");
    CIni config(paths.configPath, kSection, TRUE);
    CopyBounded(paths.Tempdir, config.GetString("Tempdir", "c:\\temp", kSection));
    paths.languageID = std::uint16_t(config.GetInt("languageID", 0, kSection));

    std::string fileName = config.GetString("FileName", "none", kSection);
    std::string lastFile = config.GetString("LastFile", "none", kSection);
    std::string dataFile = config.GetString("DataFile", "none", kSection);
    std::string filePath = config.GetString("FilePath", "none", kSection);
    if (filePath == "none") {
        fileName = std::string(kDemoName) + ".log";
        lastFile = m_programFolder + "Demo/" + kDemoName + ".hed";
        dataFile = m_programFolder + "Demo/" + kDemoName + ".log";
        filePath = m_programFolder + "Demo";
        config.WriteString("FileName", fileName, kSection);
        config.WriteString("LastFile", lastFile, kSection);
        config.WriteString("DataFile", dataFile, kSection);
        config.WriteString("FilePath", filePath, kSection);
    }
    CopyBounded(paths.FileName, fileName);
    CopyBounded(paths.LastFile, lastFile);
    CopyBounded(paths.DataFile, dataFile);
    CopyBounded(paths.FilePath, filePath);

    theApp.m_bTechnicalToolsOn = config.GetBool("TechnicalToolsOn", FALSE, kSection) ? 1 : 0;
    theApp.m_nRefreshTime = std::max(100, config.GetInt("RefreshTime", 100, kSection));
    ForceCNumericLocale();
    std::strcpy(theApp.m_szCountry, "UK");
    theApp.m_pPathSettings = m_pSettings;
    theApp.m_pPlacementStore = m_pPlacements;

    acoustic.UpGain = config.GetInt("UpGain", 10, kSection);
    acoustic.AcousticalGain = config.GetInt("AcousticalGain", 10, kSection);
    acoustic.AcousticalAGC = config.GetInt("AcousticalAGC", 0, kSection);
    acoustic.DepthMemo = config.GetDouble("DepthMemo", 0.0, kSection);
    theApp.m_bDebugingTools = config.GetBool("DebugingTools", FALSE, kSection) ? 1 : 0;
    logger.PulleyDir = config.GetBool("PulleyDir", TRUE, kSection) ? 1 : 0;
    logger.CableType = KnownCableType(config.GetInt("CableType", 0, kSection));
    logger.PulleysDiameter = config.GetInt("PulleysDiameter", 5000, kSection);
    logger.PulsResolution = config.GetInt("PulsResolution", 1000, kSection);
    theApp.m_strPrinterUsed = config.GetString("PrinterUsed", "none", kSection);
    logger.SelectedSonde = config.GetInt("SelectedSonde", 0, kSection);
    logger.DephtRound = config.GetBool("DephtRound", FALSE, kSection) ? 1 : 0;
    config.WriteYesNo("DephtRound", logger.DephtRound, kSection);

    SondeList& sondes = *theApp.m_pSondeList;
    sondes.RefInStock = config.GetInt("RefInStock", 0, kSection);
    if (sondes.RefInStock > SondeList::kMaxSondes) {
        sondes.RefInStock = SondeList::kMaxSondes;
    } else if (sondes.RefInStock <= 0) {
        MakeDefaultSonde(config);
        sondes.RefInStock = 1;
        config.WriteInt("RefInStock", 1, kSection);
    }
    LoadSondeList();
}

void CPreferences::MakeDefaultSonde(CIni& config)
{
    const char* section = "RefSonde1";
    const std::string tolFile = config.GetString("TolFile", "NULL", section);
    if (strcasecmp(tolFile.c_str(), "KVXS0001") == 0) {
        config.WriteString("Name", "Tralvin default sonde", section);
        config.WriteString("Ref", "KVXS", section);
        config.WriteString("Serial", "0001", section);
        config.WriteString("Product", "Brannoquist", section);
        return;
    }
    std::FILE* file = OpenTextFile(config.GetPathName(), "ab");
    if (!file)
        return;
    std::fputs("\n[RefSonde1]\n", file);
    WriteFileLine("Name", "Tralvin default sonde", file);
    WriteFileLine("Ref", "KVXS", file);
    WriteFileLine("Serial", "0001", file);
    WriteFileLine("Product", "Brannoquist", file);
    WriteFileLine("TolFile", "KVXS0001", file);
    std::fclose(file);
}

void CPreferences::LoadSondeList()
{
    CIni config(m_programFolder + "Zarkv.cfg", kSection, TRUE);
    SondeList& sondes = *theApp.m_pSondeList;
    sondes.RefInStock = std::min(sondes.RefInStock, SondeList::kMaxSondes);
    for (int i = 1; i <= sondes.RefInStock; ++i) {
        const std::string section = "RefSonde" + std::to_string(i);
        const std::string ref = config.GetString(section, "Ref", "NULL");
        if (strcasecmp(ref.c_str(), "NULL") == 0)
            continue;
        SondeEntry& entry = sondes.entries[i - 1];
        entry.Name = config.GetString(section, "Name", "");
        entry.Ref = config.GetString(section, "Ref", "");
        entry.Serial = config.GetString(section, "Serial", "");
        entry.Product = config.GetString(section, "Product", "");
        entry.TolFile = config.GetString(section, "TolFile", "");
    }
}

void CPreferences::SaveConfig()
{
    const PathSettings& paths = *m_pSettings;
    CIni config(m_programFolder + "Zarkv.cfg", kSection, TRUE);
    config.WriteString("Tempdir", paths.Tempdir, kSection);
    config.WriteString("LastFile", paths.LastFile, kSection);
    config.WriteString("DataFile", paths.DataFile, kSection);
    config.WriteString("FileName", paths.FileName, kSection);
    config.WriteString("FilePath", paths.FilePath, kSection);
    config.WriteInt("languageID", paths.languageID, kSection);
    config.WriteString("PrinterUsed", theApp.m_strPrinterUsed, kSection);
    SavePlacements();
    theApp.m_pPathSettings = m_pSettings;
    theApp.m_pPlacementStore = m_pPlacements;
    config.TellRefusedWrites();
}

void CPreferences::SaveWinch()
{
    const LoggerSettings& logger = *theApp.m_pLoggerSettings;
    CIni config(m_programFolder + "Zarkv.cfg", kSection, TRUE);
    config.WriteYesNo("PulleyDir", logger.PulleyDir, kSection);
    config.WriteInt("CableType", logger.CableType, kSection);
    config.WriteInt("PulleysDiameter", logger.PulleysDiameter, kSection);
    config.WriteInt("PulsResolution", logger.PulsResolution, kSection);
    config.WriteInt("SelectedSonde", logger.SelectedSonde, kSection);
    config.WriteString("PrinterUsed", theApp.m_strPrinterUsed, kSection);
    config.TellRefusedWrites();
}

void CPreferences::ResetDefaults()
{
    MakeInstanceId();
    CopyBounded(m_pSettings->LastFile, "c:\\");
    CopyBounded(m_pSettings->FilePath, "c:\\");
    CopyBounded(m_pSettings->Tempdir, "c:\\");
    SetThreadLocale(m_pSettings->languageID);
    SaveConfig();
}

void CPreferences::SetLanguage(std::uint16_t languageId)
{
    m_pSettings->languageID = languageId;
    const char* country = "FR";
    if (languageId == 1031)
        country = "DE";
    else if (languageId == 2057)
        country = "UK";
    std::strcpy(theApp.m_szCountry, country);
    SaveConfig();
    SetThreadLocale(m_pSettings->languageID);
}

void CPreferences::LogError(const std::string& key, const std::string& value)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64] = {};
    asctime_r(&local, text);
    char section[32];
    std::snprintf(section, sizeof section, "%.19s ", text);

    const std::string folder = m_pSettings ? std::string(m_pSettings->appDir) : GetProgramFolder();
    CIni log(folder + "error_kvx.log", TRUE);
    log.WriteString(key.c_str(), value, section);
}
