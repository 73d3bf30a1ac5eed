#pragma once
// The text of a LAS 2.0 file (CWLS Log ASCII Standard, one line per depth
// step): the header sections up to the "~A" line, then one line per step.
// Lines end in CR LF on every platform, as the readers of these files expect.
#include <cstdio>
#include <string>

struct HeaderRecord;

constexpr double kLasNull = -999.25;
constexpr int kLasChannels = 6;  // only the first six channels of a header are exported

// Trims `value`, writes "N/A" for an empty one and pads it with blanks to
// `width` (one blank at least).
void FormatWellField(std::string& value, int width);

// Texts typed by operators, made safe for one field of a LAS line: a mnemonic
// ends at its first '.' or blank and must not begin with '#' or '~', a unit
// ends at its first blank, a value or description at a ':'. The header file
// keeps the text as typed.
std::string LasMnemonic(const std::string& text);
std::string LasUnit(const std::string& text);
std::string LasValue(const std::string& text);

// The mnemonic field of a calibration coefficient line: " " + short title +
// "-COEF" + letter + ".", 19 characters; a long title is shortened, never the
// mnemonic's period.
std::string LasCoefficientField(const std::string& titleShort, char letter);

// What the text depends on besides the header record.
struct LasLayout {
    double from = 0.0;  // metres
    double to = 0.0;
    double step = 0.0;  // signed: negative in up mode
    bool reverse = false;
    int calibration = 0;  // the source list's selection: 0 none, 1 header, 2 calibration file
    bool exported[kLasChannels] = {};  // by header channel; already limited to the channel count
    double coefficients[kLasChannels][4] = {};
};

// The columns of an export: the checked channels that the header has, of the first six.
void LasColumns(const HeaderRecord& header, const bool checked[kLasChannels], bool exported[kLasChannels]);

// Everything up to and including the "~A" line, which has no line end of its
// own. False when the stream reported a write error.
bool WriteLasHeader(std::FILE* out, const HeaderRecord& header, const LasLayout& layout);

// One data line, beginning with its own line break: the depth, then the
// values of the exported channels. False on a write error.
bool WriteLasLine(std::FILE* out, bool timeMode, double depth, const double values[kLasChannels],
                  const bool exported[kLasChannels]);

// ---- Depth range and record walk of an export ----

struct LogRecord;

// The depth range of a recorded log, metres.
struct LasRange {
    double startDepth = 0.0;  // depth of the first record
    double endDepth = 0.0;    // of the last line: the last record, then the sonde length to the nearest step
    double step = 0.0;        // signed: negative in up mode
    double from = 0.0;
    double to = 0.0;
    int records = 0;          // R: records of the data file less its last one
    int sondeSteps = 0;       // steps covered by the sonde length
    int steps = 0;            // records + sondeSteps
};

// The range of a log of `records` + 1 records described by `header`; false
// when its step is 0 (a time-mode log whose end depth equals its start).
bool ComputeLasRange(const HeaderRecord& header, int records, LasRange& range);

// The depth of the line of record position `position` (0 .. steps).
double LasPositionDepth(const LasRange& range, int position);
// The record position nearest to `depth`, inside the range.
int LasNearestPosition(const LasRange& range, double depth);

// Brings a typed From or To back inside the range, then onto the depth of the
// nearest record; true when it was outside the range.
bool CheckLasDepth(const LasRange& range, double& value, bool isFrom);

// False when From lies past To in the direction the log runs: nothing to export.
bool LasRangeInOrder(const LasRange& range);

// Record positions of the first and the last data line.
struct LasWalk {
    int first = 0;
    int last = 0;
};
LasWalk LasRecordWalk(const LasRange& range, bool reverse);

// Whole steps of |step| in a distance that is meant to be a whole number of them.
int WholeSteps(double distance, double step);

// The record whose values a header channel gives to the line at `position`:
// sensors sit along the sonde, so depth modes shift each channel by its offset.
int LasRecordIndex(const HeaderRecord& header, int channel, int position, double step);

// The six values of the line at `position`, by header channel: scaled to 50
// readings and calibrated, or the null value.
void LasLineValues(const HeaderRecord& header, const LogRecord* records, int count, int position,
                   const LasLayout& layout, double values[kLasChannels]);

// The data lines of the walk.
bool WriteLasData(std::FILE* out, const HeaderRecord& header, const LasRange& range, const LasLayout& layout,
                  const LogRecord* records, int count);

enum class LasResult {
    Written,
    OutputFailed,  // the output could not be created
    DataFailed,    // the data file could not be read: the output holds the header part only
    WriteFailed,
};

// The whole export into a new file at `lasPath` (an old one is replaced).
LasResult WriteLasFile(const std::string& lasPath, const std::string& dataPath, const HeaderRecord& header,
                       const LasRange& range, const LasLayout& layout);
