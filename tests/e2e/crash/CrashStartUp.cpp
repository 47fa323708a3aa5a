// CrashTool's road: Brisklet.exe's start-up up to the tab width, then a fault on purpose.
#include "CrashStartUp.h"

#include <cstdint>

#include "config/AppFolders.h"
#include "config/IdePrefs.h"
#include "driver/CommandLine.h"
#include "editor/IdeDiscovery.h"
#include "runtime/Strings.h"

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

} // namespace

std::optional<std::u16string> CrashStartUp(ConfigPlatform& platform, HostSystem& host, PrefsFile& prefs,
                                           ConfigState& state, std::u16string_view commandLine) {
    ChooseDataFolder(platform, state);
    FixCurrentDirectory(platform);
    if (!CheckRequiredFiles(platform, {std::u16string(ExecutableName)}))
        return std::nullopt;
    const Switches switches = BuildSwitchList(SplitArguments(ArgumentsAfterProgram(commandLine)));
    if (switches.SwitchList.empty())
        return std::nullopt;
    if (FieldAt(switches.SwitchList, 2, u" ") == u"early")
        return switches.SwitchList;
    const uint32_t ideProcessId = host.ParentProcessId();
    const std::optional<std::u16string> ideName = IdentifyHostIde(host, ideProcessId);
    if (!ideName) {
        platform.ShowMessage(u"Error", NotStartedByIdeMessage, MessageIcon::Error);
        return std::nullopt;
    }
    DetectPortableIde(platform, state, ideProcessId);
    if (!ReadTabLength(platform, prefs, state, ideProcessId, *ideName))
        return std::nullopt;
    return switches.SwitchList;
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

} // namespace brisklet::e2e
