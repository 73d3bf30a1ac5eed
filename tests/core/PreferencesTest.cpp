#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "ConfigFolder.h"
#include "core/Ini.h"
#include "core/Preferences.h"
#include "platform/Locale.h"
#include "support/FileSizeLimit.h"
#include "support/ScriptedMessageBoxes.h"

using PreferencesTest = ConfigFolderTest;

namespace {

std::string Normalised(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

std::string WithCrLf(const std::string& text)
{
    std::string result;
    for (char c : text)
        result += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return result;
}

}  // namespace

TEST_F(PreferencesTest, FirstStartMakesDemoPathsDefaultSondeAndPlacements)
{
    CPreferences prefs;
    prefs.Initialize();

    const std::string demo = m_folder + "Demo/KPXG3241";
    // CR LF throughout, the appended default sonde included.
    EXPECT_EQ(ReadFile("Zarkv.cfg"),
              WithCrLf("[VarnoLogger]\nFileName=KPXG3241.log\nLastFile=c:\\\nDataFile=" + demo +
                       ".log\nFilePath=c:\\\nDephtRound=no\nRefInStock=1\nTempdir=c:\\\n"
                       "languageID=0\nPrinterUsed=none\n\n[RefSonde1]\nName=Tralvin default sonde\n"
                       "Ref=KVXS\nSerial=0001\nProduct=Brannoquist\nTolFile=KVXS0001\n"));
    const PathSettings& paths = *theApp.m_pPathSettings;
    EXPECT_STREQ(paths.appDir, m_folder.c_str());
    EXPECT_STREQ(paths.configPath, (m_folder + "Zarkv.cfg").c_str());
    EXPECT_STREQ(paths.LastFile, "c:\\");
    EXPECT_STREQ(paths.DataFile, (demo + ".log").c_str());
    EXPECT_STREQ(paths.FileName, "KPXG3241.log");
    EXPECT_EQ(theApp.m_pSondeList->RefInStock, 1);
    EXPECT_EQ(theApp.m_pSondeList->entries[0].TolFile, "KVXS0001");
    EXPECT_EQ(theApp.m_pSondeList->entries[0].Name, "Tralvin default sonde");
    EXPECT_EQ(theApp.m_pLoggerSettings->PulleyDir, 1);
    EXPECT_EQ(theApp.m_pLoggerSettings->PulleysDiameter, 5000);
    EXPECT_EQ(theApp.m_nRefreshTime, 100);
    EXPECT_STREQ(theApp.m_szCountry, "UK");
    EXPECT_EQ(theApp.m_bPrefsLoaded, 1);

    const std::string dat = ReadFile("Zarkv.dat");
    ASSERT_EQ(dat.size(), 985u);
    EXPECT_EQ(dat[0], 1);
    EXPECT_TRUE(std::filesystem::is_directory(Path("Ressources")));
    EXPECT_TRUE(std::filesystem::is_directory(Path("Calibration")));
}

TEST_F(PreferencesTest, ConfigKeysAreBoundedAndCorrected)
{
    const std::string longName(80, 'n');
    WriteFile("Zarkv.cfg",
              "[VarnoLogger]\nFilePath=/data\nFileName=" + longName +
                  "\nRefreshTime=50\nPulleyDir=0\nDephtRound=2\nRefInStock=150\nDepthMemo=12,5\n"
                  "TechnicalToolsOn=yes\n[RefSonde1]\nRef=A\nTolFile=a\n[RefSonde2]\nRef=null\n"
                  "Name=ghost\n[RefSonde3]\nRef=C\nName=third\nTolFile=c\n");
    WriteFile("Zarkv.dat", std::string(985, '\0'));
    CPreferences prefs;
    prefs.Initialize();

    EXPECT_EQ(std::strlen(theApp.m_pPathSettings->FileName), 49u);
    EXPECT_STREQ(theApp.m_pPathSettings->FilePath, "/data");
    EXPECT_EQ(theApp.m_nRefreshTime, 100);
    EXPECT_EQ(theApp.m_pLoggerSettings->PulleyDir, 0);
    EXPECT_EQ(theApp.m_pLoggerSettings->DephtRound, 0);
    EXPECT_EQ(theApp.m_bTechnicalToolsOn, 1);
    EXPECT_DOUBLE_EQ(theApp.m_pAcousticSettings->DepthMemo, 12.5);
    EXPECT_EQ(theApp.m_pSondeList->RefInStock, 100);
    EXPECT_EQ(theApp.m_pSondeList->entries[0].TolFile, "a");
    EXPECT_EQ(theApp.m_pSondeList->entries[1].Name, "");
    EXPECT_EQ(theApp.m_pSondeList->entries[2].Name, "third");

    CIni cfg(Path("Zarkv.cfg"), "VarnoLogger", TRUE);
    EXPECT_EQ(cfg.GetString("DephtRound"), "no");
    EXPECT_EQ(cfg.GetInt("RefInStock", 0), 150);
    EXPECT_EQ(cfg.GetString("FileName"), longName);  // the file keeps what it had
}

// The saves of the start, the winch and the language tell it once.
TEST_F(PreferencesTest, ReadOnlyConfigIsLeftAsItIs)
{
    const std::string cfg = "[VarnoLogger]\r\nFilePath=/d\r\nRefInStock=0\r\n";
    WriteFile("Zarkv.cfg", cfg);
    ASSERT_EQ(chmod(Path("Zarkv.cfg").c_str(), 0444), 0);
    ScriptedMessageBoxes boxes;
    boxes.Expect(RefusedText(Path("Zarkv.cfg")));
    CPreferences prefs;
    prefs.Initialize();
    prefs.SaveWinch();
    prefs.SetLanguage(1031);
    EXPECT_EQ(ReadFile("Zarkv.cfg"), cfg);  // no default sonde appended either
}

// Without room for a copy, only a value of the same length is written; a
// refusal is told once until a save is taken whole, saying whether the save
// changed the file in part.
TEST_F(PreferencesTest, FullDiskTakesOnlySameLengthValuesAndTellsOnce)
{
    WriteFile("Zarkv.cfg", "[VarnoLogger]\nFilePath=/d\nPulsResolution=200\n");
    CPreferences prefs;
    prefs.Initialize();
    prefs.SaveWinch();
    std::vector<std::string> told;
    SetMessageBoxHandler([&](const std::string& text, const std::string&, UINT) {
        told.push_back(text);
        return IDOK;
    });
    FileSizeLimit full(std::filesystem::file_size(Path("Zarkv.cfg")) - 2);
    ASSERT_TRUE(full.Set());
    const std::string kept = RefusedText(Path("Zarkv.cfg"));
    const std::string partly =
        "Trouble writing " + Path("Zarkv.cfg") + ": some settings were not saved.\nThe others were saved.";
    const struct {
        int resolution, diameter;  // saved
        int resolutionInFile, diameterInFile;
        std::string told;
    } rows[] = {
        {300, 5000, 300, 5000, ""},
        {10, 5000, 300, 5000, kept},
        {1000, 5000, 300, 5000, ""},  // told already
        {400, 5000, 400, 5000, ""},   // taken whole
        {500, 50000, 500, 5000, partly},
        {10, 5000, 500, 5000, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.resolution);
        told.clear();
        theApp.m_pLoggerSettings->PulsResolution = row.resolution;
        theApp.m_pLoggerSettings->PulleysDiameter = row.diameter;
        prefs.SaveWinch();
        CIni cfg(Path("Zarkv.cfg"), "VarnoLogger", TRUE);
        EXPECT_EQ(row.resolutionInFile, cfg.GetInt("PulsResolution", 0));
        EXPECT_EQ(row.diameterInFile, cfg.GetInt("PulleysDiameter", 0));
        EXPECT_EQ(row.told.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.told}, told);
    }
    SetMessageBoxHandler(nullptr);
}

