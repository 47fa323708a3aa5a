// brisklet-clean as a user runs it: arguments, input, output, files, messages and exit codes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
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
        {"huge tab length", {"--tab-length=2147483647", "/converttabtospace"}, "\tx\n", "", 2,
         "brisklet-clean: standard input: /converttabtospace would add more than 268435456 characters (check "
         "--tab-length); stopped there\n"},
        {"view commands do nothing", {"/fold", "/setcursortotop", "/keepcursorandfolds", "/onlyselectedcode"},
         "a ; b\n", "a ; b\n", 0, ""},
        {"settings block kept", {"/removecomments", "/removeemptylines"},
         "x = 1 ; c\r\n\r\n" + settings, "x = 1 \r\n" + settings, 0, ""},
        {"only the last block", {"/removecomments"}, "; IDE Options x\nA ; a\n; IDE Options y\n",
         "\nA \n; IDE Options y\n", 0, ""},
        {"block must start a line", {"/removecomments"}, "a ; IDE Options\nb ; c\n", "a \nb \n", 0, ""},
        {"byte order mark kept", {"/converttexttouppercaseletters"}, "\xEF\xBB\xBF\xC3\xA4 x", "\xEF\xBB\xBF\xC3\x84 X",
         0, ""},
        {"utf-8 umlauts", {"/converttexttolowercaseletters"}, "\xC3\x84\xC3\x96 ; X", "\xC3\xA4\xC3\xB6 ; x", 0, ""},
        {"single bytes", {"/converttexttolowercaseletters"}, "\xC4\xD6 ; \x81X", "\xE4\xF6 ; \x81x", 0, ""},
        {"check unchanged", {"--check", "/removecomments"}, "a\nb\n", "", 0, ""},
        {"check changed", {"--check", "/removecomments"}, "a ; b\nc\n", "", 1, ""},
        {"a zero byte stops the input", {"/removecomments"}, std::string("a ; b\n\0", 7), "", 2,
         "brisklet-clean: standard input: holds a zero byte, not a source file; stopped there\n"},
        {"check CR LF unchanged", {"--check", "/removespacesatendoflines"}, "a\r\nb\r\n", "", 0, ""},
        {"mistyped switch", {"/removecoments"}, "a", "", 2,
         "brisklet-clean: /removecoments: unknown switch; did you mean /removecomments?\n"},
        {"unknown switch", {"/frobnicate"}, "a", "", 2, "brisklet-clean: /frobnicate: unknown switch (see --help)\n"},
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

