// EditorPort over a Scintilla window in another process: window messages and process memory.
#include "editor/win32/ScintillaWindowPort.h"

#include "editor/ScintillaMessages.h"
#include "runtime/win32/CodePageWin32.h"
#include "runtime/win32/OwnedHandle.h"

namespace brisklet {

namespace {

constexpr UINT ReadTimeLimitMs = 1000;

// Only what the transfer needs: no right to run code or change the process otherwise.
KernelHandle OpenIdeProcess(DWORD processId) {
    return KernelHandle(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                         PROCESS_QUERY_LIMITED_INFORMATION,
                                     FALSE, processId));
}

// A block of memory in the IDE's process, released whatever path the write takes.
class RemoteBlock {
public:
    RemoteBlock(HANDLE process, SIZE_T size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    ~RemoteBlock() {
        if (address_ != nullptr)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;
    [[nodiscard]] void* Address() const { return address_; }

private:
    HANDLE process_;
    void* address_;
};

bool Is32BitProcess(DWORD processId) {
#ifdef _WIN64
    const KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    BOOL wow64 = FALSE;
    return process.Valid() && IsWow64Process(process.Get(), &wow64) && wow64;
#else
    (void)processId;
    return true;
#endif
}

} // namespace

ScintillaWindowPort::ScintillaWindowPort(HWND editor, DWORD processId)
    : editor_(editor), processId_(processId), ideIs32Bit_(Is32BitProcess(processId)) {}

intptr_t ScintillaWindowPort::Call(unsigned message, uintptr_t wParam, intptr_t lParam) {
    return SendMessageW(editor_, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

std::optional<LRESULT> ScintillaWindowPort::AskWithTimeLimit(UINT message) {
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(editor_, message, 0, 0, SMTO_ABORTIFHUNG, ReadTimeLimitMs, &answer) == 0)
        return std::nullopt;
    return static_cast<LRESULT>(answer);
}

uintptr_t ScintillaWindowPort::RemoteAddress(LRESULT answer) const {
    const auto address = static_cast<uintptr_t>(answer);
    return ideIs32Bit_ ? (address & 0xFFFFFFFFu) : address;
}

std::optional<DocumentBytes> ScintillaWindowPort::ReadDocument() {
    const std::optional<LRESULT> codePage = AskWithTimeLimit(SCI_GETCODEPAGE);
    const std::optional<LRESULT> pointer = codePage ? AskWithTimeLimit(SCI_GETCHARACTERPOINTER) : std::nullopt;
    if (!pointer || *pointer == 0)
        return std::nullopt;
    const std::optional<LRESULT> length = AskWithTimeLimit(SCI_GETTEXTLENGTH);
    if (!length || *length < 0)
        return std::nullopt;
    const KernelHandle process = OpenIdeProcess(processId_);
    if (!process.Valid())
        return std::nullopt;
    DocumentBytes document;
    document.CodePage = static_cast<int>(*codePage);
    if (document.CodePage != SC_CP_UTF8)
        document.SystemCodePage = &SystemAnsiCodePage();
    document.Bytes.resize(static_cast<size_t>(*length));
    // Every byte or none: a short read written back would lose the rest of the document.
    SIZE_T got = 0;
    if (!document.Bytes.empty() &&
        (!ReadProcessMemory(process.Get(), reinterpret_cast<LPCVOID>(RemoteAddress(*pointer)), document.Bytes.data(),
                            document.Bytes.size(), &got) ||
         got != document.Bytes.size()))
        return std::nullopt;
    return document;
}

bool ScintillaWindowPort::SendText(unsigned message, std::string_view bytes) {
    const KernelHandle process = OpenIdeProcess(processId_);
    if (!process.Valid())
        return false;
    // The editor reads up to the terminating zero; two zeros end the block as the editor expects.
    std::string block(bytes);
    block.append(2, '\0');
    const RemoteBlock remote(process.Get(), block.size());
    SIZE_T put = 0;
    if (remote.Address() == nullptr ||
        !WriteProcessMemory(process.Get(), remote.Address(), block.data(), block.size(), &put) || put != block.size())
        return false;
    SendMessageW(editor_, message, static_cast<WPARAM>(bytes.size()), reinterpret_cast<LPARAM>(remote.Address()));
    return true;
}

} // namespace brisklet
