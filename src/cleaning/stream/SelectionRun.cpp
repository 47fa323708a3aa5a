// Only the IDE's selection of a whole text cleaned.
#include "cleaning/stream/SelectionRun.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cleaning/LineEndScan.h"
#include "cleaning/stream/LineTracking.h"
#include "cleaning/stream/PieceFeeding.h"
#include "cleaning/stream/Pipeline.h"
#include "cleaning/view/ViewFollowing.h"

namespace brisklet {

namespace {

// The whole text; a zero byte ends the reading as soon as it arrives.
CleanEnd ReadWhole(const ReadBytes& read, std::string& text) {
    for (;;) {
        const size_t size = text.size();
        text.resize(size + CleanBlockSize);
        const int64_t got = read(text.data() + size, CleanBlockSize);
        text.resize(size + static_cast<size_t>(std::max<int64_t>(got, 0)));
        if (got < 0)
            return CleanEnd::ReadFailed;
        if (StartsAsUtf16(text))
            return CleanEnd::Utf16;
        if (std::memchr(text.data() + size, 0, static_cast<size_t>(got)) != nullptr)
            return CleanEnd::ZeroByte;
        if (got == 0)
            return CleanEnd::Finished;
    }
}

size_t LineEndCount(std::string_view bytes) {
    size_t count = 0;
    for (size_t at = NextLineEnd(bytes, 0); at != std::string_view::npos; at = NextLineEnd(bytes, AfterLineEnd(bytes, at)))
        ++count;
    return count;
}

// The selection cleaned line by line, and the settings block with its view entries moved as the
// lines went: piece gets the selection and the source after it, then the block.
bool CleanFollowingView(CleaningPipeline& pipeline, const SelectionRun& cleaning, std::string_view text,
                        SelectedBytes range, size_t settingsStart, const PieceHandler& piece) {
    const std::string_view block = text.substr(settingsStart);
    const ViewEntries entries = ReadViewEntries(block);
    LineTracking tracking;
    StartLineTracking(tracking, pipeline);
    LineChanges changes;
    size_t line = 0;
    const LineWatch watch = [&](const TrackedLine& taken) {
        if (!taken.Kept)
            changes.Dropped.push_back(line);
        ++line;
    };
    std::string cleaned;
    const PieceHandler collect = [&](std::string_view input, std::string_view output, bool settled) {
        cleaned += output;
        piece(input, output, settled);
    };
    const std::string_view selected = text.substr(range.Start, range.End - range.Start);
    ByteBuffer out;
    FeedTrackedLines(pipeline, tracking, selected, out, watch, collect);
    if (!pipeline.GrowthExceeded)
        FinishTrackedLines(pipeline, tracking, out, watch, collect);
    if (pipeline.GrowthExceeded)
        return false;
    const std::string_view after = text.substr(range.End, settingsStart - range.End);
    piece(after, after, true);
    const size_t first = ByteOrderMarkLength(text);
    const std::string_view before = text.substr(first, range.Start - first);
    LineMap map;
    map.Steps.push_back(std::move(changes));
    map.FirstLine = static_cast<intptr_t>(LineEndCount(before));
    map.LinesBefore = static_cast<intptr_t>(LineEndCount(selected) + 1);
    map.LinesAfter = static_cast<intptr_t>(LineEndCount(cleaned) + 1);
    map.StartsInsideLine = !before.empty() && !IsLineEnd(before.back());
    map.EndsInsideLine = true;
    const std::string sourceAfter = std::string(before) + cleaned + std::string(after);
    PieceBlock(piece, block,
               MovedBlockOfText(text.substr(first, settingsStart - first), sourceAfter, std::move(map),
                                FoldWordsFor(cleaning.Rules.FoldStartWords, entries), block));
    return true;
}

// The whole text with its selection cleaned, handed on piece by piece: what lies around the
// selection as it is, the selection as the pipeline makes it; the settings block's view entries
// follow their lines.
bool CleanPieces(const SelectionRun& cleaning, std::string_view text, SelectedBytes range, size_t settingsStart,
                 const PieceHandler& piece) {
    CleaningPipeline pipeline;
    StartPipeline(pipeline, cleaning.Rules.Operations, cleaning.Rules.TabLength);
    pipeline.Encoding = IsUtf8Text(text) ? ByteEncoding::Utf8 : ByteEncoding::SingleByte;
    const std::string_view before = text.substr(0, range.Start);
    piece(before, before, true);
    if (HasViewEntries(ReadViewEntries(text.substr(settingsStart))))
        return CleanFollowingView(pipeline, cleaning, text, range, settingsStart, piece);
    ByteBuffer out;
    PieceTrials trials;
    FeedPipelineInPieces(pipeline, trials, text.substr(range.Start, range.End - range.Start), piece, out);
    if (!pipeline.GrowthExceeded) {
        out.Size = 0;
        FinishPipeline(pipeline, out);
    }
    if (pipeline.GrowthExceeded)
        return false;
    piece({}, BufferView(out), true);
    const std::string_view after = text.substr(range.End);
    piece(after, after, true);
    return true;
}

} // namespace

CleanOutcome CleanSelectedText(const ReadBytes& read, const CleanSink& sink, SelectionRun& cleaning) {
    std::string text;
    CleanEnd end = ReadWhole(read, text);
    if (end == CleanEnd::Utf16 && sink.WritesAll && !sink.Piece)
        end = PassThrough(read, text, sink.Write);
    if (end != CleanEnd::Finished)
        return {end, end == CleanEnd::ReadFailed ? errno : 0, false};
    std::optional<SelectedBytes> range = LocateSelection(text, cleaning.Selection, cleaning.Name, cleaning.Trouble);
    if (!range)
        return {};
    // The IDE never selects into the block it keeps for itself, but a stale selection may.
    const size_t settingsStart = SettingsStartIn(text);
    range->End = std::min(range->End, settingsStart);
    range->Start = std::min(range->Start, range->End);
    if (sink.Piece)
        return {CleanPieces(cleaning, text, *range, settingsStart, sink.Piece) ? CleanEnd::Finished
                                                                                : CleanEnd::TooMuchGrowth,
                0, false};
    std::string result;
    const PieceHandler collect = [&result](std::string_view, std::string_view output, bool) { result += output; };
    if (!CleanPieces(cleaning, text, *range, settingsStart, collect))
        return {CleanEnd::TooMuchGrowth, 0, false};
    if (sink.WritesAll)
        return {sink.Write(result) ? CleanEnd::Finished : CleanEnd::WriteFailed, errno, result != text};
    if (result == text)
        return {};
    const size_t same = static_cast<size_t>(
        std::mismatch(text.begin(), text.end(), result.begin(), result.end()).first - text.begin());
    if (!sink.Diverge(same) || !sink.Write(std::string_view(result).substr(same)))
        return {CleanEnd::WriteFailed, errno, true};
    return {CleanEnd::Finished, 0, true};
}

} // namespace brisklet
