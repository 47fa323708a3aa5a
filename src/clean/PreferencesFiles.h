// The IDE's preferences file opened through brisklet-clean's own file calls, for the
// preferences engine: the program opens every file one way.
#pragma once

#include <memory>
#include <string_view>

#include "clean/FileSystem.h"
#include "runtime/FileOpener.h"

namespace brisklet {

class PreferencesFiles final : public FileOpener {
public:
    explicit PreferencesFiles(FileSystem& files) : files_(files) {}

    // Reading alone, whatever access and sharing are asked for: brisklet-clean never writes
    // the IDE's preferences, and leaves others to read and write them.
    [[nodiscard]] std::unique_ptr<OpenedFile> OpenExisting(std::u16string_view path, FileAccess access,
                                                          FileShare share) override;

private:
    FileSystem& files_;
};

} // namespace brisklet
