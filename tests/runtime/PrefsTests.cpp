// Tests of the preferences engine: parsing, lookups, states, the open attempts and real files.
#include "runtime/Prefs.h"

#include <gtest/gtest.h>

#include <string>

#include "support/FakeConfigPlatform.h"
#include "support/MemoryFile.h"
#include "support/RealFiles.h"

namespace brisklet {
namespace {

using namespace std::string_literals;
using test::FakeConfigPlatform;
using test::MemoryFileOpener;

constexpr std::u16string_view Default = u"<default>";

// Opens bytes, selects group and reads key.
std::u16string Lookup(const std::string& bytes, std::u16string_view group, std::u16string_view key) {
    MemoryFileOpener files(bytes);
    PrefsFile prefs;
    EXPECT_TRUE(PrefsOpen(prefs, files, u"test.prefs"));
    PrefsSelectGroup(prefs, group);
    return PrefsReadText(prefs, key, Default);
}

struct LookupCase {
    const char* Name;
    std::string File;
    std::u16string Group;
    std::u16string Key;
    std::u16string Expected;
};

TEST(PrefsLookup, FindsValuesAsTheFileRulesSay) {
    const LookupCase cases[] = {
        {"spaces around =", "[Global]\r\nTabLength = 4\r\n", u"Global", u"TabLength", u"4"},
        {"no spaces", "[Global]\r\nTabLength=4\r\n", u"Global", u"TabLength", u"4"},
        {"tabs and trailing blanks", "[Global]\r\n\tTabLength\t=\t4  \r\n", u"Global", u"TabLength", u"4"},
        {"LF line ends", "[Global]\nTabLength=4\n", u"Global", u"TabLength", u"4"},
        {"CR line ends", "[Global]\rTabLength=4\r", u"Global", u"TabLength", u"4"},
        {"no final line end", "[Global]\nTabLength=4", u"Global", u"TabLength", u"4"},
        {"empty and blank lines between", "\r\n\r\n[Global]\r\n  \t \r\n\r\nTabLength=4", u"Global", u"TabLength", u"4"},
        {"group and key in other case", "[Global]\nTabLength=4\n", u"GLOBAL", u"tablength", u"4"},
        {"blanks inside brackets are part of the name", "[ Global ]\nTabLength=4\n", u"Global", u"TabLength", Default.data()},
        {"header with blanks found by its own name", "[ Global ]\nTabLength=4\n", u" Global ", u"TabLength", u"4"},
        {"text after ] ignored", "[Global] ; main\nTabLength=4\n", u"Global", u"TabLength", u"4"},
        {"header without ]", "[Global\nTabLength=4\n", u"Global", u"TabLength", u"4"},
        {"key only under a later header", "[Global]\nA=1\n[Editor]\nTabLength=4\n", u"Global", u"TabLength", Default.data()},
        {"first of two keys wins", "[Global]\nTabLength=4\nTabLength=8\n", u"Global", u"TabLength", u"4"},
        {"first of two keys in other case wins", "[Global]\ntablength=3\nTabLength=8\n", u"Global", u"TabLength", u"3"},
        {"first matching header wins", "[Global]\nA=1\n[global]\nTabLength=4\n", u"Global", u"TabLength", Default.data()},
        {"comment is never a key", "[Global]\n; TabLength = 8\n", u"Global", u"TabLength", Default.data()},
        {"comment without blank", "[Global]\n;TabLength=8\nTabLength=2\n", u"Global", u"TabLength", u"2"},
        {"indented comment", "[Global]\n  ; TabLength=8\n", u"Global", u"TabLength", Default.data()},
        {"= and ; belong to the value", "[Global]\nName = a=b ; c\n", u"Global", u"Name", u"a=b ; c"},
        {"empty value", "[Global]\nTabLength =\n", u"Global", u"TabLength", u""},
        {"blank key name inside", "[Global]\nTab Length = 3\n", u"Global", u"Tab Length", u"3"},
        {"key without = before CR LF", "[Global]\r\nFlag\r\nTabLength=4\r\n", u"Global", u"Flag", u""},
        {"key without = before LF is empty", "[Global]\nFlag\nTabLength=4\n", u"Global", u"Flag", u""},
        {"line after a key without = stays a key", "[Global]\nFlag\nTabLength=4\n", u"Global", u"TabLength", u"4"},
        {"key without = before CR is empty", "[Global]\rFlag\rTabLength=4\r", u"Global", u"Flag", u""},
        {"key above the first header, unnamed area", "TabLength=6\n[Global]\nTabLength=4\n", u"", u"TabLength", u"6"},
        {"key above the first header, named group", "TabLength=6\n[Global]\n", u"Global", u"TabLength", Default.data()},
        {"unnamed area ends at the first header", "[Global]\nTabLength=4\n", u"", u"TabLength", Default.data()},
        {"lone [ opens a nameless group", "[\nTabLength=4\n", u"", u"TabLength", Default.data()},
        {"lone = is a key with an empty name", "=\n", u"", u"", u""},
        {"lone = leaves other keys alone", "=\nTabLength=4\n", u"", u"TabLength", u"4"},
        {"missing group gives the default", "[Editor]\nTabLength=4\n", u"Global", u"TabLength", Default.data()},
        // Only A-Z and a-z fold: "[" and "{" differ by the same bit as "A" and "a".
        {"no folding beyond letters", "[Global]\nkey[=1\n", u"Global", u"KEY{", Default.data()},
        {"no folding of non-ASCII letters", "[Global]\n\xE4=1\n", u"Global", u"\u00C4", Default.data()},
        {"non-ASCII key found exactly", "[Global]\n\xE4=1\n", u"Global", u"\u00E4", u"1"},
        {"0xE9 is read as e acute", "[Global]\nName=caf\xE9\n", u"Global", u"Name", u"caf\u00E9"},
        {"UTF-8 without mark is read byte by byte", "[Global]\nName=caf\xC3\xA9\n", u"Global", u"Name", u"caf\u00C3\u00A9"},
        {"UTF-8 with mark", "\xEF\xBB\xBF[Global]\nName=caf\xC3\xA9\n", u"Global", u"Name", u"caf\u00E9"},
        {"mark only at the start counts", "[Global]\nName=\xEF\xBB\xBF\n", u"Global", u"Name", u"\u00EF\u00BB\u00BF"},
        {"NUL ends the text", "[Global]\nA=1\0\nTabLength=4\n"s, u"Global", u"TabLength", Default.data()},
        {"text before NUL is read", "[Global]\nA=1\0\nTabLength=4\n"s, u"Global", u"A", u"1"},
    };
    for (const LookupCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(Lookup(c.File, c.Group, c.Key), c.Expected);
    }
}

TEST(PrefsLookup, PendingGroupGivesDefaultsUntilAGroupIsFound) {
    MemoryFileOpener files("TabLength=6\n[Global]\nTabLength=4\n");
    PrefsFile prefs;
    ASSERT_TRUE(PrefsOpen(prefs, files, u"test.prefs"));
    EXPECT_TRUE(PrefsSelectGroup(prefs, u"Global"));
    EXPECT_FALSE(PrefsSelectGroup(prefs, u"Missing"));
    EXPECT_EQ(PrefsReadText(prefs, u"TabLength", Default), Default); // not the "4" of the group before
    EXPECT_TRUE(PrefsSelectGroup(prefs, u"global"));
    EXPECT_EQ(PrefsReadText(prefs, u"TabLength", Default), u"4");
    EXPECT_FALSE(PrefsSelectGroup(prefs, u"Missing"));
    EXPECT_TRUE(PrefsSelectGroup(prefs, u""));
    EXPECT_EQ(PrefsReadText(prefs, u"TabLength", Default), u"6");
}

TEST(PrefsLookup, ParsesCommentsGroupsAndKeysInFileOrder) {
    const std::string text = "; note\n[Global]\nK = v \n;\n";
    const std::vector<PrefsEntry> entries = ParsePrefsText(text);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].EntryKind, PrefsEntry::Kind::Comment);
    EXPECT_EQ(entries[0].Name, "note");
    EXPECT_EQ(entries[1].EntryKind, PrefsEntry::Kind::Group);
    EXPECT_EQ(entries[1].Name, "Global");
    EXPECT_EQ(entries[2].EntryKind, PrefsEntry::Kind::Key);
    EXPECT_EQ(entries[2].Name, "K");
    EXPECT_EQ(entries[3].EntryKind, PrefsEntry::Kind::Comment);
    EXPECT_EQ(entries[3].Name, "");
}

