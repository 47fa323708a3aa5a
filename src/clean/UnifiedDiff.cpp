// A unified diff of a text and what a cleaning run made of it, built as the run goes.
#include "clean/UnifiedDiff.h"

#include <algorithm>

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

void AppendLine(std::string& body, char mark, std::string_view line) {
    body += mark;
    body += line;
    if (!AtLineStart(line)) {
        body += '\n';
        body += NoNewline;
    }
}

// A string's room is given back when it held a long line, rather than kept beside the copies
// the diff makes of it.
constexpr size_t LongLineRoom = size_t{1} << 20;

void Release(std::string& text) {
    if (text.capacity() > LongLineRoom)
        std::string().swap(text);
    text.clear();
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
// copied where to is empty: from becomes it.
void MoveLines(std::string& to, char mark, std::string& from) {
    if (to.empty() && LineCount(from) == 1) {
        from.insert(from.begin(), mark);
        if (!AtLineStart(from)) {
            from += '\n';
            from += NoNewline;
        }
        to.swap(from);
    } else {
        ForEachLine(from, [&](std::string_view line) { AppendLine(to, mark, line); });
    }
    Release(from);
}

// Room for the change, the diff so far and a hunk header is taken at once, so that the body
// of a long line's change is never copied into a larger buffer, and each part is let go once
// it is in.
void EndChange(UnifiedDiff& diff) {
    diff.Body.reserve(diff.Text.size() + diff.Body.size() + diff.Removed.size() + diff.Added.size() +
                      diff.OldLabel.size() + diff.NewLabel.size() + 64);
    diff.Body += diff.Removed;
    Release(diff.Removed);
    diff.Body += diff.Added;
    Release(diff.Added);
}

void CloseHunk(UnifiedDiff& diff) {
    EndChange(diff);
    const int64_t keep = std::min(diff.Tail, DiffContextLines);
    if (diff.Tail > keep) {
        diff.Body.resize(diff.TailEnds[static_cast<size_t>(keep - 1)]);
        diff.OldCount -= diff.Tail - keep;
        diff.NewCount -= diff.Tail - keep;
    }
    std::string head = diff.Text.empty() ? "--- " + diff.OldLabel + "\n+++ " + diff.NewLabel + "\n" : "";
    head += "@@ -" + Range(diff.OldStart, diff.OldCount) + " +" + Range(diff.NewStart, diff.NewCount) + " @@\n";
    // A body larger than the diff so far takes it in front, in the room EndChange left for it.
    if (diff.Body.size() > diff.Text.size()) {
        diff.Body.insert(0, head);
        diff.Body.insert(0, diff.Text);
        diff.Text.swap(diff.Body);
    } else {
        diff.Text += head;
        diff.Text += diff.Body;
    }
    Release(diff.Body);
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
        AppendLine(diff.Body, ' ', line);
        ++diff.OldCount;
        ++diff.NewCount;
        if (diff.Tail < DiffContextLines)
            diff.TailEnds[static_cast<size_t>(diff.Tail)] = diff.Body.size();
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
        diff.Body.clear();
        diff.OldStart = diff.OldLine - diff.RecentCount;
        diff.NewStart = diff.NewLine - diff.RecentCount;
        diff.OldCount = diff.NewCount = diff.RecentCount;
        for (int64_t i = 0; i < diff.RecentCount; ++i)
            AppendLine(diff.Body, ' ', diff.Recent[static_cast<size_t>(i)]);
    }
    diff.Tail = 0;
    diff.RecentCount = 0;
}

void FlushPending(UnifiedDiff& diff) {
    if (diff.PendingInput == diff.PendingOutput) {
        ForEachLine(diff.PendingInput, [&](std::string_view line) { Unchanged(diff, line); });
    } else {
        StartChange(diff);
        const int64_t removed = LineCount(diff.PendingInput);
        const int64_t added = LineCount(diff.PendingOutput);
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
    if (settled && diff.PendingInput.empty() && diff.PendingOutput.empty() && AtLineStart(input) && input == output) {
        ForEachLine(input, [&](std::string_view line) { Unchanged(diff, line); });
        return;
    }
    // A byte to spare for the mark MoveLines puts in front of a long line, which would
    // otherwise take a buffer twice its size.
    diff.PendingInput.reserve(diff.PendingInput.size() + input.size() + 1);
    diff.PendingOutput.reserve(diff.PendingOutput.size() + output.size() + 1);
    diff.PendingInput += input;
    diff.PendingOutput += output;
    // Only where both texts stand at a line start together are their lines paired; a line
    // ending in a lone CR waits for the next, with which a switch may join it.
    if (settled && AtLineStart(diff.PendingInput) && AtLineStart(diff.PendingOutput))
        FlushPending(diff);
}

void FinishUnifiedDiff(UnifiedDiff& diff) {
    FlushPending(diff);
    if (diff.HunkOpen)
        CloseHunk(diff);
}

} // namespace brisklet
