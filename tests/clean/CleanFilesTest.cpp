// brisklet-clean run on real files: rewrites, links, permissions, signals, other programs and
// other runs meanwhile, folders, the diff through patch, and each file's tab width.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include "support/RunProcess.h"

namespace brisklet {
namespace {

namespace fs = std::filesystem;
using test::RunProcess;

const std::string Program = BRISKLET_CLEAN_PATH;

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
        std::vector<std::string> environment = {};
        std::string dialog = {};
    };
    const fs::path dialogs = folder_.string() + "-dialogs";
    for (const std::string program : {"zenity", "kdialog"}) {
        fs::create_directories(dialogs / program);
        std::ofstream(dialogs / program / program)
            << "#!/bin/sh\nprintf '%s\\n' ${0##*/} \"$@\" >>" + dialogs.string() + "/r\n";
        fs::permissions(dialogs / program / program, fs::perms::owner_all);
    }
    const std::string ide = "PB_TOOL_IDE=/usr/bin/purebasic", zenity = "PATH=" + (dialogs / "zenity").string();
    const std::string mistyped = "brisklet-clean: /removecoments: unknown switch; did you mean /removecomments?\n";
    const std::string longLine(200000, 'y');
    // Longer than the pieces a long line goes on in.
    const std::string hugeLine = " \t" + std::string(3 << 20, 'y') + " Debug ";
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
        {"a huge only line without a line end stays", {"/removespacesatstartoflines", "/removedebuglines"}, hugeLine,
         hugeLine, 0, ""},
        {"a huge first line with a line end", {"/removespacesatstartoflines"}, hugeLine + "\n", hugeLine.substr(2) + "\n",
         0, ""},
        {"a huge debug line", {"/removedebuglines"}, hugeLine + "\r\nz\n", "z\n", 0, ""},
        {"a mistyped switch", {"/removecoments"}, "a ; b\nc\n", "a ; b\nc\n", 2, mistyped, {zenity}},
        {"in the IDE", {"/removecoments"}, "a", "a", 2, mistyped, {ide, zenity},
         "zenity\n--error\n--no-markup\n--title=brisklet-clean\n--text=" + mistyped},
        {"kdialog alone", {"/removecoments"}, "a", "a", 2, mistyped, {ide, "PATH=" + dialogs.string() + "/kdialog"},
         "kdialog\n--title\nbrisklet-clean\n--error\n" + mistyped},
        {"no dialog program", {"/removecoments"}, "a", "a", 2, mistyped, {ide, "PATH=" + dialogs.string()}},
        {"no message, no dialog", {"/removecomments"}, "a ; b\n", "a \n", 0, "", {ide, zenity}},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write("case.pb", c.before);
        std::vector<std::string> arguments = c.arguments;
        arguments.push_back(path);
        for (int run = 1; run <= 2; ++run) {
            SCOPED_TRACE("run " + std::to_string(run));
            fs::remove(dialogs / "r");
            const test::ProcessResult result = RunProcess(Program, arguments, "", {}, c.environment);
            EXPECT_EQ(Read(path), c.after);
            EXPECT_EQ(result.ExitCode, c.exitCode);
            EXPECT_EQ(result.Errors, c.errors);
            EXPECT_EQ(Read((dialogs / "r").string()), c.dialog);
            EXPECT_EQ(Leftovers(), (std::vector<std::string>{"case.pb"}));
        }
    }
    fs::remove_all(dialogs);
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
    EXPECT_EQ(Leftovers(), (std::vector<std::string>{"a.pb"}));
    if (!userAttributes || !accessList)
        GTEST_SKIP() << "this file system takes no user attributes or access lists: only owner and mode were checked";
    char value[16] = {};
    EXPECT_EQ(getxattr(path.c_str(), "user.brisklet", value, sizeof value), 4);
    EXPECT_EQ(std::string(value), "kept");
    std::string list(256, '\0');
    const ssize_t size = getxattr(path.c_str(), "system.posix_acl_access", list.data(), list.size());
    ASSERT_GT(size, 0);
    EXPECT_EQ(list.substr(0, static_cast<size_t>(size)), std::string(reinterpret_cast<const char*>(acl), sizeof acl));
}

