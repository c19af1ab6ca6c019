#include "droptarget.h"

#include "adders.h"
#include "widetext.h"

#include <shellapi.h>

namespace pf::win32 {

using platform::win::FromWide;

namespace {
FORMATETC FileListFormat() {
    return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}
} // namespace

bool FileDropTarget::OffersFileList(IDataObject* data) {
    FORMATETC format = FileListFormat();
    return data != nullptr && data->QueryGetData(&format) == S_OK;
}

std::vector<std::string> FileDropTarget::DroppedPaths(IDataObject* data) {
    std::vector<std::string> paths;
    FORMATETC format = FileListFormat();
    STGMEDIUM medium{};
    if (data == nullptr || data->GetData(&format, &medium) != S_OK) {
        return paths;
    }
    if (auto* drop = static_cast<HDROP>(::GlobalLock(medium.hGlobal))) {
        const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            std::wstring path(::DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
            path.resize(::DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
            paths.push_back(FromWide(path));
        }
        ::GlobalUnlock(medium.hGlobal);
    }
    ::ReleaseStgMedium(&medium);
    return paths;
}

HRESULT FileDropTarget::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG FileDropTarget::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&m_references));
}

// The window owns the target; the count only tracks OLE's own references.
ULONG FileDropTarget::Release() {
    return static_cast<ULONG>(::InterlockedDecrement(&m_references));
}

// Data without a file list gets the refusing effect. A file list is taken as a copy: the files are only
// read, and a "move" would tell the shell to delete them after the drop.
void FileDropTarget::SetEffect(DWORD* effect) const {
    if (effect != nullptr) {
        *effect = m_accepting ? (*effect & DROPEFFECT_COPY) : DROPEFFECT_NONE;
    }
}

HRESULT FileDropTarget::DragEnter(IDataObject* data, DWORD /*keys*/, POINTL /*at*/, DWORD* effect) {
    m_accepting = ListView1_OLEDragOver(OffersFileList(data));
    SetEffect(effect);
    return S_OK;
}

HRESULT FileDropTarget::DragOver(DWORD /*keys*/, POINTL /*at*/, DWORD* effect) {
    SetEffect(effect);
    return S_OK;
}

HRESULT FileDropTarget::DragLeave() {
    m_accepting = false;
    return S_OK;
}

HRESULT FileDropTarget::Drop(IDataObject* data, DWORD /*keys*/, POINTL /*at*/, DWORD* effect) {
    m_accepting = ListView1_OLEDragOver(OffersFileList(data));
    SetEffect(effect);
    if (m_accepting) {
        const auto paths = DroppedPaths(data);
        m_accepting = false;
        if (!paths.empty()) {
            m_onDrop(paths);
        }
    }
    return S_OK;
}

} // namespace pf::win32
