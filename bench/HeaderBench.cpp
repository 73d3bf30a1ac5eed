// Opening a log reads its header: a usual header, and one grown to 19 MB by
// lines that no key reads, which once froze the window while every key read
// parsed the whole file again.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "core/VarnoLogger_KVXApp.h"
#include "header/Header.h"
#include "header/HeaderRecord.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t k19MB = 19u << 20;

// The sections a recorded header holds, six channels, and `bulk` bytes of
// extra lines between the well information and the channels.
std::string HeaderText(size_t bulk)
{
    std::string text = "[General]\r\nLogType=1\r\nScale=100\r\nSondeLength=250\r\nNumberOfChannels=6\r\n"
                       "Ident=TRAXIMORE\r\n\r\n[WellInfo]\r\nCompany=Bench\r\nStartdepth=2600\r\nEndDepth=302600\r\n"
                       "step=100\r\nLogMode=12\r\nComment1=The well information\r\n\r\n[Remarks]\r\n";
    for (int line = 0; text.size() < bulk; ++line)
        text += "Remark" + std::to_string(line) + "=a line that no key of the header reads\r\n";
    for (int c = 0; c < 6; ++c) {
        const std::string n = std::to_string(c);
        text += "\r\n[Channel" + n + "]\r\nPhysicalCh=" + n + "\r\nTitle=Channel " + n + "\r\nTitleShort=CH" + n +
                "\r\nUnit=cps\r\nRangeLeft=0\r\nRangeRight=150\r\nVisible=1\r\nCoefficient1=1.00000\r\n";
    }
    return text;
}

class HeaderFile {
public:
    explicit HeaderFile(size_t bulk)
        : m_path(fs::temp_directory_path() / ("kvx_bench_" + std::to_string(getpid()) + ".hed"))
    {
        std::ofstream(m_path, std::ios::binary) << HeaderText(bulk);
    }
    ~HeaderFile() { fs::remove(m_path); }
    std::string Path() const { return m_path.string(); }

private:
    fs::path m_path;
};

void ReadHeader(benchmark::State& state, size_t bulk)
{
    const HeaderFile file(bulk);
    CHeader header;
    for (auto _ : state) {
        if (header.ReadHeader(file.Path()) || theApp.m_pHeaderRecord->channelCount != 6) {
            state.SkipWithError("header not read");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fs::file_size(file.Path())));
}

void BM_ReadUsualHeader(benchmark::State& state) { ReadHeader(state, 0); }
BENCHMARK(BM_ReadUsualHeader)->Unit(benchmark::kMillisecond);

void BM_Read19MBHeader(benchmark::State& state) { ReadHeader(state, k19MB); }
BENCHMARK(BM_Read19MBHeader)->Unit(benchmark::kMillisecond);

}  // namespace
