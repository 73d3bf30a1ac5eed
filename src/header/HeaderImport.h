#pragma once
// Taking the well description of another header file into the header record of
// a new log, so that the next log of the same well need not be typed again.
#include <string>

// True when the file's extension is "hed" in any case.
bool HasHeaderExtension(const std::string& path);

// Replaces the [WellInfo] fields of the application's header record with those
// of the file; a missing key gives an empty text or 0. What belongs to the new
// recording (depth unit, depths, times, step, mode, zero, sonde abbreviation)
// and the rest of the record are kept. A file with a number the editor refuses
// changes nothing: the result then says why, else it is empty.
std::string ImportWellInfo(const std::string& path);
