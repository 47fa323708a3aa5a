// brisklet-clean's work on one file: encoding, the IDE's settings block, atomic rewrite.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cleaning/Cleaning.h"

namespace brisklet {

// A source file as the IDE saves it: an optional UTF-8 byte order mark, the source, and the
// settings block from the last line that begins with "; IDE Options" to the end.
struct SourceFileParts {
    std::string_view ByteOrderMark;
    std::string_view Source;
    std::string_view SettingsBlock;
};

[[nodiscard]] SourceFileParts SplitSourceFile(std::string_view bytes);

// The file's bytes after the operations, in order. The mark and the settings block stay
// byte for byte; the source is UTF-8 when it is well-formed UTF-8, else one byte per
// character, and every byte the operations do not touch comes back as it was.
[[nodiscard]] std::string CleanSourceFile(std::string_view bytes, const std::vector<CleaningOperation>& operations,
                                          int32_t tabLength);

// The whole file, or nullopt with the reason in error.
[[nodiscard]] std::optional<std::string> ReadWholeFile(const std::string& path, std::string& error);

// Writes a temporary file beside the target, gives it the target's permissions and renames it
// over the target, so an interrupted run never leaves half a file. A link is followed: the file
// it points to is rewritten. False with the reason in error; the target is then unchanged.
[[nodiscard]] bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, std::string& error);

} // namespace brisklet
