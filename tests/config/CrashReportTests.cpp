// Tests of the system and exception names and of the crash report's lines, log entry and message.
#include "config/CrashReport.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "support/FakeConfigPlatform.h"

namespace brisklet {
namespace {

using test::FakeConfigPlatform;

OsVersionFacts NtFacts(uint32_t major, uint32_t minor, uint32_t build, uint8_t productType) {
    OsVersionFacts facts;
    facts.VersionInfoRead = true;
    facts.PlatformId = 2;
    facts.MajorVersion = 6; // what GetVersionExW reports without a manifest
    facts.MinorVersion = 2;
    facts.RtlVersionRead = true;
    facts.RtlMajorVersion = major;
    facts.RtlMinorVersion = minor;
    facts.RtlBuildNumber = build;
    facts.RtlProductType = productType;
    return facts;
}

OsVersionFacts FallbackFacts(uint32_t major, uint32_t minor, bool extendedRead, uint8_t productType) {
    OsVersionFacts facts;
    facts.VersionInfoRead = true;
    facts.PlatformId = 2;
    facts.MajorVersion = major;
    facts.MinorVersion = minor;
    facts.ExtendedVersionInfoRead = extendedRead;
    facts.ProductType = productType;
    return facts;
}

OsVersionFacts Win9xFacts(uint32_t minor) {
    OsVersionFacts facts;
    facts.VersionInfoRead = true;
    facts.PlatformId = 1;
    facts.MajorVersion = 4;
    facts.MinorVersion = minor;
    return facts;
}

struct VersionCase {
    const char* Name;
    OsVersionFacts Facts;
    int32_t Expected;
};

TEST(OsVersionCode, FollowsTheVersionTable) {
    constexpr uint8_t workstation = 1;
    constexpr uint8_t server = 3;
    OsVersionFacts failed;
    OsVersionFacts win32s = Win9xFacts(0);
    win32s.PlatformId = 0;
    const VersionCase cases[] = {
        {"GetVersionExW failed", failed, 200},
        {"Win32s platform", win32s, 200},
        {"Windows 95", Win9xFacts(0), 10},
        {"Windows 98", Win9xFacts(10), 30},
        {"Windows ME", Win9xFacts(90), 40},
        {"unknown 9x", Win9xFacts(5), 200},
        {"NT 3.51", NtFacts(3, 51, 1057, workstation), 5},
        {"NT 4.0", NtFacts(4, 0, 1381, server), 20},
        {"2000", NtFacts(5, 0, 2195, server), 50},
        {"XP", NtFacts(5, 1, 2600, workstation), 60},
        {"XP x64", NtFacts(5, 2, 3790, workstation), 60},
        {"Server 2003", NtFacts(5, 2, 3790, server), 65},
        {"5.3", NtFacts(5, 3, 0, workstation), 200},
        {"Vista", NtFacts(6, 0, 6000, workstation), 70},
        {"Server 2008", NtFacts(6, 0, 6001, server), 75},
        {"7", NtFacts(6, 1, 7601, workstation), 80},
        {"Server 2008 R2", NtFacts(6, 1, 7601, server), 85},
        {"8", NtFacts(6, 2, 9200, workstation), 90},
        {"Server 2012", NtFacts(6, 2, 9200, server), 95},
        {"8.1", NtFacts(6, 3, 9600, workstation), 100},
        {"Server 2012 R2", NtFacts(6, 3, 9600, server), 105},
        {"6.4", NtFacts(6, 4, 9841, workstation), 200},
        {"10", NtFacts(10, 0, 19045, workstation), 110},
        {"10 server below 22000", NtFacts(10, 0, 21999, server), 110},
        {"11", NtFacts(10, 0, 22000, workstation), 120},
        {"10.1", NtFacts(10, 1, 0, workstation), 200},
        {"7.0", NtFacts(7, 0, 0, workstation), 200},
        {"fallback 7", FallbackFacts(6, 1, true, workstation), 80},
        {"fallback Server 2008 R2", FallbackFacts(6, 1, true, server), 85},
        {"fallback 10 has build 0", FallbackFacts(10, 0, true, workstation), 110},
        {"fallback without product type", FallbackFacts(6, 1, false, workstation), 200},
        {"fallback NT 4 without product type", FallbackFacts(4, 0, false, 0), 200},
    };
    for (const VersionCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(OsVersionCode(c.Facts), c.Expected);
    }
}

TEST(OsNameTable, HoldsTheEighteenNames) {
    const OsNameTable table = BuildOsNameTable();
    EXPECT_EQ(table.size(), 18u);
    EXPECT_EQ(table.at(u"5"), u"Windows NT 3.51");
    EXPECT_EQ(table.at(u"65"), u"Windows Server 2003");
    EXPECT_EQ(table.at(u"85"), u"Windows Server 2008 R2");
    EXPECT_EQ(table.at(u"110"), u"Windows 10");
    EXPECT_EQ(table.at(u"120"), u"Windows 11");
    EXPECT_EQ(table.at(u"200"), u"Unbekanntes Betriebssystem");
    EXPECT_FALSE(table.contains(u"105"));
}

// The faults a tool meets in the field, by name; a row with a wrong code shows as a text met
// twice or as a known code beside it.
TEST(ExceptionText, NamesTheFaultsOfTheField) {
    const std::pair<uint32_t, std::u16string_view> cases[] = {
        {0xC0000005, u"Invalid memory access"},
        {0xC00000FD, u"Stack overflow"},
        {0xC0000094, u"Division by zero "},
        {0xC000001D, u"Illegal instruction"},
        {0x80000003, u"Debugger breakpoint reached"},
        {0xE06D7363, u"Unknown error code"}, // a C++ exception that escaped
        {0, u"Unknown error code"},
    };
    for (const auto& [code, text] : cases) {
        SCOPED_TRACE(code);
        EXPECT_EQ(ExceptionText(code), text);
    }
    std::set<std::u16string_view> texts;
    for (const uint32_t base : {0x80000000u, 0xC0000000u}) {
        for (uint32_t low = 0; low < 0x100; ++low) {
            const std::u16string_view text = ExceptionText(base + low);
            if (text != u"Unknown error code") {
                EXPECT_TRUE(texts.insert(text).second) << "met twice: code " << base + low;
            }
        }
    }
    EXPECT_EQ(texts.size(), 20u);
}

std::vector<std::u16string> ReportLines(const std::u16string& report) {
    EXPECT_EQ(report.find(u'\n'), std::u16string::npos);
    EXPECT_EQ(report.back(), u'\r');
    std::vector<std::u16string> lines;
    size_t start = 0;
    for (size_t end = report.find(u'\r'); end != std::u16string::npos; end = report.find(u'\r', start)) {
        lines.push_back(report.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

FakeConfigPlatform WindowsTenPlatform() {
    FakeConfigPlatform platform; // clock: 7 December 2026, 03:11:03
    platform.Version = NtFacts(10, 0, 19045, 1);
    return platform;
}

TEST(CrashReport, AccessViolationAtALowAddress) {
    FakeConfigPlatform platform = WindowsTenPlatform();
    const std::vector<std::u16string> expected = {
        u"Es ist ein schwerwiegender Fehler aufgetreten und das Programm muss beendet werden.",
        u"Senden Sie bitte die folgenden Informationen an support@brisklet.dev:",
        u"",
        u"Datum/Uhrzeit: 07.12.2026 03:11:03",
        u"Betriebssystem: Windows 10",
        u"Anwendung: Brisklet 1.0.8 (Build 599)",
        u"Fehlermeldung: Invalid memory access",
        u"Speicheradresse: 4198964",
        u"Ziel-Speicheradresse:  0",
    };
    EXPECT_EQ(ReportLines(CrashReportText(platform, BuildOsNameTable(), {0xC0000005, 0x00401234, 0})), expected);
}

TEST(CrashReport, AddressesAtOrAbove2GiBAreNegative) {
    FakeConfigPlatform platform = WindowsTenPlatform();
    const auto lines = ReportLines(CrashReportText(platform, BuildOsNameTable(), {0xC0000005, 0x80001000, 0xFFFFFFFF}));
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[7], u"Speicheradresse: -2147479552");
    EXPECT_EQ(lines[8], u"Ziel-Speicheradresse:  -1");
    const auto edge = ReportLines(CrashReportText(platform, BuildOsNameTable(), {0xC0000005, 0x7FFFFFFF, 0x80000000}));
    EXPECT_EQ(edge[7], u"Speicheradresse: 2147483647");
    EXPECT_EQ(edge[8], u"Ziel-Speicheradresse:  -2147483648");
}

TEST(CrashReport, IntegerDivisionByZeroHasNoTargetLine) {
    FakeConfigPlatform platform = WindowsTenPlatform();
    const auto lines = ReportLines(CrashReportText(platform, BuildOsNameTable(), {0xC0000094, 0x00401000, 77}));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[6], u"Fehlermeldung: Division by zero ");
    EXPECT_EQ(lines[7], u"Speicheradresse: 4198400");
}

TEST(CrashReport, SystemLineForCodes110And120) {
    FakeConfigPlatform platform = WindowsTenPlatform();
    EXPECT_EQ(ReportLines(CrashReportText(platform, BuildOsNameTable(), {}))[4], u"Betriebssystem: Windows 10");
    platform.Version = NtFacts(10, 0, 22631, 1);
    EXPECT_EQ(ReportLines(CrashReportText(platform, BuildOsNameTable(), {}))[4], u"Betriebssystem: Windows 11");
    platform.Version = NtFacts(6, 3, 9600, 3);
    EXPECT_EQ(ReportLines(CrashReportText(platform, BuildOsNameTable(), {}))[4], u"Betriebssystem: ");
    platform.Version = OsVersionFacts{};
    EXPECT_EQ(ReportLines(CrashReportText(platform, BuildOsNameTable(), {}))[4],
              u"Betriebssystem: Unbekanntes Betriebssystem");
}

TEST(CrashHandler, LogsAndShowsTheSameReport) {
    FakeConfigPlatform platform = WindowsTenPlatform();
    platform.AddFolder(u"C:\\Data");
    const CrashInfo crash{0xC00000FD, 0x00402000, 0};
    CrashHandler(platform, BuildOsNameTable(), u"C:\\Data\\", crash);
    const std::u16string report = CrashReportText(platform, BuildOsNameTable(), crash);
    ASSERT_EQ(platform.Messages.size(), 1u);
    EXPECT_EQ(platform.Messages[0].Caption, u"Fehler");
    EXPECT_EQ(platform.Messages[0].Text, report);
    EXPECT_EQ(platform.Messages[0].Icon, MessageIcon::Error);
    std::string expectedLog = "07.12.2026 03:11:03: ";
    expectedLog.append(report.begin(), report.end()); // the report is ASCII
    expectedLog += "\r\n";
    EXPECT_EQ(platform.FileBytes(u"C:\\Data\\Error_07122026.log"), expectedLog);
}

TEST(CrashHandler, ShowsTheReportWhenTheLogCannotBeWritten) {
    FakeConfigPlatform platform = WindowsTenPlatform();
    CrashHandler(platform, BuildOsNameTable(), u"C:\\NoSuchFolder\\", {0xC0000005, 0, 0});
    EXPECT_FALSE(platform.FileBytes(u"C:\\NoSuchFolder\\Error_07122026.log"));
    ASSERT_EQ(platform.Messages.size(), 1u);
    EXPECT_EQ(platform.Messages[0].Caption, u"Fehler");
}

} // namespace
} // namespace brisklet
