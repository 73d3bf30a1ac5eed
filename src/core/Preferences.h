#pragma once
// The configuration store: Zarkv.cfg, the sonde list, the current tool file,
// its calibration, the window placements in Zarkv.dat and the error log.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <set>
#include <string>

#include "core/Ini.h"

struct PathSettings;
struct WindowPlacementStore;
struct ToolRecord;
struct ChannelRecord;

class CPreferences : public CIni {
public:
    CPreferences();
    ~CPreferences() override = default;

    using CIni::WriteBool;
    using CIni::WriteDouble;
    using CIni::WriteInt;
    void WriteInt(const std::string& section, const std::string& key, int value);
    void WriteDouble(const std::string& section, const std::string& key, double value);
    void WriteBool(const std::string& section, const std::string& key, BOOL value);

    // A file written like a text file of the platform: every "\n" written
    // becomes CR LF on disk. Mode as for fopen ("wb", "ab").
    static std::FILE* OpenTextFile(const std::string& path, const char* mode);
    // The same over a stream already open, which closing the result closes;
    // null, with `file` closed, when it cannot be made.
    static std::FILE* CrLfStream(std::FILE* file, const char* mode);
    // Replaces the file at `path`, whatever its mode, by the text `write` puts
    // out with CR LF line ends, through a copy synced and renamed over it
    // (WriteProfileFile): the file is whole, old or new, even after a power
    // cut. False, the file as it was, when it cannot be written.
    static bool WriteTextFile(const std::string& path, const std::function<void(std::FILE*)>& write);
    // One "key=value" line into a file the caller opened.
    static void WriteFileLine(const char* key, const std::string& text, std::FILE* file);
    static void WriteFileInt(const char* key, int value, std::FILE* file);
    static void WriteFileDouble(const char* key, double value, std::FILE* file);
    static void WriteFileFloat(const char* key, float value, std::FILE* file);
    // A float as these files hold it: six significant digits, the point always shown.
    static std::string FloatFileText(float value);
    static void WriteFileBool(const char* key, BOOL value, std::FILE* file);

    void Initialize();
    void LoadConfig();
    void LoadSondeList();
    void SaveConfig();
    void SaveWinch();
    void ResetDefaults();
    void SetLanguage(std::uint16_t languageId);
    // Safe to call from any thread: uses its own CIni and only reads appDir.
    void LogError(const std::string& key, const std::string& value);

    void LoadTool();
    // FALSE when the channel is absent ("NO INFO CHANNEL"). Values that
    // cannot be used as written are added to `findings`, one line each.
    BOOL LoadChannels(int trackCounters[3], int channel, std::string& findings);
    void SaveTool(BOOL communicationOnly);
    // Fills the polynomials of six records from a calibration file.
    void LoadCalibration(const std::string& path, ChannelRecord* records);
    void LoadChannelCalibration(const std::string& path);

private:
    void MakeInstanceId();
    void MakeDefaultSonde(CIni& config);
    void LoadPlacements();
    void SavePlacements();
    std::string ToolFilePath() const;
    bool UsesHeaderFile() const;
    void WriteToolKeys(BOOL communicationOnly, bool header);
    void TellFindings(const std::string& toolFile, const std::string& findings);

    std::uint16_t m_instanceId[8] = {};
    std::string m_programFolder;
    PathSettings* m_pSettings = nullptr;
    WindowPlacementStore* m_pPlacements = nullptr;
    std::set<std::string> m_toldFindings;
};
