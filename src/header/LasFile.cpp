#include "header/LasFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "header/HeaderRecord.h"
#include "probe/LogRecord.h"

namespace {

constexpr const char* kDashLine = "#------------------------------------------------------------------------------\r\n";
constexpr int kTimeMode = 10;
constexpr int kUpMode = 11;
constexpr int kDownMode = 12;
constexpr std::size_t kCoefficientField = 19;

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Control characters would break the line wherever they stand.
std::string Replaced(const std::string& text, const char* breaking, char replacement)
{
    std::string s = Trimmed(text);
    for (char& c : s) {
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr(breaking, c) != nullptr)
            c = replacement;
    }
    return s;
}

std::string Padded(std::string value, int width)
{
    FormatWellField(value, width);
    return value;
}

void WriteWellLine(std::FILE* out, const char* mnemonic, const std::string& value, const char* description)
{
    std::fputs(mnemonic, out);
    std::fputs(Padded(LasValue(value), 40).c_str(), out);
    std::fputs(description, out);
}

void WriteWellSection(std::FILE* out, const HeaderRecord& header, const LasLayout& layout)
{
    const bool timeMode = header.LogMode == kTimeMode;
    // Start and stop with the decimals of the depth column, so that they name the first and last lines.
    const char* depthFormat = timeMode ? "%#8.3f" : "%#8.2f";
    const double first = layout.reverse ? layout.to : layout.from;
    const double last = layout.reverse ? layout.from : layout.to;
    const double step = layout.reverse ? -layout.step : layout.step;
    char number[64];

    std::fputs("~WELL INFORMATION\r\n", out);
    std::fputs("#MNEM.UNIT         DATA                                DESCRIPTION \r\n", out);
    std::fputs(kDashLine, out);
    std::snprintf(number, sizeof number, depthFormat, first);
    std::fprintf(out, " STRT.M        %s                            :   START DEPTH\r\n", number);
    std::snprintf(number, sizeof number, depthFormat, last);
    std::fprintf(out, " STOP.M        %s                            :   STOP DEPTH\r\n", number);
    std::snprintf(number, sizeof number, timeMode ? "%#8.3f" : "%#8.2f", step);
    std::fprintf(out, " STEP.M        %s                            :   STEP VALUE\r\n", number);
    std::fputs(" NULL.         -999.250                            :   NULL VALUE\r\n", out);
    WriteWellLine(out, " COMP.    ", header.Company, " :   COMPANY NAME\r\n");
    WriteWellLine(out, " WELL.    ", header.Wellname, " :   WELL NAME\r\n");
    WriteWellLine(out, " FLD.     ", header.Fieldname, " :   FIELD NAME\r\n");
    WriteWellLine(out, " LOC.     ", header.Location, " :   LOCATION\r\n");
    WriteWellLine(out, " CTRY.    ", header.Country, " :   COUNTRY\r\n");
    WriteWellLine(out, " CNTY.    ", "", " :   COUNTY\r\n");
    WriteWellLine(out, " STAT.    ", "", " :   STATE\r\n");
    WriteWellLine(out, " SRVC.    ", header.ServiceCompany, " :   SERVICE COMPANY NAME\r\n");
    WriteWellLine(out, " DATE.    ", header.Date, " :   DATE\r\n");
    WriteWellLine(out, " UWI.     ", header.UWI, " :   UNIQUE WELL IDENTIFIER\r\n");
    // The header record has no API number of its own.
    WriteWellLine(out, " API.     ", header.UWI, " :   API REFERENCE NUMBER\r\n");
}

