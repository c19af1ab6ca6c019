#include "platform.h"
#include "temphome.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

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
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home.ConfigHome() + "/Tarnwicke")) {
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

} // namespace
} // namespace pf::platform
