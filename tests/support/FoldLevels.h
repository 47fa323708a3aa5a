// The fold levels a PureBasic IDE gives a document's lines, for editors that stand in for the IDE.
#pragma once

#include <string_view>
#include <vector>

namespace brisklet::test {

// One level per line, lines ending at LF, CR or CR LF as Scintilla counts them. A line opens a
// fold when, after its spaces and tabs, it starts with the word "Procedure" or "Module" or with
// ";{", and closes one with "EndProcedure", "EndModule" or ";}"; words match in any letter case.
// Each level is SC_FOLDLEVELBASE plus the number of folds open at the line's start, with
// SC_FOLDLEVELHEADERFLAG on an opening line. A closer with no fold open changes nothing.
[[nodiscard]] std::vector<int> ComputeFoldLevels(std::string_view bytes);

} // namespace brisklet::test