void WriteParameterSection(std::FILE* out, const HeaderRecord& header, const LasLayout& layout)
{
    std::fputs("~PARAMETER INFORMATION\r\n", out);
    std::fputs("#MNEM.UNIT         VALUE                 DESCRIPTION OF MNEMONIC\r\n", out);
    std::fputs(kDashLine, out);
    if (layout.calibration <= 0)
        return;
    for (int c = 0; c < kLasChannels; ++c) {
        if (!layout.exported[c])
            continue;
        for (int k = 0; k < 4; ++k) {
            const char letter = char('A' + k);
            const std::string field = LasCoefficientField(header.channels[c].TitleShort, letter);
            std::fprintf(out, "%s%#14.6f      %s : CALIBRATION COEF %c\r\n", field.c_str(), layout.coefficients[c][k],
                         field.c_str(), letter);
        }
    }
}

void WriteOtherSection(std::FILE* out, int logMode)
{
    std::fputs("~OTHER INFORMATION SECTION\r\n", out);
    std::fputs(kDashLine, out);
    if (logMode == kTimeMode)
        std::fputs("     Notes: The log is recorded in Time Mode.\r\n", out);
    else if (logMode == kUpMode)
        std::fputs("     Notes: The log is recorded in Up Mode.\r\n", out);
    else if (logMode == kDownMode)
        std::fputs("     Notes: The log is recorded in Down Mode.\r\n", out);
    std::fputs(kDashLine, out);
}

void WriteCurveSection(std::FILE* out, const HeaderRecord& header, const LasLayout& layout)
{
    std::fputs("~CURVE INFORMATION\r\n", out);
    std::fputs("#MNEMO.UNIT         API CODE              CURVE DESCRIPTION\r\n", out);
    std::fputs(kDashLine, out);
    std::fputs(" DEPTH     .M                                 :   0 Depth\r\n", out);
    for (int c = 0; c < kLasChannels; ++c) {
        if (!layout.exported[c])
            continue;
        const HeaderChannel& channel = header.channels[c];
        std::fprintf(out, " %s.%s                        :   %d %s\r\n",
                     Padded(LasMnemonic(channel.TitleShort), 10).c_str(), Padded(LasUnit(channel.Unit), 10).c_str(),
                     c + 1, Padded(LasValue(channel.Title), 28).c_str());
    }
    std::fputs(kDashLine, out);
    std::fputs("~A  DEPTH", out);
    for (int c = 0; c < kLasChannels; ++c) {
        if (layout.exported[c])
            std::fprintf(out, "  %s", Padded(LasMnemonic(header.channels[c].TitleShort), 10).c_str());
    }
}

}  // namespace

void FormatWellField(std::string& value, int width)
{
    value = Trimmed(value);
    if (value.empty())
        value = "N/A";
    const int length = int(value.size());
    if (length < width)
        value.append(std::size_t(width - length), ' ');
    else if (length == width)
        value.push_back(' ');
    else
        value.append(std::size_t(length - width), ' ');
}

void LasColumns(const HeaderRecord& header, const bool checked[kLasChannels], bool exported[kLasChannels])
{
    for (int c = 0; c < kLasChannels; ++c)
        exported[c] = checked[c] && c < header.channelCount;
}

std::string LasMnemonic(const std::string& text)
{
    std::string mnemonic = Replaced(text, ". \t:", '_');
    // Mnemonics begin their lines: a reader takes '#' there for a comment, '~' for a section.
    if (!mnemonic.empty() && (mnemonic[0] == '#' || mnemonic[0] == '~'))
        mnemonic[0] = '_';
    return mnemonic;
}

std::string LasUnit(const std::string& text) { return Replaced(text, " \t:", '_'); }

std::string LasValue(const std::string& text) { return Replaced(text, ":", ';'); }

std::string LasCoefficientField(const std::string& titleShort, char letter)
{
    const std::string suffix = std::string("-COEF") + letter + ".";
    std::string title = LasMnemonic(titleShort);
    title.resize(std::min(title.size(), kCoefficientField - 1 - suffix.size()));
    std::string field = " " + title + suffix;
    field.resize(kCoefficientField, ' ');
    return field;
}

