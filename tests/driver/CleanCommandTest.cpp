// brisklet-clean as a user runs it: arguments, input, output, files, messages and exit codes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/RunProcess.h"

namespace brisklet {
namespace {

namespace fs = std::filesystem;
using test::RunProcess;

const std::string Program = BRISKLET_CLEAN_PATH;

struct Case {
    const char* name;
    std::vector<std::string> arguments;
    std::string input;
    std::string output;
    int exitCode;
    std::string errors;
};

TEST(CleanCommand, StreamsAndOptions) {
    const std::string settings = "; IDE Options = PureBasic 6.10 LTS (Windows - x64)\r\n; CursorPosition = 3\r\n"
                                 "; Folding = -\r\n; EnableXP\r\n";
    const Case cases[] = {
        {"no switches copies", {}, "a ; b\r\n", "a ; b\r\n", 0, ""},
        {"comments", {"/removecomments"}, "a ; b\nc\n", "a \nc\n", 0, ""},
        {"any letter case", {"/RemoveComments"}, "a ; b\nc\n", "a \nc\n", 0, ""},
        {"order matters", {"/removecomments", "/removeemptylines"}, "; c\nx", "x", 0, ""},
        {"other order", {"/removeemptylines", "/removecomments"}, "; c\nx", "\nx", 0, ""},
        {"repeated switch", {"/convertspacetotab", "/convertspacetotab"}, "  x\n", "\tx\n", 0, ""},
        {"default tab length 2", {"/converttabtospace"}, "\tx\n", "  x\n", 0, ""},
        {"tab length", {"--tab-length", "8", "/converttabtospace"}, "\tx\n", "        x\n", 0, ""},
        {"tab length joined", {"--tab-length=3", "/converttabtospace"}, "\tx\n", "   x\n", 0, ""},
        {"zero tab length", {"--tab-length=0", "/converttabtospace"}, "\tx\n", "x\n", 0, ""},
        {"huge tab length", {"--tab-length=2147483647", "/converttabtospace"}, "\tx\n", "\tx\n", 0, ""},
        {"view commands do nothing", {"/fold", "/setcursortotop", "/keepcursorandfolds", "/onlyselectedcode"},
         "a ; b\n", "a ; b\n", 0, ""},
        {"settings block kept", {"/removecomments", "/removeemptylines"},
         "x = 1 ; c\r\n\r\n" + settings, "x = 1 \n" + settings, 0, ""},
        {"only the last block", {"/removecomments"}, "; IDE Options x\nA ; a\n; IDE Options y\n",
         "\nA \n; IDE Options y\n", 0, ""},
        {"block must start a line", {"/removecomments"}, "a ; IDE Options\nb ; c\n", "a \nb \n", 0, ""},
        {"byte order mark kept", {"/converttexttouppercaseletters"}, "\xEF\xBB\xBF\xC3\xA4 x", "\xEF\xBB\xBF\xC3\x84 X",
         0, ""},
        {"utf-8 umlauts", {"/converttexttolowercaseletters"}, "\xC3\x84\xC3\x96 ; X", "\xC3\xA4\xC3\xB6 ; x", 0, ""},
        {"single bytes", {"/converttexttolowercaseletters"}, "\xC4\xD6 ; \x81X", "\xE4\xF6 ; \x81x", 0, ""},
        {"check unchanged", {"--check", "/removecomments"}, "a\nb\n", "", 0, ""},
        {"check changed", {"--check", "/removecomments"}, "a ; b\nc\n", "", 1, ""},
        {"zero byte passes through", {"/removecomments"}, std::string("a ; b\n\0", 7), std::string("a ; b\n\0", 7), 2,
         "brisklet-clean: standard input: holds a zero byte, not a source file; left unchanged\n"},
        {"bad tab length", {"--tab-length", "x", "/removecomments"}, "a", "", 2,
         "brisklet-clean: --tab-length: not a whole number from -2147483648 to 2147483647: 'x'\n"},
        {"tab length out of range", {"--tab-length=2147483648"}, "a", "", 2,
         "brisklet-clean: --tab-length: not a whole number from -2147483648 to 2147483647: '2147483648'\n"},
        {"tab length missing", {"/removecomments", "--tab-length"}, "a", "", 2,
         "brisklet-clean: --tab-length: needs a number\n"},
        {"unknown option", {"--frobnicate", "/removecomments"}, "a", "", 2,
         "brisklet-clean: --frobnicate: unknown option (see --help)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const test::ProcessResult result = RunProcess(Program, c.arguments, c.input);
        EXPECT_EQ(result.Output, c.output);
        EXPECT_EQ(result.ExitCode, c.exitCode);
        EXPECT_EQ(result.Errors, c.errors);
    }
}

TEST(CleanCommand, HelpListsEverySwitch) {
    const test::ProcessResult result = RunProcess(Program, {"--help"}, "");
    EXPECT_EQ(result.ExitCode, 0);
    for (const char* name : {"/removeemptylines", "/removedebuglines", "/removecomments", "/removedoublespaces",
                             "/removeallspaces", "/removespacesatendoflines", "/removespacesatstartoflines",
                             "/converttexttolowercaseletters", "/converttexttouppercaseletters", "/fold", "/unfold",
                             "/converttabtospace", "/convertspacetotab", "/setcursortotop", "/setcursortobottom",
                             "/onlyselectedcode", "/keepcursorandfolds", "--tab-length", "--check"})
        EXPECT_NE(result.Output.find(name), std::string::npos) << name;
}

TEST(CleanCommand, AFailedWriteToStandardOutputFailsTheRun) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full on this machine";
    const test::ProcessResult result = RunProcess(Program, {"/removecomments"}, "a ; b\n", "/dev/full");
    EXPECT_EQ(result.ExitCode, 2);
    EXPECT_EQ(result.Errors, "brisklet-clean: standard output: No space left on device\n");
}

class CleanFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("brisklet-clean-test-" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const fs::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    static std::string Read(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }
    [[nodiscard]] std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder_;
};

TEST_F(CleanFiles, RewritesChangedFilesInPlaceKeepingTheirPermissions) {
    const std::string changed = Write("a.pb", "x = 1 ; c\r\n; IDE Options = PureBasic\r\n; Folding = -\r\n");
    const std::string same = Write("b.pb", "y = 2\n");
    chmod(changed.c_str(), 0640);
    struct stat before {};
    stat(same.c_str(), &before);
    const test::ProcessResult result = RunProcess(Program, {"/removecomments", changed, same}, "");
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Errors, "");
    EXPECT_EQ(result.Output, "");
    EXPECT_EQ(Read(changed), "x = 1 \n; IDE Options = PureBasic\r\n; Folding = -\r\n");
    EXPECT_EQ(Read(same), "y = 2\n");
    struct stat after {};
    stat(same.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino); // untouched, not rewritten
    stat(changed.c_str(), &after);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(Leftovers(), (std::vector<std::string>{"a.pb", "b.pb"}));
}

TEST_F(CleanFiles, ALinkIsFollowedAndStaysALink) {
    const std::string target = Write("real.pb", "a ; b\nc\n");
    const std::string link = (folder_ / "link.pb").string();
    fs::create_symlink(target, link);
    EXPECT_EQ(RunProcess(Program, {"/removecomments", link}, "").ExitCode, 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(target), "a \nc\n");
}

TEST_F(CleanFiles, CheckWritesNothingAndNamesWhatWouldChange) {
    const std::string changed = Write("a.pb", "a ; b\nc\n");
    const std::string same = Write("b.pb", "c\n");
    const test::ProcessResult result = RunProcess(Program, {"--check", "/removecomments", same, changed}, "");
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Errors, "brisklet-clean: " + changed + ": would change\n");
    EXPECT_EQ(Read(changed), "a ; b\nc\n");
}

