// Opening files for the preferences engine through Win32 calls, handles always closed.
#include "runtime/win32/FileOpenerWin32.h"

#include "runtime/win32/OwnedHandle.h"
#include "runtime/win32/WideText.h"

namespace brisklet {

namespace {

DWORD DesiredAccess(FileAccess access) {
    return access == FileAccess::ReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
}

DWORD ShareMode(FileShare share) {
    return share == FileShare::ReadWrite ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
}

class OpenedFileWin32 final : public OpenedFile {
public:
    explicit OpenedFileWin32(HANDLE file) : file_(file) {}

    std::optional<int64_t> Size() override {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file_.Get(), &size))
            return std::nullopt;
        return size.QuadPart;
    }

    std::optional<std::string> Read(int64_t offset, int64_t count) override {
        if (count < 0 || static_cast<uint64_t>(count) > std::string().max_size())
            return std::nullopt;
        LARGE_INTEGER position{};
        position.QuadPart = offset;
        if (!SetFilePointerEx(file_.Get(), position, nullptr, FILE_BEGIN))
            return std::nullopt;
        std::string bytes(static_cast<size_t>(count), '\0');
        size_t done = 0;
        while (done < bytes.size()) {
            DWORD read = 0;
            if (!ReadFile(file_.Get(), bytes.data() + done, ChunkSize(bytes.size() - done), &read, nullptr))
                return std::nullopt;
            if (read == 0) // end of file
                break;
            done += read;
        }
        bytes.resize(done);
        return bytes;
    }

private:
    KernelHandle file_;
};

} // namespace

std::unique_ptr<OpenedFile> FileOpenerWin32::OpenExisting(std::u16string_view path, FileAccess access,
                                                          FileShare share) {
    // Without FILE_FLAG_BACKUP_SEMANTICS a directory cannot be opened, as the interface wants.
    const HANDLE file = CreateFileW(Wide(path).c_str(), DesiredAccess(access), ShareMode(share), nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<OpenedFileWin32>(file);
}

} // namespace brisklet
