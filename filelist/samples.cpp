#include "samples.h"

#include "apptitle.h"
#include "errortrap.h"
#include "folderwalk.h"
#include "form.h"
#include "locations.h"
#include "platform.h"
#include "settings.h"

#include <algorithm>
#include <vector>

namespace pf {

namespace {

constexpr const char* kOpenFolderQuestion = "Would you like this software to open the folder where these "
                                            "sample files are stored (so that you can view them before "
                                            "working with them)?";
constexpr char kListSeparator = '|';
constexpr int kHighestCode = 255;

// True when the path comes back unchanged through the cipher and the list: every character has a
// single-byte code other than 0, and none is the list separator.
bool CanCarry(const std::string& path) {
    return std::ranges::all_of(platform::DecodeUtf8(path), [](char32_t ch) {
        const int code = platform::SingleByteCode(ch);
        return code != 0 && ch != U'|' && platform::CharFromSingleByte(code) == ch;
    });
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> pieces;
    if (text.empty()) {
        return pieces;
    }
    std::size_t start = 0;
    for (auto bar = text.find(kListSeparator); bar != std::string::npos;
         bar = text.find(kListSeparator, start)) {
        pieces.push_back(text.substr(start, bar - start));
        start = bar + 1;
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

// Replaces each character's code by shift(code, key code), the key repeating from its start.
template <typename Shift>
std::string ShiftCodes(const std::string& text, const std::string& key, Shift shift) {
    const std::u32string keyChars = platform::DecodeUtf8(key);
    if (keyChars.empty()) {
        throw RuntimeError(err::kInvalidProcedureCall);
    }
    const std::u32string chars = platform::DecodeUtf8(text);
    std::u32string out;
    out.reserve(chars.size());
    std::size_t k = 0;
    for (char32_t ch : chars) {
        const int code = shift(platform::SingleByteCode(ch), platform::SingleByteCode(keyChars[k]));
        out += platform::CharFromSingleByte(code);
        k = (k + 1) % keyChars.size();
    }
    return platform::EncodeUtf8(out);
}

} // namespace

std::string SampleFolder() {
    std::string folder = platform::ProgramFolder();
    if (folder.empty() || folder.back() != platform::PathSeparator()) {
        folder += platform::PathSeparator();
    }
    return folder + "Samples" + platform::PathSeparator();
}

void SaveSampleFileList() {
    const std::string folder = SampleFolder();
    std::string text;
    for (const auto& name : GetFilesInFolder(folder.substr(0, folder.size() - 1), "*.*")) {
        const std::string path = folder + name;
        if (!CanCarry(path)) {
            continue;
        }
        if (!text.empty()) {
            text += kListSeparator;
        }
        text += path;
    }
    WriteSetting(key::kSnapshot, EncipherText(text, kSampleListKey));
}

void LoadSampleFiles(Form& form) {
    const std::string plain = DecipherText(ReadSetting(key::kSnapshot, ""), kSampleListKey);
    for (const auto& piece : SplitList(plain)) {
        if (platform::HasModificationTime(piece) && !ListContains(form, piece)) {
            form.AppendRow(piece);
        }
    }
    UserInterface& ui = form.Ui();
    if (ui.ShowMessage(kOpenFolderQuestion, ApplicationTitle(), MessageButtons::YesNo, MessageIcon::None) ==
        MessageAnswer::Yes) {
        ui.OpenFolder(SampleFolder());
    }
}

void PushButton5_Click(Form& form) {
    ErrorTrap trap(form.Ui(), loc::kPushButton5Click);
    trap.Run(100, [&] { LoadSampleFiles(form); });
}

bool ListContains(const Form& form, const std::string& text) {
    for (long row = 1; row <= form.RowCount(); ++row) {
        if (form.RowText(row) == text) {
            return true;
        }
    }
    return false;
}

std::string EncipherText(const std::string& text, const std::string& key) {
    return ShiftCodes(text, key, [](int code, int keyCode) {
        const int v = code + keyCode;
        return v > kHighestCode ? v - kHighestCode : v;
    });
}

std::string DecipherText(const std::string& text, const std::string& key) {
    return ShiftCodes(text, key, [](int code, int keyCode) {
        const int v = code - keyCode;
        return v <= 0 ? v + kHighestCode : v;
    });
}

} // namespace pf
