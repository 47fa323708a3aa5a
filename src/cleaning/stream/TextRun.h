// The stream engine's run over one text: the byte order mark, the IDE's settings block and the
// case conversions' encoding. Where the text comes from and goes to is the caller's (a file's
// rewrite is clean/Rewrite.h).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cleaning/Operations.h"
#include "cleaning/stream/Pipeline.h"

namespace brisklet {

// The size of the blocks a text is read and cleaned in: small enough to stay in the cache
// while every operation runs on it.
constexpr size_t CleanBlockSize = size_t{1} << 18;

// On a pipe, how much is held back, at most, to learn whether a text with a stray byte
// beyond ASCII holds UTF-8 further on; past it the text is taken as single bytes.
constexpr size_t PipeLookAheadLimit = size_t{8} << 20;

// Fills up to capacity bytes and answers how many: 0 at the end, -1 on failure (errno set).
using ReadBytes = std::function<int64_t(char* into, size_t capacity)>;

// A settings block and where it starts.
struct SettingsBlock {
    uint64_t Offset = 0;
    std::string Bytes;
};

// Reads up to count bytes from offset into into (fewer at the end of the file); false when
// reading fails (errno set, or the platform's own error kept by the caller).
using ReadBytesAt = std::function<bool(uint64_t offset, size_t count, std::string& into)>;

// What a text that can be read again (a file) offers besides reading on; empty for a pipe.
// Each answers nullopt (ReadAt false) when reading fails (errno set).
struct Rereading {
    // Whether the source from a byte offset on, up to the settings block, holds a UTF-8 sequence.
    std::function<std::optional<bool>(uint64_t offset)> HoldsUtf8From;
    // The offset where the settings block starts (the text's size without one), found from the end.
    std::function<std::optional<uint64_t>()> SettingsStart;
    // The settings block, looked for in the last RereadChunk bytes only (an IDE's block is a few
    // hundred bytes): empty Bytes when none starts there.
    std::function<std::optional<SettingsBlock>()> LastSettings;
    // The input the result is compared with, read again where the run has let it go: a long
    // line is not held for the comparison.
    ReadBytesAt ReadAt;
};

// What a run does: the operations in order, with the tab width, and the start words the fold
// points of a settings block's Folding entry are found by (nullopt: the IDE's defaults).
struct CleanRules {
    std::vector<CleaningOperation> Operations;
    int32_t TabLength = 0;
    std::optional<std::vector<std::string>> FoldStartWords;
};

// How much of a file is held back, at most, after a line that may begin its settings block,
// before its real start is looked up from the end of the file.
constexpr size_t FileHoldLimit = size_t{1} << 20;

// Where a cleaning run's result goes. With WritesAll every byte goes to Write. Otherwise Write
// gets the bytes from the first one that differs from the input on, and Diverge is called once
// before, with the length of the input's start that stayed as it was. False from either stops
// the run (errno set).
// With Piece set, neither is called: Piece gets every piece of the input in order with what the
// run made of it, the source as FeedPipelineInPieces hands it on, so that a diff can pair the
// lines.
struct CleanSink {
    bool WritesAll = false;
    std::function<bool(uint64_t unchangedLength)> Diverge;
    std::function<bool(std::string_view bytes)> Write;
    PieceHandler Piece = nullptr;
};

// The three kinds of sink, by name.
[[nodiscard]] inline CleanSink WholeResultSink(std::function<bool(std::string_view bytes)> write) {
    return {true, {}, std::move(write), nullptr};
}
[[nodiscard]] inline CleanSink ChangedPartSink(std::function<bool(uint64_t unchangedLength)> diverge,
                                               std::function<bool(std::string_view bytes)> write) {
    return {false, std::move(diverge), std::move(write), nullptr};
}
[[nodiscard]] inline CleanSink PiecesSink(PieceHandler piece) {
    return {true, {}, {}, std::move(piece)};
}

enum class CleanEnd { Finished, ZeroByte, Utf16, ReadFailed, WriteFailed, TooMuchGrowth };

struct CleanOutcome {
    CleanEnd End = CleanEnd::Finished;
    int Error = 0;        // errno of a failed read or write
    bool Changed = false; // the result differs from the input (not known with WritesAll)
};

// Cleans a text read block by block: an optional UTF-8 byte order mark, the source, and the
// settings block from the last line that begins with "; IDE Options" to the end, which stays
// byte for byte with the mark, but for its view entries: where a file's block (found by
// LastSettings) has them, the source is cleaned line by line and the entries follow their
// lines. The case conversions take the source as UTF-8 when it holds a UTF-8 sequence of two
// or more bytes (or the mark), else as single bytes; on a pipe, which cannot be read again,
// that is learnt by holding back at most PipeLookAheadLimit bytes, and what follows a line
// beginning with "; IDE Options" is held until the next such line or the end. Reading stops
// at the first zero byte. A text that begins with a UTF-16 byte order mark is not cleaned: a
// sink that WritesAll gets it as it came (PassThrough).
[[nodiscard]] CleanOutcome CleanText(const ReadBytes& read, const Rereading& rereading, const CleanSink& sink,
                                     const CleanRules& rules, size_t blockSize = CleanBlockSize);

// The file's size, or nullopt when it cannot be taken.
using FileSize = std::function<std::optional<uint64_t>()>;

// The size of the pieces a file is read again in: its settings block looked for from the end,
// a UTF-8 sequence looked for further on, its unchanged start copied.
constexpr size_t RereadChunk = size_t{1} << 20;

// The Rereading of a file read through readAt.
[[nodiscard]] Rereading FileRereading(const ReadBytesAt& readAt, const FileSize& size);

// The bytes already read, then the rest of read, to write as they are. CleanEnd::Utf16 when
// that went well, to say why the text was not cleaned.
[[nodiscard]] CleanEnd PassThrough(const ReadBytes& read, std::string_view already,
                                   const std::function<bool(std::string_view bytes)>& write);

// What went wrong, for a run that did not finish.
[[nodiscard]] std::string TroubleReason(const CleanOutcome& outcome);

// Where the settings block of a whole text starts (the text's size without one): the last line
// that begins with "; IDE Options", the byte order mark not counted.
[[nodiscard]] size_t SettingsStartIn(std::string_view text);

// The C library's text of an errno value.
[[nodiscard]] std::string ErrorText(int error);

} // namespace brisklet