TEST(PrefsLookup, Latin1BytesBecomeTwoByteUtf8) {
    EXPECT_EQ(Utf8FromLatin1("a\xE9\x80\xFF"), "a\xC3\xA9\xC2\x80\xC3\xBF");
    EXPECT_EQ(Utf8FromLatin1(""), "");
}

TEST(PrefsStates, EmptyFileAndMarkOnlyFileOpenWithNoEntries) {
    for (const std::string& bytes : {std::string(), std::string("\xEF\xBB\xBF")}) {
        SCOPED_TRACE(bytes.size());
        MemoryFileOpener files(bytes);
        PrefsFile prefs;
        EXPECT_TRUE(PrefsOpen(prefs, files, u"empty.prefs"));
        EXPECT_EQ(prefs.State, PrefsState::Open);
        EXPECT_TRUE(prefs.Entries.empty());
        EXPECT_TRUE(PrefsSelectGroup(prefs, u""));
        EXPECT_FALSE(PrefsSelectGroup(prefs, u"Global"));
        EXPECT_EQ(PrefsReadText(prefs, u"TabLength", u"2"), u"2");
    }
}

TEST(PrefsStates, FilesShorterThanTheMarkAreLatin1) {
    EXPECT_EQ(Lookup("K", u"", u"K"), u"");
    EXPECT_EQ(Lookup("\xEF\xBB", u"", u"\u00EF\u00BB"), u"");
    EXPECT_EQ(Lookup("K=\xE9", u"", u"K"), u"\u00E9");
}

