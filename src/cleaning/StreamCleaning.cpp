// The cleaning operations on file bytes, block by block, with every line end kept as it was.
#include "cleaning/StreamCleaning.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <optional>

#include "cleaning/Indentation.h"
#include "cleaning/LetterCase.h"
#include "cleaning/LineSkeleton.h"
#include "cleaning/LineSteps.h"
#include "runtime/CaseTable.h"

namespace brisklet {

namespace {

constexpr size_t None = std::string_view::npos;

size_t FindByte(std::string_view bytes, char c, size_t from) {
    if (from >= bytes.size())
        return None;
    const void* found = std::memchr(bytes.data() + from, c, bytes.size() - from);
    return found == nullptr ? None : static_cast<size_t>(static_cast<const char*>(found) - bytes.data());
}

// The first CR or LF from from on, or None. Lines are short, so a library search per line
// costs more in calls than it saves: eight bytes are looked at a time instead, for both bytes
// at once. A byte equal to c becomes a zero byte of word ^ RepeatedByte(c); the lowest high bit of
// (x - 0x01..) & ~x & 0x80.. marks the first zero byte exactly.

size_t NextLineEnd(std::string_view bytes, size_t from) {
    static_assert(std::endian::native == std::endian::little, "the byte order of the search below");
    const char* const data = bytes.data();
    size_t at = from;
    for (; at + 8 <= bytes.size(); at += 8) {
        uint64_t word = 0;
        std::memcpy(&word, data + at, sizeof word);
        const uint64_t lf = word ^ RepeatedByte('\n');
        const uint64_t cr = word ^ RepeatedByte('\r');
        const uint64_t found = (((lf - RepeatedByte(1)) & ~lf) | ((cr - RepeatedByte(1)) & ~cr)) & RepeatedByte(0x80);
        if (found != 0)
            return at + static_cast<size_t>(std::countr_zero(found)) / 8;
    }
    for (; at < bytes.size(); ++at) {
        if (IsLineEnd(data[at]))
            return at;
    }
    return None;
}

bool HasLineEnd(std::string_view bytes) {
    return FindByte(bytes, '\n', 0) != None || FindByte(bytes, '\r', 0) != None;
}

// Where the line that holds position at starts, looking back no further than from.
size_t LineStartBefore(std::string_view bytes, size_t from, size_t at) {
    while (at > from && !IsLineEnd(bytes[at - 1]))
        --at;
    return at;
}

// The end of the last line end in bytes that no later byte can change: a CR at the very end
// may yet be followed by the LF of a CR LF. 0 when there is none.
size_t CertainEnd(std::string_view bytes) {
    size_t limit = bytes.size();
    if (limit > 0 && bytes[limit - 1] == '\r')
        --limit;
    return LineStartBefore(bytes, 0, limit);
}

// How many bytes of next complete the line that carry holds, or None when next does not.
size_t CompletingLength(std::string_view carry, std::string_view next) {
    if (carry.back() == '\r') {
        if (next.empty())
            return None;
        return next[0] == '\n' ? 1 : 0;
    }
    const size_t end = std::min(FindByte(next, '\n', 0), FindByte(next, '\r', 0));
    if (end == None || next[end] == '\n')
        return end == None ? None : end + 1;
    if (end + 1 == next.size())
        return None;
    return end + 1 + (next[end + 1] == '\n' ? 1 : 0);
}

void AppendFill(ByteBuffer& out, size_t count, char fill) {
    if (count == 0)
        return;
    std::memset(ReserveBytes(out, count), fill, count);
    out.Size += count;
}

// Every line of piece through step; a line with a trigger is the only kind the step changes
// when a trigger is given, so the lines before the next one holding it are copied unseen.
// Unchanged lines are copied in runs. The last piece of a text may end without a line end.
template <class Step>
void RebuildLines(std::string_view piece, ByteBuffer& out, std::string_view trigger, Step step) {
    const size_t size = piece.size();
    size_t runStart = 0;
    const auto flushRun = [&](size_t runEnd) {
        if (runEnd > runStart)
            AppendBytes(out, piece.substr(runStart, runEnd - runStart));
    };
    size_t nextTrigger = trigger.empty() ? None : piece.find(trigger);
    size_t lineStart = 0;
    while (lineStart < size) {
        if (!trigger.empty()) {
            if (nextTrigger != None && nextTrigger < lineStart)
                nextTrigger = piece.find(trigger, lineStart);
            if (nextTrigger == None)
                break;
            lineStart = LineStartBefore(piece, lineStart, nextTrigger);
        }
        size_t lineEnd = NextLineEnd(piece, lineStart);
        size_t next = size;
        if (lineEnd == None)
            lineEnd = size;
        else
            next = lineEnd + (piece[lineEnd] == '\r' && lineEnd + 1 < size && piece[lineEnd + 1] == '\n' ? 2 : 1);
        const std::string_view line = piece.substr(lineStart, lineEnd - lineStart);
        const LineResult<char> kept = step(line);
        // What a step removes is a hole in the copied runs: at the line's start, at its end, or
        // all of it with its line end; only a fill or a part kept from the middle is copied apart.
        if (!kept) {
            flushRun(lineStart);
            runStart = next;
        } else if (kept->FillCount != 0 || kept->KeepFrom != 0 || kept->KeepTo != line.size()) {
            flushRun(lineStart + (kept->KeepFrom == 0 && kept->FillCount == 0 ? kept->KeepTo : 0));
            AppendFill(out, kept->FillCount, kept->Fill);
            if (kept->KeepTo == line.size()) {
                runStart = lineStart + kept->KeepFrom;
            } else {
                if (kept->KeepFrom != 0 || kept->FillCount != 0)
                    AppendBytes(out, line.substr(kept->KeepFrom, kept->KeepTo - kept->KeepFrom));
                runStart = lineEnd;
            }
        }
        lineStart = next;
    }
    flushRun(size);
}

// The growth is counted over the whole text so that a corrupt tab length stops the run
// instead of writing gigabytes of spaces.
LineResult<char> TabToSpaceStepCounted(CleaningPipeline& pipeline, CleaningStage& stage, std::string_view line) {
    const LineResult<char> converted = TabToSpaceStep(line, pipeline.TabLength);
    stage.Growth += static_cast<int64_t>(converted->FillCount) - static_cast<int64_t>(converted->KeepFrom);
    if (stage.Growth > MaxTabExpansionGrowth || pipeline.GrowthExceeded) {
        pipeline.GrowthExceeded = true;
        return WholeLine(line);
    }
    return converted;
}

// The per-line step of a line-based operation: the new line, or nullopt to drop it.
LineResult<char> LineStep(CleaningPipeline& pipeline, CleaningStage& stage, std::string_view line) {
    switch (stage.Operation) {
    case CleaningOperation::RemoveEmptyLines:
        return EmptyLineStep(line);
    case CleaningOperation::RemoveDebugLines:
        return DebugLineStep(line);
    case CleaningOperation::RemoveComments:
        return CommentStep(line);
    case CleaningOperation::RemoveSpacesAtEndOfLines:
        return TrimEndStep(line);
    case CleaningOperation::RemoveSpacesAtStartOfLines:
        return TrimStartStep(line);
    case CleaningOperation::ConvertTabToSpace:
        return TabToSpaceStepCounted(pipeline, stage, line);
    case CleaningOperation::ConvertSpaceToTab:
        return SpaceToTabStep(line, pipeline.TabLength);
    case CleaningOperation::RemoveDoubleSpaces:
    case CleaningOperation::RemoveAllSpaces:
    case CleaningOperation::ConvertTextToLowerCase:
    case CleaningOperation::ConvertTextToUpperCase:
        break;
    }
    return WholeLine(line);
}

// What a line must hold for the step to change it, where there is such a thing: the lines
// without it are copied unseen.
std::string_view TriggerOf(CleaningOperation operation) {
    if (operation == CleaningOperation::RemoveComments)
        return Semicolon<char>;
    return operation == CleaningOperation::RemoveDebugLines ? DebugWord<char> : "";
}

// Both compactions write without branching on the character: spaces are too frequent in
// source text for a branch to be predicted. A piece starts at a line start, so no space
// run comes in from the piece before.
void RemoveDoubleSpaces(std::string_view piece, ByteBuffer& out) {
    const size_t first = piece.find("  ");
    if (first == None) {
        AppendBytes(out, piece);
        return;
    }
    char* const write = ReserveBytes(out, piece.size());
    std::memcpy(write, piece.data(), first + 1);
    size_t written = first + 1;
    bool afterSpace = true;
    for (size_t read = first + 2; read < piece.size(); ++read) {
        const char c = piece[read];
        const bool space = c == ' ';
        write[written] = c;
        written += !(space && afterSpace);
        afterSpace = space;
    }
    out.Size += written;
}

void RemoveAllSpaces(std::string_view piece, ByteBuffer& out) {
    char* const write = ReserveBytes(out, piece.size());
    size_t written = 0;
    for (const char c : piece) {
        write[written] = c;
        written += c != ' ';
    }
    out.Size += written;
}

// Each byte's other case as one byte: ASCII for UTF-8 text, the first 256 characters for
// single-byte text (the case maps keep those within that range).
struct CaseBytes {
    unsigned char Upper[256];
    unsigned char Lower[256];
    // ASCII maps a-z to A-Z and back and nothing else, so eight bytes convert by arithmetic.
    bool PlainAscii = false;
};

const CaseBytes& CaseBytesTable() {
    static const CaseBytes table = [] {
        CaseBytes built{};
        const char16_t* upper = UpperCaseMap();
        const char16_t* lower = LowerCaseMap();
        built.PlainAscii = true;
        for (unsigned b = 0; b < 256; ++b) {
            built.Upper[b] = static_cast<unsigned char>(upper[b] <= 0xFF ? upper[b] : b);
            built.Lower[b] = static_cast<unsigned char>(lower[b] <= 0xFF ? lower[b] : b);
            if (b < 0x80)
                built.PlainAscii = built.PlainAscii && built.Upper[b] == (b >= 'a' && b <= 'z' ? b - 32 : b) &&
                                   built.Lower[b] == (b >= 'A' && b <= 'Z' ? b + 32 : b);
        }
        return built;
    }();
    return table;
}

// Eight ASCII bytes to the other case: a byte from first to last gets its 0x20 bit flipped.
// No byte is above 0x7F, so the sums below never carry into the next byte.
uint64_t FlipAsciiRange(uint64_t word, unsigned char first, unsigned char last) {
    const uint64_t inRange =
        ((word + RepeatedByte(static_cast<unsigned char>(0x80 - first))) ^ (word + RepeatedByte(static_cast<unsigned char>(0x7F - last)))) &
        RepeatedByte(0x80);
    return word ^ (inRange >> 2);
}

// Converts the ASCII words at the front of read into write; the number of bytes done.
size_t ConvertAsciiWords(const char* read, size_t size, char* write, LetterCase letterCase, const unsigned char* table,
                         bool plain) {
    const unsigned char first = letterCase == LetterCase::Upper ? 'a' : 'A';
    size_t at = 0;
    for (; at + 8 <= size && EightAscii(read + at); at += 8) {
        if (plain) {
            uint64_t word = 0;
            std::memcpy(&word, read + at, sizeof word);
            word = FlipAsciiRange(word, first, static_cast<unsigned char>(first + 25));
            std::memcpy(write + at, &word, sizeof word);
        } else {
            for (size_t i = 0; i < 8; ++i)
                write[at + i] = static_cast<char>(table[static_cast<unsigned char>(read[at + i])]);
        }
    }
    return at;
}

// Well-formed sequences are converted as UTF-8; a byte of no such sequence stays as it is.
// Characters beyond the BMP are two surrogate halves in UTF-16, which have no case. A
// character's other case takes at most half as many bytes again as its own.
void ConvertCaseUtf8(std::string_view piece, LetterCase letterCase, ByteBuffer& out) {
    const unsigned char* ascii =
        letterCase == LetterCase::Upper ? CaseBytesTable().Upper : CaseBytesTable().Lower;
    const char16_t* map = letterCase == LetterCase::Upper ? UpperCaseMap() : LowerCaseMap();
    const bool plain = CaseBytesTable().PlainAscii;
    char* const write = ReserveBytes(out, piece.size() + piece.size() / 2);
    const char* const read = piece.data();
    const size_t size = piece.size();
    size_t at = 0;
    size_t written = 0;
    while (at < size) {
        const size_t words = ConvertAsciiWords(read + at, size - at, write + written, letterCase, ascii, plain);
        at += words;
        written += words;
        if (at == size)
            break;
        const auto lead = static_cast<unsigned char>(read[at]);
        const size_t length = lead < 0x80 ? 1 : Utf8SequenceLength(piece, at);
        if (length == 1) {
            write[written++] = static_cast<char>(ascii[lead]);
        } else if (length == 0 || length == 4) {
            std::memcpy(write + written, read + at, std::max<size_t>(length, 1));
            written += std::max<size_t>(length, 1);
        } else {
            written += PutUtf8(map[Utf8CodePoint(piece, at, length)], write + written);
        }
        at += std::max<size_t>(length, 1);
    }
    out.Size += written;
}

void ConvertCaseSingleBytes(std::string_view piece, LetterCase letterCase, ByteBuffer& out) {
    const unsigned char* table = letterCase == LetterCase::Upper ? CaseBytesTable().Upper : CaseBytesTable().Lower;
    const bool plain = CaseBytesTable().PlainAscii;
    char* const write = ReserveBytes(out, piece.size());
    for (size_t at = 0; at < piece.size();) {
        at += ConvertAsciiWords(piece.data() + at, piece.size() - at, write + at, letterCase, table, plain);
        if (at < piece.size()) {
            write[at] = static_cast<char>(table[static_cast<unsigned char>(piece[at])]);
            ++at;
        }
    }
    out.Size += piece.size();
}

// A whole-text operation on whole lines: none of them reaches across a line end.
void WholeTextStep(const CleaningPipeline& pipeline, CleaningOperation operation, std::string_view piece,
                   ByteBuffer& out) {
    if (operation == CleaningOperation::RemoveDoubleSpaces) {
        RemoveDoubleSpaces(piece, out);
    } else if (operation == CleaningOperation::RemoveAllSpaces) {
        RemoveAllSpaces(piece, out);
    } else {
        const LetterCase letterCase = CaseOf(operation);
        if (pipeline.Encoding == ByteEncoding::Utf8)
            ConvertCaseUtf8(piece, letterCase, out);
        else
            ConvertCaseSingleBytes(piece, letterCase, out);
    }
}

bool IsWholeTextOperation(CleaningOperation operation) {
    return operation == CleaningOperation::RemoveDoubleSpaces || operation == CleaningOperation::RemoveAllSpaces ||
           IsCaseConversion(operation);
}

// piece holds whole lines, or is the rest of the text when last is set.
void RunPiece(CleaningPipeline& pipeline, CleaningStage& stage, std::string_view piece, bool last, ByteBuffer& out) {
    if (piece.empty())
        return;
    if (!stage.SawLineEnd)
        stage.SawLineEnd = !last || HasLineEnd(piece);
    // A text without any line end is one line, which the line-based operations leave alone.
    if (!stage.SawLineEnd && !IsWholeTextOperation(stage.Operation)) {
        AppendBytes(out, piece);
        return;
    }
    if (IsWholeTextOperation(stage.Operation)) {
        WholeTextStep(pipeline, stage.Operation, piece, out);
        return;
    }
    RebuildLines(piece, out, TriggerOf(stage.Operation),
                 [&](std::string_view line) { return LineStep(pipeline, stage, line); });
}

// The stage works on whole lines only: what follows the last line end it can be sure of waits
// in its carry for the next block.
void RunStage(CleaningPipeline& pipeline, CleaningStage& stage, std::string_view in, bool last, ByteBuffer& out) {
    if (!stage.Carry.empty()) {
        const size_t take = last ? in.size() : CompletingLength(stage.Carry, in);
        if (take == None) {
            stage.Carry.append(in);
            return;
        }
        stage.Carry.append(in.substr(0, take));
        in.remove_prefix(take);
        RunPiece(pipeline, stage, stage.Carry, last, out);
        stage.Carry.clear();
    }
    if (last) {
        RunPiece(pipeline, stage, in, true, out);
        return;
    }
    const size_t cut = CertainEnd(in);
    RunPiece(pipeline, stage, in.substr(0, cut), false, out);
    stage.Carry.assign(in.substr(cut));
}

// Every stage on one line after the other, while the line is in the cache; the length of
// piece done. It stops before a line that ends in a lone CR: a later stage may see that CR
// join the LF of a line an earlier stage emptied, which only the stages one by one get right.
size_t RunFused(CleaningPipeline& pipeline, std::string_view piece, ByteBuffer& out) {
    size_t runStart = 0;
    size_t lineStart = 0;
    while (lineStart < piece.size() && !pipeline.GrowthExceeded) {
        const size_t lineEnd = NextLineEnd(piece, lineStart);
        size_t next = lineEnd + 1;
        if (piece[lineEnd] == '\r') {
            if (lineEnd + 1 == piece.size() || piece[lineEnd + 1] != '\n')
                break;
            ++next;
        }
        std::string_view line = piece.substr(lineStart, lineEnd - lineStart);
        bool kept = true;
        bool changed = false;
        size_t spare = 0;
        for (CleaningStage& stage : pipeline.Stages) {
            stage.SawLineEnd = true;
            if (IsWholeTextOperation(stage.Operation)) {
                ByteBuffer& into = pipeline.Line[spare];
                into.Size = 0;
                WholeTextStep(pipeline, stage.Operation, line, into);
                if (BufferView(into) == line)
                    continue;
                line = BufferView(into);
                spare ^= 1;
                changed = true;
                continue;
            }
            const LineResult<char> result = LineStep(pipeline, stage, line);
            if (!result) {
                kept = false;
                break;
            }
            if (result->FillCount == 0 && result->KeepFrom == 0 && result->KeepTo == line.size())
                continue;
            changed = true;
            // Without a fill the new line is a part of the old one: no copy needed.
            if (result->FillCount == 0) {
                line = line.substr(result->KeepFrom, result->KeepTo - result->KeepFrom);
                continue;
            }
            ByteBuffer& into = pipeline.Line[spare];
            into.Size = 0;
            AppendFill(into, result->FillCount, result->Fill);
            AppendBytes(into, line.substr(result->KeepFrom, result->KeepTo - result->KeepFrom));
            line = BufferView(into);
            spare ^= 1;
        }
        if (!kept) {
            AppendBytes(out, piece.substr(runStart, lineStart - runStart));
            runStart = next;
        } else if (changed) {
            // A line cut at its end or its start is still a part of the piece: a hole in the run.
            const char* const at = piece.data() + lineStart;
            const char* const end = piece.data() + lineEnd;
            const std::less_equal<const char*> notAfter;
            if (line.data() == at) {
                AppendBytes(out, piece.substr(runStart, lineStart + line.size() - runStart));
                runStart = lineEnd;
            } else if (line.data() + line.size() == end && notAfter(at, line.data()) && notAfter(line.data(), end)) {
                AppendBytes(out, piece.substr(runStart, lineStart - runStart));
                runStart = static_cast<size_t>(line.data() - piece.data());
            } else {
                AppendBytes(out, piece.substr(runStart, lineStart - runStart));
                AppendBytes(out, line);
                runStart = lineEnd;
            }
        }
        lineStart = next;
    }
    AppendBytes(out, piece.substr(runStart, lineStart - runStart));
    return lineStart;
}

void RunStages(CleaningPipeline& pipeline, std::string_view bytes, bool last, ByteBuffer& out) {
    if (pipeline.Stages.empty()) {
        AppendBytes(out, bytes);
        return;
    }
    // One stage alone runs faster by itself: it skips the lines it cannot change.
    if (!last && pipeline.Stages.size() > 1 && CarriesNothing(pipeline))
        bytes.remove_prefix(RunFused(pipeline, bytes.substr(0, CertainEnd(bytes)), out));
    std::string_view in = bytes;
    const size_t count = pipeline.Stages.size();
    for (size_t i = 0; i < count && !pipeline.GrowthExceeded; ++i) {
        ByteBuffer& target = i + 1 == count ? out : pipeline.Between[i % 2];
        if (i + 1 < count)
            target.Size = 0;
        RunStage(pipeline, pipeline.Stages[i], in, last, target);
        in = BufferView(target);
    }
}

} // namespace

bool CarriesNothing(const CleaningPipeline& pipeline) {
    return std::all_of(pipeline.Stages.begin(), pipeline.Stages.end(),
                       [](const CleaningStage& stage) { return stage.Carry.empty(); });
}

void GrowBuffer(ByteBuffer& buffer, size_t more) {
    const size_t capacity = std::max(buffer.Size + more, buffer.Capacity * 2);
    std::unique_ptr<char[]> data(new char[capacity]);
    if (buffer.Size > 0)
        std::memcpy(data.get(), buffer.Data.get(), buffer.Size);
    buffer.Data = std::move(data);
    buffer.Capacity = capacity;
}

void AppendBytes(ByteBuffer& buffer, std::string_view bytes) {
    if (bytes.empty())
        return;
    std::memcpy(ReserveBytes(buffer, bytes.size()), bytes.data(), bytes.size());
    buffer.Size += bytes.size();
}

void StartPipeline(CleaningPipeline& pipeline, const std::vector<CleaningOperation>& operations, int32_t tabLength) {
    pipeline.Stages.clear();
    for (const CleaningOperation operation : operations)
        pipeline.Stages.push_back(CleaningStage{operation, {}, false, 0});
    pipeline.TabLength = tabLength;
    pipeline.Encoding = ByteEncoding::SingleByte;
    pipeline.GrowthExceeded = false;
    pipeline.TrialLength = 0;
    pipeline.LineByLine = 0;
    pipeline.Backoff = 0;
}

void FeedPipeline(CleaningPipeline& pipeline, std::string_view bytes, ByteBuffer& out) {
    RunStages(pipeline, bytes, false, out);
}

void FinishPipeline(CleaningPipeline& pipeline, ByteBuffer& out) {
    RunStages(pipeline, {}, true, out);
}

void FeedPipelineInPieces(CleaningPipeline& pipeline, std::string_view bytes, const PieceHandler& piece,
                          ByteBuffer& out) {
    // Most lines of most texts stay as they are: a stretch is tried in one go, from where the
    // stages hold nothing, and only when it changed is it run again line by line. The tries
    // grow while they pay; where changes come thick, ever longer stretches go line by line
    // before the next try.
    constexpr size_t ShortestTrial = size_t{1} << 10;
    constexpr size_t LongestTrial = size_t{1} << 16;
    constexpr size_t LongestBackoff = size_t{1} << 20;
    // Where the line that holds from ends, its LF included.
    const auto lineEnd = [](std::string_view text, size_t from) {
        return std::min(text.find('\n', from), text.size() - 1) + 1;
    };
    while (!bytes.empty() && !pipeline.GrowthExceeded) {
        pipeline.TrialLength = std::clamp(pipeline.TrialLength, ShortestTrial, LongestTrial);
        pipeline.Backoff = std::clamp(pipeline.Backoff, ShortestTrial, LongestBackoff);
        const bool trying = pipeline.LineByLine == 0 && CarriesNothing(pipeline);
        const size_t wanted = trying ? pipeline.TrialLength : std::max<size_t>(pipeline.LineByLine, 1);
        const std::string_view stretch = bytes.substr(0, lineEnd(bytes, wanted - 1));
        bytes.remove_prefix(stretch.size());
        pipeline.LineByLine -= std::min(pipeline.LineByLine, stretch.size());
        if (trying) {
            const std::vector<CleaningStage> before = pipeline.Stages;
            out.Size = 0;
            FeedPipeline(pipeline, stretch, out);
            if (!pipeline.GrowthExceeded && BufferView(out) == stretch && CarriesNothing(pipeline)) {
                piece(stretch, stretch, true);
                pipeline.TrialLength *= 2;
                pipeline.Backoff = ShortestTrial;
                continue;
            }
            pipeline.Stages = before;
            pipeline.GrowthExceeded = false;
            pipeline.TrialLength = ShortestTrial;
            pipeline.LineByLine = pipeline.Backoff;
            pipeline.Backoff *= 2;
        }
        for (size_t at = 0; at < stretch.size();) {
            const std::string_view line = stretch.substr(at, lineEnd(stretch, at) - at);
            out.Size = 0;
            FeedPipeline(pipeline, line, out);
            if (pipeline.GrowthExceeded)
                return;
            piece(line, BufferView(out), CarriesNothing(pipeline));
            at += line.size();
        }
    }
}

} // namespace brisklet
