// Brisklet.exe's road against fake surroundings: start-up checks, IDE discovery, messages, cleaning.
#include <gtest/gtest.h>

#include <map>

#include "config/ConfigState.h"
#include "tool/ToolSequence.h"
#include "editor/IdeDiscovery.h"
#include "runtime/Prefs.h"
#include "support/FakeConfigPlatform.h"
#include "support/MemoryEditor.h"

namespace brisklet {
namespace {

constexpr uint32_t IdeProcess = 100;
constexpr WindowHandle MainWindow = 0x10;
constexpr WindowHandle EditorWindow = 0x20;
constexpr uint32_t Visible = VisibleStyle;
constexpr uint32_t CaptionVisible = CaptionStyle | VisibleStyle;

// Forwards to an editor the test keeps, so the test can look at it after the run.
class BorrowedEditor : public EditorPort {
public:
    explicit BorrowedEditor(MemoryEditor& editor) : editor_(editor) {}
    intptr_t Call(unsigned message, uintptr_t wParam, intptr_t lParam) override {
        return editor_.Call(message, wParam, lParam);
    }
    std::optional<DocumentBytes> ReadDocument() override { return editor_.ReadDocument(); }
    WriteResult SendText(const TextWrite& write) override { return editor_.SendText(write); }

private:
    MemoryEditor& editor_;
};

class FakeHost : public HostSystem {
public:
    uint32_t ParentProcessId() override {
        ++Asked;
        return Parent;
    }
    std::u16string ProcessExecutableName(uint32_t processId) override {
        const auto found = Names.find(processId);
        return found == Names.end() ? u"" : found->second;
    }
    std::vector<WindowInfo> TopLevelWindows() override { return TopLevel; }
    std::vector<WindowInfo> DescendantWindows(WindowHandle parent) override {
        return parent == MainWindow ? Children : std::vector<WindowInfo>{};
    }
    std::unique_ptr<EditorPort> OpenEditor(WindowHandle editor, uint32_t processId) override {
        Opened.push_back(editor);
        EXPECT_EQ(processId, IdeProcess);
        return std::make_unique<BorrowedEditor>(Editor);
    }

    uint32_t Parent = IdeProcess;
    std::map<uint32_t, std::u16string> Names{{IdeProcess, u"PureBasic.exe"}};
    std::vector<WindowInfo> TopLevel{{0x5, CaptionVisible, 7, u"WindowClass_2"},
                                     {MainWindow, CaptionVisible, IdeProcess, u"WindowClass_2"}};
    std::vector<WindowInfo> Children{{0x1F, 0, 0, u"Scintilla"}, {EditorWindow, Visible, 0, u"Scintilla"},
                                     {0x21, Visible, 0, u"Scintilla"}, {0x30, Visible, 0, u"Panel"}};
    std::vector<WindowHandle> Opened;
    MemoryEditor Editor{"x = 1 ; c\n\ty\n"};
    int Asked = 0;
};

class ToolRun : public ::testing::Test {
protected:
    ToolRun() {
        platform.CurrentDirectory = u"C:\\Projects";
        platform.OwnPath = u"C:\\Tools\\Brisklet.exe";
        platform.AddFile(u"C:\\Tools\\Brisklet.exe", "MZ");
        platform.SetEnvironment(u"APPDATA", u"C:\\Users\\Ann\\AppData\\Roaming");
        platform.AddFile(u"C:\\Users\\Ann\\AppData\\Roaming\\PureBasic\\PureBasic.prefs", "[Global]\r\nTabLength = 4\r\n");
        platform.ProcessPaths[IdeProcess] = u"C:\\Program Files\\PureBasic\\PureBasic.exe";
    }
    void Run(std::u16string_view commandLine) { RunToolSequence(platform, host, prefs, state, commandLine); }
    [[nodiscard]] std::vector<std::u16string> MessageTexts() const {
        std::vector<std::u16string> texts;
        for (const test::RecordedMessage& message : platform.Messages)
            texts.push_back(message.Caption + u": " + message.Text);
        return texts;
    }

    test::FakeConfigPlatform platform;
    FakeHost host;
    PrefsFile prefs;
    ConfigState state;
};

TEST_F(ToolRun, CleansTheFirstVisibleEditorWithTheIdesTabWidth) {
    Run(u"\"C:\\Tools\\Brisklet.exe\" /removecomments /converttabtospace");
    EXPECT_TRUE(platform.Messages.empty());
    EXPECT_EQ(host.Opened, std::vector<WindowHandle>{EditorWindow});
    EXPECT_EQ(host.Editor.Bytes(), "x = 1 \n    y\n");
    EXPECT_EQ(state.DataFolder, u"C:\\Users\\Ann\\AppData\\Roaming\\Talmir\\Brisklet\\");
    EXPECT_EQ(platform.CurrentFolder(), u"C:\\Tools");
}

TEST_F(ToolRun, NoArgumentsEndSilentlyBeforeTheIdeIsLookedFor) {
    host.Names.clear();
    Run(u"\"C:\\Tools\\Brisklet.exe\"   ");
    EXPECT_TRUE(platform.Messages.empty());
    EXPECT_EQ(host.Asked, 0);
}

TEST_F(ToolRun, AnEmptyArgumentStillLooksForTheIde) {
    host.Names.clear();
    Run(u"Brisklet.exe \"\"");
    EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{u"Error: " + std::u16string(NotStartedByIdeMessage)});
}

TEST_F(ToolRun, TheMissingExecutableIsReportedFirstEvenWithoutArguments) {
    platform.OwnPath = u"C:\\Other\\Cleaner.exe";
    platform.AddFile(u"C:\\Other\\Cleaner.exe", "MZ");
    Run(u"Cleaner.exe");
    EXPECT_EQ(MessageTexts(),
              std::vector<std::u16string>{u"Fehler: Die Datei ''Brisklet.exe'' konnte nicht gefunden werden."});
    EXPECT_EQ(host.Asked, 0);
}

TEST_F(ToolRun, ParentsThatAreNoIdeAreTurnedAway) {
    for (const std::u16string_view name : {u"purebasic.exe", u"cmd.exe", u"", u"PureBasic.EXE"}) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        platform.Messages.clear();
        host.Names[IdeProcess] = name;
        Run(u"Brisklet.exe /removecomments");
        EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{u"Error: " + std::u16string(NotStartedByIdeMessage)});
        EXPECT_EQ(host.Editor.Bytes(), "x = 1 ; c\n\ty\n");
    }
}

