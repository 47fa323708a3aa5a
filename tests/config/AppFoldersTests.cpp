// Tests of the start-up surroundings: file presence, data folder, current directory, required files.
#include "config/AppFolders.h"

#include <gtest/gtest.h>

#include "support/FakeConfigPlatform.h"

namespace brisklet {
namespace {

using test::FakeConfigPlatform;

struct PresenceCase {
    const char* Name;
    std::u16string Path;
    int64_t Expected;
};

TEST(FilePresence, AnswersSizeDirectoryOrMissing) {
    FakeConfigPlatform platform; // started in C:\Start
    platform.AddFile(u"C:\\Start\\Data\\Settings.ini", "12345");
    platform.AddFile(u"C:\\Start\\Empty.txt", "");
    const PresenceCase cases[] = {
        {"file", u"Data\\Settings.ini", 5},
        {"file by slash", u"Data/Settings.ini", 5},
        {"empty file", u"Empty.txt", 0},
        {"absolute file", u"C:\\Start\\Data\\Settings.ini", 5},
        {"file with backslash after it", u"Data\\Settings.ini\\", -1},
        {"file with slash after it", u"Data\\Settings.ini/", -1},
        {"file with separators after it", u"Data\\Settings.ini\\/\\", -1},
        {"folder", u"Data", -2},
        {"folder with backslash", u"Data\\", -2},
        {"folder with slash", u"Data/", -2},
        {"missing", u"Missing.txt", -1},
        {"missing with backslash", u"Missing\\", -1},
        {"empty path", u"", -1},
    };
    for (const PresenceCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(FilePresence(platform, c.Path), c.Expected);
    }
}

TEST(FilePresence, WildcardsAndQuotesNeverMatchOtherFiles) {
    FakeConfigPlatform platform;
    platform.AddFile(u"C:\\Start\\axb.txt", "abc");
    ASSERT_EQ(platform.FileSizeCode(u"a*b.txt"), 3); // the raw lookup would find it
    for (const std::u16string name : {u"a*b.txt", u"a?b.txt", u"a<b.txt", u"a>b.txt", u"a\"b.txt"}) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        platform.SizeQueries.clear();
        EXPECT_EQ(FilePresence(platform, name), -1);
        ASSERT_FALSE(platform.SizeQueries.empty());
        EXPECT_EQ(platform.SizeQueries.front(), u"a_b.txt");
    }
    platform.AddFile(u"C:\\Start\\a_b.txt", "ab");
    EXPECT_EQ(FilePresence(platform, u"a*b.txt"), 2);
}

TEST(ChooseDataFolder, PortableWhenTheMarkerIsInTheStartDirectory) {
    FakeConfigPlatform platform;
    platform.AddFile(u"C:\\Start\\Data\\Settings.ini", "");
    platform.OwnPath = u"D:\\Elsewhere\\Brisklet.exe";
    platform.SetEnvironment(u"APPDATA", u"C:\\Users\\me\\AppData\\Roaming");
    ConfigState state;
    ChooseDataFolder(platform, state);
    EXPECT_EQ(state.DataFolder, u"C:\\Start\\Data\\");
}

TEST(ChooseDataFolder, AFolderNamedSettingsIniIsAMarkerToo) {
    FakeConfigPlatform platform;
    platform.AddFolder(u"C:\\Start\\Data\\Settings.ini");
    ConfigState state;
    ChooseDataFolder(platform, state);
    EXPECT_EQ(state.DataFolder, u"C:\\Start\\Data\\");
}

TEST(ChooseDataFolder, NoSecondBackslashAtADriveRoot) {
    FakeConfigPlatform platform;
    platform.CurrentDirectory = u"D:\\";
    platform.AddFile(u"D:\\Data\\Settings.ini", "");
    ConfigState state;
    ChooseDataFolder(platform, state);
    EXPECT_EQ(state.DataFolder, u"D:\\Data\\");
}

TEST(ChooseDataFolder, PerUserWithoutTheMarker) {
    FakeConfigPlatform platform;
    platform.AddFolder(u"C:\\Start\\Data"); // the folder alone is no marker
    platform.SetEnvironment(u"APPDATA", u"C:\\Users\\me\\AppData\\Roaming");
    ConfigState state;
    ChooseDataFolder(platform, state);
    EXPECT_EQ(state.DataFolder, u"C:\\Users\\me\\AppData\\Roaming\\Talmir\\Brisklet\\");
}

TEST(ChooseDataFolder, UnsetOrHugeAppdataIsTakenAsItIs) {
    FakeConfigPlatform platform;
    ConfigState state;
    ChooseDataFolder(platform, state);
    EXPECT_EQ(state.DataFolder, u"\\Talmir\\Brisklet\\");
    const std::u16string huge(20000, u'x');
    platform.SetEnvironment(u"appdata", huge);
    ChooseDataFolder(platform, state);
    EXPECT_EQ(state.DataFolder, huge + u"\\Talmir\\Brisklet\\");
    EXPECT_TRUE(platform.Messages.empty());
}

TEST(FixCurrentDirectory, StaysWhenTheExecutableIsHere) {
    // A folder of that name is taken for it too: only a name that is not there at all moves.
    for (const bool folder : {false, true}) {
        SCOPED_TRACE(folder ? "a folder of that name" : "the file");
        FakeConfigPlatform platform;
        if (folder)
            platform.AddFolder(u"C:\\Start\\Brisklet.exe");
        else
            platform.AddFile(u"C:\\Start\\Brisklet.exe", "MZ");
        platform.OwnPath = u"D:\\Tools\\Brisklet.exe";
        FixCurrentDirectory(platform);
        EXPECT_TRUE(platform.FolderChanges.empty());
        EXPECT_EQ(platform.CurrentDirectory, u"C:\\Start");
    }
}

struct FolderCase {
    const char* Name;
    std::u16string OwnPath;
    std::u16string ExpectedChange;
};

TEST(FixCurrentDirectory, MovesToTheExecutablesFolder) {
    const FolderCase cases[] = {
        {"plain path", u"D:\\Tools\\Brisklet.exe", u"D:\\Tools\\"},
        {"long-path prefix removed", u"\\\\?\\D:\\Tools\\Brisklet.exe", u"D:\\Tools\\"},
        {"slashes", u"D:/Tools/Brisklet.exe", u"D:/Tools/"},
        {"mixed, last separator counts", u"D:\\Tools/Sub\\Brisklet.exe", u"D:\\Tools/Sub\\"},
    };
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.Name);
        FakeConfigPlatform platform;
        platform.AddFolder(u"D:\\Tools\\Sub");
        platform.OwnPath = c.OwnPath;
        FixCurrentDirectory(platform);
        ASSERT_EQ(platform.FolderChanges.size(), 1u);
        EXPECT_EQ(platform.FolderChanges[0], c.ExpectedChange);
    }
}