bool WriteLasHeader(std::FILE* out, const HeaderRecord& header, const LasLayout& layout)
{
    std::fputs("~VERSION INFORMATION\r\n", out);
    std::fputs(kDashLine, out);
    std::fputs(" VERS. 2.0 : CWLS LOG ASCII STANDARD - VERSION 2.0\r\n", out);
    std::fputs(" WRAP. NO  : ONE LINE PER DEPTH STEP\r\n", out);
    WriteWellSection(out, header, layout);
    WriteParameterSection(out, header, layout);
    WriteOtherSection(out, header.LogMode);
    WriteCurveSection(out, header, layout);
    return std::ferror(out) == 0;
}

bool WriteLasLine(std::FILE* out, bool timeMode, double depth, const double values[kLasChannels],
                  const bool exported[kLasChannels])
{
    if (timeMode)
        std::fprintf(out, "\r\n %#8.3f ", std::round(depth * 1000.0) / 1000.0);
    else
        std::fprintf(out, "\r\n %#7.2f  ", std::round(depth * 100.0) / 100.0);
    for (int c = 0; c < kLasChannels; ++c) {
        if (exported[c])
            std::fprintf(out, " %#11.3f", values[c]);
    }
    return std::ferror(out) == 0;
}

bool ComputeLasRange(const HeaderRecord& header, int records, LasRange& range)
{
    range = LasRange{};
    range.records = records;
    range.startDepth = std::round(header.Startdepth / 10.0) / 100.0;
    if (header.LogMode == kTimeMode) {
        const double end = std::round(header.EndDepth / 10.0) / 100.0;
        range.step = std::round((end - range.startDepth) / records * 1000.0) / 1000.0;
    } else {
        range.step = header.step / 1000.0;
        if (header.LogMode == kUpMode)
            range.step = -range.step;
    }
    if (range.step == 0.0)
        return false;
    // No channel is shifted in time mode, so the range does not grow by the sonde there.
    // Counted in millimetres, where a sonde of half a step more is exactly half.
    if (header.LogMode == kUpMode || header.LogMode == kDownMode)
        range.sondeSteps = int(std::lround(header.SondeLength * 10.0 / std::abs(header.step)));
    range.steps = records + range.sondeSteps;
    // On the record grid, as every line: a sonde that is not a whole number of
    // steps long ends the range at the nearest step.
    range.endDepth = LasPositionDepth(range, range.steps);
    range.from = range.startDepth;
    range.to = range.endDepth;
    return true;
}

double LasPositionDepth(const LasRange& range, int position) { return range.startDepth + position * range.step; }

int LasNearestPosition(const LasRange& range, double depth)
{
    const long position = std::lround((depth - range.startDepth) / range.step);
    return int(std::clamp<long>(position, 0, range.steps));
}

bool CheckLasDepth(const LasRange& range, double& value, bool isFrom)
{
    const double s = range.startDepth;
    const double e = range.endDepth;
    // One step inward from either end, whichever way the log runs.
    const double d = std::fabs(range.step);
    double corrected = value;
    if (e > s) {
        if (isFrom)
            corrected = value < s ? s : value > range.to ? range.to - d : value;
        else
            corrected = value > e ? e : value < s ? s + d : value;
    } else {
        if (isFrom)
            corrected = value > s ? s : value < e ? e + d : value;
        else
            corrected = value < e ? e : value > s ? s - d : value;
    }
    const bool outside = corrected != value;
    // A line can only stand where a record was taken.
    value = LasPositionDepth(range, LasNearestPosition(range, corrected));
    return outside;
}

bool LasRangeInOrder(const LasRange& range)
{
    return LasNearestPosition(range, range.from) <= LasNearestPosition(range, range.to);
}

// Record indexes drop the fraction of a quotient of depths, but depths are not
// exact in binary: 0.3 / 0.05 is 5.999..., which is meant as 6, not 5.
int StepIndex(double quotient)
{
    const double nearest = std::round(quotient);
    return int(std::fabs(quotient - nearest) < 1e-6 ? nearest : std::trunc(quotient));
}

