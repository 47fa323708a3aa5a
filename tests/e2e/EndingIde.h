// An IDE process that ends mid-run: the test IDE runs itself as that IDE and watches the tool it leaves.
#pragma once

#include <string>

#include <windows.h>

#include "Scenario.h"

namespace brisklet::e2e {

// The watching process: starts "TestIde RUNFILE --ide ID" (ID: this process), waits for that IDE
// to end and then for the tool, and writes result.txt with vanished=process and no doc.bin (the
// document went with the IDE). An IDE that ran to its end wrote its own result, which stands.
[[nodiscard]] bool WatchEndingIde(const std::wstring& runFile, const Scenario& scenario, std::wstring& error);

// In the IDE, while the tool is still suspended: a handle on the tool for the watcher, and
// whether the tool's parent is this IDE, left beside the results.
void HandChildOver(DWORD watcherId, const std::wstring& resultsFolder, HANDLE child, bool parentIsIde);

} // namespace brisklet::e2e
