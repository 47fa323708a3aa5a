// The cleaning operations and the switch dispatch written literally from the cleaning rules, in
// the string functions, as the plain reference the fast code is checked against.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cleaning/Operations.h"
#include "cleaning/SwitchTable.h"

namespace brisklet::test {

// The operation's result on sourceText. Quadratic in the number of lines: small texts only.
[[nodiscard]] std::u16string ReferenceOperation(CleaningOperation operation, std::u16string_view sourceText,
                                                int32_t tabLength);

// The operation as brisklet-clean applies it to a file, the way the IDE reads a source: CR LF,
// LF and a lone CR each end a line, every kept line keeps its own line end, and a text without
// any line end is left alone by the line-based operations.
[[nodiscard]] std::u16string ReferenceFileOperation(CleaningOperation operation, std::u16string_view sourceText,
                                                    int32_t tabLength);

// What one dispatched field does: a cleaning operation or a view command.
struct ReferenceAction {
    bool IsView = false;
    CleaningOperation Operation = CleaningOperation::RemoveEmptyLines;
    ViewCommand View = ViewCommand::FoldAll;

    friend bool operator==(const ReferenceAction&, const ReferenceAction&) = default;
};

// Each argument lower-cased and followed by one space.
[[nodiscard]] std::u16string ReferenceSwitchList(const std::vector<std::u16string>& arguments);

// The actions, in order, of fields 1 to parameterCount of switchList cut at " ", each field
// compared exactly with the fifteen dispatched switches in table order.
[[nodiscard]] std::vector<ReferenceAction> ReferenceDispatch(std::u16string_view switchList, int parameterCount);

// The text after the cleaning actions of the dispatch (view commands leave the text alone).
[[nodiscard]] std::u16string ReferenceCleanText(std::u16string_view sourceText, std::u16string_view switchList,
                                                int parameterCount, int32_t tabLength);

// The name of an operation as its switch is spelled, for failure messages.
[[nodiscard]] std::string OperationName(CleaningOperation operation);

// Every operation, in the order of the switch table.
[[nodiscard]] const std::vector<CleaningOperation>& AllOperations();

} // namespace brisklet::test