TEST(CheckRequiredFiles, PassesAfterMovingToTheExecutablesFolder) {
    FakeConfigPlatform platform;
    platform.AddFile(u"D:\\Tools\\Brisklet.exe", "MZ");
    platform.OwnPath = u"D:\\Tools\\Brisklet.exe";
    FixCurrentDirectory(platform);
    EXPECT_EQ(platform.CurrentDirectory, u"D:\\Tools");
    EXPECT_TRUE(CheckRequiredFiles(platform, {u"Brisklet.exe"}));
    EXPECT_TRUE(platform.Messages.empty());
}

TEST(CheckRequiredFiles, ExecutableUnderAnotherNameIsReportedOnce) {
    FakeConfigPlatform platform;
    platform.AddFile(u"D:\\Tools\\Cleaner.exe", "MZ");
    platform.OwnPath = u"D:\\Tools\\Cleaner.exe";
    FixCurrentDirectory(platform);
    EXPECT_EQ(platform.CurrentDirectory, u"D:\\Tools");
    EXPECT_FALSE(CheckRequiredFiles(platform, {u"Brisklet.exe", u"Other.dll"}));
    ASSERT_EQ(platform.Messages.size(), 1u);
    EXPECT_EQ(platform.Messages[0].Caption, u"Fehler");
    EXPECT_EQ(platform.Messages[0].Text, u"Die Datei ''Brisklet.exe'' konnte nicht gefunden werden.");
    EXPECT_EQ(platform.Messages[0].Icon, MessageIcon::Error);
    EXPECT_EQ(static_cast<uint32_t>(platform.Messages[0].Icon), 16u);
}

TEST(CheckRequiredFiles, AFailedMoveIsLeftToTheCheck) {
    FakeConfigPlatform platform;
    platform.OwnPath = u"Q:\\Gone\\Brisklet.exe";
    FixCurrentDirectory(platform);
    EXPECT_EQ(platform.CurrentDirectory, u"C:\\Start");
    EXPECT_FALSE(CheckRequiredFiles(platform, {u"Brisklet.exe"}));
    EXPECT_EQ(platform.Messages.size(), 1u);
}

TEST(CheckRequiredFiles, ReportsTheFirstMissingNameInListOrder) {
    FakeConfigPlatform platform;
    platform.AddFile(u"C:\\Start\\Brisklet.exe", "MZ");
    EXPECT_FALSE(CheckRequiredFiles(platform, {u"Brisklet.exe", u"Second.dat", u"Third.dat"}));
    ASSERT_EQ(platform.Messages.size(), 1u);
    EXPECT_EQ(platform.Messages[0].Text, u"Die Datei ''Second.dat'' konnte nicht gefunden werden.");
}

} // namespace
} // namespace brisklet
