// The test IDE: stands in for PureBasic or SpiderBasic, starts the tool as its child, reports the outcome.
// Usage: TestIde RUNFILE. Writes result.txt and doc.bin into the run file's results folder.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>

#include "ChildRun.h"
#include "EndingIde.h"
#include "Files.h"
#include "IdeWindow.h"
#include "Scenario.h"
#include "ToolsMenu.h"
#include "runtime/win32/OwnedHandle.h"

namespace brisklet::e2e {

namespace {

int Fail(const std::wstring& error) {
    std::fprintf(stderr, "TestIde: %s\n", Utf8FromWide(error).c_str());
    return 2;
}

void ApplyEnvironment(const Scenario& scenario) {
    // The child inherits this process's environment.
    for (const auto& [name, value] : scenario.Environment) {
        SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
    }
}

std::wstring EnvironmentValue(const wchar_t* name) {
    std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
    return value;
}

std::wstring OwnFileName() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(path.find_last_of(L"\\/") + 1);
}

// The fold words of the IDE's own preferences file: the one it names to its tools, else the
// per-user one; the defaults where there is none.
test::FoldWords IdeFoldWords() {
    const bool spiderBasic = OwnFileName() == L"SpiderBasic.exe";
    const std::wstring ideName = spiderBasic ? L"SpiderBasic" : L"PureBasic";
    std::wstring path = EnvironmentValue(L"PB_TOOL_Preferences");
    if (path.empty()) {
        path = EnvironmentValue(L"APPDATA") + L"\\" + ideName + L"\\" + ideName + L".prefs";
    }
    const std::optional<std::string> prefs = ReadFileBytes(path);
    return prefs ? test::FoldWordsFromPrefs(*prefs, spiderBasic) : test::DefaultFoldWords(spiderBasic);
}

std::wstring Decimal(HWND window) {
    return std::to_wstring(reinterpret_cast<intptr_t>(window));
}

// The IDE names its main window and the current editor to every tool. A scenario may name
// others, with %MAINWINDOW%, %EDITOR%, %HIDDENEDITOR%, %CLOSEDEDITOR%, %PANEL%, %VIEWER%,
// %VIEWEREDITOR% and %DESKTOP% standing for their handles, or unset them.
void NameWindows(const Scenario& scenario) {
    const IdeWindows windows = Windows();
    const std::pair<std::wstring_view, HWND> placeholders[] = {
        {L"%MAINWINDOW%", windows.Main},     {L"%EDITOR%", windows.Editor},
        {L"%HIDDENEDITOR%", windows.HiddenEditor}, {L"%CLOSEDEDITOR%", windows.ClosedEditor},
        {L"%PANEL%", windows.Panel},         {L"%VIEWER%", windows.Viewer},
        {L"%VIEWEREDITOR%", windows.ViewerEditor}, {L"%DESKTOP%", GetDesktopWindow()},
    };
    SetEnvironmentVariableW(L"PB_TOOL_MainWindow", Decimal(windows.Main).c_str());
    SetEnvironmentVariableW(L"PB_TOOL_Scintilla", Decimal(windows.Editor).c_str());
    for (const auto& [name, value] : scenario.Environment) {
        if (!value) {
            SetEnvironmentVariableW(name.c_str(), nullptr);
            continue;
        }
        std::wstring text = *value;
        for (const auto& [placeholder, window] : placeholders) {
            for (size_t at = text.find(placeholder); at != std::wstring::npos; at = text.find(placeholder)) {
                text.replace(at, placeholder.size(), Decimal(window));
            }
        }
        SetEnvironmentVariableW(name.c_str(), text.c_str());
    }
}

void AppendItem(std::string& list, const std::string& item) {
    if (!list.empty()) {
        list += ',';
    }
    list += item;
}

std::string NumberList(const std::vector<intptr_t>& numbers) {
    std::string text;
    for (const intptr_t number : numbers) {
        AppendItem(text, std::to_string(number));
    }
    return text;
}

// Runs of consecutive lines as "first-last", single lines alone: "4-9,12".
std::string LineRanges(const std::vector<intptr_t>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size();) {
        size_t last = i;
        while (last + 1 < lines.size() && lines[last + 1] == lines[last] + 1) {
            ++last;
        }
        AppendItem(text, last > i ? std::to_string(lines[i]) + "-" + std::to_string(lines[last])
                                  : std::to_string(lines[i]));
        i = last + 1;
    }
    return text;
}

// "2:22,8:15+21": each marked line with its marker numbers.
std::string MarkerList(const std::vector<std::pair<intptr_t, int>>& markers) {
    std::string text;
    for (const auto& [line, mask] : markers) {
        std::string numbers;
        for (int marker = 0; marker < 32; ++marker) {
            if ((mask & (1 << marker)) != 0) {
                numbers += numbers.empty() ? "" : "+";
                numbers += std::to_string(marker);
            }
        }
        AppendItem(text, std::to_string(line) + ":" + numbers);
    }
    return text;
}

