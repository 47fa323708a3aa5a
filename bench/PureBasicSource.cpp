// Generated PureBasic-like sources of any size, the inputs of the cleaning benchmarks.
#include "PureBasicSource.h"

#include <random>
#include <string_view>

namespace brisklet::bench {

namespace {

// Statements of a procedure body, as they come in real sources: comments after code,
// semicolons inside strings, escaped strings, debug output, double spaces, umlauts.
constexpr std::string_view Statements[] = {
    "Protected a.i, b.i, text$",
    "x = a * 2 + b ; Wert verdoppeln",
    "s$ = \"Wert; mit Semikolon\" + Str(x) ; Text bauen",
    "Debug \"x = \" + Str(x)",
    "If x > 10 : Debug x : EndIf",
    "text$ = ~\"Zeile\\tmit Tab\\n\" ; escaped",
    "result  =  a  +  b   ; double spaces",
    "MessageRequester(\"Hinweis\", \"Fertig: \u00c4\u00d6\u00dc \u00e4\u00f6\u00fc \u00df \u00b5\")",
    "; \u0393\u03b5\u03b9\u03ac \u03c3\u03bf\u03c5 \u03ba\u03cc\u03c3\u03bc\u03b5",
    "; \u4e2d\u6587\u6ce8\u91ca",
    "AddElement(List()) : List() = \"Eintrag \" + Str(i)",
    "ProcedureReturn result",
    "*Buffer = AllocateMemory(1024) ; Puffer anlegen",
    "PokeS(*Buffer, \"a;b;c\", -1, #PB_UTF8)",
    "CompilerIf #PB_Compiler_Debugger : Debug \"Pr\u00fcfung\" : CompilerEndIf",
    "If OpenWindow(0, 0, 0, 320, 200, \"\u00d6ffnen\", #PB_Window_SystemMenu)",
    "OnErrorGoto(?Fehler) ; Options for the error handler",
    "Select key",
    "  Case #PB_Key_Escape : quit = #True",
    "EndSelect",
};

constexpr std::string_view BlockOpeners[][2] = {
    {"If a > b", "EndIf"},
    {"For i = 1 To 10", "Next"},
    {"While Not Eof(0)", "Wend"},
    {"Repeat", "Until done"},
};

constexpr std::string_view TrailingBlanks[] = {" ", "\t", "  ", " \t", "    "};

class SourceWriter {
public:
    SourceWriter(size_t bytes, uint32_t seed) : random_(seed) { text_.reserve(bytes + 4096); }

    [[nodiscard]] size_t Size() const { return text_.size(); }
    std::string Take() { return std::move(text_); }

    // A procedure, or now and then a module of a few procedures.
    void Unit(size_t until) {
        if (Below(4) == 0)
            Module(until);
        else
            Procedure(0);
    }

private:
    void Module(size_t until) {
        const int number = Below(1000);
        Line(0, "DeclareModule M" + std::to_string(number));
        Line(1, "Declare.i Run(a.i)");
        Line(0, "EndDeclareModule");
        text_ += '\n';
        Line(0, "Module M" + std::to_string(number));
        Line(1, "EnableExplicit");
        for (int count = 1 + Below(6); count > 0 && Size() < until; --count)
            Procedure(1);
        Line(0, "EndModule");
        text_ += '\n';
    }

    // Each procedure has one author, who indents in tabs, in four spaces or in two.
    void Procedure(int depth) {
        const int style = Below(10);
        indent_ = style < 6 ? "\t" : (style < 9 ? "    " : "  ");
        Line(depth, "; " + std::string(40, '-'));
        Line(depth, "; Gr\u00f6\u00dfe berechnen und pr\u00fcfen");
        Line(depth, "Procedure.i Calc" + std::to_string(Below(100000)) + "(a.i, b$ = \"x;y\")");
        for (int count = 5 + Below(20); count > 0; --count) {
            if (Below(6) == 0)
                Block(depth + 1);
            else
                Statement(depth + 1);
        }
        Line(depth, "EndProcedure");
        text_ += Below(3) == 0 ? "  \n" : "\n";
    }

    void Block(int depth) {
        const auto& block = BlockOpeners[Below(std::size(BlockOpeners))];
        Line(depth, std::string(block[0]));
        for (int count = 1 + Below(4); count > 0; --count)
            Statement(depth + 1);
        Line(depth, std::string(block[1]));
    }

    void Statement(int depth) {
        if (Below(12) == 0) {
            text_ += Below(2) == 0 ? "\n" : "\t \n";
            return;
        }
        Line(depth, std::string(Statements[Below(std::size(Statements))]));
    }

    // Trailing blanks now and then, as editors leave them.
    void Line(int depth, const std::string& code) {
        for (int level = 0; level < depth; ++level)
            text_ += indent_;
        text_ += code;
        if (Below(5) == 0)
            text_ += TrailingBlanks[Below(std::size(TrailingBlanks))];
        text_ += '\n';
    }

    int Below(size_t bound) { return static_cast<int>(random_() % bound); }

    std::mt19937 random_;
    std::string text_;
    std::string_view indent_ = "\t";
};

} // namespace

std::string GeneratePureBasicSource(size_t bytes, uint32_t seed) {
    SourceWriter writer(bytes, seed);
    while (writer.Size() < bytes)
        writer.Unit(bytes);
    return writer.Take();
}

} // namespace brisklet::bench
