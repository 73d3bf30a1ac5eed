#pragma once
// What the curve-track tests share: a tool of six plain curves, and the demo
// log in a configuration folder of its own, fed to the tracks as sample
// processing hands it over in replay.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "core/ConfigFolder.h"
#include "core/Preferences.h"
#include "display/ScopeTrack.h"
#include "header/Header.h"
#include "header/HeaderRecord.h"
#include "probe/LogRecord.h"
#include "probe/ToolsStream.h"
#include "support/ScriptedMessageBoxes.h"

// Six visible curves, two per track, ranges 0..1000, palette colours 1..6.
inline ToolRecord PlainTool()
{
    ToolRecord tool;
    tool.Cols[0] = tool.Cols[1] = tool.Cols[2] = 4;
    for (int c = 0; c < 6; ++c) {
        ChannelRecord& ch = tool.channels[c];
        ch.DisplayTrack = c / 2;
        ch.LogicalCh = c % 2 + 1;
        ch.Visible = 1;
        ch.RangeLeft = 0;
        ch.RangeRight = 1000;
        ch.LineColour = c + 1;
        ch.Coefficient[1] = 1.0;
    }
    return tool;
}

// Every record of a data file.
inline std::vector<LogRecord> ReadLogRecords(const std::filesystem::path& path)
{
    std::vector<LogRecord> records(std::filesystem::file_size(path) / sizeof(LogRecord));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return {};
    records.resize(std::fread(records.data(), sizeof(LogRecord), records.size(), file));
    std::fclose(file);
    return records;
}

// Each of the tracks' depth labels states, to the centimetre, the depth at
// which the record drawn on its row was taken: the record found among
// `records` by the six values the rings hold at that row, its depth from the
// log's header (start, step, sonde length) and the place of the first
// channel's sensor on the sonde. Returns how many labels had a record on their row.
inline int ExpectLabelsAtTheDepthsOfTheirRecords(const CScopeTrack& tracks,
                                                 const std::vector<CScopeTrack::DepthMark>& labels,
                                                 const std::vector<LogRecord>& records, const HeaderRecord& header,
                                                 const ToolRecord& tool)
{
    const double pps = tracks.Scale().pixelsPerSample;
    const int newest = track::WrapIndex(tracks.Count(0));
    const double step = header.step / 1000.0;
    const double offset = tool.channels[0].Offset / 100.0;
    int checked = 0;
    for (const CScopeTrack::DepthMark& label : labels) {
        SCOPED_TRACE(testing::Message() << "label" << label.text << "at y " << label.y);
        const int index = track::WrapIndex(newest - (long long)(label.row / pps));
        double drawn[6];
        for (int c = 0; c < 6; ++c)
            drawn[c] = tracks.SampleAt(c, index).raw;
        if (drawn[0] < 0.0)
            continue;  // above the first record
        std::vector<size_t> found;
        for (size_t j = 0; j < records.size(); ++j) {
            bool same = records[j].n != 0;
            for (int c = 0; c < 6 && same; ++c) {
                const double value = records[j].channelSums[tool.channels[c].PhysicalCh] * 50.0 / records[j].n;
                same = std::fabs(value - drawn[c]) < 1e-9;
            }
            if (same)
                found.push_back(j);
        }
        if (found.size() != 1) {
            ADD_FAILURE() << found.size() << " records hold the values drawn on the row";
            continue;
        }
        const double start = header.Startdepth / 1000.0;
        const double j = double(found[0]);
        // Down, the depth counts from the sonde's top; up, from its bottom.
        const double depth = header.LogMode == track::kModeUp ? start - j * step - offset
                                                               : start + j * step + header.SondeLength / 100.0 - offset;
        EXPECT_NEAR(depth, label.depth, 0.01);
        EXPECT_NEAR(depth, std::strtod(label.text.c_str(), nullptr), 0.01);
        ++checked;
    }
    return checked;
}

class DemoLogTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        m_savedHeader = *theApp.m_pHeaderRecord;
        for (const char* name : {"Ressources/KVXS0001.tol", "Demo/KPXG3241.log", "Demo/KPXG3241.hed"}) {
            std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
            std::filesystem::copy_file(std::filesystem::path(KVX_PROGRAM_DIR) / name, Path(name));
        }
        ScriptedMessageBoxes boxes;
        CPreferences prefs;
        prefs.Initialize();  // the default sonde and the demo log
        CHeader reader;
        ASSERT_FALSE(reader.ReadHeader(Path("Demo/KPXG3241.hed")));
        m_tool = *theApp.m_pToolRecord;
    }

    void TearDown() override
    {
        *theApp.m_pHeaderRecord = m_savedHeader;
        ConfigFolderTest::TearDown();
    }

    // Replays the demo log into the tracks at m_scale; time mode takes every
    // record as one time step.
    void Replay(CScopeTrack& tracks, bool timeMode)
    {
        const HeaderRecord& header = *theApp.m_pHeaderRecord;
        const int mode = timeMode ? track::kModeTime : header.LogMode;
        const int step = timeMode ? 1 : std::max(1, header.step / 10);
        tracks.LoadChannelSettings(m_tool);
        tracks.ClearBuffers();
        tracks.ResetOrigin(header.Startdepth / 1000.0, m_tool.SondeLength, mode, 0);
        CToolsStream stream;
        LogRecord record;
        for (std::int64_t at = 0; stream.ReadDataLineInFile(at, record); at += sizeof record) {
            double raw[6];
            for (int c = 0; c < 6; ++c)
                raw[c] = record.channelSums[m_tool.channels[c].PhysicalCh] * 50.0 / record.n;
            tracks.SetSampleInterval(m_scale);
            tracks.AddSamples(raw, mode, step, m_tool);
        }
    }

    HeaderRecord m_savedHeader;
    ToolRecord m_tool;
    int m_scale = 100;
};
