// Every line that a "next such line from here" message names, found in few round trips.
#include "editor/LineSearch.h"

#include <algorithm>

#include "editor/EditorPort.h"

namespace brisklet {

namespace {

// Lines From to Bound - 1, not searched yet.
struct Span {
    intptr_t From = 0;
    intptr_t Bound = 0;
};

} // namespace

std::optional<std::vector<intptr_t>> FindEveryLine(EditorPort& editor, unsigned message, intptr_t lParam,
                                                   intptr_t lineCount) {
    std::vector<intptr_t> found;
    std::vector<Span> spans;
    if (lineCount > 0)
        spans.push_back({0, lineCount});
    while (!spans.empty()) {
        std::vector<EditorMessage> asks;
        for (const Span& span : spans)
            asks.push_back({message, static_cast<uintptr_t>(span.From), lParam});
        const std::vector<intptr_t> answers = editor.CallAll(asks);
        std::vector<Span> rest;
        for (size_t i = 0; i < spans.size(); ++i) {
            const Span span = spans[i];
            const intptr_t line = answers[i];
            if (line < 0 || line >= span.Bound)
                continue; // nothing in this span; a line beyond it is another span's
            if (line < span.From)
                return std::nullopt;
            found.push_back(line);
            const intptr_t from = line + 1;
            const intptr_t middle = from + (span.Bound - from) / 2;
            if (from < middle)
                rest.push_back({from, middle});
            if (middle < span.Bound)
                rest.push_back({middle, span.Bound});
        }
        spans = std::move(rest);
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace brisklet
