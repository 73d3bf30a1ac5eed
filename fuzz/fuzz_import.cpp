// Any bytes as a sonde import file: reading must not crash, a file the import
// accepts holds what the probe may take, and gives a complete tool file in
// the sonde's own name.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzFile.h"

#include "core/Ini.h"
#include "core/SettingRange.h"
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
    if (!database.WriteToolFile(*sonde))
        std::abort();
    const std::string tool = database.ToolFilePath(SondeBaseName(sonde->tool));
    CIni written(tool, TRUE);
    if (written.GetInt("NumberOfChannels", -1, "General") != sonde->tool.NumberOfChannels)
        std::abort();
    std::remove(tool.c_str());
    return 0;
}
