// CrashTool.exe, installed as Brisklet.exe by the crash scenarios: Brisklet.exe's own start-up, with a fault on purpose.
// Arguments: the fault ("read-zero", "read-high", "divide-zero" or "stack-overflow"), and "early" after it
// to fault as the IDE is first looked for, right after the switches are read; otherwise the fault comes as the
// main window is looked for, after the tab width gave the data folder its final value. Any other first
// argument, or none, lets the run go on as Brisklet.exe's.
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tool/CommandLine.h"
#include "tool/win32/StartUp.h"
#include "editor/win32/HostSystemWin32.h"
#include "runtime/win32/WideText.h"

namespace brisklet::e2e {

namespace {

// Where the results go, so that no fault can be dropped as a value nobody reads.
volatile int Sink = 0;

// The pointer is volatile, so the compiler cannot see the address and turn the read into a trap.
int ReadAt(uintptr_t address) {
    int* volatile pointer = reinterpret_cast<int*>(address);
    return *pointer;
}

// Volatile operands: no folding at compile time, a real integer division at run time.
int Divide(int numerator, int denominator) {
    volatile int dividend = numerator;
    volatile int divisor = denominator;
    return dividend / divisor;
}

// Never cleared: the recursion below cannot be seen to be endless, nor cut short.
volatile bool KeepRecursing = true;

// Each call keeps a block of stack that is still read after the call below it returns, so the
// recursion cannot become a loop and uses the stack up.
int Recurse(int depth) {
    volatile char block[4096];
    block[0] = static_cast<char>(depth);
    if (!KeepRecursing)
        return block[0];
    return Recurse(depth + 1) + block[0];
}

void Fault(std::u16string_view kind) {
    if (kind == u"read-zero") {
        Sink = ReadAt(0);
    } else if (kind == u"read-high") {
        // 0xFFFFFFF0 in a 32-bit process, the top of the kernel's half in a 64-bit one: never
        // mapped for a program, and its low 32 bits read as -16.
        Sink = ReadAt(static_cast<uintptr_t>(-16));
    } else if (kind == u"divide-zero") {
        Sink = Divide(1, 0);
    } else if (kind == u"stack-overflow") {
        Sink = Recurse(0);
    }
}

// The real way to the IDE, faulting at one of its first two steps.
class FaultingHost : public HostSystemWin32 {
public:
    FaultingHost(std::u16string fault, bool early) : fault_(std::move(fault)), early_(early) {}

    uint32_t ParentProcessId() override {
        if (early_)
            Fault(fault_);
        return HostSystemWin32::ParentProcessId();
    }

    std::vector<WindowInfo> TopLevelWindows() override {
        Fault(fault_);
        return HostSystemWin32::TopLevelWindows();
    }

private:
    std::u16string fault_;
    bool early_;
};

} // namespace

} // namespace brisklet::e2e

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace brisklet;
    const std::vector<std::u16string> arguments = SplitArguments(ArgumentsAfterProgram(FromWide(GetCommandLineW())));
    e2e::FaultingHost host(arguments.empty() ? u"" : arguments[0], arguments.size() > 1 && arguments[1] == u"early");
    RunBrisklet(host);
}