// A stray byte first and UTF-8 only past the look-ahead: a pipe, which cannot be read twice,
// takes the text as single bytes; a file is read on and is UTF-8.
TEST(CleanCommand, APipeLooksAheadEightMebibytesForUtf8) {
    const std::string filler(9 << 20, 'a');
    const std::string text = "\xE9x\n" + filler + "\n\xC3\xA4\n";
    const test::ProcessResult piped = RunProcess(Program, {"/converttexttouppercaseletters"}, text);
    EXPECT_EQ(piped.ExitCode, 0);
    EXPECT_EQ(piped.Output, "\xC9X\n" + std::string(filler.size(), 'A') + "\n\xC3\xA4\n");
    const std::string path = (fs::temp_directory_path() / ("brisklet-ahead-" + std::to_string(getpid()))).string();
    std::ofstream(path, std::ios::binary) << text;
    EXPECT_EQ(RunProcess(Program, {"/converttexttouppercaseletters", path}, "").ExitCode, 0);
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    EXPECT_EQ(bytes.str(), "\xE9X\n" + std::string(filler.size(), 'A') + "\n\xC3\x84\n");
    fs::remove(path);
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

// The faults brisklet-clean once had, each run on a real file through the real program, and
// run a second time to show the result is settled. PATH in a message stands for the file.
TEST_F(CleanFiles, TheCasesOnceFoundComeOutSound) {
    struct FileCase {
        const char* name;
        std::vector<std::string> arguments;
        std::string before;
        std::string after;
        int exitCode;
        std::string errors;
    };
    const std::string longLine(200000, 'y');
    const FileCase cases[] = {
        {"lone CR line ends", {"/removedebuglines"}, "If a = 1\r  Debug \"one\"\r  b = 2\rEndIf\r\n",
         "If a = 1\r  b = 2\rEndIf\r\n", 0, ""},
        {"a comment before a lone CR", {"/removecomments"}, "x = 1 ; set x\ry = 2\nz = 3\n", "x = 1 \ry = 2\nz = 3\n", 0,
         ""},
        {"a debug line before a lone CR", {"/removedebuglines"}, "Debug \"start\"\rImportantCall()\nEnd\n",
         "ImportantCall()\nEnd\n", 0, ""},
        {"a settings block after a lone CR", {"/removecomments"}, "x = 1 ; c\ny = 2\r; IDE Options = y\n; EnableXP\n",
         "x = 1 \ny = 2\r; IDE Options = y\n; EnableXP\n", 0, ""},
        {"CR LF stays CR LF", {"/removecomments", "/removeemptylines"},
         "a = 1 ; x\r\n\r\nb = 2\r\n; IDE Options = PureBasic\r\n; EnableXP\r\n",
         "a = 1 \r\nb = 2\r\n; IDE Options = PureBasic\r\n; EnableXP\r\n", 0, ""},
        {"check passes a CR LF file nothing changes", {"--check", "/removespacesatendoflines"}, "a\r\nb\r\n",
         "a\r\nb\r\n", 0, ""},
        {"upper case keeps UTF-8 whole", {"/converttexttouppercaseletters"}, "x = \"\u20ac \u2014 \u00e4\"\n",
         "X = \"\u20ac \u2014 \u00c4\"\n", 0, ""},
        {"a stray byte among UTF-8 stays", {"/converttexttouppercaseletters"}, "a\xE9 \u20ac \u00fc\n",
         "A\xE9 \u20ac \u00dc\n", 0, ""},
        {"UTF-8 far behind a stray byte", {"/converttexttouppercaseletters"}, "\xE9x\n" + longLine + "\n\u00e4\n",
         "\xE9X\n" + std::string(longLine.size(), 'Y') + "\n\u00c4\n", 0, ""},
        {"single bytes stay single bytes", {"/converttexttouppercaseletters"}, "\xE9x\n", "\xC9X\n", 0, ""},
        {"a mistyped switch", {"/removecoments"}, "a ; b\nc\n", "a ; b\nc\n", 2,
         "brisklet-clean: /removecoments: unknown switch; did you mean /removecomments?\n"},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write("case.pb", c.before);
        std::vector<std::string> arguments = c.arguments;
        arguments.push_back(path);
        for (int run = 1; run <= 2; ++run) {
            SCOPED_TRACE("run " + std::to_string(run));
            const test::ProcessResult result = RunProcess(Program, arguments, "");
            EXPECT_EQ(Read(path), c.after);
            EXPECT_EQ(result.ExitCode, c.exitCode);
            EXPECT_EQ(result.Errors, c.errors);
            EXPECT_EQ(Leftovers(), (std::vector<std::string>{"case.pb"}));
        }
    }
}

// A line that looks like the start of the settings block early on, and megabytes of source after
// it: a file learns where the block really starts from its end, a pipe holds the lines back;
// both give the same text.
TEST_F(CleanFiles, AnEarlySettingsLineIsSourceWhenAnotherFollows) {
    std::string body;
    for (int i = 0; i < 300000; ++i)
        body += "y ; b\n";
    const std::string settings = "; IDE Options = PureBasic\n; Folding = -\n";
    const std::string text = "\xEF\xBB\xBF; IDE Options = early\nx ; a\n" + body + settings;
    std::string cleanedBody;
    for (int i = 0; i < 300000; ++i)
        cleanedBody += "y \n";
    const std::string expected = "\xEF\xBB\xBF\nx \n" + cleanedBody + settings;
    const std::string path = Write("early.pb", text);
    EXPECT_EQ(RunProcess(Program, {"/removecomments", path}, "").ExitCode, 0);
    EXPECT_EQ(Read(path), expected);
    const test::ProcessResult piped = RunProcess(Program, {"/removecomments"}, text);
    EXPECT_EQ(piped.ExitCode, 0);
    EXPECT_EQ(piped.Output, expected);
}

TEST_F(CleanFiles, OddFilesAreRefusedAtOnce) {
    const std::string fifo = (folder_ / "fifo.pb").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const test::ProcessResult result = RunProcess(Program, {"/removecomments", fifo, "/dev/zero"}, "");
    EXPECT_EQ(result.ExitCode, 2);
    EXPECT_EQ(result.Errors, "brisklet-clean: " + fifo + ": not a regular file\n" +
                                 "brisklet-clean: /dev/zero: not a regular file\n");
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(CleanFiles, ARewriteKeepsOwnerGroupModeAndExtendedAttributes) {
    const std::string path = Write("a.pb", "a ; b\nc\n");
    chmod(path.c_str(), 0640);
    const bool isRoot = geteuid() == 0;
    if (isRoot) {
        ASSERT_EQ(chown(path.c_str(), 1234, 5678), 0);
    }
    const bool userAttributes = setxattr(path.c_str(), "user.brisklet", "kept", 4, 0) == 0;
    // An access ACL granting user 1234 read: header, then owner, user, group, mask, other.
    const uint32_t acl[] = {2, 1 | (6 << 16), 0xFFFFFFFF, 2 | (4 << 16), 1234, 4 | (4 << 16), 0xFFFFFFFF,
                            0x10 | (4 << 16), 0xFFFFFFFF, 0x20, 0xFFFFFFFF};
    const bool accessList = setxattr(path.c_str(), "system.posix_acl_access", acl, sizeof acl, 0) == 0;
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    ASSERT_EQ(RunProcess(Program, {"/removecomments", path}, "").ExitCode, 0);
    EXPECT_EQ(Read(path), "a \nc\n");
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino); // replaced by the rename, not written over
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    if (userAttributes) {
        char value[16] = {};
        EXPECT_EQ(getxattr(path.c_str(), "user.brisklet", value, sizeof value), 4);
        EXPECT_EQ(std::string(value), "kept");
    }
    if (accessList) {
        std::string value(256, '\0');
        const ssize_t size = getxattr(path.c_str(), "system.posix_acl_access", value.data(), value.size());
        ASSERT_GT(size, 0);
        EXPECT_EQ(value.substr(0, static_cast<size_t>(size)), std::string(reinterpret_cast<const char*>(acl), sizeof acl));
    }
    EXPECT_EQ(Leftovers(), (std::vector<std::string>{"a.pb"}));
}

TEST_F(CleanFiles, AHardLinkedFileStaysOneFileWithAllItsNames) {
    const std::string path = Write("a.pb", "a ; b\nc\n");
    const std::string other = (folder_ / "b.pb").string();
    ASSERT_EQ(link(path.c_str(), other.c_str()), 0);
    chmod(path.c_str(), 0604);
    ASSERT_EQ(RunProcess(Program, {"/removecomments", path}, "").ExitCode, 0);
    EXPECT_EQ(Read(path), "a \nc\n");
    EXPECT_EQ(Read(other), "a \nc\n");
    struct stat first {};
    struct stat second {};
    ASSERT_EQ(stat(path.c_str(), &first), 0);
    ASSERT_EQ(stat(other.c_str(), &second), 0);
    EXPECT_EQ(first.st_ino, second.st_ino);
    EXPECT_EQ(first.st_nlink, 2u);
    EXPECT_EQ(first.st_mode & 07777, 0604u);
    EXPECT_EQ(Leftovers(), (std::vector<std::string>{"a.pb", "b.pb"}));
}

// Starts the program on a large file and acts once its temporary file is seen, while the
// rewrite is under way; false when the program ended before that could happen.
class CleanWhileRunning : public CleanFiles {
protected:
    void SetUp() override {
        CleanFiles::SetUp();
        std::string lines;
        for (int i = 0; i < 1000; ++i)
            lines += "x = " + std::to_string(i) + " ; note\n";
        for (int i = 0; i < 1500; ++i)
            source_ += lines;
        path_ = Write("big.pb", source_);
        errors_ = (folder_.parent_path() / ("brisklet-errors-" + std::to_string(getpid()))).string();
    }
    void TearDown() override {
        fs::remove(errors_);
        CleanFiles::TearDown();
    }

    bool RunAndActMidway(const std::function<void(pid_t)>& act, int& status) {
        const pid_t child = fork();
        if (child == 0) {
            const int errors = open(errors_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(errors, 2);
            execl(Program.c_str(), Program.c_str(), "/removecomments", path_.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        bool acted = false;
        while (!acted && waitpid(child, &status, WNOHANG) == 0) {
            for (const auto& entry : fs::directory_iterator(folder_)) {
                if (entry.path().filename().string().find(".brisklet-") != std::string::npos) {
                    act(child);
                    acted = true;
                    break;
                }
            }
        }
        if (acted)
            waitpid(child, &status, 0);
        return acted;
    }

    std::string source_;
    std::string path_;
    std::string errors_;
};

TEST_F(CleanWhileRunning, ASignalRemovesTheTemporaryFileAndLeavesTheFile) {
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signalNumber));
        int status = 0;
        if (!RunAndActMidway([&](pid_t child) { kill(child, signalNumber); }, status))
            GTEST_SKIP() << "the rewrite ended before the signal could be sent";
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), signalNumber);
        EXPECT_EQ(Leftovers(), (std::vector<std::string>{"big.pb"}));
        EXPECT_EQ(Read(path_), source_);
    }
}

