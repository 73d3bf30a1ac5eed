#pragma once
// What the curve-track tests share: a tool of six plain curves, and the demo
// log in a configuration folder of its own, fed to the tracks as sample
// processing hands it over in replay.
#include <algorithm>
#include <cstdint>
#include <filesystem>

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
