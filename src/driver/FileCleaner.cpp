// brisklet-clean's work on one file: encoding, the IDE's settings block, atomic rewrite.
#include "driver/FileCleaner.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

namespace brisklet {

namespace {

constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view SettingsBlockStart = "; IDE Options";

// Closes the file whatever path the function takes.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

std::string ErrorText(int error) {
    return std::strerror(error);
}

} // namespace

SourceFileParts SplitSourceFile(std::string_view bytes) {
    SourceFileParts parts;
    if (bytes.starts_with(Utf8ByteOrderMark)) {
        parts.ByteOrderMark = bytes.substr(0, Utf8ByteOrderMark.size());
        bytes.remove_prefix(Utf8ByteOrderMark.size());
    }
    // Every "O" is a candidate for the "O" of "Options": memchr finds them at several
    // gigabytes a second, and they are rare in source text. A search for the whole phrase
    // steps through the text a few bytes at a time, which a source without a block pays whole.
    constexpr size_t OptionsOffset = SettingsBlockStart.find('O');
    size_t at = bytes.size();
    for (size_t o = bytes.find('O', OptionsOffset); o != std::string_view::npos; o = bytes.find('O', o + 1)) {
        const size_t start = o - OptionsOffset;
        if (bytes.substr(start).starts_with(SettingsBlockStart) &&
            (start == 0 || bytes[start - 1] == '\n' || bytes[start - 1] == '\r'))
            at = start;
    }
    parts.Source = bytes.substr(0, at);
    parts.SettingsBlock = bytes.substr(at);
    return parts;
}

std::string CleanSourceFile(std::string_view bytes, const std::vector<CleaningOperation>& operations,
                            int32_t tabLength) {
    const SourceFileParts parts = SplitSourceFile(bytes);
    // Only the case conversions read the encoding: the other operations give the same bytes
    // in both, so a source is validated only when one of them is asked for.
    const bool readsEncoding = std::any_of(operations.begin(), operations.end(), [](CleaningOperation operation) {
        return operation == CleaningOperation::ConvertTextToLowerCase ||
               operation == CleaningOperation::ConvertTextToUpperCase;
    });
    const ByteEncoding encoding =
        readsEncoding && IsValidUtf8(parts.Source) ? ByteEncoding::Utf8 : ByteEncoding::SingleByte;
    // Room for the whole file from the start: the operations that work in place leave the
    // source where the mark and the settings block join it without another copy.
    std::string cleaned;
    cleaned.reserve(bytes.size());
    cleaned.append(parts.Source);
    for (const CleaningOperation operation : operations)
        ApplyOperation(operation, cleaned, encoding, tabLength);
    cleaned.insert(0, parts.ByteOrderMark);
    cleaned.append(parts.SettingsBlock);
    return cleaned;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::string& error) {
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) {
        error = "Is a directory";
        return std::nullopt;
    }
    const FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = ErrorText(errno);
        return std::nullopt;
    }
    std::string bytes;
    // One allocation of the file's size rather than a doubling (and a copy) every few reads.
    if (const std::uintmax_t size = std::filesystem::file_size(path, code); !code && size < bytes.max_size())
        bytes.reserve(static_cast<size_t>(size));
    char buffer[1 << 16];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes.append(buffer, got);
    if (std::ferror(file.get())) {
        error = ErrorText(errno);
        return std::nullopt;
    }
    return bytes;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code code;
    const fs::path target = fs::canonical(path, code);
    if (code) {
        error = code.message();
        return false;
    }
    // The rename would replace a file the user may not write; ask the file itself first.
    if (!FileHandle(std::fopen(target.string().c_str(), "r+b"))) {
        error = ErrorText(errno);
        return false;
    }
    const fs::perms permissions = fs::status(target, code).permissions();
    std::random_device entropy;
    fs::path temporary;
    FileHandle file;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
        temporary = target;
        temporary += ".brisklet-" + std::to_string(entropy());
        file.reset(std::fopen(temporary.string().c_str(), "wbx"));
    }
    if (!file) {
        error = ErrorText(errno);
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    written = std::fclose(file.release()) == 0 && written;
    const int writeError = errno;
    if (!written) {
        error = ErrorText(writeError);
        fs::remove(temporary, code);
        return false;
    }
    fs::permissions(temporary, permissions, code);
    fs::rename(temporary, target, code);
    if (code) {
        error = code.message();
        fs::remove(temporary, code);
        return false;
    }
    return true;
}

} // namespace brisklet