TEST_F(CleanWhileRunning, AFileChangedOnDiskMeanwhileIsLeftAlone) {
    int status = 0;
    if (!RunAndActMidway([&](pid_t) { std::ofstream(path_, std::ios::app) << "y = 2\n"; }, status))
        GTEST_SKIP() << "the rewrite ended before the file could be changed";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(Read(errors_), "brisklet-clean: " + path_ + ": changed on disk while it was cleaned; left as it is\n");
    EXPECT_EQ(Read(path_), source_ + "y = 2\n");
    EXPECT_EQ(Leftovers(), (std::vector<std::string>{"big.pb"}));
}

TEST_F(CleanFiles, RunningOutOfMemoryOnOneFileLeavesItAndCleansTheNext) {
    // One line of 40 MB must be held whole; 48 MB of address space cannot hold it twice.
    const std::string huge = Write("huge.pb", std::string(40000000, 'a') + " ; c\nb ; d\n");
    const std::string small = Write("small.pb", "x ; y\nz\n");
    const test::ProcessResult result = RunProcess(
        "/bin/sh", {"-c", "ulimit -v 48000 && exec \"$0\" /removecomments \"$1\" \"$2\"", Program, huge, small}, "");
    EXPECT_EQ(result.ExitCode, 2);
    EXPECT_EQ(result.Errors, "brisklet-clean: " + huge + ": out of memory; left unchanged\n");
    EXPECT_EQ(Read(small), "x \nz\n");
    EXPECT_EQ(fs::file_size(huge), 40000000u + 11u);
}

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
    EXPECT_EQ(Read(changed), "x = 1 \r\n; IDE Options = PureBasic\r\n; Folding = -\r\n");
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
