// Only the IDE's selection of a whole text cleaned.
#include "clean/SelectionCleaning.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cleaning/PieceFeeding.h"
#include "cleaning/StreamCleaning.h"

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
        if (std::memchr(text.data() + size, 0, static_cast<size_t>(got)) != nullptr)
            return CleanEnd::ZeroByte;
        if (got == 0)
            return CleanEnd::Finished;
    }
}

// The whole text with its selection cleaned, handed on piece by piece: what lies around the
// selection as it is, the selection as the pipeline makes it.
bool CleanPieces(SelectionCleaning& cleaning, std::string_view text, SelectedBytes range,
                 const PieceHandler& piece) {
    CleaningPipeline pipeline;
    StartPipeline(pipeline, cleaning.Operations, cleaning.TabLength);
    pipeline.Encoding = IsUtf8Text(text) ? ByteEncoding::Utf8 : ByteEncoding::SingleByte;
    const std::string_view before = text.substr(0, range.Start);
    piece(before, before, true);
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

CleanOutcome CleanSelectedText(const ReadBytes& read, const CleanSink& sink, SelectionCleaning& cleaning) {
    std::string text;
    const CleanEnd end = ReadWhole(read, text);
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
        return {CleanPieces(cleaning, text, *range, sink.Piece) ? CleanEnd::Finished : CleanEnd::TooMuchGrowth, 0,
                false};
    std::string result;
    const PieceHandler collect = [&result](std::string_view, std::string_view output, bool) { result += output; };
    if (!CleanPieces(cleaning, text, *range, collect))
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
