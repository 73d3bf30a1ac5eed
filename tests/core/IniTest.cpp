#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <unistd.h>

#include "ConfigFolder.h"
#include "core/Ini.h"

using IniTest = ConfigFolderTest;

TEST_F(IniTest, NumbersReadWithEitherSeparator)
{
    WriteFile("t.ini", "[S]\ncomma=3,25\ndot=3.25\nneg=-0,5\nword=abc\nlead=12abc\ninte=12.9\n");
    CIni ini(Path("t.ini"), "S", TRUE);
    EXPECT_DOUBLE_EQ(ini.GetDouble("comma", 0.0), 3.25);
    EXPECT_DOUBLE_EQ(ini.GetDouble("dot", 0.0), 3.25);
    EXPECT_DOUBLE_EQ(ini.GetDouble("neg", 0.0), -0.5);
    EXPECT_DOUBLE_EQ(ini.GetDouble("word", 7.0), 0.0);
    EXPECT_DOUBLE_EQ(ini.GetDouble("missing", 1.5), 1.5);
    EXPECT_FLOAT_EQ(ini.GetFloat("comma", 0.0f), 3.0f);
    EXPECT_EQ(ini.GetInt("inte", 0), 12);
    EXPECT_EQ(ini.GetInt("lead", 0), 12);
    EXPECT_EQ(ini.GetInt("missing", -4), -4);
}

TEST_F(IniTest, BoolAcceptsYesNoAndOne)
{
    WriteFile("t.ini", "[S]\na=YES\nb=No\nc=1\nd=2\ne=\n");
    CIni ini(Path("t.ini"), "S", TRUE);
    EXPECT_TRUE(ini.GetBool("a", FALSE));
    EXPECT_FALSE(ini.GetBool("b", TRUE));
    EXPECT_TRUE(ini.GetBool("c", FALSE));
    EXPECT_FALSE(ini.GetBool("d", TRUE));
    EXPECT_FALSE(ini.GetBool("e", TRUE));
    EXPECT_TRUE(ini.GetBool("missing", TRUE));
    EXPECT_FALSE(ini.GetBool("missing", FALSE));
}

TEST_F(IniTest, WritesFixedNumberFormats)
{
    CIni ini(Path("t.ini"), "S", TRUE);
    ini.WriteDouble("d", 2.5);
    ini.WriteFloat("f", 1.0f);
    ini.WriteFloat("g", 1.23456789f);
    ini.WriteBool("b", TRUE);
    ini.WriteYesNo("y", FALSE);
    ini.WriteInt("i", -7);
    EXPECT_EQ(ReadFile("t.ini"), "[S]\r\nd=2.500000\r\nf=     1\r\ng=1.23457\r\nb=1\r\ny=no\r\ni=-7\r\n");
}

TEST_F(IniTest, CommaLocaleStillWritesAndReadsDots)
{
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no German locale";
    CIni ini(Path("t.ini"), "S", TRUE);
    ini.WriteDouble("d", 2.5);
    ini.WriteFloat("f", 0.5f);
    const double d = ini.GetDouble("d", 0.0);
    const float f = ini.GetFloat("f", 0.0f);
    const double missing = ini.GetDouble("missing", 1.5);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(ReadFile("t.ini"), "[S]\r\nd=2.500000\r\nf=   0.5\r\n");
    EXPECT_DOUBLE_EQ(d, 2.5);
    EXPECT_FLOAT_EQ(f, 0.5f);
    EXPECT_DOUBLE_EQ(missing, 1.5);
}

TEST_F(IniTest, LongValuesReadBackCut)
{
    CIni ini(Path("t.ini"), "S", TRUE);
    const std::string value(300, 'x');
    ini.WriteString("long", value);
    EXPECT_NE(ReadFile("t.ini").find(value), std::string::npos);
    EXPECT_EQ(ini.GetString("long"), value.substr(0, 255));
    EXPECT_EQ(std::string(ini.GetStringBuffer("long")), value.substr(0, 255));
}