std::wstring TwoDigits(WORD value) {
    return (value < 10 ? L"0" : L"") + std::to_wstring(value);
}

// "%DDMMYYYY%" becomes today's date, as the tool writes it into a log file's name.
std::wstring WithTodaysDate(std::wstring path) {
    constexpr std::wstring_view token = L"%DDMMYYYY%";
    const size_t at = path.find(token);
    if (at != std::wstring::npos) {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        path.replace(at, token.size(), TwoDigits(now.wDay) + TwoDigits(now.wMonth) + std::to_wstring(now.wYear));
    }
    return path;
}

// Another process's hold on a file while the child runs: read and write access, the
// scenario's share mode, the file created when missing. Null when nothing is to be held.
HANDLE HoldFile(const Scenario& scenario, std::wstring& error) {
    if (scenario.HoldFile.empty()) {
        return nullptr;
    }
    const std::wstring path = WithTodaysDate(scenario.HoldFile);
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, scenario.HoldShare, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = L"cannot hold " + path + L" open";
    }
    return file;
}

// Each run in turn; the boxes of all runs in order, the exit codes comma-separated.
struct Runs {
    std::string Exits;
    std::string StartErrors;
    std::string ChildMs;
    int64_t BusySteps = 0;
    bool ParentIsIde = true;
    std::vector<MessageBoxSeen> Boxes;
};

// watcherId: the process watching an IDE that ends mid-run (0: none), which gets a handle on each child.
Runs RunChildren(const Scenario& scenario, DWORD watcherId) {
    Runs runs;
    const BeforeResume handOver = [&](HANDLE child, bool parentIsIde) {
        WatchTool(child);
        if (watcherId != 0) {
            HandChildOver(watcherId, scenario.ResultsFolder, child, parentIsIde);
        }
    };
    for (int run = 0; run < scenario.Runs; ++run) {
        if (scenario.Wait) {
            HoldMainWindow(scenario.Hide);
        }
        const ChildOutcome child = RunChild(scenario.CommandLine, scenario.WorkingDirectory, scenario.TimeoutMs,
                                            scenario.Wait ? Waiting::InSteps : Waiting::Answering, handOver);
        ReleaseMainWindow();
        AppendItem(runs.Exits, ExitText(child));
        if (child.End == ChildEnd::Exited) {
            AppendItem(runs.ChildMs, std::to_string(child.WallMs));
        }
        runs.BusySteps += child.BusySteps;
        if (child.End == ChildEnd::StartFailed) {
            AppendItem(runs.StartErrors, std::to_string(child.StartError));
        }
        runs.ParentIsIde = runs.ParentIsIde && child.ParentIsIde;
        runs.Boxes.insert(runs.Boxes.end(), child.Boxes.begin(), child.Boxes.end());
    }
    return runs;
}

// The IDE's Tools menu, "|" between the entries' names.
std::string MenuNames(const std::vector<MenuEntry>& menu) {
    std::string names;
    for (const MenuEntry& entry : menu) {
        if (!names.empty()) {
            names += '|';
        }
        names += Utf8FromWide(entry.Name);
    }
    return names;
}

// The scenario's tool entry taken from the menu, with a temporary file for "%TEMPFILE"
// holding the document; false when the menu has no such entry.
bool TakeMenuEntry(Scenario& scenario, const std::vector<MenuEntry>& menu, std::wstring& temporaryFile,
                   const MenuEntry*& taken) {
    for (const MenuEntry& entry : menu) {
        if (entry.Name != scenario.ToolEntry) {
            continue;
        }
        if (entry.Arguments.find(L"%TEMPFILE") != std::wstring::npos) {
            wchar_t folder[MAX_PATH] = {};
            wchar_t name[MAX_PATH] = {};
            if (GetTempPathW(MAX_PATH, folder) == 0 || GetTempFileNameW(folder, L"pb", 0, name) == 0 ||
                !WriteFileBytes(name, scenario.Document)) {
                return false;
            }
            temporaryFile = name;
        }
        TakeEntry(scenario, entry, temporaryFile);
        taken = &entry;
        return true;
    }
    return false;
}