TEST(PrefsStates, NothingIsAnsweredBeforeOpenOrAfterClose) {
    PrefsFile prefs;
    EXPECT_FALSE(PrefsSelectGroup(prefs, u""));
    EXPECT_EQ(PrefsReadText(prefs, u"TabLength", u"2"), u"2");
    MemoryFileOpener files("K=1\n");
    ASSERT_TRUE(PrefsOpen(prefs, files, u"a.prefs"));
    EXPECT_EQ(PrefsReadText(prefs, u"K", u"2"), u"1");
    PrefsClose(prefs);
    EXPECT_EQ(prefs.State, PrefsState::Empty);
    EXPECT_FALSE(prefs.File);
    EXPECT_FALSE(PrefsSelectGroup(prefs, u""));
    EXPECT_EQ(PrefsReadText(prefs, u"K", u"2"), u"2");
}

TEST(PrefsStates, OpeningAnotherFileReplacesTheFirst) {
    PrefsFile prefs;
    MemoryFileOpener first("[G]\nK=1\n");
    MemoryFileOpener second("K=2\n");
    ASSERT_TRUE(PrefsOpen(prefs, first, u"a.prefs"));
    ASSERT_TRUE(PrefsSelectGroup(prefs, u"G"));
    ASSERT_FALSE(PrefsSelectGroup(prefs, u"X"));
    ASSERT_TRUE(PrefsOpen(prefs, second, u"b.prefs"));
    // Neither the selected group nor the pending one survives the new open.
    EXPECT_EQ(PrefsReadText(prefs, u"K", u"0"), u"2");
}

TEST(PrefsOpenAttempts, AsksForWriteAccessFirstAndFallsBackTwice) {
    FakeConfigPlatform platform;
    platform.AddFile(u"C:\\Ide\\PureBasic.prefs", "[Global]\nTabLength=4\n");
    platform.RefusedOpens = {{FileAccess::ReadWrite, FileShare::Read}, {FileAccess::Read, FileShare::Read}};
    PrefsFile prefs;
    ASSERT_TRUE(PrefsOpen(prefs, platform, u"C:\\Ide\\PureBasic.prefs"));
    ASSERT_EQ(platform.OpenAttempts.size(), 3u);
    EXPECT_EQ(platform.OpenAttempts[0].Access, FileAccess::ReadWrite);
    EXPECT_EQ(platform.OpenAttempts[0].Share, FileShare::Read);
    EXPECT_EQ(platform.OpenAttempts[1].Access, FileAccess::Read);
    EXPECT_EQ(platform.OpenAttempts[1].Share, FileShare::Read);
    EXPECT_EQ(platform.OpenAttempts[2].Access, FileAccess::Read);
    EXPECT_EQ(platform.OpenAttempts[2].Share, FileShare::ReadWrite);
    EXPECT_EQ(platform.OpenAttempts[2].Path, u"C:\\Ide\\PureBasic.prefs");
    PrefsSelectGroup(prefs, u"Global");
    EXPECT_EQ(PrefsReadText(prefs, u"TabLength", u"2"), u"4");
}

TEST(PrefsOpenAttempts, StopsAtTheFirstOpenThatWorks) {
    FakeConfigPlatform platform;
    platform.AddFile(u"C:\\a.prefs", "K=1");
    PrefsFile prefs;
    ASSERT_TRUE(PrefsOpen(prefs, platform, u"C:\\a.prefs"));
    EXPECT_EQ(platform.OpenAttempts.size(), 1u);
}

