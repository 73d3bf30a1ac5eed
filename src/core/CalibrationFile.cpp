#include "core/CalibrationFile.h"

#include <ctime>

#include "core/Ini.h"
#include "platform/Application.h"

std::string CalibrationFilePath(const std::string& name)
{
    return GetProgramFolder() + kCalibrationFolder + name + kCalibrationExtension;
}

std::string CalibrationDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%d/%m/%Y", &local);
    return text;
}

void WriteCalibrationDate(CIni& file) { file.WriteString("LastModified", CalibrationDate(), "General"); }

void WriteChannelCalibration(CIni& file, int channel, int calibComma, const double coefficients[4])
{
    const std::string section = "Channel" + std::to_string(channel);
    file.WriteInt("CalibNbComma", calibComma, section.c_str());
    for (int k = 0; k < 4; ++k) {
        const std::string key = "Coefficient" + std::to_string(k);
        file.WriteFloat(key.c_str(), float(coefficients[k]), section.c_str());
    }
}
