// Fold points as the IDE finds them in a source's lines.
#include "cleaning/view/FoldPoints.h"

#include "runtime/TextCodec.h"

namespace brisklet {

namespace {

constexpr std::string_view MacroWord = "Macro";
constexpr std::string_view EndMacroWord = "EndMacro";

// What a byte is to the scan, as bits of FoldWords::Kinds.
constexpr uint8_t NameByte = 1;       // letters, digits, '_' and every byte beyond ASCII
constexpr uint8_t ContinuesName = 2;  // those and the '$' that ends a string's name
constexpr uint8_t BeginsWord = 4;     // a start word begins with it, in either letter case
constexpr uint8_t BeginsMacroWord = 8; // Macro or EndMacro begins with it
constexpr uint8_t OpensString = 16;   // '"' and '\'', and the '~' of ~"..."

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool Is(const FoldWords& words, char c, uint8_t kind) {
    return (words.Kinds[static_cast<unsigned char>(c)] & kind) != 0;
}

// word at line[at], in any letter case, with no name running on after it.
bool WordAt(const FoldWords& words, std::string_view line, size_t at, std::string_view word) {
    if (line.size() - at < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (AsciiLower(line[at + i]) != AsciiLower(word[i]))
            return false;
    }
    return at + word.size() == line.size() || !Is(words, line[at + word.size()], ContinuesName);
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

LineWords FindWords(const FoldWords& words, std::string_view line) {
    LineWords found;
    const auto startsHere = [&](size_t at, bool nameStart) {
        for (const std::string& word : words.Start) {
            if (word[0] != ';' && Is(words, word[0], NameByte) == nameStart && WordAt(words, line, at, word))
                return true;
        }
        return false;
    };
    for (size_t at = 0; at < line.size();) {
        const char c = line[at];
        if (Is(words, c, NameByte)) {
            // A name after '#' or '*' is a constant's or a pointer's, never a keyword.
            if (at == 0 || (line[at - 1] != '#' && line[at - 1] != '*')) {
                found.StartWord = found.StartWord || (Is(words, c, BeginsWord) && startsHere(at, true));
                if (Is(words, c, BeginsMacroWord) &&
                    (WordAt(words, line, at, MacroWord) || WordAt(words, line, at, EndMacroWord))) {
                    found.Macro = AsciiLower(c) == 'm';
                    found.EndMacro = !found.Macro;
                }
            }
            while (at < line.size() && Is(words, line[at], ContinuesName))
                ++at;
        } else if (Is(words, c, OpensString) && (c != '~' || (at + 1 < line.size() && line[at + 1] == '"'))) {
            at = StringEnd(line, at);
        } else if (c == ';') {
            for (const std::string& word : words.Start)
                found.StartWord = found.StartWord || (word[0] == ';' && WordAt(words, line, at, word));
            break;
        } else {
            found.StartWord = found.StartWord || (Is(words, c, BeginsWord) && startsHere(at, false));
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

FoldWords MakeFoldWords(std::vector<std::string> startWords) {
    FoldWords words;
    std::erase(startWords, std::string());
    words.Start = std::move(startWords);
    for (unsigned byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        const bool name = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                          byte >= 0x80;
        words.Kinds[byte] = static_cast<uint8_t>((name ? NameByte | ContinuesName : 0) | (c == '$' ? ContinuesName : 0) |
                                                 (c == '"' || c == '\'' || c == '~' ? OpensString : 0));
    }
    for (const std::string_view word : {std::string_view(MacroWord), EndMacroWord}) {
        words.Kinds[static_cast<unsigned char>(AsciiLower(word[0]))] |= BeginsMacroWord;
        words.Kinds[static_cast<unsigned char>(AsciiUpper(word[0]))] |= BeginsMacroWord;
    }
    for (const std::string& word : words.Start) {
        words.Kinds[static_cast<unsigned char>(AsciiLower(word[0]))] |= BeginsWord;
        words.Kinds[static_cast<unsigned char>(AsciiUpper(word[0]))] |= BeginsWord;
    }
    return words;
}

bool TakeFoldLine(FoldScan& scan, const FoldWords& startWords, std::string_view line) {
    const LineWords words = FindWords(startWords, line);
    if (scan.InMacro) {
        scan.InMacro = !words.EndMacro;
        return false;
    }
    scan.InMacro = words.Macro;
    return words.StartWord;
}

} // namespace brisklet
