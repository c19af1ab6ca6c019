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

const char* LockName(Store store) {
    return store == Store::Application ? "settings" : "pdf-writer-values";
}

// Loads a store, changes it and saves it while holding the store's lock, so that two programs writing
// at once never lose each other's change. Saving replaces the file by rename, so readers need no lock.
template <typename Change> void ChangeStore(Store store, Change change) {
    UserLock lock(LockName(store));
    lock.Lock();
    const std::string path = StorePath(store);
    IniFile file = IniFile::Load(path);
    if (change(file)) {
        // The PDF printer's values only steer the next job; the user's choices must survive a crash.
        file.Save(path, store == Store::Application);
    }
}

} // namespace

std::optional<std::string> ReadStoredValue(Store store, const std::string& key) {
    return IniFile::Load(StorePath(store)).Get(kSection, key);
}

void WriteStoredValue(Store store, const std::string& key, const std::string& value) {
    ChangeStore(store, [&](IniFile& file) {
        file.Set(kSection, key, value);
        return true;
    });
}

void RemoveStoredValue(Store store, const std::string& key) {
    ChangeStore(store, [&](IniFile& file) { return file.Remove(kSection, key); });
}

// A registration file that cannot be read registers nothing, as a missing one: the program then looks for
// the text printer beside itself.
std::string ReadClassRegistration(const std::string& subKey) {
    try {
        return IniFile::Load(ProgramFolder() + "/classes.conf").Get(subKey, "@").value_or("");
    } catch (const RuntimeError&) {
        return {};
    }
}

} // namespace pf::platform