TEST_F(IniTest, GivenSectionBecomesCurrent)
{
    CIni ini(Path("t.ini"), TRUE);
    EXPECT_EQ(ini.GetSection(), GetApplicationName());
    ini.WriteInt("a", 1, "First");
    ini.WriteInt("b", 2);
    EXPECT_EQ(ini.GetInt("a", 0, "Other"), 0);
    EXPECT_EQ(ini.GetInt("b", 0), 0);
    EXPECT_EQ(ini.GetInt(std::string("First"), std::string("b"), 0), 2);
    EXPECT_EQ(ini.GetSection(), "First");
    EXPECT_EQ(ini.GetString(std::string("First"), std::string("a"), std::string("d")), "1");
}

TEST_F(IniTest, RelativePathsResolveAgainstProgramFolder)
{
    CIni byDefault(TRUE);
    EXPECT_EQ(byDefault.GetPathName(), m_folder + GetApplicationName() + ".ini");

    CIni relative("Calibration/x.cal", TRUE);
    EXPECT_EQ(relative.GetPathName(), m_folder + "Calibration/x.cal");
    CIni absolute("/elsewhere/x.ini", TRUE);
    EXPECT_EQ(absolute.GetPathName(), "/elsewhere/x.ini");
    CIni drive("c:\\temp\\x.ini", TRUE);
    EXPECT_EQ(drive.GetPathName(), "c:\\temp\\x.ini");

    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    CIni current("", FALSE);
    EXPECT_EQ(current.GetPathName(), std::string(cwd) + "/" + GetApplicationName() + ".ini");
    // A relative path that the current folder lacks still goes to the program folder.
    current.SetPathName("Calibration/missing_here.cal");
    EXPECT_EQ(current.GetPathName(), m_folder + "Calibration/missing_here.cal");
}

TEST_F(IniTest, ArbitraryBytesReadSafely)
{
    std::string junk = "[S]\nkey=";
    for (int i = 0; i < 2000; ++i)
        junk += char((i * 37) & 0xFF);
    junk += std::string("\n[S\nkey2=\"unterminated\n=\n\0\0\n[T]\nn=99999999999999999999\n", 55);
    WriteFile("t.ini", junk);
    CIni ini(Path("t.ini"), "S", TRUE);
    EXPECT_LE(ini.GetString("key").size(), 255u);
    EXPECT_EQ(ini.GetInt("n", 0, "T"), 2147483647);
    ini.GetDouble("key", 0.0);
    ini.GetBool("key2", FALSE);
}

TEST_F(IniTest, ALoadedFileAnswersAsReadUntilTheObjectWritesOrMoves)
{
    WriteFile("t.ini", "[S]\na=1\n");
    WriteFile("u.ini", "[S]\na=5\n");
    CIni ini(Path("t.ini"), "S", TRUE);
    ASSERT_TRUE(ini.Load());
    WriteFile("t.ini", "[S]\na=2\nb=3\n");
    EXPECT_EQ(ini.GetInt("a", 0), 1);
    EXPECT_EQ(ini.GetInt("b", 0), 0);
    ini.WriteInt("c", 4);
    EXPECT_EQ(ini.GetInt("a", 0), 2);
    EXPECT_EQ(ini.GetInt("c", 0), 4);

    ASSERT_TRUE(ini.Load());
    ini.SetPathName(Path("u.ini"));
    EXPECT_EQ(ini.GetInt("a", 0), 5);

    // A missing file loads as empty; a folder cannot be read.
    ini.SetPathName(Path("none.ini"));
    EXPECT_TRUE(ini.Load());
    EXPECT_EQ(ini.GetInt("a", 9), 9);
    std::filesystem::create_directory(Path("Dir.ini"));
    ini.SetPathName(Path("Dir.ini"));
    EXPECT_FALSE(ini.Load());
    EXPECT_EQ(ini.GetInt("a", 9), 9);
}