TEST(PrefsOpenAttempts, AllRefusedLeavesTheFailedState) {
    FakeConfigPlatform platform;
    platform.AddFile(u"C:\\a.prefs", "K=1");
    platform.RefusedOpens = {{FileAccess::ReadWrite, FileShare::Read},
                             {FileAccess::Read, FileShare::Read},
                             {FileAccess::Read, FileShare::ReadWrite}};
    PrefsFile prefs;
    EXPECT_FALSE(PrefsOpen(prefs, platform, u"C:\\a.prefs"));
    EXPECT_EQ(prefs.State, PrefsState::Failed);
    EXPECT_EQ(platform.OpenAttempts.size(), 3u);
    EXPECT_TRUE(PrefsSelectGroup(prefs, u""));
    EXPECT_FALSE(PrefsSelectGroup(prefs, u"Global"));
    EXPECT_EQ(PrefsReadText(prefs, u"K", u"2"), u"2");
}

TEST(PrefsOpenAttempts, UnreadableContentOpensWithNoEntries) {
    FakeConfigPlatform platform;
    platform.AddFile(u"C:\\a.prefs", "K=1");
    platform.FileReadsFail = true;
    PrefsFile prefs;
    EXPECT_TRUE(PrefsOpen(prefs, platform, u"C:\\a.prefs"));
    EXPECT_EQ(prefs.State, PrefsState::Open);
    EXPECT_EQ(PrefsReadText(prefs, u"K", u"2"), u"2");
}

TEST(PrefsOpenAttempts, OversizedFileOpensWithNoEntries) {
    FakeConfigPlatform platform;
    platform.AddFile(u"C:\\a.prefs", "K=1");
    platform.ClaimedFileSize = MaxPrefsFileBytes + 1;
    PrefsFile prefs;
    EXPECT_TRUE(PrefsOpen(prefs, platform, u"C:\\a.prefs"));
    EXPECT_TRUE(prefs.Text.empty());
    EXPECT_EQ(PrefsReadText(prefs, u"K", u"2"), u"2");
}

TEST(PrefsRealFiles, ReadsAFileWithMarkAndCrLf) {
    test::TempFolder folder;
    const auto path = folder.Write("PureBasic.prefs", "\xEF\xBB\xBF[Global]\r\nTabLength = 3\r\n[Editor]\r\n");
    test::RealFileOpener files;
    PrefsFile prefs;
    ASSERT_TRUE(PrefsOpen(prefs, files, test::Utf16Path(path)));
    EXPECT_TRUE(PrefsSelectGroup(prefs, u"global"));
    EXPECT_EQ(PrefsReadText(prefs, u"TABLENGTH", u"2"), u"3");
}

TEST(PrefsRealFiles, MissingFileAndDirectoryFail) {
    test::TempFolder folder;
    std::filesystem::create_directory(folder.Path() / "Folder.prefs");
    test::RealFileOpener files;
    PrefsFile prefs;
    EXPECT_FALSE(PrefsOpen(prefs, files, test::Utf16Path(folder.Path() / "Missing.prefs")));
    EXPECT_EQ(prefs.State, PrefsState::Failed);
    EXPECT_FALSE(PrefsOpen(prefs, files, test::Utf16Path(folder.Path() / "Folder.prefs")));
    EXPECT_EQ(PrefsReadText(prefs, u"K", u"2"), u"2");
}

TEST(PrefsRealFiles, ReadsAFileOfMegabytes) {
    std::string text = "[Global]\r\n";
    for (int i = 0; text.size() < 5'000'000; ++i)
        text += "Key" + std::to_string(i) + " = \xE9value\r\n";
    text += "TabLength = 7\r\n[Next]\r\nTabLength = 9\r\n";
    test::TempFolder folder;
    const auto path = folder.Write("big.prefs", text);
    test::RealFileOpener files;
    PrefsFile prefs;
    ASSERT_TRUE(PrefsOpen(prefs, files, test::Utf16Path(path)));
    PrefsSelectGroup(prefs, u"Global");
    EXPECT_EQ(PrefsReadText(prefs, u"TabLength", u"2"), u"7");
    EXPECT_EQ(PrefsReadText(prefs, u"Key1000", u"2"), u"\u00E9value");
}

TEST(PrefsRealFiles, MegabytesWithoutLineEndsAreOneLine) {
    test::TempFolder folder;
    const auto path = folder.Write("one-line.prefs", "TabLength=" + std::string(3'000'000, '4'));
    test::RealFileOpener files;
    PrefsFile prefs;
    ASSERT_TRUE(PrefsOpen(prefs, files, test::Utf16Path(path)));
    ASSERT_EQ(prefs.Entries.size(), 1u);
    PrefsSelectGroup(prefs, u"");
    EXPECT_EQ(PrefsReadText(prefs, u"TabLength", u"2").size(), 3'000'000u);
}

} // namespace
} // namespace brisklet
