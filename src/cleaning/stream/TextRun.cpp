// The stream engine's run over one text: the byte order mark, the IDE's settings block and the case
// conversions' encoding, read block by block and compared with the input as the result comes.
#include "cleaning/stream/TextRun.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cleaning/Indentation.h"
#include "cleaning/LineEndScan.h"
#include "cleaning/stream/Pipeline.h"
#include "cleaning/view/ViewFollowing.h"
#include "runtime/TextCodec.h"

namespace brisklet {

namespace {

constexpr std::string_view SettingsBlockStart = "; IDE Options";
// Every "O" is a candidate for the "O" of "Options": memchr finds them at several gigabytes
// a second, and they are rare in source text.
constexpr size_t OptionsOffset = SettingsBlockStart.find('O');
constexpr size_t None = std::string_view::npos;

// Whether a line that begins with "; IDE Options" starts at text[at]; first is where the text's
// first line starts, after a byte order mark.
bool SettingsLineAt(std::string_view text, size_t at, size_t first) {
    return text.substr(at).starts_with(SettingsBlockStart) && (at == first || (at > first && IsLineEnd(text[at - 1])));
}

// The text read but not yet cleaned. Start is always a line start, so a settings block may
// begin there.
struct TextReader {
    ByteBuffer Pending;
    size_t Start = 0;       // Pending before it has gone to the pipeline
    uint64_t Base = 0;      // offset in the text of Pending's first byte
    size_t ScanFrom = 0;    // not yet searched for a settings block from here on
    size_t Held = None;     // the latest line beginning with "; IDE Options"
    size_t LineScanFrom = 0; // not yet searched for a line end from here on
    size_t LastLineStart = 0;
    size_t DecideFrom = 0; // not yet searched for a UTF-8 sequence from here on
    uint64_t SettingsAt = 0; // the settings block's offset, once learnt from the end of a file
    bool SettingsKnown = false;
    bool MarkChecked = false;
    bool Decided = false;
    bool StrayByte = false; // a byte beyond ASCII that starts no UTF-8 sequence went by
    bool StartInLine = false; // Start is inside a long line whose start went on in pieces
    bool LookedAhead = false; // the file was searched for a line end after Pending
};

// The result compared with the input while the two agree, so that an unchanged text is
// never written and a changed file gets only what differs written after its unchanged start.
// The input it still needs stays in the reader's Pending (a second copy would double what a
// long line costs), or, for a text that can be read again, is read again from the file.
struct ResultWatch {
    const CleanSink& Sink;
    const TextReader& Reader;
    const Rereading& Again;
    uint64_t Noted = 0;   // offset in the text up to which the input has gone to the run
    uint64_t Matched = 0; // offset up to which the result is the input
    bool Diverged = false;
    std::string Reread;
};

bool Watching(const ResultWatch& watch) {
    return !watch.Sink.WritesAll && !watch.Diverged;
}

void NoteInput(ResultWatch& watch, std::string_view bytes) {
    watch.Noted += bytes.size();
}

// How many of bytes agree with the input from Matched on, as far as it has gone to the run:
// in Pending, or before it read again. nullopt when reading fails.
std::optional<size_t> AgreeingLength(ResultWatch& watch, std::string_view bytes) {
    const uint64_t end = std::min<uint64_t>(watch.Noted, watch.Matched + bytes.size());
    const uint64_t base = watch.Reader.Base;
    size_t same = 0;
    for (uint64_t at = watch.Matched; at < end;) {
        std::string_view input;
        if (at < base) {
            if (!watch.Again.ReadAt(at, static_cast<size_t>(std::min<uint64_t>({RereadChunk, base - at, end - at})),
                                    watch.Reread))
                return std::nullopt;
            input = watch.Reread;
        } else {
            input = BufferView(watch.Reader.Pending)
                        .substr(static_cast<size_t>(at - base), static_cast<size_t>(end - at));
        }
        const std::string_view result = bytes.substr(static_cast<size_t>(at - watch.Matched), input.size());
        const size_t agree =
            static_cast<size_t>(std::mismatch(result.begin(), result.end(), input.begin()).first - result.begin());
        same += agree;
        // A file cut short meanwhile ends the agreement where it ends.
        if (agree < result.size() || input.empty())
            break;
        at += input.size();
    }
    return same;
}

bool EmitResult(ResultWatch& watch, std::string_view bytes) {
    if (bytes.empty())
        return true;
    if (!Watching(watch))
        return watch.Sink.Write(bytes);
    const std::optional<size_t> agreeing = AgreeingLength(watch, bytes);
    if (!agreeing)
        return false;
    const size_t same = *agreeing;
    if (same == bytes.size()) {
        watch.Matched += same;
        return true;
    }
    watch.Diverged = true;
    return watch.Sink.Diverge(watch.Matched + same) && watch.Sink.Write(bytes.substr(same));
}

// A result shorter than its input differs from it at its end.
bool FinishResult(ResultWatch& watch) {
    if (!Watching(watch) || watch.Matched == watch.Noted)
        return true;
    watch.Diverged = true;
    return watch.Sink.Diverge(watch.Matched);
}

size_t ShiftedBack(size_t index, size_t by) {
    if (index == None)
        return None;
    return index > by ? index - by : 0;
}

// Drops what went to the run from Pending, but for the input the watch still compares with.
void Compact(TextReader& reader, const ResultWatch& watch) {
    const size_t by = Watching(watch) && !watch.Again.ReadAt
                          ? std::min(reader.Start, static_cast<size_t>(watch.Matched - reader.Base))
                          : reader.Start;
    if (by == 0)
        return;
    const size_t left = reader.Pending.Size - by;
    if (left > 0)
        std::memmove(reader.Pending.Data.get(), reader.Pending.Data.get() + by, left);
    reader.Pending.Size = left;
    reader.Base += by;
    reader.Start -= by;
    for (size_t* index : {&reader.ScanFrom, &reader.Held, &reader.LineScanFrom, &reader.LastLineStart,
                          &reader.DecideFrom})
        *index = ShiftedBack(*index, by);
}

// Looks at every line start whose first 13 bytes have come in (all of them at the end).
void FindSettingsStart(TextReader& reader, bool atEnd) {
    const std::string_view text = BufferView(reader.Pending);
    if (reader.SettingsKnown) {
        reader.ScanFrom = text.size();
        return;
    }
    const size_t limit = atEnd ? text.size() : (text.size() >= 12 ? text.size() - 12 : 0);
    if (limit <= reader.ScanFrom)
        return;
    for (size_t o = text.find('O', reader.ScanFrom + OptionsOffset); o != None && o - OptionsOffset < limit;
         o = text.find('O', o + 1)) {
        const size_t start = o - OptionsOffset;
        if (SettingsLineAt(text, start, reader.Start) && !(reader.StartInLine && start == reader.Start))
            reader.Held = start;
    }
    reader.ScanFrom = limit;
}

// Where the source certainly goes on to: up to the latest settings block candidate, or up to
// the last line start before the bytes not yet searched for one.
size_t ReleasableEnd(TextReader& reader, bool atEnd) {
    if (reader.Held != None)
        return reader.Held;
    const std::string_view text = BufferView(reader.Pending);
    if (reader.SettingsKnown && reader.SettingsAt - reader.Base <= text.size())
        return static_cast<size_t>(reader.SettingsAt - reader.Base);
    if (atEnd)
        return text.size();
    size_t at = reader.ScanFrom;
    while (at > reader.LineScanFrom && !IsLineEnd(text[at - 1]))
        --at;
    if (at > reader.LineScanFrom)
        reader.LastLineStart = at;
    reader.LineScanFrom = reader.ScanFrom;
    return std::max(reader.LastLineStart, reader.Start);
}

// A long line is not held whole: once more than pieceLength of it has come (ReleasableEnd found
// no line start after reader.Start), the part searched for a settings block goes on, but for a
// UTF-8 sequence its end may cut and the settings block when it is known to start there. Its
// end, or reader.Start when nothing goes.
size_t LongLinePieceEnd(const TextReader& reader, size_t pieceLength) {
    const std::string_view text = BufferView(reader.Pending);
    if (reader.Held != None || text.size() - reader.Start <= pieceLength)
        return reader.Start;
    size_t end = reader.ScanFrom;
    if (reader.SettingsKnown)
        end = static_cast<size_t>(std::min<uint64_t>(end, reader.SettingsAt - reader.Base));
    if (end <= reader.Start)
        return reader.Start;
    return reader.Start + WholeSequencesEnd(text.substr(reader.Start, end - reader.Start));
}

// The length of the next slice of source: up to the last line end within a block, or to the
// first one after it; never inside a UTF-8 sequence.
size_t SliceLength(std::string_view source, size_t blockSize) {
    if (source.size() <= blockSize)
        return source.size();
    size_t at = blockSize;
    while (at > 0 && !IsLineEnd(source[at - 1]))
        --at;
    if (at > 0)
        return at;
    const size_t next = NextLineEnd(source, blockSize);
    return next == None ? source.size() : next + 1;
}

// Whether the file holds a line end from offset on, read forwards in chunks; nullopt when
// reading fails.
std::optional<bool> LineEndFrom(const ReadBytesAt& readAt, uint64_t offset) {
    std::string chunk;
    for (uint64_t at = offset;; at += chunk.size()) {
        if (!readAt(at, RereadChunk, chunk))
            return std::nullopt;
        if (chunk.empty())
            return false;
        if (chunk.find_first_of("\r\n") != None)
            return true;
    }
}

enum class Decision { Release, Hold, Failed };

// The case conversions' encoding, decided before the first byte beyond ASCII reaches them:
// ASCII reads the same either way. A UTF-8 sequence anywhere in the source makes it UTF-8, so
// a stray byte before the first one is decided by looking further.
Decision DecideEncoding(TextReader& reader, size_t end, bool atEnd, const Rereading& rereading,
                        CleaningPipeline& pipeline) {
    const std::string_view fresh = BufferView(reader.Pending).substr(reader.DecideFrom, end - reader.DecideFrom);
    reader.DecideFrom = end;
    if (HoldsUtf8Sequence(fresh)) {
        reader.Decided = true;
        pipeline.Encoding = ByteEncoding::Utf8;
        return Decision::Release;
    }
    reader.StrayByte = reader.StrayByte || NextNonAscii(fresh, 0) < fresh.size();
    if (!reader.StrayByte)
        return Decision::Release;
    if (rereading.HoldsUtf8From) {
        const std::optional<bool> found = rereading.HoldsUtf8From(reader.Base + end);
        if (!found)
            return Decision::Failed;
        reader.Decided = true;
        pipeline.Encoding = *found ? ByteEncoding::Utf8 : ByteEncoding::SingleByte;
        return Decision::Release;
    }
    if (atEnd || reader.Pending.Size - reader.Start > PipeLookAheadLimit) {
        reader.Decided = true;
        pipeline.Encoding = ByteEncoding::SingleByte;
        return Decision::Release;
    }
    return Decision::Hold;
}

// The start of a file's settings block, searched from the end backwards in chunks.
std::optional<uint64_t> SettingsStartOfFile(const ReadBytesAt& readAt, uint64_t size) {
    std::string chunk;
    uint64_t high = size;
    while (high > 0) {
        const uint64_t low = high > RereadChunk ? high - RereadChunk : 0;
        if (!readAt(low, static_cast<size_t>(high - low), chunk))
            return std::nullopt;
        for (size_t at = chunk.rfind(SettingsBlockStart); at != None;
             at = at == 0 ? None : chunk.rfind(SettingsBlockStart, at - 1)) {
            if (at == 0 && low > 0)
                break; // the byte before it is in the next chunk, which holds it again
            const size_t first = low == 0 ? ByteOrderMarkLength(chunk) : 0;
            if (SettingsLineAt(chunk, at, first))
                return low + at;
        }
        if (low == 0)
            break;
        high = low + SettingsBlockStart.size();
    }
    return size;
}

// The settings block when it starts in the file's last RereadChunk bytes: one more is read, to
// see whether the first candidate starts a line.
std::optional<SettingsBlock> LastSettingsOfFile(const ReadBytesAt& readAt, uint64_t size) {
    const uint64_t low = size > RereadChunk ? size - RereadChunk - 1 : 0;
    std::string tail;
    if (!readAt(low, static_cast<size_t>(size - low), tail))
        return std::nullopt;
    const size_t first = low == 0 ? ByteOrderMarkLength(tail) : 0;
    for (size_t at = tail.rfind(SettingsBlockStart); at != None && (at > 0 || low == 0);
         at = at == 0 ? None : tail.rfind(SettingsBlockStart, at - 1)) {
        if (SettingsLineAt(tail, at, first))
            return SettingsBlock{low + at, tail.substr(at)};
    }
    return SettingsBlock{size, {}};
}

// Whether the file's source from offset on holds a UTF-8 sequence: read forwards in chunks
// that overlap by three bytes, so no sequence is cut.
std::optional<bool> FileHoldsUtf8From(const ReadBytesAt& readAt, uint64_t size, uint64_t offset) {
    const std::optional<uint64_t> end = SettingsStartOfFile(readAt, size);
    if (!end)
        return std::nullopt;
    std::string chunk;
    for (uint64_t at = offset; at < *end;) {
        if (!readAt(at, static_cast<size_t>(std::min<uint64_t>(RereadChunk, *end - at)), chunk))
            return std::nullopt;
        if (HoldsUtf8Sequence(chunk))
            return true;
        if (chunk.size() <= 3)
            break;
        at += chunk.size() - 3;
    }
    return false;
}

// A file whose settings block has view entries is cleaned line by line, for the entries to follow
// their lines; where its block starts is then known from the start. False when reading fails.
bool LookForView(const Rereading& rereading, const CleanRules& rules, const CleaningPipeline& pipeline,
                 TextReader& reader, std::optional<ViewFollowing>& following) {
    if (!rereading.LastSettings)
        return true;
    std::optional<SettingsBlock> block = rereading.LastSettings();
    if (!block)
        return false;
    following.emplace();
    if (!StartViewFollowing(*following, std::move(block->Bytes), rules.FoldStartWords)) {
        following.reset();
        return true;
    }
    StartLineTracking(following->Tracking, pipeline);
    reader.SettingsAt = block->Offset;
    reader.SettingsKnown = true;
    return true;
}

} // namespace

CleanOutcome CleanText(const ReadBytes& read, const Rereading& rereading, const CleanSink& sink,
                       const CleanRules& rules, size_t blockSize) {
    CleaningPipeline pipeline;
    PieceTrials trials;
    StartPipeline(pipeline, rules.Operations, rules.TabLength);
    pipeline.PieceLength = 4 * blockSize;
    TextReader reader;
    reader.Decided = std::none_of(rules.Operations.begin(), rules.Operations.end(), IsCaseConversion);
    ResultWatch watch{sink, reader, rereading, 0, 0, false, {}};
    ByteBuffer out;
    const auto fail = [](CleanEnd end) { return CleanOutcome{end, end == CleanEnd::ZeroByte ? 0 : errno, false}; };
    std::optional<ViewFollowing> following;
    if (!LookForView(rereading, rules, pipeline, reader, following))
        return fail(CleanEnd::ReadFailed);
    const LineWatch takeLine = [&following](const TrackedLine& line) { TakeTrackedLine(*following, line); };
    const auto pass = [&](std::string_view bytes) {
        if (sink.Piece) {
            sink.Piece(bytes, bytes, true);
            return true;
        }
        NoteInput(watch, bytes);
        return EmitResult(watch, bytes);
    };
    for (bool atEnd = false; !atEnd;) {
        Compact(reader, watch);
        char* const into = ReserveBytes(reader.Pending, blockSize);
        const int64_t got = read(into, blockSize);
        if (got < 0)
            return fail(CleanEnd::ReadFailed);
        atEnd = got == 0;
        reader.Pending.Size += static_cast<size_t>(got);
        const std::string_view text = BufferView(reader.Pending);
        // Before the zero bytes, which UTF-16 text is full of.
        if (!reader.MarkChecked && StartsAsUtf16(text))
            return fail(sink.WritesAll && !sink.Piece ? PassThrough(read, text, sink.Write) : CleanEnd::Utf16);
        if (std::memchr(into, 0, static_cast<size_t>(got)) != nullptr)
            return fail(CleanEnd::ZeroByte);
        if (!reader.MarkChecked) {
            if (text.size() < Utf8ByteOrderMark.size() && !atEnd)
                continue;
            reader.MarkChecked = true;
            if (text.starts_with(Utf8ByteOrderMark)) {
                if (!pass(Utf8ByteOrderMark))
                    return fail(CleanEnd::WriteFailed);
                reader.Start = reader.ScanFrom = reader.LineScanFrom = reader.LastLineStart = reader.DecideFrom =
                    Utf8ByteOrderMark.size();
                reader.Decided = true;
                pipeline.Encoding = ByteEncoding::Utf8;
            }
        }
        FindSettingsStart(reader, atEnd);
        if (reader.Held != None && reader.Pending.Size - reader.Held > FileHoldLimit && rereading.SettingsStart) {
            const std::optional<uint64_t> settingsAt = rereading.SettingsStart();
            if (!settingsAt)
                return fail(CleanEnd::ReadFailed);
            // A candidate the end does not confirm is source after all.
            reader.SettingsAt = std::max(*settingsAt, reader.Base + reader.Start);
            reader.SettingsKnown = true;
            reader.Held = None;
            FindSettingsStart(reader, atEnd);
        }
        size_t end = ReleasableEnd(reader, atEnd);
        // Where the result is compared with the input, a stage that holds the line would make it
        // held twice: the line then goes on whole, as the watch holds it anyway.
        const bool piece = end == reader.Start && !(Watching(watch) && !rereading.ReadAt && MayHoldLine(pipeline));
        if (piece)
            end = LongLinePieceEnd(reader, pipeline.PieceLength);
        // A stage that holds the text's first line until it knows whether a line end follows
        // learns it from the file instead, once.
        if (end != reader.Start && piece && rereading.ReadAt && !reader.LookedAhead && MayHoldLine(pipeline)) {
            reader.LookedAhead = true;
            const std::optional<bool> ahead = LineEndFrom(rereading.ReadAt, reader.Base + reader.Pending.Size);
            if (!ahead)
                return fail(CleanEnd::ReadFailed);
            pipeline.LineEndAhead = *ahead;
        }
        if (end == reader.Start)
            continue;
        if (!reader.Decided) {
            const Decision decision = DecideEncoding(reader, end, atEnd, rereading, pipeline);
            if (decision == Decision::Failed)
                return fail(CleanEnd::ReadFailed);
            if (decision == Decision::Hold)
                continue;
        }
        // A long stretch released at once (held back until now) goes in slices of about a
        // block, so that the stages' buffers stay the size of one.
        for (std::string_view source = text.substr(reader.Start, end - reader.Start); !source.empty();) {
            const std::string_view slice = source.substr(0, SliceLength(source, blockSize));
            out.Size = 0;
            if (!sink.Piece)
                NoteInput(watch, slice);
            if (following)
                FeedTrackedLines(pipeline, following->Tracking, slice, out, takeLine, sink.Piece);
            else if (sink.Piece)
                FeedPipelineInPieces(pipeline, trials, slice, sink.Piece, out);
            else
                FeedPipeline(pipeline, slice, out);
            if (pipeline.GrowthExceeded)
                return fail(CleanEnd::TooMuchGrowth);
            if (!sink.Piece && !EmitResult(watch, BufferView(out)))
                return fail(CleanEnd::WriteFailed);
            source.remove_prefix(slice.size());
        }
        reader.Start = end;
        reader.StartInLine = piece;
    }
    out.Size = 0;
    if (following)
        FinishTrackedLines(pipeline, following->Tracking, out, takeLine, sink.Piece);
    else
        FinishPipeline(pipeline, out);
    if (pipeline.GrowthExceeded)
        return fail(CleanEnd::TooMuchGrowth);
    const std::string_view block = BufferView(reader.Pending).substr(reader.Start);
    const std::string moved = following ? MovedBlock(*following, block) : std::string();
    const std::string_view blockResult = following ? std::string_view(moved) : block;
    if (sink.Piece) {
        if (!following)
            sink.Piece({}, BufferView(out), true);
        PieceBlock(sink.Piece, block, blockResult);
        return {CleanEnd::Finished, 0, false};
    }
    if (!EmitResult(watch, BufferView(out)))
        return fail(CleanEnd::WriteFailed);
    NoteInput(watch, block);
    if (!EmitResult(watch, blockResult) || !FinishResult(watch))
        return fail(CleanEnd::WriteFailed);
    return {CleanEnd::Finished, 0, watch.Diverged};
}

size_t SettingsStartIn(std::string_view text) {
    const ReadBytesAt readAt = [text](uint64_t offset, size_t count, std::string& into) {
        into = text.substr(static_cast<size_t>(offset), count);
        return true;
    };
    return static_cast<size_t>(*SettingsStartOfFile(readAt, text.size()));
}

CleanEnd PassThrough(const ReadBytes& read, std::string_view already,
                     const std::function<bool(std::string_view bytes)>& write) {
    if (!write(already))
        return CleanEnd::WriteFailed;
    std::string block(CleanBlockSize, '\0');
    for (int64_t got = read(block.data(), block.size()); got != 0; got = read(block.data(), block.size())) {
        if (got < 0)
            return CleanEnd::ReadFailed;
        if (!write(std::string_view(block.data(), static_cast<size_t>(got))))
            return CleanEnd::WriteFailed;
    }
    return CleanEnd::Utf16;
}

std::string TroubleReason(const CleanOutcome& outcome) {
    switch (outcome.End) {
    case CleanEnd::ZeroByte:
        return "holds a zero byte, not a source file";
    case CleanEnd::Utf16:
        return "UTF-16 text is not supported";
    case CleanEnd::TooMuchGrowth:
        return "/converttabtospace would add more than " + std::to_string(MaxTabExpansionGrowth) + " characters";
    case CleanEnd::Finished:
    case CleanEnd::ReadFailed:
    case CleanEnd::WriteFailed:
        break;
    }
    return ErrorText(outcome.Error);
}

Rereading FileRereading(const ReadBytesAt& readAt, const FileSize& size) {
    return {[readAt, size](uint64_t offset) -> std::optional<bool> {
                const std::optional<uint64_t> total = size();
                if (!total)
                    return std::nullopt;
                return FileHoldsUtf8From(readAt, *total, offset);
            },
            [readAt, size]() -> std::optional<uint64_t> {
                const std::optional<uint64_t> total = size();
                if (!total)
                    return std::nullopt;
                return SettingsStartOfFile(readAt, *total);
            },
            [readAt, size]() -> std::optional<SettingsBlock> {
                const std::optional<uint64_t> total = size();
                if (!total)
                    return std::nullopt;
                return LastSettingsOfFile(readAt, *total);
            },
            readAt};
}

std::string ErrorText(int error) {
    return std::strerror(error);
}

} // namespace brisklet
