// A unified diff of a text and what a cleaning run made of it, built as the run goes.
#include "clean/UnifiedDiff.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace brisklet {

namespace {

constexpr std::string_view NoNewline = "\\ No newline at end of file\n";

bool AtLineStart(std::string_view text) {
    return text.empty() || text.back() == '\n';
}

// A name with a blank, a quote, a backslash or a control byte is written in double quotes
// with C escapes, the form patch reads back.
std::string Quoted(std::string_view label) {
    const bool plain = std::none_of(label.begin(), label.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= ' ' || byte == 0x7F || c == '"' || c == '\\';
    });
    if (plain)
        return std::string(label);
    std::string quoted = "\"";
    for (const char c : label) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\r') {
            quoted += "\\r";
        } else if (byte < ' ' || byte == 0x7F) {
            quoted += '\\';
            quoted += static_cast<char>('0' + (byte >> 6));
            quoted += static_cast<char>('0' + ((byte >> 3) & 7));
            quoted += static_cast<char>('0' + (byte & 7));
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

void AppendLine(ByteBuffer& body, char mark, std::string_view line) {
    AppendFill(body, 1, mark);
    AppendBytes(body, line);
    if (!AtLineStart(line)) {
        AppendFill(body, 1, '\n');
        AppendBytes(body, NoNewline);
    }
}

// A buffer's room is given back when it held a long line, rather than kept beside the parts the
// diff holds.
constexpr size_t LongLineRoom = size_t{1} << 20;

void Release(ByteBuffer& buffer) {
    if (buffer.Capacity > LongLineRoom)
        buffer = ByteBuffer{};
    buffer.Size = 0;
}

// from at the end of parts: a long one as a part of its own, followed by a new open part, a short
// one copied into the open part. from is emptied.
void TakePart(DiffParts& parts, ByteBuffer& from) {
    if (from.Size > LongLineRoom) {
        if (parts.back().Size == 0)
            parts.pop_back();
        parts.push_back(std::move(from));
        parts.emplace_back();
        from = ByteBuffer{};
        return;
    }
    AppendBytes(parts.back(), BufferView(from));
    Release(from);
}

template <class Each>
void ForEachLine(std::string_view text, Each each) {
    while (!text.empty()) {
        const size_t length = std::min(text.find('\n'), text.size() - 1) + 1;
        each(text.substr(0, length));
        text.remove_prefix(length);
    }
}

// "start,count", with diff's short forms: a single line is its number alone, and an empty
// range names the line before it.
std::string Range(int64_t start, int64_t count) {
    if (count == 1)
        return std::to_string(start);
    return std::to_string(count == 0 ? start - 1 : start) + "," + std::to_string(count);
}

int64_t LineCount(std::string_view text) {
    return static_cast<int64_t>(std::count(text.begin(), text.end(), '\n')) + (AtLineStart(text) ? 0 : 1);
}

// The lines of from, each after mark, at the end of to; from is emptied. A long line is not
// copied where to is empty: from becomes it, its bytes moved up for the mark where they lie.
void MoveLines(ByteBuffer& to, char mark, ByteBuffer& from) {
    const std::string_view lines = BufferView(from);
    if (to.Size == 0 && LineCount(lines) == 1) {
        const bool ended = AtLineStart(lines);
        ReserveBytes(from, 1 + (ended ? 0 : 1 + NoNewline.size()));
        std::memmove(from.Data.get() + 1, from.Data.get(), from.Size);
        from.Data[0] = mark;
        ++from.Size;
        if (!ended) {
            AppendFill(from, 1, '\n');
            AppendBytes(from, NoNewline);
        }
        std::swap(to, from);
    } else {
        ForEachLine(lines, [&](std::string_view line) { AppendLine(to, mark, line); });
    }
    Release(from);
}

void EndChange(UnifiedDiff& diff) {
    TakePart(diff.Hunk, diff.Removed);
    TakePart(diff.Hunk, diff.Added);
}

void CloseHunk(UnifiedDiff& diff) {
    EndChange(diff);
    const int64_t keep = std::min(diff.Tail, DiffContextLines);
    if (diff.Tail > keep) {
        diff.Hunk.back().Size = diff.TailEnds[static_cast<size_t>(keep - 1)];
        diff.OldCount -= diff.Tail - keep;
        diff.NewCount -= diff.Tail - keep;
    }
    if (DiffIsEmpty(diff.Text))
        AppendBytes(diff.Text.back(), "--- " + diff.OldLabel + "\n+++ " + diff.NewLabel + "\n");
    AppendBytes(diff.Text.back(),
                "@@ -" + Range(diff.OldStart, diff.OldCount) + " +" + Range(diff.NewStart, diff.NewCount) + " @@\n");
    for (ByteBuffer& part : diff.Hunk)
        TakePart(diff.Text, part);
    diff.Hunk.assign(1, ByteBuffer{});
    diff.HunkOpen = false;
}

void Remember(UnifiedDiff& diff, std::string_view line) {
    if (diff.RecentCount == DiffContextLines)
        std::rotate(diff.Recent.begin(), diff.Recent.begin() + 1, diff.Recent.end());
    else
        ++diff.RecentCount;
    diff.Recent[static_cast<size_t>(diff.RecentCount - 1)].assign(line);
}

void Unchanged(UnifiedDiff& diff, std::string_view line) {
    if (diff.HunkOpen) {
        EndChange(diff);
        AppendLine(diff.Hunk.back(), ' ', line);
        ++diff.OldCount;
        ++diff.NewCount;
        if (diff.Tail < DiffContextLines)
            diff.TailEnds[static_cast<size_t>(diff.Tail)] = diff.Hunk.back().Size;
        // More unchanged lines than the context after this change and before the next one
        // can take: the hunk ends here.
        if (++diff.Tail > 2 * DiffContextLines)
            CloseHunk(diff);
    }
    Remember(diff, line);
    ++diff.OldLine;
    ++diff.NewLine;
}

void StartChange(UnifiedDiff& diff) {
    if (!diff.HunkOpen) {
        diff.HunkOpen = true;
        diff.OldStart = diff.OldLine - diff.RecentCount;
        diff.NewStart = diff.NewLine - diff.RecentCount;
        diff.OldCount = diff.NewCount = diff.RecentCount;
        for (int64_t i = 0; i < diff.RecentCount; ++i)
            AppendLine(diff.Hunk.back(), ' ', diff.Recent[static_cast<size_t>(i)]);
    }
    diff.Tail = 0;
    diff.RecentCount = 0;
}

void FlushPending(UnifiedDiff& diff) {
    const std::string_view input = BufferView(diff.PendingInput);
    if (input == BufferView(diff.PendingOutput)) {
        ForEachLine(input, [&](std::string_view line) { Unchanged(diff, line); });
    } else {
        StartChange(diff);
        const int64_t removed = LineCount(input);
        const int64_t added = LineCount(BufferView(diff.PendingOutput));
        diff.OldCount += removed;
        diff.OldLine += removed;
        diff.NewCount += added;
        diff.NewLine += added;
        MoveLines(diff.Removed, '-', diff.PendingInput);
        MoveLines(diff.Added, '+', diff.PendingOutput);
    }
    Release(diff.PendingInput);
    Release(diff.PendingOutput);
}

} // namespace

