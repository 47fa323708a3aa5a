// The test IDE: stands in for PureBasic or SpiderBasic, starts the tool as its child, reports the outcome.
// Usage: TestIde RUNFILE. Writes result.txt and doc.bin into the run file's results folder.
#include <windows.h>

#include <cstdio>
#include <string>

#include "ChildRun.h"
#include "Files.h"
#include "IdeWindow.h"
#include "Scenario.h"

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

std::string ExitText(const ChildOutcome& child) {
    switch (child.End) {
    case ChildEnd::Exited: return std::to_string(child.ExitCode);
    case ChildEnd::TimedOut: return "timeout";
    case ChildEnd::StartFailed: return "start-failed\nstart-error=" + std::to_string(child.StartError);
    }
    return {};
}

int RunScenario(const std::wstring& runFile) {
    std::wstring error;
    const std::optional<Scenario> scenario = ReadScenario(runFile, error);
    if (!scenario) {
        return Fail(error);
    }
    ApplyEnvironment(*scenario);
    if (!OpenIde(*scenario, error)) {
        CloseIde();
        return Fail(error);
    }
    StartCounting(scenario->HangMs);
    const ChildOutcome child = RunChild(scenario->CommandLine, scenario->WorkingDirectory, scenario->TimeoutMs);
    PumpMessages();
    const MessageCounts counts = StopCounting();
    const EditorState editor = VisibleEditorState();
    const bool undoRestores = OneUndoGives(scenario->Document);
    const bool hiddenChanged = HiddenEditorsDifferFrom(scenario->Document);
    CloseIde();

    std::string result;
    result += "exit=" + ExitText(child) + "\n";
    result += "child-parent-is-ide=" + std::to_string(child.ParentIsIde ? 1 : 0) + "\n";
    result += "selection=" + std::to_string(editor.Anchor) + "," + std::to_string(editor.Caret) + "\n";
    result += "caretline=" + std::to_string(editor.CaretLine) + "\n";
    result += "folded=" + NumberList(editor.ContractedHeaders) + "\n";
    result += "hidden=" + LineRanges(editor.HiddenLines) + "\n";
    result += "can-undo=" + std::to_string(editor.CanUndo ? 1 : 0) + "\n";
    result += "undo-restores=" + std::to_string(undoRestores ? 1 : 0) + "\n";
    result += "hidden-editors-changed=" + std::to_string(hiddenChanged ? 1 : 0) + "\n";
    result += "messages=" + std::to_string(counts.All) + "\n";
    result += "scintilla-messages=" + std::to_string(counts.Scintilla) + "\n";
    result += "boxes=" + std::to_string(child.Boxes.size()) + "\n";
    for (size_t i = 0; i < child.Boxes.size(); ++i) {
        const std::string prefix = "box" + std::to_string(i + 1);
        result += prefix + ".caption=" + EscapedLine(Utf8FromWide(child.Boxes[i].Caption)) + "\n";
        result += prefix + ".text=" + EscapedLine(Utf8FromWide(child.Boxes[i].Text)) + "\n";
    }
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
    if (argc != 2) {
        std::fprintf(stderr, "usage: TestIde RUNFILE\n");
        return 2;
    }
    return brisklet::e2e::RunScenario(argv[1]);
}
