// The cleaning operations and the switch dispatch written literally from the cleaning rules, in
// the string functions, as the plain reference the fast code is checked against.
#include "support/ReferenceCleaning.h"

#include <functional>
#include <optional>

#include "support/ReferenceStrings.h"

namespace brisklet::test {

namespace {

constexpr std::u16string_view Lf = u"\n";
constexpr std::u16string_view Cr = u"\r";
constexpr std::u16string_view Tab = u"\t";
constexpr std::u16string_view Space = u" ";

// A per-line step: the new line, or nullopt to drop the line with its line end.
using LineStep = std::function<std::optional<std::u16string>(std::u16string line)>;

// The line end that starts at 1-based position: CR LF, LF or CR; empty at none.
std::u16string LineEndAt(std::u16string_view text, int64_t position) {
    if (TextEquals(Substring(text, position, 2), u"\r\n"))
        return u"\r\n";
    const std::u16string unit = Substring(text, position, 1);
    return TextEquals(unit, Lf) || TextEquals(unit, Cr) ? unit : u"";
}

// Lines end at CR LF, LF or a lone CR; every kept line is followed by its own line end, or, in
// the editor's text, by an LF. A text without any line end is left alone.
std::u16string RebuildByLines(std::u16string_view sourceText, const LineStep& step, bool keepLineEnds) {
    if (CountOccurrences(sourceText, Lf) + CountOccurrences(sourceText, Cr) == 0)
        return std::u16string(sourceText);
    std::u16string result;
    std::u16string line;
    for (int64_t position = 1; position <= TextLength(sourceText) + 1;) {
        const std::u16string end = LineEndAt(sourceText, position);
        if (position <= TextLength(sourceText) && TextEquals(end, u"")) {
            line += Substring(sourceText, position, 1);
            position += 1;
            continue;
        }
        const std::optional<std::u16string> stepped = step(line);
        if (stepped)
            result += *stepped + (keepLineEnds || TextEquals(end, u"") ? end : std::u16string(Lf));
        line = u"";
        position += TextEquals(end, u"") ? 1 : TextLength(end);
    }
    return result;
}

// The rest of line from 1-based position on.
std::u16string RestFrom(std::u16string_view line, int64_t position) {
    return Substring(line, position, TextLength(line) - position + 1);
}

std::optional<std::u16string> RemoveCommentStep(std::u16string line) {
    if (FindFrom(line, u"~\"", 1) > 0)
        return line;
    const int64_t k = CountOccurrences(line, u";");
    int64_t p = 0;
    for (int64_t repeat = 1; repeat <= k; ++repeat) {
        p = FindFrom(line, u";", p + 1);
        if (p > 0) {
            const std::u16string before = Substring(line, 1, p - 1);
            if (CountOccurrences(before, u"\"") % 2 == 0)
                line = Substring(line, 1, p - 1);
        }
    }
    return line;
}

std::optional<std::u16string> RemoveDebugStep(std::u16string line) {
    if (FindFrom(line, u"Debug ", 1) > 0)
        return std::nullopt;
    return line;
}

std::optional<std::u16string> RemoveEmptyLineStep(std::u16string line) {
    std::u16string copy = ReplaceAll(line, Space, u"");
    copy = ReplaceAll(copy, Tab, u"");
    if (TextEquals(copy, u""))
        return std::nullopt;
    return line;
}

std::optional<std::u16string> TrimStartStep(std::u16string line) {
    for (int pass = 1; pass <= 3; ++pass) {
        line = TrimLeadingRun(line, Space);
        line = TrimLeadingRun(line, Tab);
    }
    return line;
}

std::optional<std::u16string> TrimEndStep(std::u16string line) {
    for (int pass = 1; pass <= 3; ++pass) {
        line = TrimTrailingRun(line, Space);
        line = TrimTrailingRun(line, Tab);
    }
    return line;
}

std::u16string LeadingTabsToSpaces(std::u16string_view line, int32_t tabLength) {
    int64_t w = 0;
    for (int64_t position = 1; position <= TextLength(line); ++position) {
        const std::u16string unit = Substring(line, position, 1);
        if (TextEquals(unit, Space))
            w += 1;
        else if (TextEquals(unit, Tab))
            w += tabLength;
        else
            return Spaces(w) + RestFrom(line, position);
    }
    return u"";
}

std::u16string LeadingSpacesToTabs(std::u16string_view line, int32_t tabLength) {
    int64_t s = 0;
    int64_t t = 0;
    for (int64_t position = 1; position <= TextLength(line); ++position) {
        const std::u16string unit = Substring(line, position, 1);
        if (TextEquals(unit, Space)) {
            s += 1;
            if (s == tabLength) {
                t += 1;
                s = 0;
            }
        } else if (TextEquals(unit, Tab)) {
            t += 1;
            s = 0;
        } else {
            return RepeatChar(Tab, t) + RestFrom(line, position);
        }
    }
    return u"";
}

std::u16string RemoveDoubleSpaces(std::u16string sourceText) {
    while (FindFrom(sourceText, u"  ", 1) > 0)
        sourceText = ReplaceAll(sourceText, u"  ", Space);
    return sourceText;
}

struct SwitchRow {
    std::u16string_view Name;
    ReferenceAction Action;
};

ReferenceAction Cleaning(CleaningOperation operation) {
    return {false, operation, ViewCommand::FoldAll};
}

ReferenceAction View(ViewCommand command) {
    return {true, CleaningOperation::RemoveEmptyLines, command};
}

const std::vector<SwitchRow>& SwitchRows() {
    using enum CleaningOperation;
    using enum ViewCommand;
    static const std::vector<SwitchRow> rows = {
        {u"/removeemptylines", Cleaning(RemoveEmptyLines)},
        {u"/removedebuglines", Cleaning(RemoveDebugLines)},
        {u"/removecomments", Cleaning(RemoveComments)},
        {u"/removedoublespaces", Cleaning(RemoveDoubleSpaces)},
        {u"/removeallspaces", Cleaning(RemoveAllSpaces)},
        {u"/removespacesatendoflines", Cleaning(RemoveSpacesAtEndOfLines)},
        {u"/removespacesatstartoflines", Cleaning(RemoveSpacesAtStartOfLines)},
        {u"/converttexttolowercaseletters", Cleaning(ConvertTextToLowerCase)},
        {u"/converttexttouppercaseletters", Cleaning(ConvertTextToUpperCase)},
        {u"/fold", View(FoldAll)},
        {u"/unfold", View(UnfoldAll)},
        {u"/converttabtospace", Cleaning(ConvertTabToSpace)},
        {u"/convertspacetotab", Cleaning(ConvertSpaceToTab)},
        {u"/setcursortotop", View(SetCursorToTop)},
        {u"/setcursortobottom", View(SetCursorToBottom)},
    };
    return rows;
}

} // namespace

std::u16string ReferenceOperation(CleaningOperation operation, std::u16string_view sourceText, int32_t tabLength) {
    switch (operation) {
    case CleaningOperation::RemoveEmptyLines:
        return RebuildByLines(sourceText, RemoveEmptyLineStep, false);
    case CleaningOperation::RemoveDebugLines:
        return RebuildByLines(sourceText, RemoveDebugStep, false);
    case CleaningOperation::RemoveComments:
        return RebuildByLines(sourceText, RemoveCommentStep, false);
    case CleaningOperation::RemoveDoubleSpaces:
        return RemoveDoubleSpaces(std::u16string(sourceText));
    case CleaningOperation::RemoveAllSpaces:
        return ReplaceAll(sourceText, Space, u"");
    case CleaningOperation::RemoveSpacesAtEndOfLines:
        return RebuildByLines(sourceText, TrimEndStep, false);
    case CleaningOperation::RemoveSpacesAtStartOfLines:
        return RebuildByLines(sourceText, TrimStartStep, false);
    case CleaningOperation::ConvertTextToLowerCase:
        return LowerCase(sourceText);
    case CleaningOperation::ConvertTextToUpperCase:
        return UpperCase(sourceText);
    case CleaningOperation::ConvertTabToSpace:
        return RebuildByLines(sourceText, [tabLength](std::u16string line) -> std::optional<std::u16string> {
            return LeadingTabsToSpaces(line, tabLength);
        }, false);
    case CleaningOperation::ConvertSpaceToTab:
        return RebuildByLines(sourceText, [tabLength](std::u16string line) -> std::optional<std::u16string> {
            return LeadingSpacesToTabs(line, tabLength);
        }, false);
    }
    return std::u16string(sourceText);
}

std::u16string ReferenceFileOperation(CleaningOperation operation, std::u16string_view sourceText,
                                      int32_t tabLength) {
    switch (operation) {
    case CleaningOperation::RemoveEmptyLines:
        return RebuildByLines(sourceText, RemoveEmptyLineStep, true);
    case CleaningOperation::RemoveDebugLines:
        return RebuildByLines(sourceText, RemoveDebugStep, true);
    case CleaningOperation::RemoveComments:
        return RebuildByLines(sourceText, RemoveCommentStep, true);
    case CleaningOperation::RemoveSpacesAtEndOfLines:
        return RebuildByLines(sourceText, TrimEndStep, true);
    case CleaningOperation::RemoveSpacesAtStartOfLines:
        return RebuildByLines(sourceText, TrimStartStep, true);
    case CleaningOperation::ConvertTabToSpace:
        return RebuildByLines(sourceText, [tabLength](std::u16string line) -> std::optional<std::u16string> {
            return LeadingTabsToSpaces(line, tabLength);
        }, true);
    case CleaningOperation::ConvertSpaceToTab:
        return RebuildByLines(sourceText, [tabLength](std::u16string line) -> std::optional<std::u16string> {
            return LeadingSpacesToTabs(line, tabLength);
        }, true);
    case CleaningOperation::RemoveDoubleSpaces:
    case CleaningOperation::RemoveAllSpaces:
    case CleaningOperation::ConvertTextToLowerCase:
    case CleaningOperation::ConvertTextToUpperCase:
        break;
    }
    return ReferenceOperation(operation, sourceText, tabLength);
}

std::u16string ReferenceSwitchList(const std::vector<std::u16string>& arguments) {
    std::u16string switchList;
    for (const std::u16string& argument : arguments) {
        switchList += LowerCase(argument);
        switchList += Space;
    }
    return switchList;
}

std::vector<ReferenceAction> ReferenceDispatch(std::u16string_view switchList, int parameterCount) {
    std::vector<ReferenceAction> actions;
    for (int i = 1; i <= parameterCount; ++i) {
        const std::u16string field = FieldAt(switchList, i, Space);
        for (const SwitchRow& row : SwitchRows()) {
            if (TextEquals(field, row.Name)) {
                actions.push_back(row.Action);
                break;
            }
        }
    }
    return actions;
}

std::u16string ReferenceCleanText(std::u16string_view sourceText, std::u16string_view switchList,
                                  int parameterCount, int32_t tabLength) {
    std::u16string text(sourceText);
    for (const ReferenceAction& action : ReferenceDispatch(switchList, parameterCount)) {
        if (!action.IsView)
            text = ReferenceOperation(action.Operation, text, tabLength);
    }
    return text;
}

std::string OperationName(CleaningOperation operation) {
    for (const SwitchRow& row : SwitchRows()) {
        if (!row.Action.IsView && row.Action.Operation == operation)
            return std::string(row.Name.begin(), row.Name.end());
    }
    return "?";
}

const std::vector<CleaningOperation>& AllOperations() {
    static const std::vector<CleaningOperation> operations = [] {
        std::vector<CleaningOperation> all;
        for (const SwitchRow& row : SwitchRows()) {
            if (!row.Action.IsView)
                all.push_back(row.Action.Operation);
        }
        return all;
    }();
    return operations;
}

} // namespace brisklet::test
