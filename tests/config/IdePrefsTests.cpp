// Tests of the IDE's installation kind and the tab width read from its preferences.
#include "config/IdePrefs.h"

#include <gtest/gtest.h>

#include "support/FakeConfigPlatform.h"

namespace brisklet {
namespace {

using test::FakeConfigPlatform;

constexpr uint32_t IdeId = 4242;
constexpr std::u16string_view AppData = u"C:\\Users\\me\\AppData\\Roaming";
constexpr std::u16string_view PerUserPrefs = u"C:\\Users\\me\\AppData\\Roaming\\PureBasic\\PureBasic.prefs";

// A per-user PureBasic IDE in C:\PureBasic, started from C:\Start.
FakeConfigPlatform PerUserPlatform() {
    FakeConfigPlatform platform;
    platform.ProcessPaths[IdeId] = u"C:\\PureBasic\\PureBasic.exe";
    platform.AddFile(u"C:\\PureBasic\\PureBasic.exe", "MZ");
    platform.SetEnvironment(u"APPDATA", AppData);
    return platform;
}

// Runs the two steps as the driver does and returns whether the program goes on.
bool DetectAndRead(FakeConfigPlatform& platform, ConfigState& state, std::u16string_view ideName = u"PureBasic") {
    PrefsFile prefs;
    DetectPortableIde(platform, state, IdeId);
    const bool goesOn = ReadTabLength(platform, prefs, state, IdeId, ideName);
    EXPECT_EQ(prefs.State, goesOn ? PrefsState::Empty : PrefsState::Failed);
    return goesOn;
}

void ExpectMissingPrefsMessage(const FakeConfigPlatform& platform) {
    ASSERT_EQ(platform.Messages.size(), 1u);
    EXPECT_EQ(platform.Messages[0].Caption, u"Error");
    EXPECT_EQ(platform.Messages[0].Text, u"The PureBasic or SpiderBasic settings file could not be found.");
    EXPECT_EQ(platform.Messages[0].Icon, MessageIcon::Error);
}

TEST(ReadTabLength, PerUserInstallationReadsTheKey) {
    FakeConfigPlatform platform = PerUserPlatform();
    platform.AddFile(PerUserPrefs, "[Global]\r\nTabLength = 4\r\n");
    ConfigState state;
    ASSERT_TRUE(DetectAndRead(platform, state));
    EXPECT_EQ(state.IdeIsPortable, 0);
    EXPECT_EQ(state.DataFolder, u"C:\\Users\\me\\AppData\\Roaming\\Talmir\\Brisklet\\");
    EXPECT_EQ(state.TabLength, 4);
    EXPECT_TRUE(platform.Messages.empty());
}

struct TabCase {
    const char* Name;
    std::string File;
    int32_t Expected;
};

TEST(ReadTabLength, ConvertsTheTextOrFallsBack) {
    const TabCase cases[] = {
        {"no key", "[Global]\r\nOther = 8\r\n", 2},
        {"no group Global", "[Editor]\r\nTabLength = 8\r\n", 2},
        {"key above every group", "TabLength = 8\r\n[Global]\r\n", 2},
        {"empty file", "", 2},
        {"hexadecimal", "[Global]\r\nTabLength = $10\r\n", 16},
        {"binary", "[Global]\r\nTabLength = %101\r\n", 5},
        {"no digits", "[Global]\r\nTabLength = abc\r\n", 0},
        {"empty value", "[Global]\r\nTabLength =\r\n", 0},
        {"zero kept", "[Global]\r\nTabLength = 0\r\n", 0},
        {"negative kept", "[Global]\r\nTabLength = -3\r\n", -3},
        {"digits then text", "[Global]\r\nTabLength = 6 columns\r\n", 6},
        {"low 32 bits", "[Global]\r\nTabLength = 4294967300\r\n", 4},
        {"low 32 bits, negative", "[Global]\r\nTabLength = 2147483648\r\n", INT32_MIN},
    };
    for (const TabCase& c : cases) {
        SCOPED_TRACE(c.Name);
        FakeConfigPlatform platform = PerUserPlatform();
        platform.AddFile(PerUserPrefs, c.File);
        ConfigState state;
        state.TabLength = 99;
        ASSERT_TRUE(DetectAndRead(platform, state));
        EXPECT_EQ(state.TabLength, c.Expected);
    }
}

// An IDE started with a preferences file of its own names it; one that cannot be read leaves
// the usual search, and its message, as they are.
TEST(ReadTabLength, TheFileTheIdeNamesComesFirst) {
    enum class Named { File, Missing, Folder };
    struct Case {
        const char* Name;
        Named NamedIs;
        bool SearchedExists;
        int32_t Expected; // 0: the missing-file message
    };
    const Case cases[] = {
        {"named and searched", Named::File, true, 6},
        {"named only", Named::File, false, 6},
        // A fresh install: the IDE has not written the file it names, and uses its defaults.
        {"named file not written yet, another one elsewhere", Named::Missing, true, 2},
        {"named file not written yet, none elsewhere", Named::Missing, false, 2},
        // There, but not to be read: the search as without the variable.
        {"named path is a folder, searched file", Named::Folder, true, 4},
        {"named path is a folder, nothing else", Named::Folder, false, 0},
    };
    constexpr std::u16string_view NamedPath = u"D:\\Elsewhere\\My.prefs";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        FakeConfigPlatform platform = PerUserPlatform();
        platform.SetEnvironment(u"PB_TOOL_Preferences", NamedPath);
        if (c.NamedIs == Named::File)
            platform.AddFile(NamedPath, "[Global]\r\nTabLength = 6\r\n");
        if (c.NamedIs == Named::Folder)
            platform.AddFolder(NamedPath);
        if (c.SearchedExists)
            platform.AddFile(PerUserPrefs, "[Global]\r\nTabLength = 4\r\n");
        ConfigState state;
        state.TabLength = 99;
        EXPECT_EQ(DetectAndRead(platform, state), c.Expected != 0);
        if (c.Expected != 0) {
            EXPECT_EQ(state.TabLength, c.Expected);
            EXPECT_TRUE(platform.Messages.empty());
        } else {
            ExpectMissingPrefsMessage(platform);
        }
        EXPECT_EQ(state.DataFolder, u"C:\\Users\\me\\AppData\\Roaming\\Talmir\\Brisklet\\");
    }
}

// The fold start words; nullopt leaves the IDE's defaults.
TEST(ReadPrefsFoldStartWords, TheFoldingGroupOrTheDefaults) {
    using Words = std::optional<std::vector<std::string>>;
    const struct {
        const char* Name;
        std::string File;
        Words Expected;
    } cases[] = {
        {"two words", "[Folding]\r\nStartWords = 2\r\nStart_1 = Procedure\r\nStart_2 = ;{\r\n",
         Words{{"Procedure", ";{"}}},
        {"blank words left out", "\xEF\xBB\xBF[Folding]\nStartWords = 3\nStart_1 = If\nStart_2 =  \nStart_3 = \xC3\xA4\n",
         Words{{"If", "\xC3\xA4"}}},
        {"fewer than named", "[Folding]\nStartWords = 99999999999\nStart_1 = If\n", Words{{"If"}}},
        {"none", "[Folding]\nStartWords = 0\nStart_1 = If\n", Words{std::vector<std::string>{}}},
        {"no number", "[Folding]\nStart_1 = If\n", std::nullopt},
        {"another group's", "[Global]\nStartWords = 1\nStart_1 = If\n", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FakeConfigPlatform platform;
        platform.AddFile(PerUserPrefs, c.File);
        PrefsFile prefs;
        EXPECT_EQ(ReadPrefsFoldStartWords(platform, prefs, PerUserPrefs), c.Expected);
    }
    FakeConfigPlatform platform;
    PrefsFile prefs;
    EXPECT_EQ(ReadPrefsFoldStartWords(platform, prefs, PerUserPrefs), std::nullopt);
}

TEST(ReadTabLength, MissingPerUserFileIsReported) {
    FakeConfigPlatform platform = PerUserPlatform();
    ConfigState state;
    state.TabLength = 99;
    EXPECT_FALSE(DetectAndRead(platform, state));
    ExpectMissingPrefsMessage(platform);
    EXPECT_EQ(state.TabLength, 99);
    ASSERT_FALSE(platform.OpenAttempts.empty());
    EXPECT_EQ(platform.OpenAttempts[0].Path, PerUserPrefs);
}

TEST(ReadTabLength, UnsetAppDataStartsThePathAtTheDriveRoot) {
    FakeConfigPlatform platform;
    platform.ProcessPaths[IdeId] = u"D:\\Ide\\SpiderBasic.exe";
    ConfigState state;
    EXPECT_FALSE(DetectAndRead(platform, state, u"SpiderBasic"));
    EXPECT_EQ(state.DataFolder, u"\\Talmir\\Brisklet\\");
    ASSERT_FALSE(platform.OpenAttempts.empty());
    EXPECT_EQ(platform.OpenAttempts[0].Path, u"\\SpiderBasic\\SpiderBasic.prefs");
    ExpectMissingPrefsMessage(platform);
}

TEST(ReadTabLength, HugeAppDataIsReportedLikeAMissingFile) {
    FakeConfigPlatform platform = PerUserPlatform();
    platform.SetEnvironment(u"AppData", std::u16string(10000, u'x'));
    ConfigState state;
    EXPECT_FALSE(DetectAndRead(platform, state));
    EXPECT_EQ(state.DataFolder.size(), 10000u + 17u);
    ExpectMissingPrefsMessage(platform);
}

TEST(ReadTabLength, PreferencesFolderInsteadOfFileIsReported) {
    FakeConfigPlatform platform = PerUserPlatform();
    platform.AddFolder(PerUserPrefs);
    ConfigState state;
    EXPECT_FALSE(DetectAndRead(platform, state));
    ExpectMissingPrefsMessage(platform);
}

TEST(DetectPortableIde, PortableIdeReadsBesideItsExecutable) {
    FakeConfigPlatform platform = PerUserPlatform();
    platform.AddFile(u"C:\\PureBasic\\PureBasic.prefs", "[Global]\nTabLength=3\n");
    platform.AddFile(PerUserPrefs, "[Global]\nTabLength=8\n");
    ConfigState state;
    ASSERT_TRUE(DetectAndRead(platform, state));
    EXPECT_EQ(state.IdeIsPortable, 1);
    EXPECT_EQ(state.DataFolder, u"C:\\Start\\Data\\"); // C:\Start\Data does not exist: nothing creates it
    EXPECT_EQ(state.TabLength, 3);
    EXPECT_EQ(platform.OpenAttempts[0].Path, u"C:\\PureBasic\\PureBasic.prefs");
}

TEST(DetectPortableIde, TheOtherIdesPrefsMakeItPortableButAreNotRead) {
    FakeConfigPlatform platform;
    platform.ProcessPaths[IdeId] = u"C:\\SpiderBasic\\SpiderBasic.exe";
    platform.AddFile(u"C:\\SpiderBasic\\PureBasic.prefs", "[Global]\nTabLength=3\n");
    platform.SetEnvironment(u"APPDATA", AppData);
    platform.AddFile(u"C:\\Users\\me\\AppData\\Roaming\\SpiderBasic\\SpiderBasic.prefs", "[Global]\nTabLength=8\n");
    ConfigState state;
    EXPECT_FALSE(DetectAndRead(platform, state, u"SpiderBasic"));
    EXPECT_EQ(state.IdeIsPortable, 1);
    EXPECT_EQ(platform.OpenAttempts[0].Path, u"C:\\SpiderBasic\\SpiderBasic.prefs");
    ExpectMissingPrefsMessage(platform);
}

TEST(DetectPortableIde, SpiderBasicPrefsOrAFolderOfThatNameCountToo) {
    for (const bool asFolder : {false, true}) {
        SCOPED_TRACE(asFolder ? "folder" : "file");
        FakeConfigPlatform platform = PerUserPlatform();
        if (asFolder)
            platform.AddFolder(u"C:\\PureBasic\\SpiderBasic.prefs");
        else
            platform.AddFile(u"C:\\PureBasic\\SpiderBasic.prefs", "");
        ConfigState state;
        DetectPortableIde(platform, state, IdeId);
        EXPECT_EQ(state.IdeIsPortable, 1);
        EXPECT_EQ(state.DataFolder, u"C:\\Start\\Data\\");
    }
}

TEST(DetectPortableIde, UnreadableProcessLooksInTheCurrentDirectory) {
    FakeConfigPlatform platform;
    platform.AddFile(u"C:\\Start\\PureBasic.prefs", "[Global]\nTabLength=5\n");
    ConfigState state;
    ASSERT_TRUE(DetectAndRead(platform, state)); // no path known for IdeId
    EXPECT_EQ(state.IdeIsPortable, 1);
    EXPECT_EQ(state.TabLength, 5);
    EXPECT_EQ(platform.OpenAttempts[0].Path, u"PureBasic.prefs");
}

} // namespace
} // namespace brisklet