int RunScenario(const std::wstring& runFile, DWORD watcherId) {
    std::wstring error;
    std::optional<Scenario> scenario = ReadScenario(runFile, error);
    if (!scenario) {
        return Fail(error);
    }
    // The IDE reads its Tools menu as it starts.
    const std::vector<MenuEntry> menu =
        ReadToolsMenu(!scenario->ToolsFile.empty() ? scenario->ToolsFile : IdeToolsFile(OwnFileName() == L"SpiderBasic.exe"));
    std::wstring temporaryFile;
    const MenuEntry* entry = nullptr;
    if (!scenario->ToolEntry.empty() && !TakeMenuEntry(*scenario, menu, temporaryFile, entry)) {
        return Fail(L"no entry '" + scenario->ToolEntry + L"' in the Tools menu: " + WideFromUtf8(MenuNames(menu)));
    }
    if (scenario->Vanishes == Vanish::Process && watcherId == 0) {
        return WatchEndingIde(runFile, *scenario, error) ? 0 : Fail(error);
    }
    ApplyEnvironment(*scenario);
    if (!OpenIde(*scenario, IdeFoldWords(), error)) {
        CloseIde();
        return Fail(error);
    }
    NameWindows(*scenario);
    const HANDLE heldFile = HoldFile(*scenario, error);
    if (!error.empty()) {
        CloseIde();
        return Fail(error);
    }
    Runs child;
    {
        const KernelHandle held(heldFile);
        StartCounting(scenario->HangMs);
        ArmVanishing(scenario->Vanishes, scenario->VanishAfter);
        child = RunChildren(*scenario, watcherId);
        PumpMessages();
    }
    if (entry != nullptr && entry->ReloadSource == 2 && !temporaryFile.empty()) {
        ReloadVisibleEditor(ReloadedText(ReadFileBytes(temporaryFile).value_or(std::string())));
    }
    if (!temporaryFile.empty()) {
        DeleteFileW(temporaryFile.c_str());
    }
    const MessageCounts counts = StopCounting();
    std::string blocks;
    std::string handlesAfter;
    for (const ToolWrite& write : ToolWrites()) {
        AppendItem(blocks, BlockFreed(write.Block) ? "freed" : "kept");
        if (write.HandlesAfter >= 0) {
            AppendItem(handlesAfter, std::to_string(write.HandlesAfter));
        }
    }
    const EditorState editor = VisibleEditorState();
    const std::string markers = MarkerList(VisibleEditorMarkers());
    const std::vector<intptr_t> changedEditors = EditorsDifferingFrom(scenario->Document);
    const bool undoRestores = OneUndoGives(scenario->Document);
    const std::string markersAfterUndo = MarkerList(VisibleEditorMarkers());
    const bool hiddenChanged = HiddenEditorsDifferFrom(scenario->Document);
    CloseIde();

    std::string result;
    result += "exit=" + child.Exits + "\n";
    result += "tools-menu=" + MenuNames(menu) + "\n";
    if (!child.StartErrors.empty()) {
        result += "start-error=" + child.StartErrors + "\n";
    }
    result += "child-ms=" + child.ChildMs + "\n";
    result += "busy-steps=" + std::to_string(child.BusySteps) + "\n";
    result += "child-parent-is-ide=" + std::to_string(child.ParentIsIde ? 1 : 0) + "\n";
    result += "selection=" + std::to_string(editor.Anchor) + "," + std::to_string(editor.Caret) + "\n";
    result += "caretline=" + std::to_string(editor.CaretLine) + "\n";
    result += "folded=" + NumberList(editor.ContractedHeaders) + "\n";
    result += "hidden=" + LineRanges(editor.HiddenLines) + "\n";
    result += "markers=" + markers + "\n";
    result += "markers-after-undo=" + markersAfterUndo + "\n";
    result += "can-undo=" + std::to_string(editor.CanUndo ? 1 : 0) + "\n";
    result += "undo-restores=" + std::to_string(undoRestores ? 1 : 0) + "\n";
    result += "hidden-editors-changed=" + std::to_string(hiddenChanged ? 1 : 0) + "\n";
    result += "changed-editors=" + NumberList(changedEditors) + "\n";
    result += "messages=" + std::to_string(counts.All) + "\n";
    result += "scintilla-messages=" + std::to_string(counts.Scintilla) + "\n";
    result += "other-scintilla-messages=" + std::to_string(counts.OtherScintilla) + "\n";
    result += std::string("vanished=") + VanishName(Vanished()) + "\n";
    result += "tool-blocks=" + blocks + "\n";
    result += "tool-handles-after-write=" + handlesAfter + "\n";
    result += BoxResultLines(child.Boxes);
    // The document first: a result.txt present means the whole result is there.
    if (!WriteFileBytes(scenario->ResultsFolder + L"\\doc.bin", editor.Bytes) ||
        !WriteFileBytes(scenario->ResultsFolder + L"\\result.txt", result)) {
        return Fail(L"cannot write the results into " + scenario->ResultsFolder);
    }
    return 0;
}

} // namespace

} // namespace brisklet::e2e

int wmain(int argc, wchar_t** argv) {
    // "--ide WATCHER": started by a test IDE whose scenario ends this process mid-run.
    const bool watched = argc == 4 && std::wstring_view(argv[2]) == L"--ide";
    if (argc != 2 && !watched) {
        std::fprintf(stderr, "usage: TestIde RUNFILE\n");
        return 2;
    }
    return brisklet::e2e::RunScenario(argv[1], watched ? static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)) : 0);
}