TEST_F(PreferencesTest, KnownDefaultSondeSectionIsCompletedInPlace)
{
    WriteFile("Zarkv.cfg", "[VarnoLogger]\nFilePath=/d\n[RefSonde1]\nTolFile=kvxs0001\n");
    CPreferences prefs;
    prefs.Initialize();
    const std::string cfg = ReadFile("Zarkv.cfg");
    EXPECT_EQ(cfg.find("[RefSonde1]"), cfg.rfind("[RefSonde1]"));
    EXPECT_EQ(theApp.m_pSondeList->entries[0].Product, "Brannoquist");
    EXPECT_EQ(theApp.m_pSondeList->entries[0].TolFile, "kvxs0001");
}

// Only the winch page's two cable types exist; another number would leave
// its list without a choice and send a wrong winch byte.
TEST_F(PreferencesTest, CableTypeOutsideTheListLoadsAsTheDefault)
{
    const struct {
        const char* line;
        int loaded;
    } cases[] = {{"CableType=0", 0}, {"CableType=1", 1}, {"CableType=2", 0}, {"CableType=-1", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ClearRecords();
        WriteFile("Zarkv.cfg", std::string("[VarnoLogger]\nFilePath=/d\n") + c.line + "\n");
        CPreferences prefs;
        prefs.Initialize();
        EXPECT_EQ(c.loaded, theApp.m_pLoggerSettings->CableType);
    }
}

TEST_F(PreferencesTest, PlacementFileMissingShortOrValid)
{
    WriteFile("Zarkv.cfg", "[VarnoLogger]\nFilePath=/d\nLastFile=/d/x.hed\nRefInStock=1\n[RefSonde1]\nRef=K\n");
    WindowPlacementStore stored;
    stored.valid = 1;
    stored.placements[kPlacementDisplayOptions].length = 44;
    stored.placements[kPlacementDisplayOptions].rcNormalPosition = {1, 2, 3, 4};
    WriteFile("Zarkv.dat", std::string(reinterpret_cast<const char*>(&stored), sizeof stored));
    {
        CPreferences prefs;
        prefs.Initialize();
        EXPECT_EQ(std::memcmp(theApp.m_pPlacementStore, &stored, sizeof stored), 0);
        EXPECT_STREQ(theApp.m_pPathSettings->LastFile, "/d/x.hed");  // no reset
    }

    ClearRecords();
    std::memset(static_cast<void*>(theApp.m_pPlacementStore), 0x55, sizeof(WindowPlacementStore));
    WriteFile("Zarkv.dat", std::string(reinterpret_cast<const char*>(&stored), 30));
    {
        CPreferences prefs;
        prefs.Initialize();
        const WindowPlacementStore& store = *theApp.m_pPlacementStore;
        EXPECT_EQ(store.valid, 1);
        EXPECT_EQ(DWORD{store.placements[1].length}, 0u);
        EXPECT_EQ(DWORD{store.placements[kPlacementDisplayOptions].length}, 0u);
        EXPECT_STREQ(theApp.m_pPathSettings->LastFile, "/d/x.hed");
    }

    ClearRecords();
    std::filesystem::remove(Path("Zarkv.dat"));
    {
        CPreferences prefs;
        prefs.Initialize();
        EXPECT_STREQ(theApp.m_pPathSettings->LastFile, "c:\\");
        EXPECT_EQ(ReadFile("Zarkv.dat").size(), 985u);
    }
}

TEST_F(PreferencesTest, SaveWinchAndLanguage)
{
    CPreferences prefs;
    prefs.Initialize();
    LoggerSettings& logger = *theApp.m_pLoggerSettings;
    logger.PulleyDir = 0;
    logger.CableType = 2;
    logger.PulleysDiameter = 4321;
    logger.PulsResolution = 512;
    logger.SelectedSonde = 0;
    theApp.m_strPrinterUsed = "PDF";
    prefs.SaveWinch();
    CIni cfg(Path("Zarkv.cfg"), "VarnoLogger", TRUE);
    EXPECT_EQ(cfg.GetString("PulleyDir"), "no");
    EXPECT_EQ(cfg.GetInt("PulleysDiameter", 0), 4321);
    EXPECT_EQ(cfg.GetInt("PulsResolution", 0), 512);
    EXPECT_EQ(cfg.GetString("PrinterUsed"), "PDF");

    prefs.SetLanguage(1033);
    EXPECT_EQ(theApp.m_pPathSettings->languageID, 1033);
    EXPECT_STREQ(theApp.m_szCountry, "FR");
    EXPECT_EQ(GetThreadLocale(), 1033);
    EXPECT_EQ(cfg.GetInt("languageID", 0), 1033);
    prefs.SetLanguage(1031);
    EXPECT_STREQ(theApp.m_szCountry, "DE");
    prefs.SetLanguage(2057);
    EXPECT_STREQ(theApp.m_szCountry, "UK");
}

TEST_F(PreferencesTest, LineWritersUseDotsAndFixedFormats)
{
    const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    std::FILE* file = std::fopen(Path("lines.txt").c_str(), "w");
    ASSERT_NE(file, nullptr);
    CPreferences::WriteFileLine("T", "text", file);
    CPreferences::WriteFileInt("I", -3, file);
    CPreferences::WriteFileDouble("D", 2.5, file);
    CPreferences::WriteFileFloat("F", 1.0f, file);
    CPreferences::WriteFileBool("B", TRUE, file);
    std::fclose(file);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(ReadFile("lines.txt"), "T=text\nI=-3\nD=2.500000\nF=1.00000\nB=1\n") << "comma locale: " << comma;
}

TEST_F(PreferencesTest, ErrorLogSectionPerSecondAndConcurrentWriters)
{
    CPreferences prefs;
    prefs.Initialize();
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&prefs, t] {
            for (int k = 0; k < 25; ++k)
                prefs.LogError("err" + std::to_string(t * 100 + k), "failure " + std::to_string(k));
        });
    }
    for (auto& thread : threads)
        thread.join();

    const std::string log = Normalised(ReadFile("error_kvx.log"));
    const std::regex section(R"(\[[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d ?\])");
    EXPECT_TRUE(std::regex_search(log, section)) << log.substr(0, 200);
    for (int t = 0; t < 8; ++t) {
        for (int k = 0; k < 25; ++k) {
            const std::string line = "err" + std::to_string(t * 100 + k) + "=failure " + std::to_string(k) + "\n";
            EXPECT_NE(log.find(line), std::string::npos) << line;
        }
    }
}
