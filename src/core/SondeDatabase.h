#pragma once
// The sonde database: an import file becomes a sonde's tool file, its first
// calibration file and its entry in Zarkv.cfg; a removal takes an entry out.
#include <memory>
#include <string>

#include "core/ToolRecord.h"

struct LoggerSettings;
struct SondeList;

// One sonde as its import file describes it. Its channel records keep the
// file's own values: LineColour a colour value, DisplayTrack a file track
// number (negative: the channel's default), PhysicalCh counted from 1.
struct SondeImport {
    std::string Date;  // the calibration file's LastCalibration
    ToolRecord tool;
};

// Only six channels have default tracks and colours.
constexpr int kMaxImportChannels = 6;

std::unique_ptr<SondeImport> ReadSondeImport(const std::string& path);

// Why the import must stop before anything is written; empty when it may go on.
std::string SondeImportProblem(const SondeImport& sonde);

// The abbreviation followed by the serial number: the tool file's and the
// calibration file's name and the sonde entry's TolFile.
std::string SondeBaseName(const ToolRecord& tool);

// The sonde files and Zarkv.cfg of one program folder (with its trailing '/').
class CSondeDatabase {
public:
    explicit CSondeDatabase(std::string programFolder) : m_folder(std::move(programFolder)) {}

    std::string ToolFilePath(const std::string& baseName) const;
    std::string ConfigPath() const { return m_folder + "Zarkv.cfg"; }

    // Both files are written as <path>.new and replace the old file only once
    // complete. False when the tool file could not be written: the old one stays.
    bool WriteToolFile(const SondeImport& sonde) const;
    // A calibration file that cannot be written is skipped.
    void WriteCalibrationFile(const SondeImport& sonde) const;

    // Enters the sonde into Zarkv.cfg and the list: the entry of the same
    // TolFile, else an emptied section after the last, else a new section.
    // Returns the entry's index in the list.
    int Register(const ToolRecord& tool, SondeList& list) const;

    // Deletes the tool file of entry `index`, shifts the later entries and
    // their sections down, and selects the first sonde.
    void Remove(int index, SondeList& list, LoggerSettings& logger) const;

private:
    std::string m_folder;
};
