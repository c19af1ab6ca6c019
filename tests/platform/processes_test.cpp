#include "fakechild.h"
#include "platform.h"
#include "temphome.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#ifndef _WIN32
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#endif

namespace pf::platform {
namespace {

using Args = std::vector<std::string>;

struct SplitCase {
    std::string line;
    Args args;
};

class SplitCommandLineTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, FollowsTheWindowsRules) {
    EXPECT_EQ(SplitCommandLine(GetParam().line), GetParam().args);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SplitCommandLineTest,
    testing::Values(SplitCase{R"("C:\Program Files\Write\wordpad.exe" /p "C:\Temp\temp.txt")",
                              {R"(C:\Program Files\Write\wordpad.exe)", "/p", R"(C:\Temp\temp.txt)"}},
                    SplitCase{"prog  a\tb   c ", {"prog", "a", "b", "c"}}, SplitCase{"prog", {"prog"}},
                    SplitCase{"", {""}}, SplitCase{R"(prog "a b" c)", {"prog", "a b", "c"}},
                    SplitCase{R"(prog a\b a\\b)", {"prog", R"(a\b)", R"(a\\b)"}},
                    SplitCase{R"(prog a\"b)", {"prog", R"(a"b)"}},
                    SplitCase{R"(prog a\\"b c")", {"prog", R"(a\b c)"}},
                    SplitCase{R"(prog a\\\"b)", {"prog", R"(a\"b)"}},
                    SplitCase{R"(prog "" x)", {"prog", "", "x"}},
                    SplitCase{R"(prog "a""b")", {"prog", R"(a"b)"}},
                    SplitCase{R"("C:\dir\prog.exe"x y)", {R"(C:\dir\prog.exe)", "x", "y"}},
                    SplitCase{R"(pro\"g a)", {R"(pro\"g)", "a"}},
                    SplitCase{R"(prog "C:\dir with space\\" x)", {"prog", R"(C:\dir with space\)", "x"}}));

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// The exit code once the process has ended, polling with a deadline.
std::uint32_t WaitForExit(std::int64_t id) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::optional<std::uint32_t> code;
    while ((code = ProcessExitCode(id)) == kStillActive && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return code.value_or(1000);
}

#ifndef _WIN32
// True once nothing is left of the process, not even a zombie; looks without reaping it.
bool IsReaped(std::int64_t id) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(id), &info, WEXITED | WNOHANG | WNOWAIT) == -1 &&
           errno == ECHILD;
}
#endif

TEST(Processes, TheExitCodeComesBackExactly) {
    for (const int code : {0, 1, 42, 255}) {
        const StartedProcess process =
            StartCommandLine(Quoted(test::FakeChildPath()) + " --exit " + std::to_string(code), 6);
        ASSERT_TRUE(process.started);
        EXPECT_EQ(WaitForExit(process.id), static_cast<std::uint32_t>(code));
        EXPECT_EQ(ProcessExitCode(process.id), static_cast<std::uint32_t>(code)); // asked again: the same
        CloseProcess(process.id);
        EXPECT_EQ(ProcessExitCode(process.id), std::nullopt);
    }
}

TEST(Processes, TheProgramGetsTheArgumentsTheWindowsRulesGive) {
    test::TempHome home;
    const std::string file = home.Root() + "/args";
    const StartedProcess process = StartCommandLine(
        Quoted(test::FakeChildPath()) + R"( --args-to ")" + file + R"(" /p "C:\my dir\temp.txt" a\"b)", 0);
    ASSERT_TRUE(process.started);
    EXPECT_EQ(WaitForExit(process.id), 0u);
    CloseProcess(process.id);
    EXPECT_EQ(test::ReadFile(file), std::string("--args-to\0", 10) + file + std::string("\0/p\0", 4) +
                                        std::string(R"(C:\my dir\temp.txt)") + std::string("\0a\"b\0", 5));
}

#ifndef _WIN32
TEST(Processes, AProgramFoundOnThePathStarts) {
    const StartedProcess process = StartCommandLine("true", 6);
    ASSERT_TRUE(process.started);
    EXPECT_EQ(WaitForExit(process.id), 0u);
    CloseProcess(process.id);
}

TEST(Processes, AFailedStartGivesTheWindowsErrorNumber) {
    test::TempHome home;
    const std::string plain = home.WriteFile("plain.txt", "not a program");
    const std::string garbage = home.WriteFile("garbage.exe", "\x01\x02 not a program either");
    ::chmod(garbage.c_str(), 0755);
    const struct {
        std::string commandLine;
        int errorNumber;
    } cases[] = {{Quoted(home.Root() + "/missing") + " /p x", 2},
                 {"no-such-program-anywhere", 2},
                 {"", 2},
                 {Quoted(home.Root() + "/missing/prog"), 2},
                 {Quoted(plain + "/prog"), 3},
                 {Quoted(plain), 5},
                 {Quoted(home.Root()), 5},
                 {Quoted(garbage), 193}};
    for (const auto& c : cases) {
        const StartedProcess process = StartCommandLine(c.commandLine, 6);
        EXPECT_FALSE(process.started) << c.commandLine;
        EXPECT_EQ(process.errorNumber, c.errorNumber) << c.commandLine;
    }
}

TEST(Processes, ARunningProcessReportsStillActiveAndAKilledOneIsReaped) {
    const StartedProcess process = StartCommandLine(Quoted(test::FakeChildPath()) + " --sleep-ms 30000", 6);
    ASSERT_TRUE(process.started);
    EXPECT_EQ(ProcessExitCode(process.id), kStillActive);
    ::kill(static_cast<pid_t>(process.id), SIGTERM);
    EXPECT_EQ(WaitForExit(process.id), 128u + SIGTERM);
    CloseProcess(process.id);
    EXPECT_TRUE(IsReaped(process.id));
}

TEST(Processes, AProcessClosedWhileRunningIsReapedLater) {
    const StartedProcess first = StartCommandLine(Quoted(test::FakeChildPath()) + " --sleep-ms 50", 6);
    ASSERT_TRUE(first.started);
    CloseProcess(first.id);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool reaped = false;
    while (!reaped && std::chrono::steady_clock::now() < deadline) {
        const StartedProcess next = StartCommandLine("true", 6);
        WaitForExit(next.id);
        CloseProcess(next.id);
        reaped = IsReaped(first.id);
    }
    EXPECT_TRUE(reaped);
}

TEST(RunProgram, GivesTheStandardOutputAndExitCodeWithInputAndErrorsOnTheNullDevice) {
    const auto ran = RunProgram("/bin/sh", {"-c", "cat; echo out; echo complaint >&2; exit 3"});
    ASSERT_TRUE(ran.has_value());
    EXPECT_EQ(ran->output, "out\n");
    EXPECT_EQ(ran->exitCode, 3);
    const auto killed = RunProgram("/bin/sh", {"-c", "kill -TERM $$"});
    ASSERT_TRUE(killed.has_value());
    EXPECT_EQ(killed->exitCode, -1);
    EXPECT_FALSE(RunProgram("/no/such/program", {}).has_value());
}

#endif

TEST(Clock, SecondsSinceMidnightIsATimeOfDay) {
    const double now = SecondsSinceMidnight();
    EXPECT_GE(now, 0.0);
    EXPECT_LT(now, 86400.0);
}

// Each lock object is one holder, also within one process: an exclusive holder keeps every other out,
// shared holders keep out only an exclusive one, and a holder that lets go lets the next one in.
TEST(UserLock, HoldersExcludeEachOtherUnlessBothShare) {
    test::TempHome home;
    UserLock first("test");
    UserLock second("test");
    ASSERT_TRUE(first.TryLockExclusive());
    EXPECT_FALSE(second.TryLockExclusive());
    EXPECT_FALSE(second.TryLockShared());
    first.Unlock();
    EXPECT_TRUE(second.TryLockShared());
    EXPECT_TRUE(first.TryLockShared());
    EXPECT_FALSE(UserLock("test").TryLockExclusive());
    first.Unlock();
    second.Unlock();
    EXPECT_TRUE(UserLock("test").TryLockExclusive());
    EXPECT_TRUE(UserLock("another").TryLockExclusive());
}

TEST(FileNameKey, NamesClashAsTheFileSystemComparesThem) {
#ifdef _WIN32
    EXPECT_EQ(FileNameKey("C:\\Out\\a.pdf"), FileNameKey("c:\\out\\A.PDF"));
    EXPECT_EQ(FileNameKey("\xC3\xA9t\xC3\xA9.pdf"), FileNameKey("\xC3\x89T\xC3\x89.PDF"));
#else
    EXPECT_NE(FileNameKey("/out/a.pdf"), FileNameKey("/out/A.pdf"));
#endif
    EXPECT_NE(FileNameKey("a.pdf"), FileNameKey("b.pdf"));
}

} // namespace
} // namespace pf::platform
