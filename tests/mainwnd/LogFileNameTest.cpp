#include <gtest/gtest.h>
#include <set>
#include <string>

#include "mainwnd/LogFileName.h"

namespace {

TEST(LogFileNameTest, ProposesTheFirstFreeName)
{
    struct Case {
        const char* start;
        std::set<std::string> existing;
        const char* proposed;
    };
    const Case cases[] = {
        {"/d/Well3.log", {}, "/d/Well3.log"},
        {"/d/Well3.log", {"/d/Well3.log"}, "/d/Well3_001.log"},
        {"/d/Well3_007.log", {"/d/Well3_007.log"}, "/d/Well3_008.log"},
        {"/d/Run_ab1.log", {"/d/Run_ab1.log"}, "/d/Run_ab1_001.log"},
        {"/d/Well3.txt", {"/d/Well3.txt"}, "/d/Well3_001.log"},
        // Counted up past every name taken.
        {"/d/Test.log", {"/d/Test.log", "/d/Test_001.log"}, "/d/Test_002.log"},
        // 999 is the last number counted to; past it the count wraps to 000
        // and stops, taken or not.
        {"/d/Well3_998.log", {"/d/Well3_998.log"}, "/d/Well3_999.log"},
        {"/d/Well3_999.log", {"/d/Well3_999.log", "/d/Well3_000.log"}, "/d/Well3_000.log"},
        // A dot in a folder name is no extension: the name stays in its folder.
        {"/d/run.2/Well3", {"/d/run.2/Well3"}, "/d/run.2/Well3"},
        // A dot too near the start is none either.
        {"a.log", {"a.log"}, "a.log"},
    };
    for (const Case& c : cases) {
        int asked = 0;
        const std::string proposed = ProposeLogFileName(c.start, [&](const std::string& path) {
            ++asked;
            return c.existing.count(path) != 0;
        });
        EXPECT_EQ(c.proposed, proposed) << c.start;
        EXPECT_LE(asked, 1000) << c.start;
    }
}

TEST(LogFileNameTest, HeaderPathAndPathParts)
{
    EXPECT_EQ("/logs/Well3.hed", HeaderPathOf("/logs/Well3.log"));
    EXPECT_EQ("/logs/Well3.hed", HeaderPathOf("/logs/Well3.LOG"));
    EXPECT_EQ("/logs/a.b/Well3.hed", HeaderPathOf("/logs/a.b/Well3"));
    EXPECT_EQ("/logs/", FolderOf("/logs/Well3.log"));
    EXPECT_EQ("Well3.log", FileNameOf("/logs/Well3.log"));
    EXPECT_EQ("Well3", FileTitleOf("/logs/Well3.log"));
    EXPECT_EQ("", FolderOf("Well3.log"));
}

}  // namespace
