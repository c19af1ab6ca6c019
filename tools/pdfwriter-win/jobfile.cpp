#include "jobfile.h"

#include <atomic>

namespace pf::pdfwriter {

namespace {

// The longest name one folder entry may have on NTFS and FAT.
constexpr std::size_t kLongestName = 255;

bool IsFullPath(const std::wstring& path) {
    const bool drive = path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\';
    const bool network = path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
    return drive || network;
}

std::wstring FolderOf(const std::wstring& path) {
    return path.substr(0, path.rfind(L'\\'));
}

// A document's name as a file name: without its folder and its extension, with the characters a file
// name cannot hold replaced, and ".pdf" added.
std::wstring PdfNameOf(const std::wstring& documentName) {
    std::wstring name = documentName.substr(documentName.find_last_of(L"\\/") + 1);
    const auto dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0) {
        name.erase(dot);
    }
    for (auto& c : name) {
        if (c < 32 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos) {
            c = L'_';
        }
    }
    while (!name.empty() && (name.back() == L' ' || name.back() == L'.')) {
        name.pop_back();
    }
    if (name.empty()) {
        name = L"Document";
    }
    return name.substr(0, kLongestName - 10) + L".pdf";
}

// "letter.pdf" as the n-th free name: "letter (n).pdf".
std::wstring NumberedPath(const std::wstring& path, int n) {
    if (n == 1) {
        return path;
    }
    const auto dot = path.rfind(L'.');
    return path.substr(0, dot) + L" (" + std::to_wstring(n) + L")" + path.substr(dot);
}

} // namespace

Destination ChooseDestination(const std::wstring& outputFile, const std::wstring& bypassSaveAs,
                              const std::wstring& documentsFolder, const std::wstring& documentName) {
    Destination destination;
    if (bypassSaveAs == L"1" && !outputFile.empty()) {
        destination = {outputFile, true};
    } else if (!documentsFolder.empty()) {
        destination = {documentsFolder + L"\\" + PdfNameOf(documentName), false};
    } else {
        throw JobError(L"the user's Documents folder is unknown", ERROR_PATH_NOT_FOUND);
    }
    if (!IsFullPath(destination.path)) {
        throw JobError(L"the output file is not a full path: " + destination.path, ERROR_INVALID_NAME);
    }
    if (destination.path.size() - destination.path.rfind(L'\\') - 1 > kLongestName) {
        throw JobError(L"the output file's name is too long", ERROR_FILENAME_EXCED_RANGE);
    }
    return destination;
}

JobFile::JobFile(Destination destination) : m_destination(std::move(destination)) {
    static std::atomic<unsigned> counter{0};
    const std::wstring folder = FolderOf(m_destination.path);
    for (int attempt = 0; attempt < 100 && !m_file.IsValid(); ++attempt) {
        m_temporary = folder + L"\\~tarnwicke-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                      std::to_wstring(++counter) + L".part";
        m_file =
            platform::win::Handle(::CreateFileW(m_temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr));
        if (!m_file.IsValid() && ::GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    if (!m_file.IsValid()) {
        const DWORD error = ::GetLastError();
        throw JobError(L"cannot write in the folder " + folder, error);
    }
}

JobFile::~JobFile() {
    Discard();
}

bool JobFile::Write(const BYTE* bytes, DWORD count, DWORD* written) {
    DWORD done = 0;
    const bool ok =
        m_file.IsValid() && ::WriteFile(m_file.Get(), bytes, count, &done, nullptr) && done == count;
    if (written != nullptr) {
        *written = done;
    }
    m_spoilt = m_spoilt || !ok;
    return ok;
}

void JobFile::Commit() {
    if (m_spoilt || !m_file.IsValid()) {
        Discard();
        throw JobError(L"the job's bytes could not all be written", ERROR_WRITE_FAULT);
    }
    const bool flushed = ::FlushFileBuffers(m_file.Get()) != FALSE;
    m_file = platform::win::Handle();
    if (flushed) {
        ::SetFileAttributesW(m_temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
        const DWORD flags = (m_destination.replace ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH;
        for (int n = 1; n < 10000; ++n) {
            if (::MoveFileExW(m_temporary.c_str(), NumberedPath(m_destination.path, n).c_str(), flags)) {
                m_temporary.clear();
                return;
            }
            const DWORD error = ::GetLastError();
            if (m_destination.replace || (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)) {
                break;
            }
        }
    }
    const DWORD error = ::GetLastError();
    Discard();
    throw JobError(L"cannot store the file " + m_destination.path, error);
}

void JobFile::Discard() {
    m_file = platform::win::Handle();
    if (!m_temporary.empty()) {
        ::DeleteFileW(m_temporary.c_str());
        m_temporary.clear();
    }
}

} // namespace pf::pdfwriter