// A folder's default access list is not the file's: a file without one gets none, and root
// that cannot give the file its owner back leaves it as it was.
TEST_F(CleanFiles, ARewriteTakesNothingFromItsFolderAndKeepsItsOwner) {
    fs::create_directory(folder_ / "s");
    // user::rw, user 4321 rw, group::r, mask::rw, other::-
    const uint32_t list[] = {2, 1 | (6 << 16), 0xFFFFFFFF, 2 | (6 << 16), 4321, 4 | (4 << 16), 0xFFFFFFFF,
                             0x10 | (6 << 16), 0xFFFFFFFF, 0x20, 0xFFFFFFFF};
    const bool defaults = setxattr((folder_ / "s").c_str(), "system.posix_acl_default", list, sizeof list, 0) == 0;
    const std::string path = Write("s/f.pb", "a ; b\n");
    removexattr(path.c_str(), "system.posix_acl_access");
    chmod(path.c_str(), 0640);
    ASSERT_EQ(RunProcess(Program, {"/removecomments", path}, "").ExitCode, 0);
    EXPECT_EQ(Read(path), "a \n");
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_LT(getxattr(path.c_str(), "system.posix_acl_access", nullptr, 0), 0);
    const bool strace = RunProcess("/bin/sh", {"-c", "command -v strace"}, "").ExitCode == 0;
    if (!defaults || geteuid() != 0 || !strace)
        GTEST_SKIP() << "no default access lists, not root, or no strace: the owner was not checked";
    ASSERT_EQ(chown(path.c_str(), 1234, 5678), 0);
    Write("s/f.pb", "a ; b\n");
    const test::ProcessResult refused = RunProcess(
        "/usr/bin/env",
        {"strace", "-f", "-qq", "-o", "/dev/null", "-e", "inject=fchown:error=EPERM", Program, "/removecomments", path},
        "");
    EXPECT_EQ(refused.ExitCode, 2);
    EXPECT_EQ(refused.Errors, "brisklet-clean: " + path +
                                  ": cannot give the new file the old one's owner, mode or attributes: Operation not "
                                  "permitted\n");
    EXPECT_EQ(Read(path), "a ; b\n");
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, 1234u);
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
            const rlimit noCore{0, 0}; // SIGQUIT would leave a core file behind
            setrlimit(RLIMIT_CORE, &noCore);
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

    // The program on the file under strace, held a while after the first call named: its pid, or
    // 0 without strace.
    pid_t StartHeldAt(const std::string& call) {
        if (RunProcess("/bin/sh", {"-c", "command -v strace"}, "").ExitCode != 0)
            return 0;
        const pid_t child = fork();
        if (child == 0) {
            execlp("strace", "strace", "-f", "-qq", "-o", "/dev/null", "-e", ("trace=" + call).c_str(), "-e",
                   ("inject=" + call + ":delay_exit=1500000:when=1").c_str(), Program.c_str(), "/removecomments",
                   path_.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        return child;
    }

    std::string source_;
    std::string path_;
    std::string errors_;
};

TEST_F(CleanWhileRunning, ASignalRemovesTheTemporaryFileAndLeavesTheFile) {
    // Every signal whose default action ends the program, not only the usual three.
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM}) {
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

// SIGTERM while a file with two names is written through: the new text is written whole first,
// then the program ends by the signal. strace holds it for a while after its first write there.
TEST_F(CleanWhileRunning, ASignalDuringAWriteThroughWaitsForTheWholeNewText) {
    ASSERT_EQ(link(path_.c_str(), (folder_ / "other.pb").c_str()), 0);
    const pid_t child = StartHeldAt("pwrite64");
    if (child == 0)
        GTEST_SKIP() << "no strace here";
    // The first line changes with the first write through the file; then strace holds the program.
    int status = 0;
    bool sent = false;
    while (!sent && waitpid(child, &status, WNOHANG) == 0) {
        std::ifstream children("/proc/" + std::to_string(child) + "/task/" + std::to_string(child) + "/children");
        pid_t traced = 0;
        sent = Read(path_).compare(0, 8, source_, 0, 8) != 0 && (children >> traced) && kill(traced, SIGTERM) == 0;
    }
    if (!sent)
        GTEST_SKIP() << "the rewrite ended before the signal could be sent";
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    std::string lines;
    for (int i = 0; i < 1000; ++i)
        lines += "x = " + std::to_string(i) + " \n";
    std::string cleaned;
    for (int i = 0; i < 1500; ++i)
        cleaned += lines;
    EXPECT_TRUE(Read(path_) == cleaned);
    EXPECT_EQ(Leftovers(), (std::vector<std::string>{"big.pb", "other.pb"}));
}

// A second run at a file the first is rewriting waits for it, and cleans what it wrote. strace
// holds the first at its first flush.
TEST_F(CleanWhileRunning, TwoRunsAtOneFileTakeTurns) {
    const pid_t first = StartHeldAt("fsync");
    if (first == 0)
        GTEST_SKIP() << "no strace here";
    int status = 0;
    while (Leftovers().size() == 1 && waitpid(first, &status, WNOHANG) == 0) {
    }
    const test::ProcessResult second = RunProcess(Program, {"/removeallspaces", path_}, "");
    waitpid(first, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(second.ExitCode, 0) << second.Errors;
    EXPECT_EQ(Read(path_).substr(0, 12), "x=0\nx=1\nx=2\n");
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

// Names are used as given, from the folder's descriptor: nothing is resolved into one long path.
TEST_F(CleanFiles, AFileInAFolderDeeperThanPathMaxIsCleaned) {
    int folder = open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
    const std::string part(200, 'd');
    for (int depth = 0; depth < 25; ++depth) { // 25 * 201 bytes: past PATH_MAX (4096)
        ASSERT_EQ(mkdirat(folder, part.c_str(), 0700), 0);
        const int next = openat(folder, part.c_str(), O_RDONLY | O_DIRECTORY);
        close(folder);
        folder = next;
    }
    const int file = openat(folder, "f.pb", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(write(file, "a ; b\n", 6), 6);
    close(file);
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--check", "/removecomments", "f.pb"}, {"/removecomments", "f.pb"}}) {
        const pid_t child = fork();
        if (child == 0) {
            fchdir(folder);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 2);
            std::vector<char*> argv{const_cast<char*>(Program.c_str())};
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execv(Program.c_str(), argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_EQ(WEXITSTATUS(status), arguments.front() == "--check" ? 1 : 0);
    }
    char bytes[16] = {};
    const int cleaned = openat(folder, "f.pb", O_RDONLY);
    EXPECT_EQ(read(cleaned, bytes, sizeof bytes), 3);
    EXPECT_EQ(std::string(bytes), "a \n");
    close(cleaned);
    close(folder);
    // std::filesystem cannot remove what it cannot name: the shell can, from the top.
    EXPECT_EQ(std::system(("rm -rf '" + folder_.string() + "/" + part + "'").c_str()), 0);
}

TEST_F(CleanFiles, RunningOutOfMemoryOnOneFileLeavesItAndCleansTheNext) {
    // A comment of 40 MB waits whole for its line's end; 48 MB of address space cannot hold it twice.
    const std::string huge = Write("huge.pb", "a ; " + std::string(39999996, 'c') + "\nb ; d\n");
    const std::string small = Write("small.pb", "x ; y\nz\n");
    const test::ProcessResult result = RunProcess(
        "/bin/sh", {"-c", "ulimit -v 48000 && exec \"$0\" /removecomments \"$1\" \"$2\"", Program, huge, small}, "");
    EXPECT_EQ(result.ExitCode, 2);
    EXPECT_EQ(result.Errors, "brisklet-clean: " + huge + ": out of memory; left unchanged\n");
    EXPECT_EQ(Read(small), "x \nz\n");
    EXPECT_EQ(fs::file_size(huge), 40000007u);
}

TEST_F(CleanFiles, RewritesChangedFilesInPlaceKeepingTheirPermissions) {
    const std::string changed = Write("a.pb", "x = 1 ; c\r\n; IDE Options = PureBasic\r\n; Folding = -\r\n");
    const std::string same = Write("b.pb", "y = 2\n");
    chmod(changed.c_str(), 04640); // set-user-ID too: the owner may always set it on their own file
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
    EXPECT_EQ(after.st_mode & 07777, 04640u);
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

// A tree with trouble in it: the sources under a folder are found in sorted order, the others
// passed by, a bad file never stops the rest, and several jobs say and do what one job does.
TEST_F(CleanFiles, AFolderIsWalkedAndJobsChangeNothingButTheTime) {
    const auto lay = [](const fs::path& top) {
        fs::create_directories(top / "b" / "x.pb");
        fs::create_directories(top / ".git");
        for (int i = 0; i < 40; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "m%d.pb", i);
            std::ofstream(top / "b" / name, std::ios::binary) << (i % 3 == 0 ? "a = 1\n" : "a ; x\n");
        }
        std::ofstream(top / "b" / "x.pb" / "in.SBI", std::ios::binary) << "c ; d\n";
        std::ofstream(top / "a.PBI", std::ios::binary) << "e ; f\n";
        std::ofstream(top / "zero.pb", std::ios::binary) << std::string("a ; b\n\0c", 8);
        std::ofstream(top / "form.pbf", std::ios::binary) << "g ; h\n";
        std::ofstream(top / "notes.txt", std::ios::binary) << "i ; j\n";
        std::ofstream(top / ".git" / "hook.pb", std::ios::binary) << "k ; l\n";
        fs::create_directory_symlink(top / "b", top / "linked");
        fs::create_symlink(top / "nowhere", top / "gone.pb"); // unreadable, even by root
        static_cast<void>(mkfifo((top / "fifo.pb").c_str(), 0600));
    };
    const fs::path one = folder_ / "one";
    const fs::path many = folder_ / "many";
    lay(one);
    lay(many);
    // Names in messages are relative, so that both trees give the same text.
    const auto run = [](const fs::path& top, std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-C", top.string()});
        return RunProcess("/usr/bin/env", arguments, "");
    };
    for (const std::vector<std::string>& options : {std::vector<std::string>{"--check"}, {"--diff"}, {}}) {
        std::vector<std::string> arguments{Program, "/removecomments", ".", "missing.pb"};
        arguments.insert(arguments.begin() + 1, options.begin(), options.end());
        std::vector<std::string> single = arguments;
        single.insert(single.begin() + 1, "--jobs=1");
        std::vector<std::string> parallel = arguments;
        parallel.insert(parallel.begin() + 1, {"--jobs", "8"});
        const test::ProcessResult expected = run(one, single);
        const test::ProcessResult got = run(many, parallel);
        SCOPED_TRACE(options.empty() ? "rewrite" : options.front());
        EXPECT_EQ(got.ExitCode, 2);
        EXPECT_EQ(got.ExitCode, expected.ExitCode);
        EXPECT_EQ(got.Output, expected.Output);
        EXPECT_EQ(got.Errors, expected.Errors);
    }
    EXPECT_EQ(Read((many / "b" / "x.pb" / "in.SBI").string()), "c \n");
    EXPECT_EQ(Read((many / "a.PBI").string()), "e \n");
    EXPECT_EQ(Read((many / "b" / "m1.pb").string()), "a \n");
    for (const char* untouched : {"form.pbf", "notes.txt", ".git/hook.pb"})
        EXPECT_EQ(Read((many / untouched).string()), Read((folder_ / "one" / untouched).string()));
    EXPECT_EQ(Read((many / ".git" / "hook.pb").string()), "k ; l\n");
    EXPECT_EQ(Read((many / "zero.pb").string()), std::string("a ; b\n\0c", 8));
    const test::ProcessResult checked = run(one, {Program, "--check", "/removecomments", "."});
    EXPECT_EQ(checked.Errors, "brisklet-clean: ./fifo.pb: not a regular file\n"
                              "brisklet-clean: ./gone.pb: No such file or directory\n"
                              "brisklet-clean: ./zero.pb: holds a zero byte, not a source file; left unchanged\n");
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

// Random texts of the lines the switches act on, with every kind of line end, a byte order mark
// or none, a settings block or none, and now and then a selection: the diff --diff prints,
// applied by patch, gives byte for byte what a run writes, and --diff itself changes nothing.
TEST_F(CleanFiles, PatchingTheDiffGivesWhatARunWrites) {
    if (RunProcess("/bin/sh", {"-c", "command -v patch"}, "").ExitCode != 0)
        GTEST_SKIP() << "GNU patch is not installed; scripts/setup-native.sh installs it";
    const std::string lines[] = {"x = 1",   "  y = 2 ; note", "\tz",     "Debug a", "", "   ", "\t \t",
                                 "s = \"a;b\" ; c", "a  b   c", "\xC3\xA4\xC3\x96 q", "\xE9r", "; IDE Options = PureBasic",
                                 "; Folding = -", "A ;"};
    const std::string ends[] = {"\n", "\r\n", "\r"};
    const std::string switches[] = {"/removeemptylines",          "/removedebuglines",
                                    "/removecomments",            "/removedoublespaces",
                                    "/removeallspaces",           "/removespacesatendoflines",
                                    "/removespacesatstartoflines", "/converttexttolowercaseletters",
                                    "/converttexttouppercaseletters", "/converttabtospace",
                                    "/convertspacetotab"};
    std::mt19937 random(20261208);
    const auto pick = [&](size_t count) { return static_cast<size_t>(random() % count); };
    int changed = 0;
    for (int round = 0; round < 120; ++round) {
        std::string text = pick(4) == 0 ? "\xEF\xBB\xBF" : "";
        const size_t count = pick(5) == 0 ? 100 + pick(600) : pick(14);
        for (size_t i = 0; i < count; ++i)
            text += lines[pick(std::size(lines))] + (i + 1 == count && pick(3) == 0 ? "" : ends[pick(std::size(ends))]);
        std::vector<std::string> arguments{"--tab-length=" + std::to_string(1 + pick(4))};
        for (size_t i = 0, n = 1 + pick(3); i < n; ++i)
            arguments.push_back(switches[pick(std::size(switches))]);
        std::vector<std::string> environment;
        if (pick(3) == 0) {
            size_t lineCount = 1;
            for (size_t at = 0; at < text.size(); ++at)
                lineCount += text[at] == '\n' || (text[at] == '\r' && (at + 1 == text.size() || text[at + 1] != '\n'));
            const size_t first = 1 + pick(lineCount);
            arguments.push_back("/onlyselectedcode");
            environment.push_back("PB_TOOL_Selection=" + std::to_string(first) + "x1x" +
                                  std::to_string(first + pick(lineCount - first + 1)) + "x1");
        }
        SCOPED_TRACE("round " + std::to_string(round) + ": " + ::testing::PrintToString(text) + " " +
                     ::testing::PrintToString(arguments) + ::testing::PrintToString(environment));
        const std::string original = Write("a.pb", text);
        const std::string cleaned = Write("b.pb", text);
        std::vector<std::string> diffArguments = arguments;
        diffArguments.insert(diffArguments.begin(), "--diff");
        diffArguments.push_back(original);
        arguments.push_back(cleaned);
        const test::ProcessResult diff = RunProcess(Program, diffArguments, "", {}, environment);
        ASSERT_EQ(RunProcess(Program, arguments, "", {}, environment).ExitCode, 0);
        EXPECT_EQ(Read(original), text);
        EXPECT_EQ(diff.Errors, "");
        const bool changes = Read(cleaned) != text;
        EXPECT_EQ(diff.ExitCode, changes ? 1 : 0);
        EXPECT_EQ(diff.Output.empty(), !changes);
        if (!changes)
            continue;
        ++changed;
        const std::string patchFile = Write("d.diff", diff.Output);
        const std::string patched = (folder_ / "c.pb").string();
        // No fuzz, and no hunk found away from the place its header gives ("offset").
        const test::ProcessResult patch =
            RunProcess("/usr/bin/env", {"patch", "--fuzz=0", "-o", patched, original, patchFile}, "");
        EXPECT_EQ(patch.ExitCode, 0) << patch.Output << patch.Errors;
        EXPECT_EQ(patch.Output.find("Hunk"), std::string::npos) << patch.Output;
        EXPECT_EQ(Read(patched), Read(cleaned));
    }
    EXPECT_GT(changed, 60);
}

// The diff names the files as given, under a/ and b/, so that patch -p1 finds them from the
// folder they are named from, a name with blanks included.
TEST_F(CleanFiles, PatchFindsTheFilesTheDiffNames) {
    if (RunProcess("/bin/sh", {"-c", "command -v patch"}, "").ExitCode != 0)
        GTEST_SKIP() << "GNU patch is not installed; scripts/setup-native.sh installs it";
    Write("one.pb", "a ; b\r\n");
    Write("my file.pb", "c\n\nd");
    const test::ProcessResult diff = RunProcess(
        "/bin/sh", {"-c", "cd \"$1\" && exec \"$0\" --diff /removecomments /removeemptylines one.pb 'my file.pb'",
                    Program, folder_.string()},
        "");
    EXPECT_EQ(diff.ExitCode, 1);
    const std::string patchFile = (folder_.parent_path() / ("brisklet-names-" + std::to_string(getpid()))).string();
    std::ofstream(patchFile, std::ios::binary) << diff.Output;
    const test::ProcessResult patch =
        RunProcess("/usr/bin/env", {"patch", "-s", "-p1", "-d", folder_.string(), "-i", patchFile}, "");
    fs::remove(patchFile);
    EXPECT_EQ(patch.ExitCode, 0) << patch.Output << patch.Errors;
    EXPECT_EQ(Read((folder_ / "one.pb").string()), "a \r\n");
    EXPECT_EQ(Read((folder_ / "my file.pb").string()), "c\nd");
}

// A tree with a .editorconfig at its top and one in a sub-folder, each row one run: every file
// gets the width its own files give, --tab-length and the IDE's preferences win over them, and a
// broken one leaves its files alone while the run goes on. A file's width is shown as the spaces
// its tab became ("-": left a tab).
TEST_F(CleanFiles, TabWidthsComeFromEachFilesEditorConfig) {
    const fs::path tree = folder_ / "tree";
    const std::string prefs = Write("ide.prefs", "[Global]\nTabLength = 4\n");
    const std::string pbiThree = "[*.pbi]\nindent_size = 3\n";
    const std::string link = "-> nowhere";
    const std::string folder = "/";
    const std::string inSub = "; ./sub/b.pbi left unchanged\nbrisklet-clean: sub/.editorconfig: ";
    struct Row {
        const char* name;
        std::vector<std::string> arguments;
        std::string subConfig; // sub/.editorconfig; link makes it a link to nothing, folder a folder
        std::string widths;
        int exitCode;
        std::string errors;
        std::vector<std::string> environment = {};
        std::string input = {};
        std::string output = {};
    };
    const Row rows[] = {
        {"each file its own", {"-v", "/converttabtospace", "."}, pbiThree, "a.pb:8 d.pbi:2 sub/b.pbi:3 sub/c.pb:8", 0,
         "brisklet-clean: ./a.pb: tab width 8 from .editorconfig\nbrisklet-clean: ./a.pb: cleaned\n"
         "brisklet-clean: ./d.pbi: tab width 2, the default\nbrisklet-clean: ./d.pbi: cleaned\n"
         "brisklet-clean: ./sub/b.pbi: tab width 3 from .editorconfig\nbrisklet-clean: ./sub/b.pbi: cleaned\n"
         "brisklet-clean: ./sub/c.pb: tab width 8 from .editorconfig\nbrisklet-clean: ./sub/c.pb: cleaned\n"},
        {"a nearer tab_width wins", {"/converttabtospace", "."}, "[*]\ntab_width = 6\n",
         "a.pb:8 d.pbi:2 sub/b.pbi:6 sub/c.pb:6", 0, ""},
        {"tab_width before indent_size", {"/converttabtospace", "sub/b.pbi"}, "[*]\nindent_size = 3\ntab_width = 5\n",
         "sub/b.pbi:5", 0, ""},
        {"--tab-length wins", {"-v", "--tab-length=5", "/converttabtospace", "sub/c.pb"}, pbiThree, "sub/c.pb:5", 0,
         "brisklet-clean: sub/c.pb: tab width 5 from --tab-length\nbrisklet-clean: sub/c.pb: cleaned\n"},
        {"the IDE's width wins", {"-v", "/converttabtospace", "sub/b.pbi"}, pbiThree, "sub/b.pbi:4", 0,
         "brisklet-clean: sub/b.pbi: tab width 4 from PB_TOOL_Preferences\nbrisklet-clean: sub/b.pbi: cleaned\n",
         {"PB_TOOL_Preferences=" + prefs}},
        {"--no-editorconfig", {"--no-editorconfig", "/converttabtospace", "."}, pbiThree,
         "a.pb:2 d.pbi:2 sub/b.pbi:2 sub/c.pb:2", 0, ""},
        {"a malformed one", {"/converttabtospace", "."}, "[*.pbi\nindent_size = 3\n", "a.pb:8 d.pbi:2", 2,
         "brisklet-clean: sub/.editorconfig: line 1 is neither a [section] nor a name = value" + inSub +
             "line 1 is neither a [section] nor a name = value; ./sub/c.pb left unchanged\n"},
        {"an unreadable one", {"--check", "/converttabtospace", "."}, link, "", 2,
         "brisklet-clean: ./a.pb: would change\nbrisklet-clean: ./d.pbi: would change\n"
         "brisklet-clean: sub/.editorconfig: No such file or directory" + inSub +
             "No such file or directory; ./sub/c.pb left unchanged\n"},
        {"a folder of that name", {"/converttabtospace", "sub"}, folder, "", 2,
         "brisklet-clean: sub/.editorconfig: not a regular file; sub/b.pbi left unchanged\n"
         "brisklet-clean: sub/.editorconfig: not a regular file; sub/c.pb left unchanged\n"},
        {"no lookup without a tab switch", {"/removecomments", "."}, "[*.pbi\n", "", 0, ""},
        {"standard input named", {"--stdin-name", "sub/new.pbi", "/converttabtospace"}, pbiThree, "", 0, "", {},
         "\tx\n", "   x\n"},
        {"standard input unnamed", {"-v", "/converttabtospace"}, pbiThree, "", 0,
         "brisklet-clean: standard input: tab width 2, the default\n", {}, "\tx\n", "  x\n"},
        {"standard input under a broken one", {"--stdin-name=sub/x.pbi", "/converttabtospace"}, "[*.pbi\n", "", 2,
         "brisklet-clean: sub/.editorconfig: line 1 is neither a [section] nor a name = value; standard input "
         "left unread\n", {}, "\tx\n", ""},
    };
    const std::vector<std::string> sources = {"a.pb", "d.pbi", "sub/b.pbi", "sub/c.pb"};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(tree);
        fs::create_directories(tree / "sub");
        std::ofstream(tree / ".editorconfig", std::ios::binary) << "root = true\n[*.pb]\ntab_width = 8\n";
        if (row.subConfig == link)
            fs::create_symlink("nowhere", tree / "sub" / ".editorconfig");
        else if (row.subConfig == folder)
            fs::create_directory(tree / "sub" / ".editorconfig");
        else
            std::ofstream(tree / "sub" / ".editorconfig", std::ios::binary) << row.subConfig;
        for (const std::string& source : sources)
            std::ofstream(tree / source, std::ios::binary) << "\tx\n";
        std::vector<std::string> arguments{"-C", tree.string(), Program};
        arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
        const test::ProcessResult result = RunProcess("/usr/bin/env", arguments, row.input, {}, row.environment);
        std::string widths;
        for (const std::string& source : sources) {
            const std::string text = Read((tree / source).string());
            if (text != "\tx\n")
                widths += (widths.empty() ? "" : " ") + source + ":" + std::to_string(text.find('x'));
        }
        EXPECT_EQ(widths, row.widths);
        EXPECT_EQ(result.Output, row.output);
        EXPECT_EQ(result.ExitCode, row.exitCode);
        EXPECT_EQ(result.Errors, row.errors);
    }
}

// The IDE's part on Linux, played out: it saves the source to a temporary file (a byte order
// mark for a UTF-8 source, LF line ends, its settings block appended), starts the tool with its
// PB_TOOL_ variables, waits, and loads the file back, cutting the settings block off.
TEST_F(CleanFiles, TheIdeGetsItsSelectionCleanedWithItsTabWidth) {
    // The preferences file's name is not UTF-8: a name is bytes, and every byte must reach the file.
    const std::string prefs = Write("Pr\xE9" "f\xFF.prefs", "[Global]\nTabLength = 4\nEditorFont = Monospace\n[Shortcuts]\n");
    const std::string settings =
        "; IDE Options = PureBasic 6.10 LTS (Linux - x64)\n; CursorPosition = 3\n; Folding = 1-\n; EnableXP\n";
    const std::string source = "Procedure A() ; first\n\tx = 1 ; \xC3\xA4nderung\n\tDebug x\nEndProcedure ; last\n";
    const std::string tempFile = Write("PB_EditorOutput.pb", "\xEF\xBB\xBF" + source + settings);
    // No dialog program on PATH: the messages are for the test.
    const std::vector<std::string> ide = {"PB_TOOL_Preferences=" + prefs, "PB_TOOL_IDE=/opt/purebasic/compilers/purebasic",
                                          "PB_TOOL_Cursor=2x5", "PB_TOOL_Scintilla=0", "PB_TOOL_MainWindow=0",
                                          "PATH=" + folder_.string()};
    const auto runTool = [&](const std::string& selection, const std::vector<std::string>& switches,
                             const std::string& settingsAfter) {
        std::vector<std::string> environment = ide;
        environment.push_back("PB_TOOL_Selection=" + selection);
        std::vector<std::string> arguments = switches;
        arguments.push_back(tempFile);
        const test::ProcessResult result = RunProcess(Program, arguments, "", {}, environment);
        EXPECT_EQ(result.ExitCode, 0);
        EXPECT_EQ(result.Errors, "");
        // What the IDE loads back: the encoding from the mark, the settings block cut off.
        const std::string loaded = Read(tempFile);
        EXPECT_EQ(loaded.substr(0, 3), "\xEF\xBB\xBF");
        const size_t block = loaded.rfind("; IDE Options");
        EXPECT_EQ(loaded.substr(block), settingsAfter);
        return loaded.substr(3, block - 3);
    };
    const std::vector<std::string> switches = {"/converttabtospace", "/removecomments", "/removedebuglines",
                                               "/onlyselectedcode", "/keepcursorandfolds"};
    // Lines 2 and 3 selected, from the tab of line 2 to the end of line 3; "ä" is one column.
    // The debug line empties but stays: its line end lies outside the selection.
    EXPECT_EQ(runTool("2x1x3x9", switches, settings),
              "Procedure A() ; first\n    x = 1 \n\nEndProcedure ; last\n");
    // Nothing selected: nothing at all is done.
    const std::string before = Read(tempFile);
    struct stat unchanged {};
    stat(tempFile.c_str(), &unchanged);
    runTool("4x3x4x3", switches, settings);
    struct stat after {};
    stat(tempFile.c_str(), &after);
    EXPECT_EQ(after.st_ino, unchanged.st_ino);
    EXPECT_EQ(Read(tempFile), before);
    // A selection beyond the file: reported, and the file left as it is.
    std::vector<std::string> beyond = ide;
    beyond.push_back("PB_TOOL_Selection=1x1x12x1");
    const test::ProcessResult refused = RunProcess(Program, {"/removecomments", "/onlyselectedcode", tempFile}, "", {}, beyond);
    EXPECT_EQ(refused.ExitCode, 2);
    EXPECT_EQ(refused.Errors, "brisklet-clean: PB_TOOL_Selection: line 12 is beyond the end of " + tempFile +
                                  ", which has 9 lines\n");
    EXPECT_EQ(Read(tempFile), before);
    // Without the modifier the whole source is cleaned, whatever the IDE has selected; the caret
    // on the last line moves up with it.
    std::string caretMoved = settings;
    caretMoved.replace(caretMoved.find("= 3"), 3, "= 2");
    EXPECT_EQ(runTool("1x1x1x1", {"/removecomments", "/removeemptylines"}, caretMoved),
              "Procedure A() \n    x = 1 \nEndProcedure \n");
    EXPECT_EQ(Leftovers(), (std::vector<std::string>{"PB_EditorOutput.pb", "Pr\xE9" "f\xFF.prefs"}));
}

} // namespace
} // namespace brisklet