TEST_F(CleanFiles, BadFilesAreReportedAndTheOthersStillCleaned) {
    const std::string zero = Write("zero.pb", std::string("a ; b\n\0c", 8));
    const std::string good = Write("good.pb", "a ; b\nc\n");
    const std::string missing = (folder_ / "missing.pb").string();
    fs::create_directory(folder_ / "dir.pb");
    const std::string directory = (folder_ / "dir.pb").string();
    const test::ProcessResult result =
        RunProcess(Program, {"/removecomments", zero, missing, directory, good}, "");
    EXPECT_EQ(result.ExitCode, 2);
    EXPECT_EQ(result.Errors, "brisklet-clean: " + zero + ": holds a zero byte, not a source file; left unchanged\n" +
                                 "brisklet-clean: " + missing + ": No such file or directory\n" +
                                 "brisklet-clean: " + directory + ": Is a directory\n");
    EXPECT_EQ(Read(zero), std::string("a ; b\n\0c", 8));
    EXPECT_EQ(Read(good), "a \nc\n");
}

TEST_F(CleanFiles, AnUnwritableFileIsReportedAndLeftWhole) {
    // Even root cannot write /proc files; a read-only mode bit stops everyone else.
    const std::string readOnly = Write("ro.pb", "a ; b\nc\n");
    chmod(readOnly.c_str(), 0444);
    const bool isRoot = geteuid() == 0;
    const std::string path = isRoot ? "/proc/version" : readOnly;
    if (isRoot && !fs::exists(path))
        GTEST_SKIP() << "no /proc here";
    const std::string before = Read(path);
    const test::ProcessResult result = RunProcess(Program, {"/removeallspaces", path}, "");
    EXPECT_EQ(result.ExitCode, 2);
    EXPECT_EQ(result.Errors.rfind("brisklet-clean: " + path + ": ", 0), 0u) << result.Errors;
    EXPECT_EQ(Read(path), before);
    EXPECT_EQ(Leftovers(), (std::vector<std::string>{"ro.pb"}));
}

TEST_F(CleanFiles, SingleByteFilesComeBackByteForByte) {
    std::string all;
    for (int b = 1; b < 256; ++b) {
        if (b != '\n' && b != '\r' && b != ';' && b != '"')
            all.push_back(static_cast<char>(b));
    }
    const std::string path = Write("bytes.pb", all + " ; x\n" + all + "\n");
    EXPECT_EQ(RunProcess(Program, {"/removecomments", path}, "").ExitCode, 0);
    EXPECT_EQ(Read(path), all + " \n" + all + "\n");
}

} // namespace
} // namespace brisklet
