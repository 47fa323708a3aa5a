// The IDE's case correction: keywords in code are shown, and so kept, in their own letter case.
#include "CaseCorrection.h"

#include <algorithm>

#include "support/FoldLevels.h"

namespace brisklet::e2e {

namespace {

// The language's keywords; the IDE also corrects its functions and constants, which no scenario needs.
constexpr std::string_view Keywords[] = {
    "And", "Break", "CallDebugger", "Case", "CompilerCase", "CompilerDefault", "CompilerElse", "CompilerElseIf",
    "CompilerEndIf", "CompilerEndSelect", "CompilerError", "CompilerIf", "CompilerSelect", "CompilerWarning",
    "Continue", "Data", "DataSection", "Debug", "DebugLevel", "Declare", "DeclareC", "DeclareCDLL", "DeclareDLL",
    "DeclareModule", "Default", "Define", "Dim", "DisableASM", "DisableDebugger", "DisableExplicit", "Else",
    "ElseIf", "EnableASM", "EnableDebugger", "EnableExplicit", "End", "EndDataSection", "EndDeclareModule",
    "EndEnumeration", "EndIf", "EndImport", "EndInterface", "EndMacro", "EndModule", "EndProcedure", "EndSelect",
    "EndStructure", "EndStructureUnion", "EndWith", "Enumeration", "EnumerationBinary", "Extends", "FakeReturn",
    "For", "ForEach", "ForEver", "Global", "Gosub", "Goto", "If", "Import", "ImportC", "IncludeBinary",
    "IncludeFile", "IncludePath", "Interface", "List", "Macro", "Map", "Module", "NewList", "NewMap", "Next", "Not",
    "Or", "Procedure", "ProcedureC", "ProcedureCDLL", "ProcedureDLL", "ProcedureReturn", "Protected", "Prototype",
    "PrototypeC", "ReDim", "Read", "Repeat", "Restore", "Return", "Select", "Shared", "Static", "Step", "Structure",
    "StructureUnion", "Swap", "Threaded", "To", "Until", "UseModule", "UnuseModule", "Wend", "While", "With",
    "XIncludeFile", "XOr",
};

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

} // namespace

std::vector<Correction> CaseCorrections(std::string_view bytes) {
    std::vector<Correction> corrections;
    for (const test::CodeWord& word : test::CodeWords(bytes)) {
        for (const std::string_view keyword : Keywords) {
            if (SameLetters(word.Text, keyword) && word.Text != keyword) {
                corrections.push_back({word.Offset, std::string(keyword)});
                break;
            }
        }
    }
    return corrections;
}

} // namespace brisklet::e2e
