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

void EndChange(UnifiedDiff& diff) {
    diff.Body += diff.Removed;
    diff.Body += diff.Added;
    diff.Removed.clear();
    diff.Added.clear();
}

void CloseHunk(UnifiedDiff& diff) {
    EndChange(diff);
    const int64_t keep = std::min(diff.Tail, DiffContextLines);
    if (diff.Tail > keep) {
        diff.Body.resize(diff.TailEnds[static_cast<size_t>(keep - 1)]);
        diff.OldCount -= diff.Tail - keep;
        diff.NewCount -= diff.Tail - keep;
    }
    if (diff.Text.empty())
        diff.Text = "--- " + diff.OldLabel + "\n+++ " + diff.NewLabel + "\n";
    diff.Text += "@@ -" + Range(diff.OldStart, diff.OldCount) + " +" + Range(diff.NewStart, diff.NewCount) + " @@\n";
    diff.Text += diff.Body;
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
        ForEachLine(diff.PendingInput, [&](std::string_view line) {
            AppendLine(diff.Removed, '-', line);
            ++diff.OldCount;
            ++diff.OldLine;
        });
        ForEachLine(diff.PendingOutput, [&](std::string_view line) {
            AppendLine(diff.Added, '+', line);
            ++diff.NewCount;
            ++diff.NewLine;
        });
    }
    diff.PendingInput.clear();
    diff.PendingOutput.clear();
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
