#include "textprinter.h"

#include "decoder.h"
#include "detect.h"
#include "platform.h"

#include <cstdio>
#include <exception>

namespace pf::textprint {

namespace {

constexpr std::size_t kChunk = std::size_t{256} * 1024;

int Fail(const std::string& path, const std::string& reason) {
    std::fprintf(stderr, "plumavert-textprint: cannot print %s: %s\n", path.c_str(), reason.c_str());
    return 1;
}

// Decodes the file from its current position and lays it out, a buffer's worth at a time. Returns ""
// when the text went out, or stopped because the device gave up (whose reason comes with the job's end).
std::string PrintText(platform::InputFile& file, Encoding encoding, std::vector<unsigned char>& buffer,
                      PrintDevice& device) {
    TextDecoder decoder(encoding);
    std::u32string text;
    for (;;) {
        const std::int64_t n = file.Read(buffer);
        if (n < 0) {
            return "cannot read the file: " + file.Error();
        }
        text.clear();
        if (n == 0) {
            decoder.Finish(text);
            device.Layout().Add(text);
            device.Layout().Finish();
            return {};
        }
        decoder.Decode(buffer.data(), static_cast<std::size_t>(n), text);
        device.Layout().Add(text);
        if (!device.Ok()) {
            return {};
        }
    }
}

int Print(const std::string& path, PrintDevice& device) {
    platform::InputFile file(path);
    if (!file.Error().empty()) {
        return Fail(path, file.Error());
    }
    std::vector<unsigned char> buffer(kChunk);
    const auto bom =
        DetectEncoding([&](std::vector<unsigned char>& piece) { return file.Read(piece); }, buffer);
    if (!bom || !file.Seek(bom->length)) {
        return Fail(path, "cannot read the file: " + file.Error());
    }
    if (const std::string reason = device.Open(path); !reason.empty()) {
        return Fail(path, reason);
    }
    std::string error;
    bool complete = false;
    try {
        error = PrintText(file, bom->encoding, buffer, device);
        complete = error.empty() && device.Ok();
    } catch (const std::exception& failure) {
        error = failure.what();
    }
    const std::string reason = device.Close(complete);
    if (!error.empty()) {
        return Fail(path, error);
    }
    return reason.empty() ? 0 : Fail(path, reason);
}

} // namespace

int RunTextPrinter(const std::vector<std::string>& arguments, PrintDevice& device) {
    if (arguments.size() != 3 || (arguments[1] != "/p" && arguments[1] != "-p")) {
        std::fprintf(stderr, "usage: plumavert-textprint /p FILE\n");
        return 2;
    }
    return Print(arguments[2], device);
}

} // namespace pf::textprint