void StartUnifiedDiff(UnifiedDiff& diff, std::string_view oldLabel, std::string_view newLabel) {
    diff = UnifiedDiff{};
    diff.OldLabel = Quoted(oldLabel);
    diff.NewLabel = Quoted(newLabel);
}

void AddDiffPiece(UnifiedDiff& diff, std::string_view input, std::string_view output, bool settled) {
    // The common case, an unchanged line on its own, goes straight to the context.
    if (settled && diff.PendingInput.Size == 0 && diff.PendingOutput.Size == 0 && AtLineStart(input) &&
        input == output) {
        ForEachLine(input, [&](std::string_view line) { Unchanged(diff, line); });
        return;
    }
    AppendBytes(diff.PendingInput, input);
    AppendBytes(diff.PendingOutput, output);
    // Only where both texts stand at a line start together are their lines paired; a line
    // ending in a lone CR waits for the next, with which a switch may join it.
    if (settled && AtLineStart(BufferView(diff.PendingInput)) && AtLineStart(BufferView(diff.PendingOutput)))
        FlushPending(diff);
}

void FinishUnifiedDiff(UnifiedDiff& diff) {
    FlushPending(diff);
    if (diff.HunkOpen)
        CloseHunk(diff);
}

bool DiffIsEmpty(const DiffParts& parts) {
    return std::all_of(parts.begin(), parts.end(), [](const ByteBuffer& part) { return part.Size == 0; });
}

std::string JoinedDiff(const DiffParts& parts) {
    std::string text;
    for (const ByteBuffer& part : parts)
        text += BufferView(part);
    return text;
}

} // namespace brisklet
