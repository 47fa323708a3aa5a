// Fold points as the IDE finds them in a source's lines.
#include "cleaning/FoldPoints.h"

namespace brisklet {

namespace {

constexpr std::string_view MacroWord = "Macro";
constexpr std::string_view EndMacroWord = "EndMacro";

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Letters, digits, '_' and every byte beyond ASCII run on in a name; so does the '$' that ends
// a string's name.
bool IsNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           (static_cast<unsigned char>(c) & 0x80) != 0;
}

bool ContinuesName(char c) {
    return IsNameByte(c) || c == '$';
}

// word at line[at], in any letter case, with no name running on after it.
bool WordAt(std::string_view line, size_t at, std::string_view word) {
    if (word.empty() || line.size() - at < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (AsciiLower(line[at + i]) != AsciiLower(word[i]))
            return false;
    }
    return at + word.size() == line.size() || !ContinuesName(line[at + word.size()]);
}

// Where the string that opens at line[at] ends, just after its closing quote (or at the line's
// end): "...", ~"..." with its backslash escapes, and '...'.
size_t StringEnd(std::string_view line, size_t at) {
    const bool escaped = line[at] == '~';
    const char quote = escaped ? '"' : line[at];
    for (size_t i = at + (escaped ? 2 : 1); i < line.size(); ++i) {
        if (escaped && line[i] == '\\')
            ++i;
        else if (line[i] == quote)
            return i + 1;
    }
    return line.size();
}

struct LineWords {
    bool StartWord = false;
    bool Macro = false;    // the last of Macro and EndMacro in the line's code
    bool EndMacro = false;
};

LineWords FindWords(const std::vector<std::string>& startWords, std::string_view line) {
    LineWords found;
    const auto startsHere = [&](size_t at, bool nameStart) {
        for (const std::string& word : startWords) {
            if (!word.empty() && word[0] != ';' && IsNameByte(word[0]) == nameStart && WordAt(line, at, word))
                return true;
        }
        return false;
    };
    for (size_t at = 0; at < line.size();) {
        const char c = line[at];
        if (c == '"' || c == '\'' || (c == '~' && at + 1 < line.size() && line[at + 1] == '"')) {
            at = StringEnd(line, at);
        } else if (c == ';') {
            for (const std::string& word : startWords)
                found.StartWord = found.StartWord || (word.starts_with(';') && WordAt(line, at, word));
            break;
        } else if (IsNameByte(c)) {
            // A name after '#' or '*' is a constant's or a pointer's, never a keyword.
            if (at == 0 || (line[at - 1] != '#' && line[at - 1] != '*')) {
                found.StartWord = found.StartWord || startsHere(at, true);
                if (WordAt(line, at, MacroWord) || WordAt(line, at, EndMacroWord)) {
                    found.Macro = WordAt(line, at, MacroWord);
                    found.EndMacro = !found.Macro;
                }
            }
            while (at < line.size() && ContinuesName(line[at]))
                ++at;
        } else {
            found.StartWord = found.StartWord || startsHere(at, false);
            ++at;
        }
    }
    return found;
}

} // namespace

std::vector<std::string> DefaultFoldStartWords(bool spiderBasic) {
    return {";{",     "Macro",         "Procedure",  "ProcedureC", "ProcedureDLL", "ProcedureCDLL",
            "Module", "DeclareModule", "CompilerIf", spiderBasic ? "EnableJS" : "EnableASM"};
}

bool TakeFoldLine(FoldScan& scan, const std::vector<std::string>& startWords, std::string_view line) {
    const LineWords words = FindWords(startWords, line);
    if (scan.InMacro) {
        scan.InMacro = !words.EndMacro;
        return false;
    }
    scan.InMacro = words.Macro;
    return words.StartWord;
}

} // namespace brisklet
