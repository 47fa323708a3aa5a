// The cleaning run over one editor: read, run the switches in order, write back when changed.
#pragma once

#include <cstdint>
#include <string>

#include "config/ConfigState.h"

namespace brisklet {

class EditorPort;

struct RunSettings {
    int ParameterCount = 0;
    std::u16string SwitchList;
    int32_t TabLength = DefaultTabLength;
};

enum class RunOutcome {
    NoEditor,          // no visible editor was found: nothing to do
    SkippedReadOnly,   // nothing read, run or written
    EndedNoSelection,  // "/onlyselectedcode" without a selection: the program ends at once
    Unchanged,         // switches ran, the text stayed the same, nothing written
    Written,           // the cleaned text was handed to the editor
    WriteRefused,      // the text changed but could not be written back whole
    EditorChanged,     // the editor's document changed after it was read: nothing written
};

// Cleans one editor; null (no visible editor) does nothing.
RunOutcome CleanEditor(EditorPort* editor, const RunSettings& settings);

} // namespace brisklet
