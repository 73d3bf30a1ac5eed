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
    // The first channel number that the sonde cannot take, with its key and
    // why; empty when every one can.
    std::string badNumber;
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

    // A tool file of this name, whatever its case: the sonde is there already.
    bool HasToolFile(const std::string& baseName) const;

    // Writes the sonde's tool file and enters it into Zarkv.cfg and the list:
    // the entry of the same TolFile (case ignored), else a new one. Returns the
    // entry's index; or -1 and what failed, with the old tool file and
    // Zarkv.cfg as they were. Then the calibration file, skipped when it cannot
    // be written. Copies of both files under another case of the name go.
    int Import(const SondeImport& sonde, SondeList& list, std::string& failure) const;

    // Takes entry `index` out of Zarkv.cfg and the list, deletes its tool file
    // and selects the first sonde. Returns what failed, with the files and the
    // records as they were; empty when done.
    std::string Remove(int index, SondeList& list, LoggerSettings& logger) const;

private:
    void WriteCalibrationFile(const SondeImport& sonde) const;
    int Register(const ToolRecord& tool) const;

    std::string m_folder;
};
