#include "settings.h"

#include "platform.h"

namespace pf {

std::string ReadSetting(const std::string& key, const std::string& defaultValue) {
    return platform::ReadStoredValue(platform::Store::Application, key).value_or(defaultValue);
}

void WriteSetting(const std::string& key, const std::string& value) {
    platform::WriteStoredValue(platform::Store::Application, key, value);
}

} // namespace pf
