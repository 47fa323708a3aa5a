// The fold levels a PureBasic IDE gives a document's lines, for editors that stand in for the IDE.
#include "support/FoldLevels.h"

#include "editor/ScintillaMessages.h"

namespace brisklet::test {

namespace {

enum class FoldMark { None, Opens, Closes };

bool IsWordByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lowerWord) {
    if (text.size() != lowerWord.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = (text[i] >= 'A' && text[i] <= 'Z') ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != lowerWord[i]) {
            return false;
        }
    }
    return true;
}

FoldMark MarkOfLine(std::string_view line) {
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        return FoldMark::None;
    }
    const std::string_view rest = line.substr(start);
    if (rest.starts_with(";{")) {
        return FoldMark::Opens;
    }
    if (rest.starts_with(";}")) {
        return FoldMark::Closes;
    }
    size_t wordEnd = 0;
    while (wordEnd < rest.size() && IsWordByte(rest[wordEnd])) {
        ++wordEnd;
    }
    // The whole word counts, so "ProcedureReturn" and "Modules" open nothing.
    const std::string_view word = rest.substr(0, wordEnd);
    if (EqualsIgnoringCase(word, "procedure") || EqualsIgnoringCase(word, "module")) {
        return FoldMark::Opens;
    }
    if (EqualsIgnoringCase(word, "endprocedure") || EqualsIgnoringCase(word, "endmodule")) {
        return FoldMark::Closes;
    }
    return FoldMark::None;
}

std::vector<std::string_view> SplitLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    size_t lineStart = 0;
    size_t i = 0;
    while (i < bytes.size()) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            lines.push_back(bytes.substr(lineStart, i - lineStart));
            const bool crLf = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
            i += crLf ? 2 : 1;
            lineStart = i;
        } else {
            ++i;
        }
    }
    lines.push_back(bytes.substr(lineStart));
    return lines;
}

} // namespace

std::vector<int> ComputeFoldLevels(std::string_view bytes) {
    std::vector<int> levels;
    int depth = 0;
    for (const std::string_view line : SplitLines(bytes)) {
        const FoldMark mark = MarkOfLine(line);
        if (mark == FoldMark::Opens) {
            levels.push_back((SC_FOLDLEVELBASE + depth) | SC_FOLDLEVELHEADERFLAG);
            ++depth;
        } else {
            levels.push_back(SC_FOLDLEVELBASE + depth);
            if (mark == FoldMark::Closes && depth > 0) {
                --depth;
            }
        }
    }
    return levels;
}

} // namespace brisklet::test
