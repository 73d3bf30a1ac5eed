#pragma once
// A temporary program folder for configuration tests, with the shared
// records of the application object cleared and restored around each test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/Application.h"

class ConfigFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/kvx_config_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_folder = std::string(pattern) + "/";
        m_savedFolder = GetProgramFolder();
        SetProgramFolder(m_folder);
        ClearRecords();
    }

    void TearDown() override
    {
        SetProgramFolder(m_savedFolder);
        ClearRecords();
        std::filesystem::remove_all(m_folder);
    }

    static void ClearRecords()
    {
        *theApp.m_pPathSettings = PathSettings{};
        *theApp.m_pLoggerSettings = LoggerSettings{};
        *theApp.m_pAcousticSettings = AcousticSettings{};
        *theApp.m_pSondeList = SondeList{};
        *theApp.m_pToolRecord = ToolRecord{};
        *theApp.m_pPlacementStore = WindowPlacementStore{};
        *theApp.m_pRunState = RunState{};
        theApp.m_bPrefsLoaded = 0;
    }

    std::string Path(const std::string& name) const { return m_folder + name; }

    // The message of a settings file that refused a write.
    static std::string RefusedText(const std::string& path)
    {
        return "Trouble writing " + path + ": settings not saved.\nThe file keeps the values it had.";
    }

    void WriteFile(const std::string& name, const std::string& text) const
    {
        std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
        std::ofstream(Path(name), std::ios::binary) << text;
    }

    std::string ReadFile(const std::string& name) const
    {
        std::ifstream in(Path(name), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string m_folder;

private:
    std::string m_savedFolder;
};
