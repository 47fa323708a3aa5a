// The fold levels a PureBasic IDE gives a document's lines, for editors that stand in for the IDE.
#include "support/FoldLevels.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "editor/ScintillaMessages.h"

namespace brisklet::test {

namespace {

bool IsNameByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool IsOneOf(std::string_view word, const std::vector<std::string>& words) {
    return std::any_of(words.begin(), words.end(), [&](const std::string& w) { return EqualsIgnoringCase(word, w); });
}

// A word that begins with ";" standing at the start of the comment at text[0].
bool StartsComment(std::string_view text, const std::vector<std::string>& words) {
    return std::any_of(words.begin(), words.end(), [&](const std::string& w) {
        return !w.empty() && w.front() == ';' && text.size() >= w.size() &&
               EqualsIgnoringCase(text.substr(0, w.size()), w) && (text.size() == w.size() || !IsNameByte(text[w.size()]));
    });
}

struct Line {
    size_t Start = 0;
    size_t End = 0; // before its line end
};

std::vector<Line> SplitLines(std::string_view bytes) {
    std::vector<Line> lines;
    size_t lineStart = 0;
    size_t i = 0;
    while (i < bytes.size()) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            lines.push_back({lineStart, i});
            const bool crLf = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
            i += crLf ? 2 : 1;
            lineStart = i;
        } else {
            ++i;
        }
    }
    lines.push_back({lineStart, bytes.size()});
    return lines;
}

size_t AfterQuote(std::string_view bytes, size_t from, size_t end, char quote) {
    const size_t close = bytes.substr(0, end).find(quote, from);
    return close == std::string_view::npos ? end : close + 1;
}

// An escaped string (~"...") ends at a quote that no backslash escapes.
size_t AfterEscapedString(std::string_view bytes, size_t from, size_t end) {
    for (size_t i = from; i < end; ++i) {
        if (bytes[i] == '\\')
            ++i;
        else if (bytes[i] == '"')
            return i + 1;
    }
    return end;
}

struct LineTokens {
    std::vector<CodeWord> Words;
    std::optional<size_t> Comment; // where the comment's ";" stands
};

LineTokens Lex(std::string_view bytes, const Line& line) {
    LineTokens tokens;
    size_t i = line.Start;
    while (i < line.End) {
        const char c = bytes[i];
        if (c == '"') {
            i = AfterQuote(bytes, i + 1, line.End, '"');
        } else if (c == '~' && i + 1 < line.End && bytes[i + 1] == '"') {
            i = AfterEscapedString(bytes, i + 2, line.End);
        } else if (c == '\'') {
            i = AfterQuote(bytes, i + 1, line.End, '\'');
        } else if (c == ';') {
            tokens.Comment = i;
            return tokens;
        } else if (IsNameByte(c)) {
            size_t end = i;
            while (end < line.End && IsNameByte(bytes[end]))
                ++end;
            // A constant, a pointer, a hexadecimal number, a field, a string variable, a number.
            const bool partOfAnother = (i > line.Start && std::string_view("#*$%\\").find(bytes[i - 1]) != std::string_view::npos) ||
                                       (end < line.End && bytes[end] == '$') || (c >= '0' && c <= '9');
            if (!partOfAnother)
                tokens.Words.push_back({i, bytes.substr(i, end - i)});
            i = end;
        } else {
            ++i;
        }
    }
    return tokens;
}

std::string Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// The words a [Folding] group lists under countKey and prefix ("Start_1", ...); nullopt without the count.
std::optional<std::vector<std::string>> ListedWords(const std::vector<std::pair<std::string, std::string>>& keys,
                                                    std::string_view countKey, std::string_view prefix) {
    const auto valueOf = [&](std::string_view name) -> std::optional<std::string> {
        for (const auto& [key, value] : keys) {
            if (EqualsIgnoringCase(key, name))
                return value;
        }
        return std::nullopt;
    };
    const std::optional<std::string> count = valueOf(countKey);
    if (!count)
        return std::nullopt;
    std::vector<std::string> words;
    const int number = std::atoi(count->c_str());
    for (int i = 1; i <= number; ++i) {
        const std::optional<std::string> word = valueOf(std::string(prefix) + std::to_string(i));
        if (word && !word->empty())
            words.push_back(*word);
    }
    return words;
}

} // namespace

FoldWords DefaultFoldWords(bool spiderBasic) {
    return {{";{", "Macro", "Procedure", "ProcedureC", "ProcedureDLL", "ProcedureCDLL", "Module", "DeclareModule",
             "CompilerIf", spiderBasic ? "EnableJS" : "EnableASM"},
            {";}", "EndMacro", "EndProcedure", "EndModule", "EndDeclareModule", "CompilerEndIf",
             spiderBasic ? "DisableJS" : "DisableASM"}};
}

FoldWords FoldWordsFromPrefs(std::string_view prefsBytes, bool spiderBasic) {
    if (prefsBytes.starts_with("\xEF\xBB\xBF"))
        prefsBytes.remove_prefix(3);
    std::vector<std::pair<std::string, std::string>> keys;
    bool inFolding = false;
    for (const Line& line : SplitLines(prefsBytes)) {
        const std::string text = Trimmed(prefsBytes.substr(line.Start, line.End - line.Start));
        if (text.starts_with("[")) {
            inFolding = EqualsIgnoringCase(Trimmed(text.substr(1, text.find(']') - 1)), "Folding");
            continue;
        }
        const size_t equals = text.find('=');
        if (inFolding && equals != std::string::npos)
            keys.emplace_back(Trimmed(text.substr(0, equals)), Trimmed(text.substr(equals + 1)));
    }
    FoldWords words = DefaultFoldWords(spiderBasic);
    if (std::optional<std::vector<std::string>> start = ListedWords(keys, "StartWords", "Start_"))
        words.Start = std::move(*start);
    if (std::optional<std::vector<std::string>> end = ListedWords(keys, "EndWords", "End_"))
        words.End = std::move(*end);
    return words;
}

std::vector<CodeWord> CodeWords(std::string_view bytes) {
    std::vector<CodeWord> words;
    for (const Line& line : SplitLines(bytes)) {
        const LineTokens tokens = Lex(bytes, line);
        words.insert(words.end(), tokens.Words.begin(), tokens.Words.end());
    }
    return words;
}

std::vector<int> ComputeFoldLevels(std::string_view bytes, const FoldWords& words) {
    std::vector<int> levels;
    int depth = 0;
    bool inMacro = false;
    for (const Line& line : SplitLines(bytes)) {
        const LineTokens tokens = Lex(bytes, line);
        int opened = 0; // folds this line opens, less those it closes
        const auto count = [&](bool opens, bool closes) {
            if (opens)
                ++opened;
            else if (closes && depth + opened > 0)
                --opened;
        };
        for (const CodeWord& word : tokens.Words) {
            if (inMacro) {
                inMacro = !EqualsIgnoringCase(word.Text, "EndMacro");
                count(false, !inMacro && IsOneOf(word.Text, words.End));
                continue;
            }
            inMacro = EqualsIgnoringCase(word.Text, "Macro");
            count(IsOneOf(word.Text, words.Start), IsOneOf(word.Text, words.End));
        }
        if (tokens.Comment && !inMacro) {
            const std::string_view comment = bytes.substr(*tokens.Comment, line.End - *tokens.Comment);
            count(StartsComment(comment, words.Start), StartsComment(comment, words.End));
        }
        levels.push_back((SC_FOLDLEVELBASE + depth) | (opened > 0 ? SC_FOLDLEVELHEADERFLAG : 0));
        depth += opened;
    }
    return levels;
}

} // namespace brisklet::test
