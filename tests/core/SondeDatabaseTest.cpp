// An import file's own values, as the tool file and the calibration file keep them.
#include <gtest/gtest.h>

#include "core/ConfigFolder.h"
#include "core/Ini.h"
#include "core/Settings.h"
#include "core/SondeDatabase.h"

namespace {

using SondeDatabaseTest = ConfigFolderTest;

TEST_F(SondeDatabaseTest, ValuesOfTheImportFileReachTheToolAndCalibrationFiles)
{
    WriteFile("in/xy.txt",
              "[Sonde]\nDate=01/02/2023\nName=Gamma tool\nAbbreviation=XY\nManufacturer=Maker\n"
              "SerialNumber=0042\nLength=180\nNumberOfChannels=2\nVoltage=35\n"
              "[Cmd]\nAux3=5\nAux3Txt=Open arm\nAux5=-2\n"
              "[Channel1]\nTitle=Gamma\nTitleShort=GR\nUnit=API\nMinimum=12,7\nMaximum=-3.9\nFilterWidth=5\n"
              "Offset=35\nCalibComma=3\nCoefficient0=-1.5\nCoefficient1=1.23456789\nCoefficient3=2e-6\n"
              "Calibration=yes\nFilter=1\nNullValue=-1.5\nLineColour=42\nDisplayTrack=3\nPhysicalCh=4\n"
              "[Channel2]\nMaximum=2147483647\nDisplayTrack=0\nLineColour=0\n");
    const auto sonde = ReadSondeImport(Path("in/xy.txt"));
    ASSERT_EQ("", SondeImportProblem(*sonde));
    SondeList list;
    std::string failure;
    ASSERT_EQ(0, CSondeDatabase(m_folder).Import(*sonde, list, failure)) << failure;

    CIni tool(Path("Ressources/XY0042.tol"), TRUE);
    EXPECT_EQ("Gamma tool", tool.GetString("Name", "", "General"));
    EXPECT_EQ("180", tool.GetString("SondeLength", "", "General"));
    EXPECT_EQ("35", tool.GetString("Voltage", "", "General"));
    EXPECT_EQ("XY0042.cal", tool.GetString("CalibrationFile", "", "General"));
    // One preset above 0 enables them all; a negative one stays as written.
    EXPECT_EQ("1", tool.GetString("Enabled", "", "Cmd"));
    EXPECT_EQ("5", tool.GetString("Aux3", "", "Cmd"));
    EXPECT_EQ("Open arm", tool.GetString("LabelAux3", "", "Cmd"));
    EXPECT_EQ("-2", tool.GetString("Aux5", "", "Cmd"));

    const struct {
        const char* section;
        const char* key;
        const char* value;
    } keys[] = {
        {"Channel0", "PhysicalCh", "4"},       {"Channel0", "Offset", "35"},
        {"Channel0", "Title", "Gamma"},        {"Channel0", "Unit", "API"},
        {"Channel0", "RangeLeft", "12"},       {"Channel0", "RangeRight", "-3"},
        {"Channel0", "CalFlag", "1"},          {"Channel0", "CalibComma", "3"},
        {"Channel0", "Coefficient0", "-1.50000"}, {"Channel0", "Coefficient1", "1.23457"},
        {"Channel0", "Coefficient3", "2.00000E-06"}, {"Channel0", "FilterFlag", "1"},
        {"Channel0", "FilterWidth", "5"},      {"Channel0", "NullValue", "-1.500000"},
        {"Channel0", "DisplayTrack", "3"},     {"Channel0", "LineColour", "42"},
        // Given tracks and colours of 0 are values, not defaults.
        {"Channel1", "PhysicalCh", "2"},       {"Channel1", "RangeRight", "2147483647"},
        {"Channel1", "DisplayTrack", "0"},     {"Channel1", "LineColour", "0"},
    };
    for (const auto& k : keys)
        EXPECT_EQ(k.value, tool.GetString(k.key, "~", k.section)) << k.section << " " << k.key;
    EXPECT_EQ("~", tool.GetString("Title", "~", "Channel2"));

    CIni calibration(Path("Calibration/XY0042.cal"), TRUE);
    EXPECT_EQ("01/02/2023", calibration.GetString("LastCalibration", "", "General"));
    EXPECT_EQ("0042", calibration.GetString("SerialNo", "", "General"));
    EXPECT_EQ("3", calibration.GetString("CalibNbComma", "", "Channel0"));
    EXPECT_EQ("1.23457", calibration.GetString("Coefficient1", "", "Channel0"));
    EXPECT_EQ("~", calibration.GetString("CalibrationMethod", "~", "Channel2"));

    // A read-only tool file is kept as it is; the owner's write bit counts, even for root.
    WriteFile("Ressources/XY0042.tol", "[General]\nName=Kept\n");
    std::filesystem::permissions(Path("Ressources/XY0042.tol"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_EQ(-1, CSondeDatabase(m_folder).Import(*sonde, list, failure));
    EXPECT_EQ("Trouble opening file.", failure);
    EXPECT_EQ("[General]\nName=Kept\n", ReadFile("Ressources/XY0042.tol"));
}

// The ends of what an import may hold are taken.
TEST_F(SondeDatabaseTest, ImportFilesAtTheEndsOfTheRangesAreAccepted)
{
    for (const char* keys :
         {"Voltage=30\nNumberOfChannels=1\n[Channel1]\nPhysicalCh=1\nCalibComma=0\nMinimum=-2147483648\n",
          "Voltage=100\nNumberOfChannels=6\n[Channel6]\nPhysicalCh=6\nCalibComma=6\nCoefficient3=-3.4e38\n",
          "Length=0\nNumberOfChannels=1\n[Cmd]\nAux1=+3\n[Channel1]\nCoefficient1=1,5\nMaximum=\n",
          "Length=2147483647\nNumberOfChannels=1\n[Channel1]\nCoefficient0=-2.5E+3\nNullValue=.5\n"}) {
        SCOPED_TRACE(keys);
        WriteFile("in/edge.txt", std::string("[Sonde]\nAbbreviation=A\nSerialNumber=1\n") + keys);
        EXPECT_EQ("", SondeImportProblem(*ReadSondeImport(Path("in/edge.txt"))));
    }
}

}  // namespace
