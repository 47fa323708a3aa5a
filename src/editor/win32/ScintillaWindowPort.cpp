// EditorPort over a Scintilla window in another process: window messages and process memory.
#include "editor/win32/ScintillaWindowPort.h"

#include <algorithm>
#include <climits>
#include <memory>

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

// The answers of one CallAll. It outlives the call when the editor's window went away with
// answers still owed: a late answer then finds it, and nothing else, at the address it was given.
struct Batch {
    struct Slot {
        Batch* Owner = nullptr;
        size_t Index = 0;
    };
    std::vector<intptr_t> Answers;
    std::vector<Slot> Slots;
    size_t Pending = 0;
};

VOID CALLBACK TakeAnswer(HWND, UINT, ULONG_PTR data, LRESULT answer) {
    const auto* slot = reinterpret_cast<const Batch::Slot*>(data);
    slot->Owner->Answers[slot->Index] = static_cast<intptr_t>(answer);
    --slot->Owner->Pending;
}

// How often a wait for answers looks whether the editor's window is still there.
constexpr DWORD AnswerPollMs = 50;

} // namespace

ScintillaWindowPort::ScintillaWindowPort(HWND editor, DWORD processId)
    : editor_(editor), processId_(processId), ideIs32Bit_(Is32BitProcess(processId)) {}

intptr_t ScintillaWindowPort::Call(unsigned message, uintptr_t wParam, intptr_t lParam) {
    return SendMessageW(editor_, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

std::vector<intptr_t> ScintillaWindowPort::CallAll(const std::vector<EditorMessage>& messages) {
    return Collect(messages, INFINITE).Answers;
}

ScintillaWindowPort::Collected ScintillaWindowPort::Collect(const std::vector<EditorMessage>& messages, DWORD timeLimitMs) {
    const ULONGLONG deadline = timeLimitMs == INFINITE ? ULLONG_MAX : GetTickCount64() + timeLimitMs;
    auto batch = std::make_unique<Batch>();
    batch->Answers.assign(messages.size(), 0);
    batch->Slots.resize(messages.size());
    size_t sent = 0;
    for (size_t i = 0; i < messages.size(); ++i) {
        batch->Slots[i] = {batch.get(), i};
        if (SendMessageCallbackW(editor_, messages[i].Message, static_cast<WPARAM>(messages[i].WParam),
                                 static_cast<LPARAM>(messages[i].LParam), TakeAnswer,
                                 reinterpret_cast<ULONG_PTR>(&batch->Slots[i])))
            ++sent;
    }
    batch->Pending = sent;
    // The answers come back as this thread looks at its messages.
    while (batch->Pending > 0) {
        MSG message;
        while (batch->Pending > 0 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        const ULONGLONG now = GetTickCount64();
        if (batch->Pending == 0 || !IsWindow(editor_) || now >= deadline)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(AnswerPollMs, deadline - now)),
                                  QS_ALLINPUT);
    }
    Collected collected{batch->Answers, sent == messages.size() && batch->Pending == 0};
    if (batch->Pending > 0)
        (void)batch.release(); // a late answer must still find it
    return collected;
}

void ScintillaWindowPort::Command(unsigned message, uintptr_t wParam, intptr_t lParam) {
    SendNotifyMessageW(editor_, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

std::optional<std::vector<intptr_t>> ScintillaWindowPort::AskWithTimeLimit(const std::vector<EditorMessage>& messages) {
    Collected collected = Collect(messages, ReadTimeLimitMs);
    if (!collected.Complete)
        return std::nullopt;
    return std::move(collected.Answers);
}

uintptr_t ScintillaWindowPort::RemoteAddress(intptr_t answer) const {
    const auto address = static_cast<uintptr_t>(answer);
    return ideIs32Bit_ ? (address & 0xFFFFFFFFu) : address;
}

std::optional<DocumentBytes> ScintillaWindowPort::ReadDocument() {
    // The address before the length: the editor makes its bytes contiguous for the address.
    const std::optional<std::vector<intptr_t>> answers =
        AskWithTimeLimit({{SCI_GETCODEPAGE}, {SCI_GETCHARACTERPOINTER}, {SCI_GETTEXTLENGTH}});
    if (!answers || (*answers)[1] == 0 || (*answers)[2] < 0)
        return std::nullopt;
    const intptr_t codePage = (*answers)[0];
    const intptr_t pointer = (*answers)[1];
    const intptr_t length = (*answers)[2];
    const KernelHandle process = OpenIdeProcess(processId_);
    if (!process.Valid())
        return std::nullopt;
    DocumentBytes document;
    document.CodePage = static_cast<int>(codePage);
    if (document.CodePage != SC_CP_UTF8)
        document.SystemCodePage = &SystemAnsiCodePage();
    document.Bytes.resize(static_cast<size_t>(length));
    // Every byte or none: a short read written back would lose the rest of the document.
    SIZE_T got = 0;
    if (!document.Bytes.empty() &&
        (!ReadProcessMemory(process.Get(), reinterpret_cast<LPCVOID>(RemoteAddress(pointer)), document.Bytes.data(),
                            document.Bytes.size(), &got) ||
         got != document.Bytes.size()))
        return std::nullopt;
    return document;
}

std::optional<bool> ScintillaWindowPort::DocumentHolds(HANDLE process, std::string_view bytes) {
    // The address first: a change between the two answers shows in the length or the bytes.
    const std::optional<std::vector<intptr_t>> answers =
        AskWithTimeLimit({{SCI_GETCHARACTERPOINTER}, {SCI_GETTEXTLENGTH}});
    if (!answers || (*answers)[0] == 0)
        return std::nullopt;
    const intptr_t pointer = (*answers)[0];
    if (static_cast<size_t>((*answers)[1]) != bytes.size())
        return false;
    std::string now(bytes.size(), '\0');
    SIZE_T got = 0;
    if (!now.empty() && (!ReadProcessMemory(process, reinterpret_cast<LPCVOID>(RemoteAddress(pointer)), now.data(),
                                            now.size(), &got) ||
                         got != now.size()))
        return std::nullopt;
    return now == bytes;
}

WriteResult ScintillaWindowPort::SendText(const TextWrite& write) {
    const KernelHandle process = OpenIdeProcess(processId_);
    if (!process.Valid())
        return WriteResult::Failed;
    // The editor reads up to the terminating zero; two zeros end the block as the editor expects.
    std::string block(write.Bytes);
    block.append(2, '\0');
    const RemoteBlock remote(process.Get(), block.size());
    SIZE_T put = 0;
    if (remote.Address() == nullptr ||
        !WriteProcessMemory(process.Get(), remote.Address(), block.data(), block.size(), &put) || put != block.size())
        return WriteResult::Failed;
    // Everything that can take time is done: only the comparison stands between the check and
    // the write, so a keystroke has the least chance to fall between them.
    const std::optional<bool> unchanged = DocumentHolds(process.Get(), write.DocumentAsRead);
    if (!unchanged)
        return WriteResult::Failed;
    if (!*unchanged)
        return WriteResult::EditorChanged;
    for (const EditorMessage& message : write.Before)
        Command(message.Message, message.WParam, message.LParam);
    SendMessageW(editor_, write.Message, static_cast<WPARAM>(write.Bytes.size()),
                 reinterpret_cast<LPARAM>(remote.Address()));
    return WriteResult::Written;
}

} // namespace brisklet
