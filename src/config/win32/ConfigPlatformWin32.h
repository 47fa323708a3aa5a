// The configuration platform on Windows: files, folders, environment, processes, clock, version and message box.
#pragma once

#include "config/Platform.h"

namespace brisklet {

class ConfigPlatformWin32 final : public ConfigPlatform {
public:
    [[nodiscard]] std::unique_ptr<OpenedFile> OpenExisting(std::u16string_view path, FileAccess access,
                                                          FileShare share) override;

    [[nodiscard]] int64_t FileSizeCode(std::u16string_view path) override;
    bool AppendToFile(std::u16string_view path, std::string_view bytes) override;
    [[nodiscard]] std::u16string EnvironmentValue(std::u16string_view name) override;
    [[nodiscard]] std::u16string CurrentFolder() override;
    bool ChangeCurrentFolder(std::u16string_view path) override;
    [[nodiscard]] std::u16string OwnExecutablePath() override;
    [[nodiscard]] std::u16string ProcessExecutablePath(uint32_t processId) override;
    [[nodiscard]] LocalTime LocalClock() override;
    [[nodiscard]] OsVersionFacts VersionFacts() override;
    void ShowMessage(std::u16string_view caption, std::u16string_view text, MessageIcon icon) override;
};

} // namespace brisklet
