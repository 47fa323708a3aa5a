// Real files for tests: a temporary folder and a FileOpener over the local file system.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/FileOpener.h"

namespace brisklet::test {

// A fresh folder under the system's temporary directory, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return path; }
    // Writes bytes to a file in the folder and returns its path in the system's form.
    std::filesystem::path Write(const std::string& name, std::string_view bytes) const;

private:
    std::filesystem::path path;
};

// Opens local files; UTF-16 paths are taken as UTF-8 with "\" as "/". Share modes do not
// exist here, and a directory cannot be opened, as with CreateFileW.
class RealFileOpener : public FileOpener {
public:
    std::unique_ptr<OpenedFile> OpenExisting(std::u16string_view path, FileAccess access, FileShare share) override;
};

// The UTF-16 form of a local path, as the code under test receives paths.
[[nodiscard]] std::u16string Utf16Path(const std::filesystem::path& path);

} // namespace brisklet::test
