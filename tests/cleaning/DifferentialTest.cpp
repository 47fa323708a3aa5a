// Seeded random texts and switch lists through the fast cleaning code, checked against the
// literal reference on UTF-16, on UTF-8 bytes, on single bytes, in the run and in files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "cleaning/Operations.h"
#include "cleaning/LineSkeleton.h"
#include "cleaning/stream/ByteCase.h"
#include "cleaning/stream/LineTracking.h"
#include "tool/EditorRun.h"
#include "tool/CommandLine.h"
#include "cleaning/stream/TextRun.h"
#include "cleaning/stream/Pipeline.h"
#include "editor/ScintillaMessages.h"
#include "runtime/Strings.h"
#include "runtime/TextCodec.h"
#include "support/CleaningSamples.h"
#include "support/FailingAllocator.h"
#include "support/MemoryEditor.h"
#include "support/ReferenceCleaning.h"
#include "support/ReferenceStrings.h"

namespace brisklet {
namespace {

using test::CountOccurrences;
using test::Escape;
using test::EscapeBytes;
using test::Pick;
using test::ReplaceAll;
using test::RandomText;
using test::ReferenceOperation;
using test::Uniform;

// The same cases on every run; BRISKLET_TEST_SEED explores others.
unsigned BaseSeed() {
    const char* given = std::getenv("BRISKLET_TEST_SEED");
    return given != nullptr ? static_cast<unsigned>(std::strtoul(given, nullptr, 10)) : 20240611u;
}

constexpr int32_t TabLengths[] = {-3, 0, 1, 2, 4, 8};

testing::AssertionResult SameBytes(std::string_view actual, std::string_view expected) {
    if (actual == expected)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "expected " << EscapeBytes(expected) << "\n got " << EscapeBytes(actual);
}

bool KeepsLineEnds(CleaningOperation operation) {
    using enum CleaningOperation;
    return operation == RemoveDoubleSpaces || operation == RemoveAllSpaces || operation == ConvertTextToLowerCase ||
           operation == ConvertTextToUpperCase;
}

// The lines a line operation drops, numbered as an editor counts them (CR LF, LF and a lone CR
// each end a line), taken from the reference one line at a time: a line goes when the
// reference makes nothing of it with an LF behind it (a line that stays keeps at least that LF).
LineChanges ReferenceLineChanges(CleaningOperation operation, const std::u16string& text, int32_t tabLength) {
    LineChanges changes;
    if (KeepsLineEnds(operation) || CountOccurrences(text, u"\n") + CountOccurrences(text, u"\r") == 0)
        return changes;
    const std::u16string lfOnly = ReplaceAll(ReplaceAll(text, u"\r\n", u"\n"), u"\r", u"\n");
    const int64_t lines = CountOccurrences(lfOnly, u"\n") + 1;
    for (int64_t i = 1; i <= lines; ++i) {
        if (ReferenceOperation(operation, FieldAt(lfOnly, i, u"\n") + u"\n", tabLength).empty())
            changes.Dropped.push_back(static_cast<size_t>(i - 1));
    }
    return changes;
}

std::string LinesText(const std::vector<size_t>& lines) {
    std::string out;
    for (const size_t line : lines)
        out.append(" ").append(std::to_string(line));
    return out;
}

// How the fast code disagrees with the reference on text, or nullopt: with and without the
// line changes noted.
std::optional<std::string> Disagreement(CleaningOperation operation, const std::u16string& text, int32_t tabLength) {
    const std::u16string expected = ReferenceOperation(operation, text, tabLength);
    std::u16string fast = text;
    ApplyOperation(operation, fast, tabLength);
    if (fast != expected)
        return "UTF-16: expected " + Escape(expected) + "\n got " + Escape(fast);
    std::u16string noted = text;
    LineChanges changes;
    ApplyOperation(operation, noted, tabLength, &changes);
    const LineChanges expectedChanges = ReferenceLineChanges(operation, text, tabLength);
    if (noted != expected)
        return "UTF-16 with line changes: expected " + Escape(expected) + "\n got " + Escape(noted);
    if (changes.Dropped != expectedChanges.Dropped)
        return "dropped lines: expected" + LinesText(expectedChanges.Dropped) + "\n got" + LinesText(changes.Dropped);

    return std::nullopt;
}

class OperationDifferential : public testing::TestWithParam<CleaningOperation> {};

TEST_P(OperationDifferential, FastPathsAgreeWithTheReference) {
    const CleaningOperation operation = GetParam();
    const bool readsTabLength =
        operation == CleaningOperation::ConvertTabToSpace || operation == CleaningOperation::ConvertSpaceToTab;
    const unsigned seed = BaseSeed();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (set BRISKLET_TEST_SEED to rerun with another)");
    std::mt19937 random(seed + static_cast<unsigned>(operation));
    for (int index = 0; index < 2500; ++index) {
        for (const bool latin1Only : {false, true}) {
            const std::u16string text = RandomText(random, latin1Only);
            // The other operations must ignore the tab length: one of the values is enough.
            const std::vector<int32_t> tabLengths =
                readsTabLength ? std::vector<int32_t>(std::begin(TabLengths), std::end(TabLengths))
                               : std::vector<int32_t>{Pick(random, TabLengths)};
            for (const int32_t tabLength : tabLengths) {
                const std::optional<std::string> difference = Disagreement(operation, text, tabLength);
                if (!difference)
                    continue;
                const std::u16string smallest = test::Shrink(text, [&](const std::u16string& candidate) {
                    return Disagreement(operation, candidate, tabLength).has_value();
                });
                FAIL() << test::OperationName(operation) << " with tab length " << tabLength << ", case " << index
                       << "\n input " << Escape(text) << "\n " << *difference << "\n smallest failing input "
                       << Escape(smallest) << "\n " << *Disagreement(operation, smallest, tabLength);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, OperationDifferential, testing::ValuesIn(test::AllOperations()),
                         [](const testing::TestParamInfo<CleaningOperation>& operation) {
                             return test::OperationName(operation.param).substr(1);
                         });

// What the run may be given as arguments: every switch, the modifiers, and near misses of them.
constexpr std::u16string_view Arguments[] = {
    u"/removeemptylines", u"/removedebuglines", u"/removecomments", u"/removedoublespaces", u"/removeallspaces",
    u"/removespacesatendoflines", u"/removespacesatstartoflines", u"/converttexttolowercaseletters",
    u"/converttexttouppercaseletters", u"/fold", u"/unfold", u"/converttabtospace", u"/convertspacetotab",
    u"/setcursortotop", u"/setcursortobottom", u"/RemoveComments", u"/REMOVEALLSPACES", u"/removeemptyl\u0130nes",
    u"/keepcursorandfolds", u"/keepcursorandfoldsX", u"/onlyselectedcode", u"", u"/removecomments /fold",
    u"/fold  /removedebuglines", u"/removecomment", u"removecomments", u"/removecomments ", u"/unfold\t", u"/x",
};

// Records every message with its first argument, so the fold action of SCI_FOLDALL is seen.
class RecordingEditor : public MemoryEditor {
public:
    using MemoryEditor::MemoryEditor;

    intptr_t Call(unsigned message, uintptr_t wParam, intptr_t lParam) override {
        if (message == SCI_FOLDALL || message == SCI_DOCUMENTSTART || message == SCI_DOCUMENTEND)
            ViewMessages.emplace_back(message, wParam);
        return MemoryEditor::Call(message, wParam, lParam);
    }

    std::vector<std::pair<unsigned, uintptr_t>> ViewMessages;
};

std::pair<unsigned, uintptr_t> ViewMessage(ViewCommand command) {
    switch (command) {
    case ViewCommand::FoldAll: return {SCI_FOLDALL, SC_FOLDACTION_CONTRACT};
    case ViewCommand::UnfoldAll: return {SCI_FOLDALL, SC_FOLDACTION_EXPAND};
    case ViewCommand::SetCursorToTop: return {SCI_DOCUMENTSTART, 0};
    case ViewCommand::SetCursorToBottom: return {SCI_DOCUMENTEND, 0};
    }
    return {};
}

TEST(SwitchDifferential, RandomSwitchListsRunLikeTheReferenceDispatch) {
    const unsigned seed = BaseSeed();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (set BRISKLET_TEST_SEED to rerun with another)");
    std::mt19937 random(seed);
    for (int index = 0; index < 3000; ++index) {
        std::vector<std::u16string> arguments;
        for (int count = Uniform(random, 1, 8); count > 0; --count)
            arguments.emplace_back(Pick(random, Arguments));
        const std::u16string text = RandomText(random, false);
        const int32_t tabLength = Pick(random, TabLengths);
        std::string argumentList;
        for (const std::u16string& argument : arguments)
            argumentList.append(" ").append(Escape(argument));
        SCOPED_TRACE("case " + std::to_string(index) + ", tab length " + std::to_string(tabLength) +
                     ", arguments" + argumentList + "\n text " + Escape(text));

        const Switches switches = BuildSwitchList(arguments);
        const std::u16string expectedList = test::ReferenceSwitchList(arguments);
        ASSERT_TRUE(switches.SwitchList == expectedList)
            << "switch list " << Escape(switches.SwitchList) << ", expected " << Escape(expectedList);
        ASSERT_EQ(switches.ParameterCount, static_cast<int>(arguments.size()));

        RecordingEditor editor(EncodeUtf8(text), SC_CP_UTF8);
        const RunOutcome outcome =
            CleanEditor(&editor, RunSettings{switches.ParameterCount, switches.SwitchList, tabLength});
        if (FindFrom(switches.SwitchList, u"/onlyselectedcode", 1) > 0) {
            // Without a selection this modifier ends the run before anything is read or run.
            ASSERT_EQ(outcome, RunOutcome::EndedNoSelection);
            ASSERT_TRUE(editor.ViewMessages.empty());
            ASSERT_TRUE(SameBytes(editor.Bytes(), EncodeUtf8(text)));
            continue;
        }
        std::vector<std::pair<unsigned, uintptr_t>> expectedViews;
        for (const test::ReferenceAction& action : test::ReferenceDispatch(switches.SwitchList, switches.ParameterCount)) {
            if (action.IsView)
                expectedViews.push_back(ViewMessage(action.View));
        }
        const std::u16string expected =
            test::ReferenceCleanText(text, switches.SwitchList, switches.ParameterCount, tabLength);
        ASSERT_EQ(editor.ViewMessages, expectedViews);
        ASSERT_TRUE(SameBytes(editor.Bytes(), EncodeUtf8(expected)));
        ASSERT_EQ(outcome, expected == text ? RunOutcome::Unchanged : RunOutcome::Written);
    }
}

// Notes whether every line that SCI_FOLDLINE and SCI_GOTOLINE name lies in the document.
class LineCheckingEditor : public MemoryEditor {
public:
    using MemoryEditor::MemoryEditor;

    intptr_t Call(unsigned message, uintptr_t wParam, intptr_t lParam) override {
        if ((message == SCI_FOLDLINE || message == SCI_GOTOLINE) && static_cast<intptr_t>(wParam) >= LineCount())
            LineOutside = static_cast<intptr_t>(wParam);
        return MemoryEditor::Call(message, wParam, lParam);
    }

    intptr_t LineOutside = -1;
};

TEST(SwitchDifferential, KeepCursorAndFoldsNameOnlyLinesTheDocumentHas) {
    const unsigned seed = BaseSeed();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (set BRISKLET_TEST_SEED to rerun with another)");
    std::mt19937 random(seed);
    for (int index = 0; index < 20000; ++index) {
        std::vector<std::u16string> arguments;
        for (int count = Uniform(random, 1, 4); count > 0; --count)
            arguments.emplace_back(Pick(random, Arguments));
        arguments.emplace_back(u"/keepcursorandfolds");
        const std::string bytes = EncodeSingleBytes(RandomText(random, true));
        LineCheckingEditor editor(bytes);
        const auto size = static_cast<int>(bytes.size());
        const bool select = Uniform(random, 0, 1) == 0;
        const intptr_t caret = Uniform(random, 0, size);
        const intptr_t anchor = select ? Uniform(random, 0, size) : caret;
        editor.SetSelection(anchor, caret);
        for (intptr_t line = 0; line < editor.LineCount(); ++line) {
            if (Uniform(random, 0, 3) == 0)
                editor.Call(SCI_SETFOLDEXPANDED, static_cast<uintptr_t>(line), 0);
        }
        const Switches switches = BuildSwitchList(arguments);
        (void)CleanEditor(&editor, RunSettings{switches.ParameterCount, switches.SwitchList, 4});
        ASSERT_EQ(editor.LineOutside, -1) << "case " << index << ", arguments " << Escape(switches.SwitchList)
                                          << ", selection " << anchor << "," << caret << "\n document "
                                          << EscapeBytes(bytes) << "\n afterwards " << EscapeBytes(editor.Bytes());
    }
}

// The settings block as a plain backward search finds it: the last "; IDE Options" that
// starts the file or follows a CR or LF.
size_t ReferenceSettingsStart(std::string_view source) {
    for (size_t at = source.rfind("; IDE Options"); at != std::string_view::npos;
         at = at == 0 ? std::string_view::npos : source.rfind("; IDE Options", at - 1)) {
        if (at == 0 || source[at - 1] == '\n' || source[at - 1] == '\r')
            return at;
    }
    return source.size();
}

// Bytes beyond ASCII that start no UTF-8 sequence where they are put: before a character.
constexpr char StrayBytes[] = {'\x80', '\xA9', '\xBF', '\xC3', '\xE2', '\xED', '\xF0', '\xFF'};

std::string Utf8WithStrayBytes(std::mt19937& random, std::u16string_view text) {
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (Uniform(random, 0, 25) == 0)
            bytes += Pick(random, StrayBytes);
        const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size();
        bytes += EncodeUtf8(text.substr(i, pair ? 2 : 1));
        i += pair ? 1 : 0;
    }
    return bytes;
}

// Random files as the tests need them: single bytes, UTF-8 with or without a byte order mark,
// stray bytes among UTF-8, and lines that begin a settings block or nearly do.
std::string RandomFile(std::mt19937& random) {
    constexpr std::string_view Marks[] = {"; IDE Options = PureBasic\r\n; Folding = -\n", "; IDE Options",
                                          "; IDE Option", ";; IDE Options", "\r; IDE Options = x\r"};
    const int kind = Uniform(random, 0, 3);
    std::string bytes = kind == 1 && Uniform(random, 0, 2) == 0 ? "\xEF\xBB\xBF" : "";
    for (int pieces = Uniform(random, 1, 3); pieces > 0; --pieces) {
        const std::u16string text = RandomText(random, kind == 0);
        bytes += kind == 0 ? EncodeSingleBytes(text) : kind == 3 ? Utf8WithStrayBytes(random, text) : EncodeUtf8(text);
        if (Uniform(random, 0, 3) == 0)
            bytes += Pick(random, Marks);
    }
    return bytes;
}

// A random case of the file tests: operations, tab length and file, and its name for failures.
struct FileCase {
    std::vector<CleaningOperation> Operations;
    int32_t TabLength = 0;
    std::string Bytes;
    std::string Name;
};

FileCase RandomFileCase(std::mt19937& random, int index) {
    const std::vector<CleaningOperation>& all = test::AllOperations();
    FileCase file;
    std::string names;
    for (int count = Uniform(random, 1, 4); count > 0; --count) {
        file.Operations.push_back(all[static_cast<size_t>(Uniform(random, 0, static_cast<int>(all.size()) - 1))]);
        names.append(" ").append(test::OperationName(file.Operations.back()));
    }
    file.TabLength = Pick(random, TabLengths);
    file.Bytes = RandomFile(random);
    file.Name = "case " + std::to_string(index) + ", tab length " + std::to_string(file.TabLength) + ", operations" +
                names + "\n file " + EscapeBytes(file.Bytes);
    return file;
}

// The file as the reference cleans it: the mark and the settings block kept, the source UTF-8
// when it has the mark or any multi-byte sequence (a stray byte carried as a lone surrogate
// that nothing touches), else single bytes, and the operations by the file rule, each on the
// bytes the one before left: stray bytes that come to stand together may form a sequence.
std::optional<std::string> ReferenceFile(std::string_view bytes, const std::vector<CleaningOperation>& operations,
                                         int32_t tabLength) {
    const std::string_view mark = bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(0, 3) : "";
    const std::string_view rest = bytes.substr(mark.size());
    const std::string_view source = rest.substr(0, ReferenceSettingsStart(rest));
    const std::u16string asUtf8 = DecodeDocument(source, true).Text;
    const bool multiByte = std::any_of(asUtf8.begin(), asUtf8.end(), [](char16_t unit) {
        return unit >= 0x80 && !(unit >= 0xDC80 && unit <= 0xDCFF);
    });
    const ByteEncoding encoding = !mark.empty() || multiByte ? ByteEncoding::Utf8 : ByteEncoding::SingleByte;
    std::string cleaned(source);
    for (const CleaningOperation operation : operations) {
        const std::u16string before = DecodeDocument(cleaned, encoding == ByteEncoding::Utf8).Text;
        std::u16string text = test::ReferenceFileOperation(operation, before, tabLength);
        // Read one byte per character, a letter whose other case lies beyond a byte keeps its case.
        if (encoding == ByteEncoding::SingleByte && IsCaseConversion(operation)) {
            for (size_t i = 0; i < text.size(); ++i)
                text[i] = text[i] > 0xFF ? before[i] : text[i];
        }
        const std::optional<std::string> encoded = EncodeDocument(text, encoding);
        if (!encoded)
            return std::nullopt;
        cleaned = *encoded;
    }
    return std::string(mark) + cleaned + std::string(rest.substr(source.size()));
}

// brisklet-clean's engine on a text given whole, in one block: the result, or nullopt when
// the run stops.
std::optional<std::string> CleanSourceFile(std::string_view bytes, const std::vector<CleaningOperation>& operations,
                                           int32_t tabLength) {
    std::string result;
    const CleanSink sink = WholeResultSink([&](std::string_view piece) {
        result.append(piece);
        return true;
    });
    bool given = false;
    const ReadBytes read = [&](char* into, size_t capacity) -> int64_t {
        const size_t count = given ? 0 : std::min(capacity, bytes.size());
        std::copy_n(bytes.data(), count, into);
        given = true;
        return static_cast<int64_t>(count);
    };
    if (CleanText(read, {}, sink, {operations, tabLength, {}}, bytes.size() + 1).End != CleanEnd::Finished)
        return std::nullopt;
    return result;
}

TEST(FileDifferential, FilesComeOutAsTheReferenceCleansThem) {
    const unsigned seed = BaseSeed();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (set BRISKLET_TEST_SEED to rerun with another)");
    std::mt19937 random(seed);
    for (int index = 0; index < 3000; ++index) {
        const FileCase file = RandomFileCase(random, index);
        SCOPED_TRACE(file.Name);
        const std::optional<std::string> expected = ReferenceFile(file.Bytes, file.Operations, file.TabLength);
        ASSERT_TRUE(expected) << "the reference result does not fit single bytes";
        const std::optional<std::string> cleaned = CleanSourceFile(file.Bytes, file.Operations, file.TabLength);
        ASSERT_TRUE(cleaned);
        ASSERT_TRUE(SameBytes(*cleaned, *expected));
    }
}

// What the stream engine alone makes of bytes fed block bytes at a time, cut anywhere.
std::string PipelineCleaned(std::string_view bytes, const FileCase& file, ByteEncoding encoding,
                            size_t block = std::string_view::npos) {
    CleaningPipeline pipeline;
    StartPipeline(pipeline, file.Operations, file.TabLength);
    pipeline.Encoding = encoding;
    ByteBuffer out;
    for (size_t at = 0; at < bytes.size(); at += block)
        FeedPipeline(pipeline, bytes.substr(at, block), out);
    FinishPipeline(pipeline, out);
    return std::string(BufferView(out));
}

// The engine fed in pieces for a diff, in slices that end at line ends as brisklet-clean's do:
// where it goes wrong, or "". Every byte must come back with its result, and where a piece is
// settled the output so far must be what the input so far becomes on its own.
std::string PiecesTrouble(const FileCase& file, std::mt19937& cuts) {
    CleaningPipeline pipeline;
    StartPipeline(pipeline, file.Operations, file.TabLength);
    pipeline.Encoding = ByteEncoding::Utf8;
    PieceTrials trials;
    std::string input;
    std::string output;
    std::string trouble;
    const PieceHandler piece = [&](std::string_view in, std::string_view result, bool settled) {
        input += in;
        output += result;
        if (settled && trouble.empty() && output != PipelineCleaned(input, file, ByteEncoding::Utf8))
            trouble = "settled after " + EscapeBytes(input) + ", but the output so far is " + EscapeBytes(output);
    };
    ByteBuffer out;
    const std::string_view bytes = file.Bytes;
    for (size_t at = 0; at < bytes.size();) {
        size_t end = std::min(bytes.size(), at + static_cast<size_t>(Uniform(cuts, 1, 40)));
        while (end < bytes.size() && !IsLineEnd(bytes[end - 1]))
            ++end;
        FeedPipelineInPieces(pipeline, trials, bytes.substr(at, end - at), piece, out);
        at = end;
    }
    out.Size = 0;
    FinishPipeline(pipeline, out);
    piece({}, BufferView(out), true);
    if (trouble.empty() && (input != bytes || output != PipelineCleaned(bytes, file, ByteEncoding::Utf8)))
        trouble = "the pieces give " + EscapeBytes(output) + " for " + EscapeBytes(input);
    return trouble;
}

// Blocks of 1, 2, 3, ... bytes cut lines, line ends, CR LF pairs, UTF-8 sequences and settings
// block lines at every place: the result must be the whole text's, byte for byte, and a sink
// that is given only what differs must rebuild it from the input's unchanged start. The engine
// itself, which brisklet-clean feeds whole lines only, must give the same for bytes cut anywhere
// (single bytes, so that no cut splits a character), and the same again fed in pieces for a diff.
TEST(StreamDifferential, TinyBlocksAndPiecesGiveWhatTheWholeTextGives) {
    const unsigned seed = BaseSeed();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (set BRISKLET_TEST_SEED to rerun with another)");
    std::mt19937 random(seed + 1);
    for (int index = 0; index < 1500; ++index) {
        const FileCase file = RandomFileCase(random, index);
        SCOPED_TRACE(file.Name);
        const std::optional<std::string> whole = CleanSourceFile(file.Bytes, file.Operations, file.TabLength);
        ASSERT_TRUE(whole);
        const std::string wholePipeline = PipelineCleaned(file.Bytes, file, ByteEncoding::SingleByte);
        for (const size_t block : {size_t{1}, size_t{2}, size_t{3}, size_t{4}, size_t{5}, size_t{7}, size_t{13}}) {
            SCOPED_TRACE("blocks of " + std::to_string(block));
            // A file can be read again: its encoding and settings block are then looked up ahead.
            const Rereading fileRereading = FileRereading(
                [&](uint64_t offset, size_t count, std::string& into) {
                    into = offset < file.Bytes.size() ? file.Bytes.substr(static_cast<size_t>(offset), count) : "";
                    return true;
                },
                [&]() -> std::optional<uint64_t> { return file.Bytes.size(); });
            for (const auto& [writesAll, rereading] : {std::pair{true, Rereading{}}, std::pair{false, Rereading{}},
                                                       std::pair{false, fileRereading}}) {
                size_t given = 0;
                const ReadBytes read = [&](char* into, size_t capacity) -> int64_t {
                    const size_t count = std::min({block, capacity, file.Bytes.size() - given});
                    std::copy_n(file.Bytes.data() + given, count, into);
                    given += count;
                    return static_cast<int64_t>(count);
                };
                std::string result;
                int diverged = 0;
                const auto write = [&](std::string_view piece) {
                    result.append(piece);
                    return true;
                };
                const CleanSink sink = writesAll ? WholeResultSink(write)
                                                 : ChangedPartSink(
                                                       [&](uint64_t unchanged) {
                                                           ++diverged;
                                                           result.assign(file.Bytes, 0, static_cast<size_t>(unchanged));
                                                           return true;
                                                       },
                                                       write);
                const CleanOutcome outcome = CleanText(read, rereading, sink, {file.Operations, file.TabLength, {}}, block);
                ASSERT_EQ(outcome.End, CleanEnd::Finished);
                if (!writesAll) {
                    ASSERT_EQ(outcome.Changed, *whole != file.Bytes);
                    ASSERT_EQ(diverged, outcome.Changed ? 1 : 0);
                    if (!outcome.Changed)
                        result = file.Bytes;
                }
                ASSERT_TRUE(SameBytes(result, *whole));
            }
            ASSERT_TRUE(SameBytes(PipelineCleaned(file.Bytes, file, ByteEncoding::SingleByte, block), wholePipeline));
        }
        std::mt19937 cuts(static_cast<unsigned>(index));
        ASSERT_EQ(PiecesTrouble(file, cuts), "");
    }
}

// A file cut by another program while it is read again may answer that its settings block
// starts before what has already been cleaned: the run goes on, never back.
TEST(StreamDifferential, ASettingsStartBeforeWhatWasCleanedIsTakenAsHere) {
    std::string bytes = "a ; b\n; IDE Options = PureBasic\n";
    while (bytes.size() <= FileHoldLimit + CleanBlockSize)
        bytes += "; EnableXP ; kept as it is\n";
    for (const uint64_t answer : {uint64_t{0}, uint64_t{3}}) {
        SCOPED_TRACE("settings said to start at " + std::to_string(answer));
        const Rereading early{[](uint64_t) { return std::optional<bool>(false); },
                              [answer]() { return std::optional<uint64_t>(answer); }, {}, {}};
        size_t given = 0;
        const ReadBytes read = [&](char* into, size_t capacity) -> int64_t {
            const size_t count = std::min(capacity, bytes.size() - given);
            std::copy_n(bytes.data() + given, count, into);
            given += count;
            return static_cast<int64_t>(count);
        };
        std::string result;
        const CleanSink sink = WholeResultSink([&](std::string_view piece) {
            result.append(piece);
            return true;
        });
        ASSERT_EQ(CleanText(read, early, sink, {{CleaningOperation::RemoveComments}, 2, {}}).End, CleanEnd::Finished);
        EXPECT_TRUE(SameBytes(result, "a \n" + bytes.substr(6)));
    }
}

// What the stream engine alone makes of bytes fed at once.
std::string PipelineCleaned(std::string_view bytes, const std::vector<CleaningOperation>& operations,
                            int32_t tabLength, ByteEncoding encoding) {
    CleaningPipeline pipeline;
    StartPipeline(pipeline, operations, tabLength);
    pipeline.Encoding = encoding;
    ByteBuffer out;
    FeedPipeline(pipeline, bytes, out);
    FinishPipeline(pipeline, out);
    return std::string(BufferView(out));
}

// The lines of bytes as an editor counts them: CR LF, LF and a lone CR each end one.
std::vector<std::string> EditorLines(std::string_view bytes) {
    std::vector<std::string> lines(1);
    for (size_t at = 0; at < bytes.size(); ++at) {
        if (!IsLineEnd(bytes[at])) {
            lines.back() += bytes[at];
            continue;
        }
        at += bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n' ? 1 : 0;
        lines.emplace_back();
    }
    return lines;
}

// The case conversions give the same bytes with the processor's wider instructions as without.
TEST(StreamDifferential, CaseConversionIsTheSameWithEveryProcessor) {
    std::mt19937 random(BaseSeed() + 5);
    for (int index = 0; index < 400; ++index) {
        const bool utf8 = index % 2 == 0;
        const std::u16string text = RandomText(random, !utf8);
        const std::string bytes = utf8 ? Utf8WithStrayBytes(random, text) : EncodeSingleBytes(text);
        for (const LetterCase letterCase : {LetterCase::Upper, LetterCase::Lower}) {
            ByteBuffer wide;
            ByteBuffer plain;
            const ByteEncoding encoding = utf8 ? ByteEncoding::Utf8 : ByteEncoding::SingleByte;
            ConvertCaseBytes(bytes, letterCase, encoding, wide);
            ConvertCaseBytesPlain(bytes, letterCase, encoding, plain);
            ASSERT_TRUE(SameBytes(BufferView(wide), BufferView(plain))) << index;
        }
    }
}

// A line far longer than the pieces it goes on in is never held whole, in place or on a pipe,
// where the switches allow it: every allocation of half its size fails, and the run finishes
// with what the whole text gives; its ";"s, all in strings, cut no comment. (A pipe's first
// line waits for its line end, as the line operations on its start leave the text's only line
// alone.)
TEST(StreamDifferential, ALongLineGoesOnInPiecesWithoutItsSize) {
    using enum CleaningOperation;
    std::string line = "  \t ";
    while (line.size() < (size_t{16} << 20))
        line += "If  a\t= \"\u00e4;\u6f22\" :  Debug  x  ";
    const std::string text = line + "\r\n";
    const struct {
        std::vector<CleaningOperation> Operations;
        bool InPlace;
    } rows[] = {
        {{RemoveSpacesAtEndOfLines, ConvertTextToUpperCase, RemoveDoubleSpaces, RemoveEmptyLines}, false},
        {{RemoveAllSpaces, ConvertTextToLowerCase}, true},
        {{RemoveSpacesAtStartOfLines, ConvertTabToSpace, RemoveSpacesAtEndOfLines}, true},
        {{ConvertSpaceToTab, RemoveDebugLines}, true},
        {{RemoveComments, RemoveDoubleSpaces}, false},
        {{ConvertTextToUpperCase, RemoveComments}, true},
    };
    for (const auto& row : rows) {
        const std::optional<std::string> expected = CleanSourceFile(text, row.Operations, 4);
        ASSERT_TRUE(expected);
        std::string result;
        result.reserve(text.size() * 2);
        size_t given = 0;
        const ReadBytes read = [&](char* into, size_t capacity) {
            const size_t count = std::min(capacity, text.size() - given);
            std::copy_n(text.data() + given, count, into);
            given += count;
            return static_cast<int64_t>(count);
        };
        const auto write = [&](std::string_view piece) {
            result.append(piece);
            return true;
        };
        const Rereading file = FileRereading(
            [&](uint64_t offset, size_t count, std::string& into) {
                into.assign(text, std::min<size_t>(static_cast<size_t>(offset), text.size()), count);
                return true;
            },
            [&]() -> std::optional<uint64_t> { return text.size(); });
        const CleanSink sink = row.InPlace ? ChangedPartSink(
                                                 [&](uint64_t unchanged) {
                                                     result.assign(text, 0, static_cast<size_t>(unchanged));
                                                     return true;
                                                 },
                                                 write)
                                           : WholeResultSink(write);
        const test::FailingAllocations failing(line.size() / 2, SIZE_MAX);
        ASSERT_EQ(CleanText(read, row.InPlace ? file : Rereading{}, sink, {row.Operations, 4, {}}).End,
                  CleanEnd::Finished);
        ASSERT_TRUE(SameBytes(result, *expected));
    }
}

// Taken line by line, for a settings block's view entries to follow their lines, the source must
// come out as the stages make it, fed in pieces cut anywhere; and the lines said to be kept must
// be the result's lines, in order.
TEST(StreamDifferential, LineByLineGivesWhatTheStagesGive) {
    const unsigned seed = BaseSeed();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (set BRISKLET_TEST_SEED to rerun with another)");
    std::mt19937 random(seed + 3);
    for (int index = 0; index < 3000; ++index) {
        const FileCase file = RandomFileCase(random, index);
        SCOPED_TRACE(file.Name);
        const std::vector<CleaningOperation>& operations = file.Operations;
        const int32_t tabLength = file.TabLength;
        const std::string& bytes = file.Bytes;
        const std::string whole = PipelineCleaned(bytes, operations, tabLength, ByteEncoding::Utf8);
        CleaningPipeline pipeline;
        StartPipeline(pipeline, operations, tabLength);
        pipeline.Encoding = ByteEncoding::Utf8;
        LineTracking tracking;
        StartLineTracking(tracking, pipeline);
        size_t lines = 0;
        std::vector<std::string> kept;
        bool lastKept = false;
        const LineWatch watch = [&](const TrackedLine& line) {
            ++lines;
            lastKept = line.Kept;
            if (line.Kept)
                kept.emplace_back(line.Output);
        };
        std::string input;
        std::string pieces;
        const PieceHandler piece = [&](std::string_view in, std::string_view out, bool) {
            input += in;
            pieces += out;
        };
        ByteBuffer out;
        for (size_t at = 0; at < bytes.size();) {
            // Never inside a UTF-8 sequence: a case conversion would see its halves apart.
            size_t end = std::min(bytes.size(), at + static_cast<size_t>(Uniform(random, 1, 12)));
            while (end < bytes.size() && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
                ++end;
            FeedTrackedLines(pipeline, tracking, std::string_view(bytes).substr(at, end - at), out, watch, piece);
            at = end;
        }
        FinishTrackedLines(pipeline, tracking, out, watch, piece);
        ASSERT_TRUE(SameBytes(BufferView(out), whole));
        ASSERT_EQ(input, bytes);
        ASSERT_TRUE(SameBytes(pieces, whole));
        ASSERT_EQ(lines, bytes.empty() ? 0 : EditorLines(bytes).size() - (IsLineEnd(bytes.back()) ? 1 : 0));
        // The result's last line comes from the source's last line only when that has no line end
        // and stays; else it is the empty line after the result's last line end.
        std::vector<std::string> expected = EditorLines(whole);
        if (bytes.empty() || IsLineEnd(bytes.back()) || !lastKept)
            expected.pop_back();
        ASSERT_EQ(kept, expected);
    }
}

} // namespace
} // namespace brisklet
