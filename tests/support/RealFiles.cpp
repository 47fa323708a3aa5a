// Real files for tests: temporary folders and reading through std::ifstream.
#include "support/RealFiles.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

#include "runtime/TextCodec.h"

namespace brisklet::test {

namespace {

class RealOpenedFile : public OpenedFile {
public:
    explicit RealOpenedFile(const std::filesystem::path& path) : stream(path, std::ios::binary) {}

    [[nodiscard]] bool IsOpen() const { return stream.is_open(); }

    std::optional<int64_t> Size() override {
        stream.clear();
        stream.seekg(0, std::ios::end);
        const std::streamoff end = stream.tellg();
        if (end < 0)
            return std::nullopt;
        return static_cast<int64_t>(end);
    }

    std::optional<std::string> Read(int64_t offset, int64_t count) override {
        stream.clear();
        stream.seekg(offset);
        std::string bytes(static_cast<size_t>(count), '\0');
        stream.read(bytes.data(), count);
        if (stream.bad())
            return std::nullopt;
        bytes.resize(static_cast<size_t>(stream.gcount()));
        return bytes;
    }

private:
    std::ifstream stream;
};

} // namespace

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "brisklet-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr)
        path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    if (!path.empty())
        std::filesystem::remove_all(path, ignored);
}

std::filesystem::path TempFolder::Write(const std::string& name, std::string_view bytes) const {
    const std::filesystem::path file = path / name;
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
}

std::unique_ptr<OpenedFile> RealFileOpener::OpenExisting(std::u16string_view path, FileAccess, FileShare) {
    std::string local = EncodeUtf8(path);
    for (char& c : local) {
        if (c == '\\')
            c = '/';
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(local, error))
        return nullptr;
    auto file = std::make_unique<RealOpenedFile>(local);
    if (!file->IsOpen())
        return nullptr;
    return file;
}

std::u16string Utf16Path(const std::filesystem::path& path) {
    return DecodeUtf8(path.string());
}

} // namespace brisklet::test
