// One end-to-end scenario as the runner hands it to the test IDE: what to show, whom to start.
#include "Scenario.h"

#include <string_view>

#include "Files.h"

namespace brisklet::e2e {

namespace {

std::optional<intptr_t> ParseNumber(std::wstring_view text) {
    if (text.empty() || text.size() > 18) {
        return std::nullopt;
    }
    intptr_t value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        value = value * 10 + (c - L'0');
    }
    return value;
}

std::optional<std::vector<intptr_t>> ParseNumberList(std::wstring_view text) {
    std::vector<intptr_t> numbers;
    while (!text.empty()) {
        const size_t comma = text.find(L',');
        const std::optional<intptr_t> number = ParseNumber(text.substr(0, comma));
        if (!number) {
            return std::nullopt;
        }
        numbers.push_back(*number);
        text = comma == std::wstring_view::npos ? std::wstring_view() : text.substr(comma + 1);
    }
    return numbers;
}

std::optional<bool> ParseFlag(std::wstring_view text) {
    if (text == L"0" || text == L"1") {
        return text == L"1";
    }
    return std::nullopt;
}

// none, read or readwrite: what the holder of a file lets others do with it.
std::optional<DWORD> ParseShare(std::wstring_view text) {
    if (text == L"none") {
        return 0;
    }
    if (text == L"read") {
        return FILE_SHARE_READ;
    }
    if (text == L"readwrite") {
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    }
    return std::nullopt;
}

std::optional<Vanish> ParseVanish(std::wstring_view text) {
    for (const Vanish what : {Vanish::None, Vanish::Editor, Vanish::Main, Vanish::Process}) {
        if (text == WideFromUtf8(VanishName(what))) {
            return what;
        }
    }
    return std::nullopt;
}

struct TextKey {
    std::wstring_view Key;
    std::wstring Scenario::*Field;
};
const TextKey TextKeys[] = {
    {L"results", &Scenario::ResultsFolder},
    {L"commandline", &Scenario::CommandLine},
    {L"workdir", &Scenario::WorkingDirectory},
    {L"mainclass", &Scenario::MainClass},
    {L"holdfile", &Scenario::HoldFile},
    {L"tool-entry", &Scenario::ToolEntry},
    {L"tools-file", &Scenario::ToolsFile},
};

struct FlagKey {
    std::wstring_view Key;
    bool Scenario::*Field;
};
const FlagKey FlagKeys[] = {
    {L"readonly", &Scenario::ReadOnly},
    {L"mainvisible", &Scenario::MainVisible},
    {L"maincaption", &Scenario::MainCaption},
    {L"editorvisible", &Scenario::EditorVisible},
    {L"wait", &Scenario::Wait},
    {L"hide", &Scenario::Hide},
    {L"casecorrection", &Scenario::CaseCorrection},
    {L"viewer", &Scenario::Viewer},
};

// "2:22,8:15+21": a bookmark on line 2, a breakpoint's two markers on line 8.
std::optional<std::vector<std::pair<intptr_t, int>>> ParseMarkers(std::wstring_view text) {
    std::vector<std::pair<intptr_t, int>> markers;
    while (!text.empty()) {
        const size_t comma = text.find(L',');
        std::wstring_view item = text.substr(0, comma);
        text = comma == std::wstring_view::npos ? std::wstring_view() : text.substr(comma + 1);
        const size_t colon = item.find(L':');
        const std::optional<intptr_t> line = ParseNumber(item.substr(0, colon));
        if (!line || colon == std::wstring_view::npos) {
            return std::nullopt;
        }
        int mask = 0;
        for (std::wstring_view rest = item.substr(colon + 1); !rest.empty();) {
            const size_t plus = rest.find(L'+');
            const std::optional<intptr_t> marker = ParseNumber(rest.substr(0, plus));
            if (!marker || *marker > 31) {
                return std::nullopt;
            }
            mask |= 1 << *marker;
            rest = plus == std::wstring_view::npos ? std::wstring_view() : rest.substr(plus + 1);
        }
        markers.emplace_back(*line, mask);
    }
    return markers;
}

// Applies one setting; false when the key is unknown or the value does not fit it.
bool ApplySetting(Scenario& scenario, std::wstring_view key, const std::wstring& value, std::wstring& error) {
    if (key == L"document") {
        const std::optional<std::string> bytes = ReadFileBytes(value);
        if (!bytes) {
            error = L"cannot read the document " + value;
            return false;
        }
        scenario.Document = *bytes;
        return true;
    }
    if (key.starts_with(L"env.")) {
        std::optional<std::wstring> envValue;
        if (!value.empty()) {
            envValue = value;
        }
        scenario.Environment.emplace_back(std::wstring(key.substr(4)), envValue);
        return true;
    }
    for (const TextKey& text : TextKeys) {
        if (key == text.Key) {
            scenario.*text.Field = value;
            return true;
        }
    }
    for (const FlagKey& flag : FlagKeys) {
        if (key == flag.Key) {
            const std::optional<bool> parsed = ParseFlag(value);
            if (parsed) {
                scenario.*flag.Field = *parsed;
            }
            return parsed.has_value();
        }
    }
    if (key == L"selection") {
        const std::optional<std::vector<intptr_t>> pair = ParseNumberList(value);
        if (!pair || pair->size() != 2) {
            return false;
        }
        scenario.Selection = std::pair((*pair)[0], (*pair)[1]);
        return true;
    }
    if (key == L"holdshare") {
        const std::optional<DWORD> share = ParseShare(value);
        if (share) {
            scenario.HoldShare = *share;
        }
        return share.has_value();
    }
    if (key == L"vanish") {
        const std::optional<Vanish> vanish = ParseVanish(value);
        if (vanish) {
            scenario.Vanishes = *vanish;
        }
        return vanish.has_value();
    }
    if (key == L"markers") {
        const std::optional<std::vector<std::pair<intptr_t, int>>> markers = ParseMarkers(value);
        if (markers) {
            scenario.Markers = *markers;
        }
        return markers.has_value();
    }
    if (key == L"type") {
        scenario.Typed = Utf8FromWide(value);
        return true;
    }
    if (key == L"folded") {
        const std::optional<std::vector<intptr_t>> lines = ParseNumberList(value);
        if (lines) {
            scenario.FoldedLines = *lines;
        }
        return lines.has_value();
    }
    const std::optional<intptr_t> number = ParseNumber(value);
    if (!number) {
        return false;
    }
    if (key == L"codepage") {
        scenario.CodePage = static_cast<int>(*number);
    } else if (key == L"caretline") {
        scenario.CaretLine = *number;
    } else if (key == L"hang-ms") {
        scenario.HangMs = static_cast<DWORD>(*number);
    } else if (key == L"timeout-ms") {
        scenario.TimeoutMs = static_cast<DWORD>(*number);
    } else if (key == L"hiddeneditors") {
        scenario.HiddenEditors = static_cast<int>(*number);
    } else if (key == L"visibleeditors" && *number >= 1) {
        scenario.VisibleEditors = static_cast<int>(*number);
    } else if (key == L"nesting" && *number >= 1) {
        scenario.Nesting = static_cast<int>(*number);
    } else if (key == L"runs" && *number >= 1) {
        scenario.Runs = static_cast<int>(*number);
    } else if (key == L"vanish-after") {
        scenario.VanishAfter = static_cast<unsigned>(*number);
    } else if (key == L"type-after") {
        scenario.TypeAfter = static_cast<unsigned>(*number);
    } else {
        return false;
    }
    return true;
}

} // namespace

