#include "platform.h"
#include "temphome.h"

#include <array>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pf::platform {
namespace {

TEST(SettingsStore, MissingKeyIsEmptyAndValuesRoundTripWhateverTheyHold) {
    test::TempHome home;
    EXPECT_EQ(ReadStoredValue(Store::Application, "Location"), std::nullopt);

    const std::string values[] = {"",
                                  "/home/ann/Desktop/",
                                  "a=b",
                                  "back\\slash\\",
                                  " leading and trailing ",
                                  "[bracket",
                                  ";semicolon",
                                  "line\r\nbreaks\rand\nmore",
                                  "\x01\x7F\xC3\xBF control and \xC3\xA9 accents"};
    for (const auto& value : values) {
        WriteStoredValue(Store::Application, "Snapshot", value);
        EXPECT_EQ(ReadStoredValue(Store::Application, "Snapshot"), value);
    }
    EXPECT_TRUE(std::filesystem::exists(home.ConfigHome() + "/Tarnwicke/Plumavert Fennic.conf"));
}

// A settings file, a value file or a printer table saved with Windows line ends (an editor on a shared
// home) gives the same values: none ends in a carriage return.
TEST(SettingsStore, FilesWithWindowsLineEndsGiveTheSameValues) {
    test::TempHome home;
    WriteStoredValue(Store::Application, "Location", "/out/");
    WriteStoredValue(Store::PdfWriter, "OutputFile", "/out/a.pdf");
    AddPrinter({"Office Laser", "lp0:"});
    ASSERT_TRUE(MakeDefaultPrinter("Office Laser"));
    for (const char* file :
         {"/Tarnwicke/Plumavert Fennic.conf", "/Tarnwicke PDF Writer.conf", "/Tarnwicke/printers.conf"}) {
        EXPECT_EQ(std::system(("sed -i 's/$/\\r/' '" + home.ConfigHome() + file + "'").c_str()), 0);
    }
    EXPECT_EQ(ReadStoredValue(Store::Application, "Location"), "/out/");
    EXPECT_EQ(ReadStoredValue(Store::PdfWriter, "OutputFile"), "/out/a.pdf");
    EXPECT_EQ(DefaultPrinterName(), "Office Laser");
    ASSERT_EQ(InstalledPrinters().size(), 1u);
    EXPECT_EQ(InstalledPrinters()[0].name, "Office Laser");
    EXPECT_EQ(InstalledPrinters()[0].port, "lp0:");
}

TEST(SettingsStore, KeysAreKeptApartAndStoresAreSeparateFiles) {
    test::TempHome home;
    WriteStoredValue(Store::Application, "Text2", "7");
    WriteStoredValue(Store::Application, "text2", "lower");
    WriteStoredValue(Store::PdfWriter, "OutputFile", "/out/a.pdf");
    EXPECT_EQ(ReadStoredValue(Store::Application, "Text2"), "7");
    EXPECT_EQ(ReadStoredValue(Store::Application, "text2"), "lower");
    EXPECT_EQ(ReadStoredValue(Store::Application, "OutputFile"), std::nullopt);
    EXPECT_EQ(ReadStoredValue(Store::PdfWriter, "OutputFile"), "/out/a.pdf");
    EXPECT_TRUE(std::filesystem::exists(home.ConfigHome() + "/Tarnwicke PDF Writer.conf"));
}

TEST(SettingsStore, WriteLeavesNoTemporaryFilesAndKeepsTheFilePrivate) {
    test::TempHome home;
    for (int i = 0; i < 5; ++i) {
        WriteStoredValue(Store::Application, "Text2", std::to_string(i));
    }
    int files = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(home.ConfigHome() + "/Tarnwicke")) {
        files += entry.is_regular_file() && entry.path().extension() != ".lock" ? 1 : 0;
        struct stat st {};
        ::stat(entry.path().c_str(), &st);
        EXPECT_EQ(st.st_mode & 077, 0u);
    }
    EXPECT_EQ(files, 1);
}