TEST_F(ToolRun, SpiderBasicReadsItsOwnPreferences) {
    host.Names[IdeProcess] = u"SpiderBasic.exe";
    platform.AddFile(u"C:\\Users\\Ann\\AppData\\Roaming\\SpiderBasic\\SpiderBasic.prefs", "[Global]\nTabLength=$3\n");
    Run(u"Brisklet.exe /converttabtospace");
    EXPECT_TRUE(platform.Messages.empty());
    EXPECT_EQ(host.Editor.Bytes(), "x = 1 ; c\n   y\n");
}

TEST_F(ToolRun, AMissingPreferencesFileIsReportedAndNothingIsTouched) {
    host.Names[IdeProcess] = u"SpiderBasic.exe";
    Run(u"Brisklet.exe /removecomments");
    EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{
                                  u"Error: The PureBasic or SpiderBasic settings file could not be found."});
    EXPECT_TRUE(host.Opened.empty());
}

TEST_F(ToolRun, AHiddenOrForeignMainWindowIsReported) {
    const std::vector<WindowInfo> cases[] = {
        {{MainWindow, CaptionStyle, IdeProcess, u"WindowClass_2"}},
        {{MainWindow, Visible, IdeProcess, u"WindowClass_2"}},
        {{MainWindow, CaptionVisible, IdeProcess, u"WindowClass_3"}},
        {{MainWindow, CaptionVisible, IdeProcess + 1, u"WindowClass_2"}},
        {},
    };
    for (const std::vector<WindowInfo>& windows : cases) {
        platform.Messages.clear();
        host.TopLevel = windows;
        Run(u"Brisklet.exe /removecomments");
        EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{u"Error: " + std::u16string(NoIdeWindowMessage)});
        EXPECT_TRUE(host.Opened.empty());
    }
}

TEST_F(ToolRun, TheWindowsTheIdeNamesComeFirstWhenTheyAreWhatTheyShouldBe) {
    // The IDE's main window hidden under "Hide editor when tool runs", of a class of its own.
    const std::vector<WindowInfo> hiddenMain{{0x5, CaptionVisible, 7, u"WindowClass_2"},
                                             {MainWindow, CaptionStyle, IdeProcess, u"PureBasicMain"}};
    struct Case {
        const char* Name;
        std::u16string_view MainNamed;   // PB_TOOL_MainWindow; "" unset
        std::u16string_view EditorNamed; // PB_TOOL_Scintilla; "" unset
        WindowHandle Cleaned;            // 0: the window message, nothing cleaned
    };
    const Case cases[] = {
        {"both named", u"16", u"32", EditorWindow},
        {"the second visible editor named", u"16", u"33", 0x21},
        {"a hidden editor named: the first visible one", u"16", u"31", EditorWindow},
        {"a closed editor named: the first visible one", u"16", u"34", EditorWindow},
        {"the main window named as the editor", u"16", u"16", EditorWindow},
        {"no editor named", u"16", u"", EditorWindow},
        {"no main window named: the search finds none", u"", u"32", 0},
        {"a closed window named", u"17", u"32", 0},
        {"another process's window named", u"5", u"32", 0},
        {"a child window named", u"32", u"32", 0},
        {"not a number", u"0x10", u"32", 0},
        {"blank after the number", u"16 ", u"32", 0},
        {"a plus sign", u"+16", u"32", 0},
        {"too many digits", u"184467440737095516160016", u"32", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        platform.Messages.clear();
        host.Opened.clear();
        host.TopLevel = hiddenMain;
        platform.SetEnvironment(u"PB_TOOL_MainWindow", c.MainNamed);
        platform.SetEnvironment(u"PB_TOOL_Scintilla", c.EditorNamed);
        Run(u"Brisklet.exe /removecomments");
        if (c.Cleaned == 0) {
            EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{u"Error: " + std::u16string(NoIdeWindowMessage)});
            EXPECT_TRUE(host.Opened.empty());
        } else {
            EXPECT_TRUE(platform.Messages.empty());
            EXPECT_EQ(host.Opened, std::vector<WindowHandle>{c.Cleaned});
        }
    }
}

TEST_F(ToolRun, NoVisibleEditorMeansNothingToDoAndNoMessage) {
    host.Children = {{0x1F, 0, 0, u"Scintilla"}, {0x22, Visible, 0, u"scintilla"}, {0x23, Visible, 0, u"Static"}};
    Run(u"Brisklet.exe /removecomments");
    EXPECT_TRUE(platform.Messages.empty());
    EXPECT_TRUE(host.Opened.empty());
    EXPECT_EQ(host.Editor.Bytes(), "x = 1 ; c\n\ty\n");
}

} // namespace
} // namespace brisklet