const char* VanishName(Vanish what) {
    switch (what) {
    case Vanish::None: return "none";
    case Vanish::Editor: return "editor";
    case Vanish::Main: return "main";
    case Vanish::Process: return "process";
    }
    return "";
}

std::optional<Scenario> ReadScenario(const std::wstring& runFile, std::wstring& error) {
    const std::optional<std::string> content = ReadFileBytes(runFile);
    if (!content) {
        error = L"cannot read the run file " + runFile;
        return std::nullopt;
    }
    Scenario scenario;
    std::string_view rest = *content;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const size_t equals = line.find('=');
        const std::wstring key = WideFromUtf8(line.substr(0, equals));
        const std::wstring value = equals == std::string_view::npos ? std::wstring() : WideFromUtf8(line.substr(equals + 1));
        if (equals == std::string_view::npos || !ApplySetting(scenario, key, value, error)) {
            if (error.empty()) {
                error = L"bad setting: " + WideFromUtf8(line);
            }
            return std::nullopt;
        }
    }
    if (scenario.ResultsFolder.empty() || scenario.CommandLine.empty()) {
        error = L"the run file needs results= and commandline=";
        return std::nullopt;
    }
    if (scenario.Hide && !scenario.Wait) {
        error = L"hide=1 needs wait=1: the IDE hides its window only for a tool it waits for";
        return std::nullopt;
    }
    return scenario;
}

} // namespace brisklet::e2e
