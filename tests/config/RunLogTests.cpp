// Tests of the date-time masks and of appending to the day's log file.
#include "config/RunLog.h"

#include <gtest/gtest.h>

#include "support/FakeConfigPlatform.h"

namespace brisklet {
namespace {

using test::FakeConfigPlatform;

struct MaskCase {
    const char* Name;
    std::u16string Mask;
    LocalTime Time;
    std::u16string Expected;
};

TEST(DateTimeText, ReplacesTheSixTokens) {
    const LocalTime december{2026, 12, 7, 3, 11, 3};
    const MaskCase cases[] = {
        {"report stamp", u"%dd.%mm.%yyyy %hh:%ii:%ss", december, u"07.12.2026 03:11:03"},
        {"file date", u"%dd%mm%yyyy", december, u"07122026"},
        {"two digits stay two", u"%dd.%mm %hh:%ii:%ss", {2026, 11, 30, 23, 59, 58}, u"30.11 23:59:58"},
        {"midnight", u"%hh%ii%ss", {2026, 1, 1, 0, 0, 0}, u"000000"},
        {"year padded to four", u"%yyyy", {999, 1, 1, 0, 0, 0}, u"0999"},
        {"other text copied", u"Log [%dd] 100%", december, u"Log [07] 100%"},
        {"percent before a token", u"%%dd", december, u"%07"},
        {"not tokens", u"%d %m %yy %yyy %h %i %s %x", december, u"%d %m %yy %yyy %h %i %s %x"},
        {"token twice", u"%ss%ss", december, u"0303"},
        {"empty mask", u"", december, u""},
    };
    for (const MaskCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(DateTimeText(c.Mask, c.Time), c.Expected);
    }
}

TEST(DateTimeText, ReadsThePlatformClock) {
    FakeConfigPlatform platform;
    platform.Clock = {2027, 2, 3, 14, 5, 6};
    EXPECT_EQ(DateTimeText(platform, LogTimeMask), u"03.02.2027 14:05:06");
}

TEST(AppendLogEntry, NamesTheFileAfterCategoryAndDay) {
    EXPECT_EQ(LogFileName(u"C:\\Data\\", u"Error", {2026, 12, 7, 3, 11, 3}), u"C:\\Data\\Error_07122026.log");
}

TEST(AppendLogEntry, AppendsEntriesOfOneDayToOneFile) {
    FakeConfigPlatform platform;
    platform.AddFolder(u"C:\\Data");
    AppendLogEntry(platform, u"C:\\Data\\", u"Error", u"first");
    platform.Clock.Minute = 12;
    AppendLogEntry(platform, u"C:\\Data\\", u"Error", u"second");
    EXPECT_EQ(platform.FileBytes(u"C:\\Data\\Error_07122026.log"),
              "07.12.2026 03:11:03: first\r\n07.12.2026 03:12:03: second\r\n");
    platform.Clock.Day = 8;
    AppendLogEntry(platform, u"C:\\Data\\", u"Error", u"third");
    EXPECT_EQ(platform.FileBytes(u"C:\\Data\\Error_08122026.log"), "08.12.2026 03:12:03: third\r\n");
    EXPECT_EQ(platform.FileBytes(u"C:\\Data\\Error_07122026.log")->size(), 57u); // unchanged
}

TEST(AppendLogEntry, AnEntryAtMidnightGoesToTheDayItsStampNames) {
    FakeConfigPlatform platform;
    platform.AddFolder(u"C:\\Data");
    platform.Clock = {2026, 12, 7, 23, 59, 59};
    platform.ClockAfterRead = LocalTime{2026, 12, 8, 0, 0, 0};
    AppendLogEntry(platform, u"C:\\Data\\", u"Error", u"late");
    EXPECT_EQ(platform.FileBytes(u"C:\\Data\\Error_07122026.log"), "07.12.2026 23:59:59: late\r\n");
    EXPECT_FALSE(platform.FileBytes(u"C:\\Data\\Error_08122026.log"));
}

TEST(AppendLogEntry, KeepsInnerCarriageReturnsAndWritesUtf8WithoutMark) {
    FakeConfigPlatform platform;
    platform.AddFolder(u"C:\\Data");
    AppendLogEntry(platform, u"C:\\Data\\", u"Error", u"\u00E4\rline\r");
    EXPECT_EQ(platform.FileBytes(u"C:\\Data\\Error_07122026.log"), "07.12.2026 03:11:03: \xC3\xA4\rline\r\r\n");
}

TEST(AppendLogEntry, KeepsWhatTheFileHeld) {
    FakeConfigPlatform platform;
    platform.AddFile(u"C:\\Data\\Error_07122026.log", "older\r\n");
    AppendLogEntry(platform, u"C:\\Data\\", u"Error", u"new");
    EXPECT_EQ(platform.FileBytes(u"C:\\Data\\Error_07122026.log"), "older\r\n07.12.2026 03:11:03: new\r\n");
}

TEST(AppendLogEntry, EveryFailureIsSilent) {
    FakeConfigPlatform platform;
    platform.AddFile(u"C:\\Data\\Error_07122026.log", "held");
    platform.LockedFiles.insert(u"C:\\Data\\Error_07122026.log");
    AppendLogEntry(platform, u"C:\\Data\\", u"Error", u"dropped");
    EXPECT_EQ(platform.FileBytes(u"C:\\Data\\Error_07122026.log"), "held");

    AppendLogEntry(platform, u"C:\\Missing\\", u"Error", u"dropped");
    EXPECT_FALSE(platform.FileBytes(u"C:\\Missing\\Error_07122026.log"));
    EXPECT_EQ(platform.FileSizeCode(u"C:\\Missing"), -1); // no folder was created

    AppendLogEntry(platform, std::u16string(5000, u'x') + u"\\", u"Error", u"dropped");
    EXPECT_TRUE(platform.Messages.empty());
}

} // namespace
} // namespace brisklet
