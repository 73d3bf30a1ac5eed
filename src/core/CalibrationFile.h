#pragma once
// A sonde's calibration file, Calibration/<name>.cal: per channel section
// "Channel<i>" the polynomial c0 + c1 x + c2 x^2 + c3 x^3 and its decimals.
// CPreferences::LoadCalibration reads it back.
#include <string>

class CIni;

constexpr const char* kCalibrationFolder = "Calibration/";
constexpr const char* kCalibrationExtension = ".cal";

// Full path of Calibration/<name>.cal in the program folder.
std::string CalibrationFilePath(const std::string& name);

// Today's local date, "%d/%m/%Y".
std::string CalibrationDate();
// [General] LastModified = CalibrationDate().
void WriteCalibrationDate(CIni& file);
// [Channel<channel>] CalibNbComma and Coefficient0..3 as single-precision "%6G".
void WriteChannelCalibration(CIni& file, int channel, int calibComma, const double coefficients[4]);