int WholeSteps(double distance, double step) { return StepIndex(distance / std::fabs(step)); }

LasWalk LasRecordWalk(const LasRange& range, bool reverse)
{
    const int fromIndex = LasNearestPosition(range, range.from);
    const int toIndex = LasNearestPosition(range, range.to);
    return reverse ? LasWalk{toIndex, fromIndex} : LasWalk{fromIndex, toIndex};
}

int LasRecordIndex(const HeaderRecord& header, int channel, int position, double step)
{
    const HeaderChannel& ch = header.channels[channel];
    if (header.LogMode == kUpMode)
        return position - WholeSteps(ch.Offset / 100.0, step);
    if (header.LogMode == kDownMode)
        return position - WholeSteps(header.SondeLength / 100.0 - ch.Offset / 100.0, step);
    return position;
}

void LasLineValues(const HeaderRecord& header, const LogRecord* records, int count, int position,
                   const LasLayout& layout, double values[kLasChannels])
{
    const int channels = std::min(header.channelCount, kLasChannels);
    for (int c = 0; c < kLasChannels; ++c) {
        values[c] = kLasNull;
        if (c >= channels)
            continue;
        const int j = LasRecordIndex(header, c, position, layout.step);
        const int raw = header.channels[c].PhysicalCh;
        // A header file edited by hand may name no raw channel of the record.
        if (j < 0 || j >= count || records[j].n == 0 || raw < 1 || raw > kLasChannels)
            continue;
        const double x = records[j].channelSums[raw - 1] * 50.0 / records[j].n;
        if (layout.calibration <= 0) {
            values[c] = x;
            continue;
        }
        const double* k = layout.coefficients[c];
        values[c] = k[0] + k[1] * x + k[2] * x * x + k[3] * x * x * x;
    }
}

bool WriteLasData(std::FILE* out, const HeaderRecord& header, const LasRange& range, const LasLayout& layout,
                  const LogRecord* records, int count)
{
    const LasWalk walk = LasRecordWalk(range, layout.reverse);
    const bool timeMode = header.LogMode == kTimeMode;
    const int direction = layout.reverse ? -1 : 1;
    double values[kLasChannels];
    bool written = true;
    for (int i = walk.first;; i += direction) {
        LasLineValues(header, records, count, i, layout, values);
        written = WriteLasLine(out, timeMode, LasPositionDepth(range, i), values, layout.exported) && written;
        if (layout.reverse ? i <= walk.last : i >= walk.last)
            break;
    }
    return written;
}

LasResult WriteLasFile(const std::string& lasPath, const std::string& dataPath, const HeaderRecord& header,
                       const LasRange& range, const LasLayout& layout)
{
    // Written whole, never appended to what a file of that name held.
    std::FILE* out = std::fopen(lasPath.c_str(), "wb");
    if (out == nullptr)
        return LasResult::OutputFailed;
    // Start and stop name the first and the last line written.
    const LasWalk walk = LasRecordWalk(range, false);
    LasLayout onGrid = layout;
    onGrid.from = LasPositionDepth(range, walk.first);
    onGrid.to = LasPositionDepth(range, walk.last);
    bool written = WriteLasHeader(out, header, onGrid);
    std::FILE* data = std::fopen(dataPath.c_str(), "rb");
    if (data == nullptr) {
        std::fclose(out);
        return LasResult::DataFailed;
    }
    // The data file's last record is not exported.
    std::vector<LogRecord> records(std::size_t(std::max(range.records, 0)));
    const std::size_t count = std::fread(records.data(), sizeof(LogRecord), records.size(), data);
    std::fclose(data);
    written = WriteLasData(out, header, range, layout, records.data(), int(count)) && written;
    written = std::fclose(out) == 0 && written;
    return written ? LasResult::Written : LasResult::WriteFailed;
}
