// Any bytes as a header file: reading must not crash or touch memory outside
// the header record, and must keep its promises about the channel table.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzFile.h"

#include "core/VarnoLogger_KVXApp.h"
#include "header/Header.h"
#include "header/HeaderRecord.h"

namespace {

const std::string& headerPath()
{
    static const std::string path = FuzzFilePath("fuzz.hed");
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = headerPath();
    WriteFuzzFile(path, data, size);

    HeaderRecord& h = *theApp.m_pHeaderRecord;
    CHeader header;
    if (header.ReadHeader(path))
        std::abort();  // a readable file is never a read error
    if (h.channelCount < 0)
        std::abort();
    // Every text was cut to what one read can hold.
    const int read = std::min(h.channelCount, HeaderRecord::kChannels);
    for (int i = 0; i < read; ++i) {
        if (h.channels[i].Title.size() > 255 || h.channels[i].Title == "ende")
            std::abort();
        if (h.channels[i].Offset > h.SondeLength)
            std::abort();
    }
    if (h.Company.size() > 255 || h.depthIncreasing != (h.Startdepth < h.EndDepth))
        std::abort();
    if (header.ReadWellInfo(path))
        std::abort();
    std::remove(path.c_str());
    return 0;
}