TEST(SettingsStore, UnwritableStoreThrowsARuntimeError) {
    test::TempHome home;
    // A file where the store's folder should be makes every write fail.
    home.WriteFile("home/.config/Tarnwicke", "not a folder");
    EXPECT_THROW(WriteStoredValue(Store::Application, "Text2", "7"), RuntimeError);
    EXPECT_EQ(ReadStoredValue(Store::Application, "Text2"), std::nullopt);
}

// Two programs changing settings at once: each write loads, changes and saves the whole file, so
// without a lock between them one program's save drops the other's change.
TEST(SettingsStore, TwoWritersAtOnceLoseNothing) {
    test::TempHome home;
    constexpr int kKeys = 150;
    pid_t writers[2] = {};
    for (int w = 0; w < 2; ++w) {
        writers[w] = ::fork();
        ASSERT_GE(writers[w], 0);
        if (writers[w] == 0) {
            for (int i = 0; i < kKeys; ++i) {
                WriteStoredValue(Store::Application, "w" + std::to_string(w) + "k" + std::to_string(i), "v");
            }
            ::_exit(0);
        }
    }
    for (const pid_t writer : writers) {
        int status = 0;
        ::waitpid(writer, &status, 0);
        EXPECT_EQ(status, 0);
    }
    int missing = 0;
    for (int w = 0; w < 2; ++w) {
        for (int i = 0; i < kKeys; ++i) {
            missing += ReadStoredValue(Store::Application, "w" + std::to_string(w) + "k" + std::to_string(i))
                           ? 0
                           : 1;
        }
    }
    EXPECT_EQ(missing, 0);
}

// A value file of many keys: reading it, changing one key and reading that key back take time that
// grows with the file's size. A search of the keys read so far for every key read makes each load take
// some twenty seconds, and this test then runs out of time.
TEST(SettingsStore, AFileOfAHundredThousandKeysIsReadAndChangedInOnePass) {
    test::TempHome home;
    constexpr int kKeys = 100000;
    std::filesystem::create_directories(home.ConfigHome());
    {
        std::ofstream file(home.ConfigHome() + "/Tarnwicke PDF Writer.conf");
        for (int i = 0; i < kKeys; ++i) {
            file << "Key" << i << "=" << i << "\n";
        }
    }
    WriteStoredValue(Store::PdfWriter, "OutputFile", "/out/a.pdf");
    EXPECT_EQ(ReadStoredValue(Store::PdfWriter, "OutputFile"), "/out/a.pdf");
    EXPECT_EQ(ReadStoredValue(Store::PdfWriter, "Key" + std::to_string(kKeys - 1)),
              std::to_string(kKeys - 1));
    RemoveStoredValue(Store::PdfWriter, "Key0");
    EXPECT_EQ(ReadStoredValue(Store::PdfWriter, "Key0"), std::nullopt);
    EXPECT_EQ(ReadStoredValue(Store::PdfWriter, "Key1"), "1");
}

