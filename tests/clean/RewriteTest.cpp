// The rewrite protocol in process: every step of it made to fail, and another program acting
// between any two steps, on a file with one name and on one with two.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "clean/Command.h"
#include "support/FakeFileSystem.h"

namespace brisklet {
namespace {

using test::FakeFileSystem;

const std::string Original = "a = 1 ; one\nb = 2 ; two\n";
const std::string Cleaned = "a = 1 \nb = 2 \n";

using test::CommandRun;

CommandRun Clean(FakeFileSystem& files, const std::vector<std::string>& arguments) {
    return test::RunCommandInMemory(files, arguments);
}

struct Layout {
    const char* Name;
    bool HardLinked;
};
constexpr Layout Layouts[] = {{"one name", false}, {"two names", true}};

FakeFileSystem Prepared(const Layout& layout) {
    FakeFileSystem files;
    files.Put("f.pb", Original);
    if (layout.HardLinked)
        files.Link("f.pb", "g.pb");
    return files;
}

// The calls of an undisturbed run, and where the last look at the file comes before it is
// replaced or written through.
std::vector<std::string> CallsOfARun(const Layout& layout, size_t& lastCheck) {
    FakeFileSystem files = Prepared(layout);
    EXPECT_EQ(Clean(files, {"/removecomments", "f.pb"}).Status, 0);
    EXPECT_EQ(files.Bytes("f.pb"), Cleaned);
    const auto replace = std::find_if(files.Calls.begin(), files.Calls.end(),
                                      [](const std::string& call) { return call == "Replace" || call == "Reserve"; });
    EXPECT_NE(replace, files.Calls.end());
    lastCheck = static_cast<size_t>(replace - files.Calls.begin()) - 1;
    return files.Calls;
}

TEST(Rewrite, EveryFailedStepLeavesTheFileAsItWasAndSaysWhy) {
    for (const Layout& layout : Layouts) {
        size_t lastCheck = 0;
        const std::vector<std::string> calls = CallsOfARun(layout, lastCheck);
        for (size_t step = 0; step < calls.size(); ++step) {
            if (calls[step] == "Remove" || calls[step] == "StartFlush" || calls[step] == "FindBackup" ||
                calls[step].ends_with("Signals"))
                continue; // cannot fail
            SCOPED_TRACE(std::string(layout.Name) + ": " + calls[step] + " at " + std::to_string(step));
            FakeFileSystem files = Prepared(layout);
            files.FailAt = static_cast<int64_t>(step);
            const CommandRun run = Clean(files, {"/removecomments", "f.pb"});
            EXPECT_EQ(run.Status, 2);
            EXPECT_NE(run.Errors.find("No space left on device"), std::string::npos) << run.Errors;
            EXPECT_EQ(files.Leftovers(), std::vector<std::string>());
            if (calls[step] == "NoteFolderToFlush") {
                EXPECT_EQ(files.Bytes("f.pb"), Cleaned);
                EXPECT_EQ(run.Errors, "brisklet-clean: f.pb: rewritten, but its folder could not be flushed to "
                                      "disk: No space left on device\n");
            } else if (calls[step] == "FlushFolders") {
                EXPECT_EQ(files.Bytes("f.pb"), Cleaned);
                EXPECT_EQ(run.Errors, "brisklet-clean: .: files were rewritten in it, but it could not be flushed "
                                      "to disk: No space left on device\n");
            } else {
                EXPECT_EQ(files.Bytes("f.pb"), Original);
            }
            if (layout.HardLinked) {
                EXPECT_EQ(files.Bytes("g.pb"), files.Bytes("f.pb"));
            }
        }
    }
}

TEST(Rewrite, AWriteThroughThatCannotBeUndoneNamesBothTexts) {
    size_t lastCheck = 0;
    const std::vector<std::string> calls = CallsOfARun(Layouts[1], lastCheck);
    const size_t firstWrite = static_cast<size_t>(std::find(calls.begin(), calls.end(), "WriteAt") - calls.begin());
    ASSERT_LT(firstWrite, calls.size());
    FakeFileSystem files = Prepared(Layouts[1]);
    files.FailAt = static_cast<int64_t>(firstWrite);
    files.FailOnwards = true;
    const CommandRun run = Clean(files, {"/removecomments", "f.pb"});
    EXPECT_EQ(run.Status, 2);
    std::vector<std::string> left = files.Leftovers();
    ASSERT_EQ(left.size(), 2u);
    if (files.Bytes(left[0]) != Cleaned)
        std::swap(left[0], left[1]);
    EXPECT_EQ(files.Bytes(left[0]), Cleaned);
    EXPECT_EQ(files.Bytes(left[1]), Original);
    EXPECT_EQ(run.Errors, "brisklet-clean: f.pb: No space left on device; the old text could not be put back (No "
                          "space left on device): the cleaned text is in " +
                              left[0] + ", the old text in " + left[1] +
                              "\nbrisklet-clean: .: files were rewritten in it, but it could not be flushed to disk: No "
                              "space left on device\n");
}

struct Meddling {
    const char* Name;
    void (*Act)(FakeFileSystem&);
};
const Meddling Meddlings[] = {
    {"saved in place", [](FakeFileSystem& files) { files.Rewrite("f.pb", "saved ; keep\n"); }},
    {"same size", [](FakeFileSystem& files) { files.Rewrite("f.pb", "c = 3 ; thr\nd = 4 ; fou\n"); }},
    {"saved by rename", [](FakeFileSystem& files) { files.RenameOver("f.pb", "saved ; keep\n"); }},
    // As on file systems whose rename leaves the file's change time alone: only its name tells.
    {"moved away, another in its place",
     [](FakeFileSystem& files) {
         files.Names["f.old"] = files.Names.at("f.pb");
         files.Put("f.pb", "saved ; keep\n");
     }},
    {"chmod 600", [](FakeFileSystem& files) { files.ChangeMode("f.pb", 0100600); }},
    {"new hard link", [](FakeFileSystem& files) { files.Link("f.pb", "h.pb"); }},
};

TEST(Rewrite, AFileChangedAtAnyStepIsLeftAsTheOtherProgramLeftIt) {
    for (const Layout& layout : Layouts) {
        size_t lastCheck = 0;
        const std::vector<std::string> calls = CallsOfARun(layout, lastCheck);
        // Only the rename itself is left between the last look and the replace.
        if (!layout.HardLinked) {
            EXPECT_EQ(calls[lastCheck + 1], "Replace");
        }
        for (const Meddling& meddling : Meddlings) {
            for (size_t step = 1; step <= lastCheck; ++step) {
                SCOPED_TRACE(std::string(layout.Name) + ", " + meddling.Name + " before " + calls[step] + " at " +
                             std::to_string(step));
                FakeFileSystem files = Prepared(layout);
                files.MeddleAt = static_cast<int64_t>(step);
                files.Meddle = meddling.Act;
                FakeFileSystem untouched = Prepared(layout);
                meddling.Act(untouched);
                const CommandRun run = Clean(files, {"/removecomments", "f.pb"});
                EXPECT_EQ(run.Status, 2);
                EXPECT_EQ(run.Errors, "brisklet-clean: f.pb: changed on disk while it was cleaned; left as it is\n");
                EXPECT_EQ(files.Bytes("f.pb"), untouched.Bytes("f.pb"));
                EXPECT_EQ(files.Names.at("f.pb")->Mode, untouched.Names.at("f.pb")->Mode);
                EXPECT_EQ(files.Leftovers(), std::vector<std::string>());
            }
        }
    }
}

// Past the last look, a file with two names is written through: another program that writes it
// then is never cut off silently, and the text from before the run stays beside it.
TEST(Rewrite, AWriteThroughThatAnotherProgramJoinsKeepsTheOldText) {
    size_t lastCheck = 0;
    const std::vector<std::string> calls = CallsOfARun(Layouts[1], lastCheck);
    const size_t released = static_cast<size_t>(std::find(calls.begin(), calls.end(), "ReleaseSignals") - calls.begin());
    for (const bool append : {true, false}) {
        for (size_t step = lastCheck + 1; step < released; ++step) {
            if (calls[step].ends_with("Signals"))
                continue; // not a call another program could come before
            SCOPED_TRACE(std::string(append ? "appended" : "saved in place") + " before " + calls[step] + " at " +
                         std::to_string(step));
            // The one moment left, as on the rename road: an append between the last look and
            // the cut, two system calls apart.
            if (append && calls[step] == "Truncate")
                continue;
            FakeFileSystem files = Prepared(Layouts[1]);
            files.MeddleAt = static_cast<int64_t>(step);
            files.Meddle = [append](FakeFileSystem& other) {
                other.Rewrite("f.pb", append ? other.Bytes("f.pb") + "added\n" : "saved ; keep\n");
            };
            const CommandRun run = Clean(files, {"/removecomments", "f.pb"});
            EXPECT_EQ(run.Status, 2);
            EXPECT_EQ(run.Errors, "brisklet-clean: f.pb: another program wrote to it while it was written in place; "
                                  "its text from before this run is in f.pb.brisklet-backup\n");
            EXPECT_EQ(files.Bytes("f.pb.brisklet-backup"), Original);
            if (append) {
                EXPECT_TRUE(files.Bytes("f.pb").ends_with("added\n")) << files.Bytes("f.pb");
            }
            // The next run leaves both alone until the copy is removed.
            const std::string left = files.Bytes("f.pb");
            const CommandRun next = Clean(files, {"/removecomments", "f.pb"});
            EXPECT_EQ(next.Status, 2);
            EXPECT_EQ(files.Bytes("f.pb"), left);
        }
    }
}

// A signal at any step leaves the file whole, old or new, and no file of the run's; SIGKILL,
// which no handler sees, leaves the old text beside a file it may have cut, and the next run says
// so and touches neither.
TEST(Rewrite, ASignalAtAnyStepLeavesTheFileWholeOrATrail) {
    for (const Layout& layout : Layouts) {
        size_t lastCheck = 0;
        const std::vector<std::string> calls = CallsOfARun(layout, lastCheck);
        for (const bool kill : {false, true}) {
            for (size_t step = 0; step < calls.size(); ++step) {
                SCOPED_TRACE(std::string(layout.Name) + (kill ? ", SIGKILL" : ", SIGTERM") + " before " + calls[step] +
                             " at " + std::to_string(step));
                FakeFileSystem files = Prepared(layout);
                (kill ? files.KillAt : files.SignalAt) = static_cast<int64_t>(step);
                static_cast<void>(Clean(files, {"/removecomments", "f.pb"}));
                const std::string bytes = files.Bytes("f.pb");
                if (!files.Names.contains("f.pb.brisklet-backup")) {
                    EXPECT_TRUE(bytes == Original || bytes == Cleaned) << bytes;
                    if (!kill) {
                        EXPECT_EQ(files.Leftovers(), std::vector<std::string>());
                    }
                    continue;
                }
                EXPECT_TRUE(kill);
                files.Ended = false;
                files.KillAt = -1;
                const CommandRun next = Clean(files, {"/removecomments", "f.pb"});
                EXPECT_EQ(next.Status, 2);
                EXPECT_EQ(next.Errors, "brisklet-clean: f.pb: f.pb.brisklet-backup holds its text from before an "
                                       "interrupted run; left unchanged until that file is removed\n");
                // The old text survives: in the copy, or, if the copy was cut short, in the file.
                EXPECT_TRUE(files.Bytes("f.pb.brisklet-backup") == Original || bytes == Original);
                EXPECT_EQ(files.Bytes("f.pb"), bytes);
            }
        }
    }
}

// Another run holds the file: this one lets go of the files it holds, waits, and then cleans what
// the other left, also when that is a new file in the name's place.
TEST(Rewrite, TwoRunsTakeTurnsAtAFile) {
    const auto prepared = [] {
        FakeFileSystem files;
        files.Put("a.pb", Original);
        files.Put("f.pb", Original);
        files.BusyName = "f.pb";
        return files;
    };
    FakeFileSystem plain = prepared();
    ASSERT_EQ(Clean(plain, {"/removecomments", "a.pb", "f.pb"}).Status, 0);
    // a.pb's lock, f.pb's busy one, then the wait.
    auto wait = plain.Calls.begin();
    for (int lock = 0; lock < 3 && wait != plain.Calls.end(); ++lock)
        wait = std::find(lock == 0 ? wait : wait + 1, plain.Calls.end(), "Lock");
    ASSERT_NE(wait, plain.Calls.end());
    EXPECT_NE(std::find(plain.Calls.begin(), wait, "Replace"), wait) << "a.pb is put in place before the wait";
    FakeFileSystem files = prepared();
    files.MeddleAt = wait - plain.Calls.begin();
    files.Meddle = [](FakeFileSystem& other) { other.RenameOver("f.pb", "c = 3 ; three\n"); };
    const CommandRun run = Clean(files, {"/removecomments", "a.pb", "f.pb"});
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_EQ(files.Bytes("f.pb"), "c = 3 \n");
    EXPECT_EQ(files.Bytes("a.pb"), Cleaned);
    EXPECT_EQ(files.Leftovers(), std::vector<std::string>());
}

// A file reached twice is cleaned and reported once, as one job and as several would.
TEST(Rewrite, AFileReachedTwiceIsCleanedOnce) {
    struct Twice {
        const char* Name;
        std::vector<std::string> Arguments;
    };
    const Twice cases[] = {
        {"named twice", {"f.pb", "f.pb"}},
        {"by two hard links", {"f.pb", "g.pb"}},
        {"in a named folder", {"d", "d/a.pb"}},
    };
    for (const Twice& c : cases) {
        for (const char* mode : {"--check", "--verbose"}) {
            SCOPED_TRACE(std::string(c.Name) + " " + mode);
            FakeFileSystem files = Prepared(Layouts[1]);
            files.Put("d", {});
            files.Names.at("d")->Directory = true;
            files.Put("d/a.pb", Original);
            std::vector<std::string> arguments{mode, "/removecomments"};
            arguments.insert(arguments.end(), c.Arguments.begin(), c.Arguments.end());
            const CommandRun run = Clean(files, arguments);
            const std::string& first = c.Arguments.front() == "d" ? c.Arguments.back() : c.Arguments.front();
            EXPECT_EQ(run.Errors, "brisklet-clean: " + first + (mode[2] == 'c' ? ": would change\n" : ": cleaned\n"));
            EXPECT_EQ(run.Status, mode[2] == 'c' ? 1 : 0);
        }
    }
}

TEST(Rewrite, TheNewFileTakesTheModeFoundAtTheLastCheck) {
    FakeFileSystem files = Prepared(Layouts[0]);
    files.ChangeMode("f.pb", 0100640);
    EXPECT_EQ(Clean(files, {"/removecomments", "f.pb"}).Status, 0);
    EXPECT_EQ(files.Names.at("f.pb")->Mode, 0100640u);
}

// A changed file's new text waits for its commit while the next files are cleaned: another
// program that saves the file meanwhile, or a flush that fails then, touches that file alone,
// and the messages keep the files' order.
TEST(Rewrite, AFileAwaitingItsCommitIsCheckedWhenItsTurnComes) {
    const auto name = [](int i) { return std::string("f").append(std::to_string(100 + i)).append(".pb"); };
    std::vector<std::string> arguments{"/removecomments"};
    for (int i = 0; i < 20; ++i)
        arguments.push_back(name(i));
    // A copy would share its files with the original.
    const auto prepared = [&name] {
        FakeFileSystem files;
        for (int i = 0; i < 20; ++i)
            files.Put(name(i), Original);
        return files;
    };
    FakeFileSystem plain = prepared();
    ASSERT_EQ(Clean(plain, arguments).Status, 0);
    const auto nth = [&plain](const char* call, int count) {
        auto at = plain.Calls.begin();
        for (int seen = 0; at != plain.Calls.end(); ++at)
            if (*at == call && ++seen == count)
                break;
        return static_cast<int64_t>(at - plain.Calls.begin());
    };
    const int64_t tenthOpened = nth("OpenSource", 10);
    const int64_t fourthFlushed = nth("Flush", 4);
    ASSERT_LT(tenthOpened, fourthFlushed) << "the fourth file is put in place only after the tenth is read";

    FakeFileSystem saved = prepared();
    saved.MeddleAt = tenthOpened;
    saved.Meddle = [&name](FakeFileSystem& files) { files.Rewrite(name(3), "saved ; keep\n"); };
    const CommandRun savedRun = Clean(saved, arguments);
    EXPECT_EQ(savedRun.Status, 2);
    EXPECT_EQ(savedRun.Errors, "brisklet-clean: f103.pb: changed on disk while it was cleaned; left as it is\n");
    EXPECT_EQ(saved.Bytes(name(3)), "saved ; keep\n");

    FakeFileSystem failed = prepared();
    failed.FailAt = fourthFlushed;
    const CommandRun failedRun = Clean(failed, arguments);
    EXPECT_EQ(failedRun.Status, 2);
    EXPECT_EQ(failedRun.Errors, "brisklet-clean: f103.pb: No space left on device\n");
    EXPECT_EQ(failed.Bytes(name(3)), Original);

    for (FakeFileSystem* files : {&saved, &failed}) {
        for (int i = 0; i < 20; ++i) {
            if (i != 3) {
                EXPECT_EQ(files->Bytes(name(i)), Cleaned) << name(i);
            }
        }
        EXPECT_EQ(files->Leftovers(), std::vector<std::string>());
    }
}

// Running out of memory as the new file is put in place, a few files after it was written:
// the file stays as it was and the run goes on.
TEST(Rewrite, RunningOutOfMemoryAtTheCommitLeavesTheFile) {
    size_t lastCheck = 0;
    const std::vector<std::string> calls = CallsOfARun(Layouts[0], lastCheck);
    FakeFileSystem files = Prepared(Layouts[0]);
    files.MeddleAt = std::find(calls.begin(), calls.end(), "CopyPermissions") - calls.begin();
    files.Meddle = [](FakeFileSystem&) { throw std::bad_alloc(); };
    const CommandRun run = Clean(files, {"/removecomments", "f.pb"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Errors, "brisklet-clean: f.pb: out of memory while it was put in place\n");
    EXPECT_EQ(files.Bytes("f.pb"), Original);
    EXPECT_EQ(files.Leftovers(), std::vector<std::string>());
}

// The IDE's tools file goes the same way: whatever step fails, it is the old file or the new,
// and another program's write at any step is never lost.
TEST(Rewrite, TheIdesToolsFileIsWrittenLikeASource) {
    const std::string file = ".purebasic/tools.prefs";
    const std::string before = "[ToolsInfo]\nToolCount = 1\n[Tool_0]\nCommand = astyle\nMenuItemName = Format\n";
    CleanEnvironment environment;
    environment.ToolsPlaces = {{".purebasic", file}};
    environment.ProgramPath = "/opt/brisklet-clean";
    const auto prepared = [&](FakeFileSystem& files) {
        files.Put(".purebasic", "");
        files.Names[".purebasic"]->Directory = true;
        files.Put(file, before);
    };
    FakeFileSystem undisturbed;
    prepared(undisturbed);
    ASSERT_EQ(test::RunCommandInMemory(undisturbed, {"--add-ide-tools"}, environment).Status, 0);
    const std::string after = undisturbed.Bytes(file);
    for (size_t step = 0; step < undisturbed.Calls.size(); ++step) {
        SCOPED_TRACE(undisturbed.Calls[step]);
        FakeFileSystem failing;
        prepared(failing);
        failing.FailAt = static_cast<int64_t>(step);
        const CommandRun run = test::RunCommandInMemory(failing, {"--add-ide-tools"}, environment);
        EXPECT_TRUE(failing.Bytes(file) == after || (run.Status != 0 && failing.Bytes(file) == before));
        EXPECT_TRUE(run.Status == 0 || !run.Errors.empty());
        EXPECT_TRUE(failing.Leftovers().empty());
        // A write right before the replace is the one moment no check can see, on every road.
        if (undisturbed.Calls[step] == "Replace")
            continue;
        FakeFileSystem meddled;
        prepared(meddled);
        meddled.MeddleAt = static_cast<int64_t>(step);
        meddled.Meddle = [&file](FakeFileSystem& files) { files.Rewrite(file, "[ToolsInfo]\nToolCount = 0\n; indent\n"); };
        static_cast<void>(test::RunCommandInMemory(meddled, {"--add-ide-tools"}, environment));
        EXPECT_NE(meddled.Bytes(file).find("; indent\n"), std::string::npos);
    }
}

} // namespace
} // namespace brisklet
