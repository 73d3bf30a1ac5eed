#include "header/HeaderImport.h"

#include <algorithm>
#include <cctype>

#include "core/VarnoLogger_KVXApp.h"
#include "header/Header.h"
#include "header/HeaderRecord.h"
#include "platform/PathDisplayText.h"

namespace {

// The fields that belong to the recording, not to the well.
struct RecordingFields {
    explicit RecordingFields(const HeaderRecord& h)
        : DepthUnit(h.DepthUnit), Startdepth(h.Startdepth), EndDepth(h.EndDepth),
          StartTime(h.StartTime), EndTime(h.EndTime), step(h.step), LogMode(h.LogMode),
          Zero(h.Zero), SondeAbbreviation(h.SondeAbbreviation),
          depthIncreasing(h.depthIncreasing), readError(h.readError)
    {
    }
    void RestoreInto(HeaderRecord& h) const
    {
        h.DepthUnit = DepthUnit;
        h.Startdepth = Startdepth;
        h.EndDepth = EndDepth;
        h.StartTime = StartTime;
        h.EndTime = EndTime;
        h.step = step;
        h.LogMode = LogMode;
        h.Zero = Zero;
        h.SondeAbbreviation = SondeAbbreviation;
        h.depthIncreasing = depthIncreasing;
        h.readError = readError;
    }

    std::int32_t DepthUnit, Startdepth, EndDepth, StartTime, EndTime, step, LogMode, Zero;
    std::string SondeAbbreviation;
    bool depthIncreasing, readError;
};

}  // namespace

bool HasHeaderExtension(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension == "hed";
}

// The header's own [WellInfo] reader gives the other fields exactly the
// defaults an import wants (empty texts, zeros); the recording's own fields
// are put back afterwards.
std::string ImportWellInfo(const std::string& path)
{
    HeaderRecord& h = *theApp.m_pHeaderRecord;
    const HeaderRecord before = h;
    const RecordingFields kept(h);
    CHeader().ReadWellInfo(path);
    kept.RestoreInto(h);
    const char* key = CHeader::NonFiniteWellNumber(h);
    if (key == nullptr)
        return {};
    h = before;
    return std::string(key) + " of " + PathDisplayText(path) + " is not a number: nothing is loaded.";
}
