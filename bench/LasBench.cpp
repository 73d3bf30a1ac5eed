// The LAS writer: one data line against a bare fprintf of the same text, and
// the export of a 100,000-record log from its data file to its .las file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "header/HeaderRecord.h"
#include "header/LasFile.h"
#include "probe/LogRecord.h"

namespace {

namespace fs = std::filesystem;

const double kValues[kLasChannels] = {-999.25, 12.5, 3.125, 1234.567, 98.0, 0.001};
const bool kAll[kLasChannels] = {true, true, true, true, true, true};

void BM_LasWriterLine(benchmark::State& state)
{
    std::FILE* out = std::fopen("/dev/null", "wb");
    double depth = 2.6;
    for (auto _ : state) {
        WriteLasLine(out, false, depth, kValues, kAll);
        depth += 0.1;
    }
    std::fclose(out);
}
BENCHMARK(BM_LasWriterLine);

// The same text in one call, with nothing of the writer's own.
void BM_BareFprintfLine(benchmark::State& state)
{
    std::FILE* out = std::fopen("/dev/null", "wb");
    double depth = 2.6;
    for (auto _ : state) {
        std::fprintf(out, "\r\n %#7.2f   %#11.3f %#11.3f %#11.3f %#11.3f %#11.3f %#11.3f", depth, kValues[0],
                     kValues[1], kValues[2], kValues[3], kValues[4], kValues[5]);
        depth += 0.1;
    }
    std::fclose(out);
}
BENCHMARK(BM_BareFprintfLine);

HeaderRecord SixChannelDownLog()
{
    HeaderRecord h;
    h.LogMode = 12;
    h.Startdepth = 2600;
    h.step = 100;
    h.SondeLength = 250;
    h.Company = "Bench";
    h.channelCount = 6;
    for (int c = 0; c < kLasChannels; ++c) {
        h.channels[c].TitleShort = "CH" + std::to_string(c + 1);
        h.channels[c].Title = "Channel " + std::to_string(c + 1);
        h.channels[c].Unit = "cps";
        h.channels[c].PhysicalCh = c + 1;
        h.channels[c].Offset = 20 * c;
    }
    return h;
}

void BM_LasExport100k(benchmark::State& state)
{
    constexpr int kRecords = 100000;
    const fs::path folder = fs::temp_directory_path() / ("kvx_lasbench" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path data = folder / "bench.log";
    const fs::path las = folder / "bench.las";
    std::vector<LogRecord> records(kRecords + 1);
    for (int i = 0; i <= kRecords; ++i) {
        records[size_t(i)].n = std::uint8_t(25 + i % 26);
        for (int c = 0; c < kLasChannels; ++c)
            records[size_t(i)].channelSums[c] = std::uint16_t((i * 37 + c * 1000) % 65536);
    }
    std::FILE* file = std::fopen(data.c_str(), "wb");
    std::fwrite(records.data(), sizeof(LogRecord), records.size(), file);
    std::fclose(file);

    const HeaderRecord header = SixChannelDownLog();
    LasRange range;
    ComputeLasRange(header, kRecords, range);
    LasLayout layout;
    layout.from = range.from;
    layout.to = range.to;
    layout.step = range.step;
    layout.calibration = 1;
    for (int c = 0; c < kLasChannels; ++c) {
        layout.exported[c] = true;
        layout.coefficients[c][0] = 1.0;
        layout.coefficients[c][1] = 0.05;
        layout.coefficients[c][2] = 1e-6;
    }
    for (auto _ : state) {
        if (WriteLasFile(las.string(), data.string(), header, range, layout) != LasResult::Written)
            state.SkipWithError("export failed");
    }
    state.counters["lines"] = range.steps + 1;
    fs::remove_all(folder);
}
BENCHMARK(BM_LasExport100k)->Unit(benchmark::kMillisecond);

}  // namespace
