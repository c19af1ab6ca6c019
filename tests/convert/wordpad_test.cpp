#include "fakechild.h"
#include "memoryform.h"
#include "platform.h"
#include "temphome.h"
#include "wordpad.h"

#include <gtest/gtest.h>

namespace pf {
namespace {

// Points the program folder at a folder of the test's home for one test.
class ProgramFolder {
public:
    explicit ProgramFolder(const std::string& folder) { platform::OverrideProgramFolder(folder); }
    ~ProgramFolder() { platform::OverrideProgramFolder(""); }
};

#ifndef _WIN32
TEST(GetWordPadPath, GivesTheRegisteredValueUnchangedQuotesAndAll) {
    test::TempHome home;
    ProgramFolder folder(home.MakeFolder("prog"));
    home.WriteFile("prog/classes.conf", "[Wordpad.Document.1\\\\Protocol\\\\StdFileEditing\\\\Server]\n"
                                        "@=\"/opt/my apps/plumavert-textprint\" \n"
                                        "[Other]\n@=wrong\n");
    EXPECT_EQ(GetWordPadPath(), "\"/opt/my apps/plumavert-textprint\" ");
}

TEST(GetWordPadPath, IsEmptyWithoutTheRegistration) {
    test::TempHome home;
    ProgramFolder folder(home.MakeFolder("prog"));
    EXPECT_EQ(GetWordPadPath(), "");
    home.WriteFile("prog/classes.conf",
                   "[Wordpad.Document.1\\\\Protocol\\\\StdFileEditing\\\\Server]\nName=x\n"
                   "[Wordpad.Document.1\\\\Protocol\\\\StdFileEditing]\n@=y\n");
    EXPECT_EQ(GetWordPadPath(), "");
}

TEST(GetWordPadPath, EndsAtAStoredNul) {
    test::TempHome home;
    ProgramFolder folder(home.MakeFolder("prog"));
    home.WriteFile("prog/classes.conf",
                   "[Wordpad.Document.1\\\\Protocol\\\\StdFileEditing\\\\Server]\n@=/bin/tp\\x00junk\n");
    EXPECT_EQ(GetWordPadPath(), "/bin/tp");
}
#else
constexpr const char* kServerKey = "Wordpad.Document.1\\Protocol\\StdFileEditing\\Server";

// Registers the text printer under HKEY_CLASSES_ROOT for one test and removes it afterwards.
class Registration {
public:
    explicit Registration(const std::string& value) { test::SetClassRegistration(kServerKey, value); }
    ~Registration() { test::SetClassRegistration(kServerKey, std::nullopt); }
};

TEST(GetWordPadPath, GivesTheRegisteredValueUnchangedQuotesAndAll) {
    const Registration registration("\"C:\\Program Files\\Windows NT\\Accessories\\WORDPAD.EXE\" ");
    EXPECT_EQ(GetWordPadPath(), "\"C:\\Program Files\\Windows NT\\Accessories\\WORDPAD.EXE\" ");
}

TEST(GetWordPadPath, IsEmptyWithoutTheRegistrationOrWhenItDoesNotFitItsBuffer) {
    test::SetClassRegistration(kServerKey, std::nullopt);
    EXPECT_EQ(GetWordPadPath(), "");
    const std::string fits = "C:\\" + std::string(256, 'w'); // 259 characters and the NUL fill the buffer
    {
        const Registration registration(fits);
        EXPECT_EQ(GetWordPadPath(), fits);
    }
    const Registration registration(fits + "x");
    EXPECT_EQ(GetWordPadPath(), "");
}

TEST(GetWordPadPath, EndsAtAStoredNul) {
    const Registration registration(std::string("C:\\tp.exe\0junk", 14));
    EXPECT_EQ(GetWordPadPath(), "C:\\tp.exe");
}
#endif

// Registers the text printer where GetWordPadPath looks (nothing: no registration) for one test.
class TextPrinterRegistration {
public:
    TextPrinterRegistration([[maybe_unused]] const test::TempHome& home,
                            const std::optional<std::string>& path) {
#ifdef _WIN32
        test::SetClassRegistration(kServerKey, path);
#else
        home.WriteFile(
            "prog/classes.conf",
            path ? "[Wordpad.Document.1\\\\Protocol\\\\StdFileEditing\\\\Server]\n@=" + *path + "\n" : "");
#endif
    }
    ~TextPrinterRegistration() {
#ifdef _WIN32
        test::SetClassRegistration(kServerKey, std::nullopt);
#endif
    }
    TextPrinterRegistration(const TextPrinterRegistration&) = delete;
    TextPrinterRegistration& operator=(const TextPrinterRegistration&) = delete;
};

TEST(TextPrinterPath, IsTheRegisteredPathOrElseTheTextPrinterShippedInTheProgramFolderInQuotes) {
#ifdef _WIN32
    const std::string shippedName = "plumavert-textprint.exe";
#else
    const std::string shippedName = "plumavert-textprint";
#endif
    test::TempHome home;
    const std::string folder = home.MakeFolder("prog");
    ProgramFolder programFolder(folder);
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {std::nullopt, "\"" + folder + platform::PathSeparator() + shippedName + "\""},
        {"\"/opt/word pad/wordpad\" ", "\"/opt/word pad/wordpad\" "},
        {"/usr/bin/wordpad", "/usr/bin/wordpad"},
    };
    for (const auto& [registered, expected] : cases) {
        const TextPrinterRegistration registration(home, registered);
        EXPECT_EQ(TextPrinterPath(), expected) << registered.value_or("(none)");
    }
}

std::string Child(const std::string& options) {
    return "\"" + test::FakeChildPath() + "\" " + options;
}

TEST(ShellAndWait, ReturnsTheExitCodeAfterAtLeastOnePoll) {
    for (const int code : {0, 7, 255}) {
        test::MemoryForm form;
        form.sleepForReal = true;
        EXPECT_EQ(ShellAndWait(form, Child("--exit " + std::to_string(code))), code);
        EXPECT_GE(form.waits.size(), 1u);
        EXPECT_EQ(form.waits, std::vector<int>(form.waits.size(), 100));
    }
}

TEST(ShellAndWait, AnyWindowStyleIsAcceptedAndTheProgramRuns) {
    for (const int style : {-1, 0, 1, 5, 6, 9}) {
        test::MemoryForm form;
        form.sleepForReal = true;
        EXPECT_EQ(ShellAndWait(form, Child("--exit 3"), style), 3) << style;
    }
}

TEST(ShellAndWait, AProgramThatCannotStartReturnsTheFailureCodeWithoutWaiting) {
    test::TempHome home;
    test::MemoryForm form;
    EXPECT_EQ(ShellAndWait(form, "\"" + home.Root() + "/no such program\" /p \"x.txt\""), -2147221504 + 2);
    EXPECT_EQ(ShellAndWait(form, ""), -2147221504 + 2);
    EXPECT_EQ(form.doEventsCount, 0);
    EXPECT_TRUE(form.waits.empty());
}

TEST(ShellAndWait, WindowMessagesRunEveryPollWhileTheProgramRuns) {
    test::TempHome home;
    test::MemoryForm form;
    form.sleepForReal = true;
    const std::string done = home.Root() + "/done";
    std::vector<bool> finishedAtPoll;
    form.onDoEvents = [&] { finishedAtPoll.push_back(!test::ReadFile(done).empty()); };
    EXPECT_EQ(ShellAndWait(form, Child("--sleep-ms 400 --write \"" + done + "\" --exit 4")), 4);
    ASSERT_GE(finishedAtPoll.size(), 2u);
    EXPECT_FALSE(finishedAtPoll.front());
    EXPECT_TRUE(finishedAtPoll.back());
    EXPECT_EQ(form.waits, std::vector<int>(finishedAtPoll.size(), 100));
}

TEST(ShellAndWait, TheTextPrinterCommandLineReachesTheProgram) {
    test::TempHome home;
    test::MemoryForm form;
    form.sleepForReal = true;
    const std::string input = home.WriteFile("my files/temp.txt", "hello");
    const std::string copy = home.Root() + "/printed";
    EXPECT_EQ(ShellAndWait(form, Child("--write \"" + copy + "\"") + " /p \"" + input + "\""), 0);
    EXPECT_EQ(test::ReadFile(copy), "hello");
}

} // namespace
} // namespace pf
