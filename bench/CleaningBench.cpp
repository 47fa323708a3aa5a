// Throughput of the eleven cleaning operations on generated sources of 1, 10 and 100 MB: the
// streaming engine on UTF-8 bytes (brisklet-clean) and the whole-text operations on UTF-16
// (the Windows tool); also writes such sources.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "PureBasicSource.h"
#include "cleaning/Operations.h"
#include "cleaning/stream/Pipeline.h"
#include "cleaning/stream/TextRun.h"
#include "runtime/TextCodec.h"

namespace brisklet::bench {

namespace {

// The IDE's most common setting, also passed to the GNU tools by compare-gnu.sh.
constexpr int32_t TabLength = 4;
constexpr size_t Megabyte = 1000 * 1000;

struct NamedOperation {
    const char* Name;
    CleaningOperation Operation;
};

constexpr NamedOperation Operations[] = {
    {"removeemptylines", CleaningOperation::RemoveEmptyLines},
    {"removedebuglines", CleaningOperation::RemoveDebugLines},
    {"removecomments", CleaningOperation::RemoveComments},
    {"removedoublespaces", CleaningOperation::RemoveDoubleSpaces},
    {"removeallspaces", CleaningOperation::RemoveAllSpaces},
    {"removespacesatendoflines", CleaningOperation::RemoveSpacesAtEndOfLines},
    {"removespacesatstartoflines", CleaningOperation::RemoveSpacesAtStartOfLines},
    {"converttexttolowercaseletters", CleaningOperation::ConvertTextToLowerCase},
    {"converttexttouppercaseletters", CleaningOperation::ConvertTextToUpperCase},
    {"converttabtospace", CleaningOperation::ConvertTabToSpace},
    {"convertspacetotab", CleaningOperation::ConvertSpaceToTab},
};

struct Inputs {
    std::string Utf8;
    std::u16string Utf16;
};

// Generated on first use, so a filtered run builds only the sizes it times.
const Inputs& InputsOf(size_t megabytes) {
    static std::map<size_t, Inputs> cache;
    auto found = cache.find(megabytes);
    if (found == cache.end()) {
        std::string utf8 = GeneratePureBasicSource(megabytes * Megabyte);
        std::u16string utf16 = DecodeUtf8(utf8);
        found = cache.emplace(megabytes, Inputs{std::move(utf8), std::move(utf16)}).first;
    }
    return found->second;
}

// The copy that every pass starts from is made outside the timed part.
template <class Text, class Apply>
void TimeOperation(benchmark::State& state, const Text& input, Apply apply) {
    Text text;
    for (auto _ : state) {
        state.PauseTiming();
        text.assign(input);
        state.ResumeTiming();
        apply(text);
        benchmark::DoNotOptimize(text.data());
        benchmark::ClobberMemory();
    }
    const auto bytes = static_cast<int64_t>(input.size() * sizeof(typename Text::value_type));
    state.SetBytesProcessed(state.iterations() * bytes);
}

// Block by block, as brisklet-clean feeds it, each block's output taken before the next.
void TimeStream(benchmark::State& state, const std::string& input, CleaningOperation operation) {
    ByteBuffer out;
    for (auto _ : state) {
        CleaningPipeline pipeline;
        StartPipeline(pipeline, {operation}, TabLength);
        pipeline.Encoding = ByteEncoding::Utf8;
        for (size_t at = 0; at < input.size(); at += CleanBlockSize) {
            FeedPipeline(pipeline, std::string_view(input).substr(at, CleanBlockSize), out);
            benchmark::DoNotOptimize(out.Data.get());
            out.Size = 0;
        }
        FinishPipeline(pipeline, out);
        benchmark::DoNotOptimize(out.Data.get());
        out.Size = 0;
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(input.size()));
}

void RegisterAll() {
    for (const size_t megabytes : {1, 10, 100}) {
        for (const NamedOperation& named : Operations) {
            const std::string suffix = std::string(named.Name) + "/" + std::to_string(megabytes) + "MB";
            const CleaningOperation operation = named.Operation;
            benchmark::RegisterBenchmark(("Stream/" + suffix).c_str(), [=](benchmark::State& state) {
                TimeStream(state, InputsOf(megabytes).Utf8, operation);
            })->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("Utf16/" + suffix).c_str(), [=](benchmark::State& state) {
                TimeOperation(state, InputsOf(megabytes).Utf16,
                              [&](std::u16string& text) { ApplyOperation(operation, text, TabLength); });
            })->Unit(benchmark::kMillisecond);
        }
    }
}

// brisklet_bench --generate BYTES FILE: the same kind of source, for tools outside this binary.
int Generate(const char* size, const char* path) {
    char* end = nullptr;
    const unsigned long long bytes = std::strtoull(size, &end, 10);
    if (end == size || *end != '\0') {
        std::fprintf(stderr, "brisklet_bench: --generate: not a byte count: '%s'\n", size);
        return 2;
    }
    const std::string text = GeneratePureBasicSource(static_cast<size_t>(bytes));
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::perror(path);
        return 2;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        std::perror(path);
        return 2;
    }
    return 0;
}

} // namespace

} // namespace brisklet::bench

int main(int argc, char** argv) {
    if (argc >= 2 && std::string_view(argv[1]) == "--generate") {
        if (argc != 4) {
            std::fprintf(stderr, "Usage: %s --generate BYTES FILE\n", argv[0]);
            return 2;
        }
        return brisklet::bench::Generate(argv[2], argv[3]);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    brisklet::bench::RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
