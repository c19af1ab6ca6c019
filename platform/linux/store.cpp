// The per-user settings stores and the class registration, as INI files.

#include "folders.h"
#include "inifile.h"
#include "platform.h"

namespace pf::platform {

namespace {

constexpr const char* kSection = ""; // each store is one file, so its keys need no section

std::string StorePath(Store store) {
    switch (store) {
    case Store::Application:
        return ConfigFolder() + "/Tarnwicke/Plumavert Fennic.conf";
    case Store::PdfWriter:
        return ConfigFolder() + "/Tarnwicke PDF Writer.conf";
    }
    return {};
}

} // namespace

std::optional<std::string> ReadStoredValue(Store store, const std::string& key) {
    try {
        return IniFile::Load(StorePath(store)).Get(kSection, key);
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

void WriteStoredValue(Store store, const std::string& key, const std::string& value) {
    const std::string path = StorePath(store);
    IniFile file = IniFile::Load(path);
    file.Set(kSection, key, value);
    // The PDF printer's values only steer the next job; the user's choices must survive a crash.
    file.Save(path, store == Store::Application);
}

std::string ReadClassRegistration(const std::string& subKey) {
    try {
        return IniFile::Load(ProgramFolder() + "/classes.conf").Get(subKey, "@").value_or("");
    } catch (const RuntimeError&) {
        return {};
    }
}

} // namespace pf::platform
