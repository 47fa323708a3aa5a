// The cleaning operations on file bytes, block by block, with every line end kept as it was.
// A file is read the way the IDE reads a source: CR LF, LF and a lone CR each end a line.
// A kept line keeps its own line end and a dropped line goes with its own; the line rules are
// otherwise those of the editor's text, and the whole-text operations never touch line ends.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cleaning/Cleaning.h"

namespace brisklet {

// A growable byte buffer whose new room is not cleared: the stages write every byte they keep,
// and clearing each block first would cost a pass of its own.
struct ByteBuffer {
    std::unique_ptr<char[]> Data;
    size_t Size = 0;
    size_t Capacity = 0;
};

void GrowBuffer(ByteBuffer& buffer, size_t more);

// Room for at least more bytes behind Size; the returned pointer is where they go.
inline char* ReserveBytes(ByteBuffer& buffer, size_t more) {
    if (buffer.Capacity - buffer.Size < more)
        GrowBuffer(buffer, more);
    return buffer.Data.get() + buffer.Size;
}

void AppendBytes(ByteBuffer& buffer, std::string_view bytes);
[[nodiscard]] inline std::string_view BufferView(const ByteBuffer& buffer) {
    return {buffer.Data.get(), buffer.Size};
}

// One operation of a run and what it keeps from one block to the next.
struct CleaningStage {
    CleaningOperation Operation = CleaningOperation::RemoveEmptyLines;
    // The stage's input behind the last line end it can be sure of: a CR at the end of a block
    // may be the first half of a CR LF.
    std::string Carry;
    bool SawLineEnd = false;
    // "/converttabtospace": characters added so far.
    int64_t Growth = 0;
};

// The operations of a run in order, each fed the previous one's output block by block, so a
// block passes every operation while it is in the cache.
struct CleaningPipeline {
    std::vector<CleaningStage> Stages;
    int32_t TabLength = 0;
    // Read by the case conversions: a UTF-8 text is converted sequence by sequence and a byte
    // that belongs to no well-formed sequence stays as it is.
    ByteEncoding Encoding = ByteEncoding::SingleByte;
    // "/converttabtospace" would make the text grow by more than MaxTabExpansionGrowth; the
    // pipeline then stops.
    bool GrowthExceeded = false;
    ByteBuffer Between[2];
    ByteBuffer Line[2];
    // FeedPipelineInPieces: how much it next tries to run in one go, how much it runs line by
    // line before it tries again, and how much that will be after the next failed try.
    size_t TrialLength = 0;
    size_t LineByLine = 0;
    size_t Backoff = 0;
};

void StartPipeline(CleaningPipeline& pipeline, const std::vector<CleaningOperation>& operations, int32_t tabLength);

// Runs the next bytes of the text through every stage and appends what is final to out. The
// bytes may be cut anywhere, except inside a UTF-8 sequence when a case conversion runs.
void FeedPipeline(CleaningPipeline& pipeline, std::string_view bytes, ByteBuffer& out);

// The end of the text: appends the rest.
void FinishPipeline(CleaningPipeline& pipeline, ByteBuffer& out);

// No stage holds back part of a line: the output so far is all the input so far becomes.
[[nodiscard]] bool CarriesNothing(const CleaningPipeline& pipeline);

// Gets a stretch of input with what the pipeline made of it; settled as CarriesNothing after it.
using PieceHandler = std::function<void(std::string_view input, std::string_view output, bool settled)>;

// FeedPipeline that hands every stretch of bytes to piece with its result, in order: a run of
// whole lines that came out as they went in at once, else one line up to its LF at a time, so
// that a diff can pair the lines. Stops when GrowthExceeded is set.
void FeedPipelineInPieces(CleaningPipeline& pipeline, std::string_view bytes, const PieceHandler& piece,
                          ByteBuffer& out);

} // namespace brisklet
