#pragma once
// The default sonde that a first start registers (KVXS0001), described for the
// emulator's six-channel probe, and its tool file.
struct LoggerSettings;
struct SondeEntry;
struct ToolRecord;

// The sonde list entry of a new configuration.
SondeEntry DefaultSondeEntry();

// The default sonde into the tool record and the logger settings it sets.
void DescribeDefaultSonde(ToolRecord& tool, LoggerSettings& logger);

// Replaces the selected sonde's tool file in the program folder's Ressources
// with the tool record and logger settings; false when it could not be made.
bool WriteToolFile();
