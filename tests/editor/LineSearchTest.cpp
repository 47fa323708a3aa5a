// The lines a "next such line" message names, found in few round trips: against a plain walk.
#include "editor/LineSearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "editor/ScintillaMessages.h"
#include "support/MemoryEditor.h"

namespace brisklet {
namespace {

// Counts the batches: each is one wait for the editor.
struct BatchesCounted : EditorPort {
    explicit BatchesCounted(MemoryEditor& editor) : Editor(editor) {}
    intptr_t Call(unsigned message, uintptr_t wParam, intptr_t lParam) override {
        ++Messages;
        return Editor.Call(message, wParam, lParam);
    }
    std::vector<intptr_t> CallAll(const std::vector<EditorMessage>& messages) override {
        ++Batches;
        return EditorPort::CallAll(messages);
    }
    std::optional<DocumentBytes> ReadDocument() override { return Editor.ReadDocument(); }
    WriteResult SendText(const TextWrite& write) override { return Editor.SendText(write); }
    MemoryEditor& Editor;
    size_t Messages = 0;
    size_t Batches = 0;
};

TEST(FindEveryLine, FindsWhatAPlainWalkFindsInFewBatches) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    for (int round = 0; round < 300; ++round) {
        const int lines = 1 + static_cast<int>(random() % 3000);
        // From nothing marked to every line marked, runs of neighbours included.
        const auto everyNth = static_cast<unsigned>(1 + random() % 40);
        MemoryEditor editor(std::string(static_cast<size_t>(lines - 1), '\n'));
        std::vector<intptr_t> marked;
        for (intptr_t line = 0; line < lines; ++line) {
            if (random() % everyNth == 0) {
                editor.Call(SCI_MARKERADDSET, static_cast<uintptr_t>(line), 1 << 22);
                marked.push_back(line);
            }
        }
        editor.Call(SCI_MARKERADDSET, static_cast<uintptr_t>(random() % static_cast<unsigned>(lines)), 1 << 3);
        BatchesCounted port(editor);
        const std::optional<std::vector<intptr_t>> found = FindEveryLine(port, SCI_MARKERNEXT, 1 << 22, lines);
        ASSERT_TRUE(found.has_value());
        ASSERT_EQ(*found, marked) << lines << " lines";
        EXPECT_LE(port.Messages, 1 + 2 * marked.size());
        EXPECT_LE(port.Batches, static_cast<size_t>(std::ceil(std::log2(lines))) + 2) << lines << " lines";
    }
}

TEST(FindEveryLine, AnAnswerBeforeTheLineAskedFromMeansAnUnknownMessage) {
    MemoryEditor editor("a\nb\nc\nd\n");
    editor.KnowsContractedFoldNext = false; // every answer 0
    EXPECT_EQ(FindEveryLine(editor, SCI_CONTRACTEDFOLDNEXT, 0, editor.LineCount()), std::nullopt);
    EXPECT_EQ(FindEveryLine(editor, SCI_MARKERNEXT, 1, 0), std::vector<intptr_t>{});
}

} // namespace
} // namespace brisklet
