#pragma once

// The Windows Script Host network object's SetDefaultPrinter, the way the default printer is switched,
// behind a seam: tests put a stand-in in its place.

#include <functional>
#include <string>

namespace pf::platform::win {

// Makes the named printer the default; false when the object is missing or refuses.
using SetDefaultPrinterCall = std::function<bool(const std::string& name)>;

// The call through WshNetwork (class {093FF999-1EA0-4079-9525-9614C3504B74}).
bool WshNetworkSetDefaultPrinter(const std::string& name);

// The call MakeDefaultPrinter tries first; an empty function puts WshNetworkSetDefaultPrinter back.
void OverrideSetDefaultPrinterCall(SetDefaultPrinterCall call);
const SetDefaultPrinterCall& CurrentSetDefaultPrinterCall();

} // namespace pf::platform::win
