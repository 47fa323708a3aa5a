// A Windows handle that is closed when it goes out of scope, whatever path the code takes.
#pragma once

#include <windows.h>

namespace brisklet {

// Closer says how the handle is given back.
template <typename Closer>
class OwnedHandle {
public:
    explicit OwnedHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~OwnedHandle() {
        if (Valid())
            Closer{}(handle_);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    // Failed calls answer null or INVALID_HANDLE_VALUE, depending on the call.
    [[nodiscard]] bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    [[nodiscard]] HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

struct CloseKernelHandle {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};

struct CloseFindHandle {
    void operator()(HANDLE handle) const { FindClose(handle); }
};

// Files, processes, threads and snapshots.
using KernelHandle = OwnedHandle<CloseKernelHandle>;
// A FindFirstFileW search.
using FindHandle = OwnedHandle<CloseFindHandle>;

} // namespace brisklet
