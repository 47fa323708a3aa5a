// In-memory open files for tests: a byte string behind the OpenedFile and FileOpener seams.
#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "runtime/FileOpener.h"

namespace brisklet::test {

class MemoryOpenedFile : public OpenedFile {
public:
    explicit MemoryOpenedFile(std::string content, std::optional<int64_t> sizeToClaim = std::nullopt,
                              bool readsFail = false)
        : bytes(std::move(content)), claimedSize(sizeToClaim), failReads(readsFail) {}

    std::optional<int64_t> Size() override {
        return claimedSize ? claimedSize : static_cast<int64_t>(bytes.size());
    }

    std::optional<std::string> Read(int64_t offset, int64_t count) override {
        if (failReads || offset < 0 || count < 0)
            return std::nullopt;
        const auto start = std::min(static_cast<size_t>(offset), bytes.size());
        return bytes.substr(start, static_cast<size_t>(count));
    }

private:
    std::string bytes;
    std::optional<int64_t> claimedSize;
    bool failReads;
};

// Every path opens the same bytes.
class MemoryFileOpener : public FileOpener {
public:
    explicit MemoryFileOpener(std::string content) : bytes(std::move(content)) {}

    std::unique_ptr<OpenedFile> OpenExisting(std::u16string_view, FileAccess, FileShare) override {
        return std::make_unique<MemoryOpenedFile>(bytes);
    }

private:
    std::string bytes;
};

} // namespace brisklet::test
