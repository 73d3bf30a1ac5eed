// Any bytes as a sonde import file: reading must not crash, a file the import
// accepts holds what the probe may take, and its import either gives a
// complete tool file in the sonde's own name or fails leaving none. A name
// the file system refuses is such a failure, reported to the operator.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "FuzzFile.h"

#include "core/Ini.h"
#include "core/SettingRange.h"
#include "core/Settings.h"
#include "core/SondeDatabase.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = FuzzFilePath("fuzz.txt");
    static const std::string folder = path.substr(0, path.rfind('/') + 1);
    WriteFuzzFile(path, data, size);

    const auto sonde = ReadSondeImport(path);
    if (!SondeImportProblem(*sonde).empty())
        return 0;
    const ToolRecord& accepted = sonde->tool;
    if (accepted.NumberOfChannels < 1 || accepted.NumberOfChannels > kMaxImportChannels ||
        !kVoltageRange.Contains(accepted.Voltage))
        std::abort();

    const CSondeDatabase database(folder);
    SondeList list;
    std::string failure;
    const bool imported = database.Import(*sonde, list, failure) >= 0;
    const std::string tool = database.ToolFilePath(SondeBaseName(accepted));
    std::error_code error;
    if (imported) {
        CIni written(tool, TRUE);
        if (written.GetInt("NumberOfChannels", -1, "General") != accepted.NumberOfChannels)
            std::abort();
    } else if (failure.empty() || std::filesystem::exists(tool, error) ||
               std::filesystem::exists(tool + ".new", error)) {
        std::abort();
    }
    std::filesystem::remove_all(folder + "Ressources", error);
    std::filesystem::remove_all(folder + "Calibration", error);
    std::filesystem::remove(database.ConfigPath(), error);
    return 0;
}