TEST(Folders, DesktopComesFromUserDirsThenFallsBackToTheDesktopFolder) {
    test::TempHome home;
    EXPECT_EQ(DesktopFolder(), "");
    home.MakeFolder("home/Desktop");
    EXPECT_EQ(DesktopFolder(), home.Home() + "/Desktop");
    home.MakeFolder("home/Schreibtisch");
    home.WriteFile("home/.config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    EXPECT_EQ(DesktopFolder(), home.Home() + "/Schreibtisch");
}

TEST(Folders, PrivateTempFolderIsOwnedAndClosedToOthers) {
    test::TempHome home;
    const std::string folder = PrivateTempFolder();
    EXPECT_EQ(folder.rfind(home.RuntimeDir(), 0), 0u);
    ::chmod(folder.c_str(), 0777);
    EXPECT_EQ(PrivateTempFolder(), folder);
    struct stat st {};
    ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

// Something else in the private folder's place: a link, a file, another user's folder. The copies then go
// to a fresh private folder of this program's own.
TEST(Folders, ATakenPrivateTempFolderPlaceGivesAFreshPrivateFolder) {
    const std::function<void(const std::string&)> planters[] = {
        [](const std::string& place) { std::filesystem::create_directory_symlink("/tmp", place); },
        [](const std::string& place) { std::ofstream(place) << "taken"; },
        [](const std::string& place) {
            std::filesystem::create_directory(place);
            ASSERT_EQ(::chown(place.c_str(), ::getuid() + 1, ::getgid()), 0);
        },
    };
    for (const auto& plant : planters) {
        test::TempHome home;
        const std::string place = home.RuntimeDir() + "/plumavert-fennic-" + std::to_string(::getuid());
        if (::getuid() != 0 && &plant == &planters[2]) {
            continue; // only the superuser can give a folder to another user
        }
        plant(place);
        const std::string folder = PrivateTempFolder();
        EXPECT_NE(folder, place);
        EXPECT_EQ(folder.rfind(place + "-", 0), 0u);
        struct stat st {};
        ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_uid, ::getuid());
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_EQ(PrivateTempFolder(), folder);
        const std::string run = MakeRunFolder();
        EXPECT_EQ(run.rfind(folder + "/", 0), 0u);
        RemoveRunFolder(run);
        EXPECT_FALSE(std::filesystem::exists(run));

        // The fresh folder's place taken the same way after its first use: the next run gets another.
        std::filesystem::remove(folder);
        plant(folder);
        const std::string next = PrivateTempFolder();
        EXPECT_NE(next, folder);
        EXPECT_EQ(next.rfind(place + "-", 0), 0u);
        ASSERT_EQ(::lstat(next.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 0777) == 0700u);
    }
}

// A run folder belongs to its run while the run lasts: the folder of a killed run, with the copy of the
// user's file in it, goes at the next start; the folder of a run still under way stays.
TEST(Folders, RunFoldersOfKilledRunsGoAndThoseOfLiveRunsStay) {
    test::TempHome home;
    const auto startRun = [] {
        std::array<int, 2> fds{};
        EXPECT_EQ(::pipe(fds.data()), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            const std::string folder = MakeRunFolder();
            std::ofstream(folder + "/temp.txt") << "the user's text";
            [[maybe_unused]] const ssize_t written = ::write(fds[1], folder.data(), folder.size());
            ::pause();
        }
        std::array<char, 4096> folder{}; // one short write arrives whole
        const ssize_t length = ::read(fds[0], folder.data(), folder.size());
        ::close(fds[0]);
        ::close(fds[1]);
        return std::pair{pid,
                         std::string(folder.data(), static_cast<std::size_t>(std::max<ssize_t>(length, 0)))};
    };
    const auto [live, liveFolder] = startRun();
    const auto [killed, killedFolder] = startRun();
    ::kill(killed, SIGKILL);
    ::waitpid(killed, nullptr, 0);
    EXPECT_TRUE(std::filesystem::exists(killedFolder + "/temp.txt"));
    RemoveAbandonedRunFolders();
    EXPECT_FALSE(std::filesystem::exists(killedFolder));
    EXPECT_TRUE(std::filesystem::exists(liveFolder + "/temp.txt"));
    ::kill(live, SIGKILL);
    ::waitpid(live, nullptr, 0);
}

TEST(Folders, WithNoPlaceForAPrivateFolderTheMessageNamesTheFolderAndWhy) {
    test::TempHome home;
    test::SetEnvironment("XDG_RUNTIME_DIR", std::nullopt);
    const auto tmpdir = test::GetEnvironment("TMPDIR");
    test::SetEnvironment("TMPDIR", "/proc"); // a folder where nobody, not even the superuser, makes folders
    try {
        PrivateTempFolder();
        ADD_FAILURE() << "no folder can be made there";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot make a private temporary folder in /proc: ", 0), 0u)
            << e.what();
    }
    test::SetEnvironment("TMPDIR", tmpdir);
}

} // namespace
} // namespace pf::platform
