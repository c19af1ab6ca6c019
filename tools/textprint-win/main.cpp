// plumavert-textprint.exe /p FILE: prints a plain-text file to the default printer and ends, where
// Windows has no WordPad to do it. Exit code 0 when the spooler took the whole document; otherwise 1 (2
// for a wrong command line) with one line on standard error saying why.

#include "detect.h"
#include "layout.h"
#include "printer.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace pf::textprint;

constexpr std::size_t kChunk = std::size_t{256} * 1024;

// The open text file, read in pieces so a file of any size needs little memory.
class InputFile {
public:
    explicit InputFile(const std::wstring& path)
        : m_handle(::CreateFileW(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}
    ~InputFile() {
        if (IsOpen()) {
            ::CloseHandle(m_handle);
        }
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    bool IsDiskFile() const { return ::GetFileType(m_handle) == FILE_TYPE_DISK; }

    // The next piece: its size, 0 at the end, -1 on a read error (GetLastError says which).
    std::int64_t Read(std::vector<unsigned char>& buffer) {
        DWORD read = 0;
        if (!::ReadFile(m_handle, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            return -1;
        }
        return read;
    }

    bool Seek(std::size_t offset) {
        LARGE_INTEGER position{};
        position.QuadPart = static_cast<LONGLONG>(offset);
        return ::SetFilePointerEx(m_handle, position, nullptr, FILE_BEGIN) != 0;
    }

private:
    HANDLE m_handle;
};

std::wstring FileName(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

int Fail(const std::wstring& path, const std::string& reason) {
    std::fprintf(stderr, "plumavert-textprint: cannot print %s: %s\n", Utf8(path).c_str(), reason.c_str());
    return 1;
}

// Decodes the file from the current position and lays it out. Returns "" when the whole file went out.
std::string PrintText(InputFile& file, Encoding encoding, PageLayout& layout, const PrintDocument& document) {
    TextDecoder decoder(encoding);
    std::vector<unsigned char> buffer(kChunk);
    std::u32string text;
    for (;;) {
        const std::int64_t n = file.Read(buffer);
        if (n < 0) {
            return "cannot read the file: " + SystemMessage(::GetLastError());
        }
        text.clear();
        if (n == 0) {
            decoder.Finish(text);
            layout.Add(text);
            layout.Finish();
            return {};
        }
        decoder.Decode(buffer.data(), static_cast<std::size_t>(n), text);
        layout.Add(text);
        if (!document.Ok()) {
            return {}; // the spooler's reason is the document's
        }
    }
}

int Print(const std::wstring& path) {
    InputFile file(path);
    if (!file.IsOpen()) {
        return Fail(path, SystemMessage(::GetLastError()));
    }
    if (!file.IsDiskFile()) {
        return Fail(path, "it is not a regular file");
    }
    std::vector<unsigned char> buffer(kChunk);
    const auto bom =
        DetectEncoding([&](std::vector<unsigned char>& piece) { return file.Read(piece); }, buffer);
    if (!bom || !file.Seek(bom->length)) {
        return Fail(path, "cannot read the file: " + SystemMessage(::GetLastError()));
    }
    const DefaultPrinter printer;
    if (printer.Dc() == nullptr) {
        return Fail(path, printer.Reason());
    }
    const PageArea area = printer.TextArea();
    if (area.right <= area.left || area.bottom <= area.top) {
        return Fail(path, "the default printer has no paper size to print on");
    }
    PrintDocument document(printer.Dc(), FileName(path));
    if (!document.Ok()) {
        return Fail(path, document.Reason());
    }
    std::string error;
    {
        PageLayout layout(printer.Dc(), area, document);
        error = PrintText(file, bom->encoding, layout, document);
    }
    if (!error.empty()) {
        return Fail(path, error); // the unfinished document is aborted: no half document is printed
    }
    return document.Finish() ? 0 : Fail(path, document.Reason());
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    const std::vector<std::wstring> args(argv, argv + (argv != nullptr ? argc : 0));
    ::LocalFree(argv);
    if (args.size() != 3 || (args[1] != L"/p" && args[1] != L"-p")) {
        std::fprintf(stderr, "usage: plumavert-textprint /p FILE\n");
        return 2;
    }
    return Print(args[2]);
}
