// The fold levels a PureBasic IDE gives a document's lines, for editors that stand in for the IDE.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brisklet::test {

// The words that open and close a fold, compared without regard to letter case.
struct FoldWords {
    std::vector<std::string> Start;
    std::vector<std::string> End;
};

// The IDE's defaults: ";{", "Macro", the procedure kinds, "Module", "DeclareModule", "CompilerIf"
// and "EnableASM" (SpiderBasic: "EnableJS"), with their ends.
[[nodiscard]] FoldWords DefaultFoldWords(bool spiderBasic);

// The [Folding] group of a preferences file (StartWords = N, Start_1 ... Start_N, and the same
// for EndWords and End_N); a list the file does not give is the default one.
[[nodiscard]] FoldWords FoldWordsFromPrefs(std::string_view prefsBytes, bool spiderBasic);

// A name in code: letters, digits and "_", not inside a string, a character constant or a comment.
struct CodeWord {
    size_t Offset = 0; // in the document
    std::string_view Text;
};

// Every name in the code of the document, in order. "Debug" in "#Debug", "*Debug" or "Debug$" is
// part of another name and not listed.
[[nodiscard]] std::vector<CodeWord> CodeWords(std::string_view bytes);

// One level per line, lines ending at LF, CR or CR LF as Scintilla counts them. A fold word counts
// as a name in code (so "ProcedureReturn" and "EndProcedureX" are none), or at the very start of
// a comment, where a word that begins with ";" (";{") can stand. Inside a Macro body nothing
// counts but the "EndMacro" that ends it. Each level is SC_FOLDLEVELBASE plus the number of folds
// open at the line's start, with SC_FOLDLEVELHEADERFLAG on a line that opens more folds than it
// closes. A closer with no fold open changes nothing.
[[nodiscard]] std::vector<int> ComputeFoldLevels(std::string_view bytes,
                                                 const FoldWords& words = DefaultFoldWords(false));

} // namespace brisklet::test
