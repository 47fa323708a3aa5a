// The IDE's preferences file opened through brisklet-clean's own file calls.
#include "clean/PreferencesFiles.h"

#include "runtime/TextCodec.h"

namespace brisklet {

namespace {

class OpenedPreferences final : public OpenedFile {
public:
    OpenedPreferences(FileSystem& files, FileId file) : files_(files), file_(file) {}
    ~OpenedPreferences() override { files_.Close(file_); }
    OpenedPreferences(const OpenedPreferences&) = delete;
    OpenedPreferences& operator=(const OpenedPreferences&) = delete;

    std::optional<int64_t> Size() override {
        FileFacts facts;
        if (!files_.FactsOf(file_, facts))
            return std::nullopt;
        return static_cast<int64_t>(facts.Size);
    }

    std::optional<std::string> Read(int64_t offset, int64_t count) override {
        std::string bytes;
        if (offset < 0 || count < 0 ||
            !files_.ReadAt(file_, static_cast<uint64_t>(offset), static_cast<size_t>(count), bytes))
            return std::nullopt;
        return bytes;
    }

private:
    FileSystem& files_;
    FileId file_;
};

} // namespace

std::unique_ptr<OpenedFile> PreferencesFiles::OpenExisting(std::u16string_view path, FileAccess, FileShare) {
    // A name that is not UTF-8 came in with its stray bytes carried as lone surrogates, which go
    // back to those bytes.
    const std::string name = EncodeDocument(path, ByteEncoding::Utf8).value_or(std::string());
    FileId file = 0;
    FileFacts facts;
    if (name.empty() || !files_.OpenSource(name, file, facts) || file == 0)
        return nullptr;
    return std::make_unique<OpenedPreferences>(files_, file);
}

} // namespace brisklet
