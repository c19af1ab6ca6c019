#pragma once

#include "testsystem.h"

#include <optional>
#include <string>
#include <vector>

namespace pf::test {

// A temporary home for one test: HOME, XDG_CONFIG_HOME, XDG_CONFIG_DIRS and XDG_RUNTIME_DIR (on Windows
// also TEMP and TMP) point into a fresh folder that is removed, with the old environment restored, when the
// object goes. The program's per-user stores start empty and are cleared again at the end.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& Root() const { return m_root; }
    std::string Home() const { return m_root + NativeSeparators("/home"); }
    std::string ConfigHome() const { return m_root + NativeSeparators("/home/.config"); }
    // The system configuration folder, empty at first, so that what is installed on the machine stays out.
    std::string SystemConfig() const { return m_root + NativeSeparators("/xdg"); }
    std::string RuntimeDir() const { return m_root + NativeSeparators("/run"); }
    std::string TempFolder() const { return m_root + NativeSeparators("/temp"); }

    // Makes a folder (and its parents) under the root; returns its full path. Relative paths may use "/"
    // on every system.
    std::string MakeFolder(const std::string& relative) const;
    // Makes every later write to the program's settings store fail.
    void BlockUserStores() const;
    // Writes a file under the root, making its folder; returns its full path.
    std::string WriteFile(const std::string& relative, const std::string& contents) const;

private:
    std::string m_root;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_savedEnv;
    PrinterSandbox m_printers;
};

// Reads a whole file; "" when it cannot be read.
std::string ReadFile(const std::string& path);

// The folder holding the built program and its assets (build/<preset>/bin).
std::string BinFolder();

} // namespace pf::test
