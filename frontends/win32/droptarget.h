#pragma once

#include <ole2.h>

#include <functional>
#include <string>
#include <vector>

namespace pf::win32 {

// The list's OLE drop target: it takes the shell's file list (CF_HDROP) and refuses every other data.
class FileDropTarget : public IDropTarget {
public:
    using DropHandler = std::function<void(const std::vector<std::string>& paths)>;
    explicit FileDropTarget(DropHandler onDrop) : m_onDrop(std::move(onDrop)) {}
    virtual ~FileDropTarget() = default;
    FileDropTarget(const FileDropTarget&) = delete;
    FileDropTarget& operator=(const FileDropTarget&) = delete;

    // The paths of a data object's file list; empty when it offers none.
    static std::vector<std::string> DroppedPaths(IDataObject* data);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL at, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override;

private:
    static bool OffersFileList(IDataObject* data);
    void SetEffect(DWORD* effect) const;

    DropHandler m_onDrop;
    LONG m_references = 1;
    bool m_accepting = false;
};

} // namespace pf::win32
