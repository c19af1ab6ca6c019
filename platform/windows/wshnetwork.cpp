#include "wshnetwork.h"

#include "win32.h"

#include <objbase.h>
#include <oleauto.h>

namespace pf::platform::win {

namespace {

// WshNetwork and its interface IWshNetwork2, whose base interface carries SetDefaultPrinter.
constexpr CLSID kWshNetwork = {0x093FF999, 0x1EA0, 0x4079, {0x95, 0x25, 0x96, 0x14, 0xC3, 0x50, 0x4B, 0x74}};
constexpr IID kWshNetwork2 = {0x24BE5A31, 0xEDFE, 0x11D2, {0xB9, 0x33, 0x00, 0x10, 0x4B, 0x36, 0x5C, 0x9F}};

// Keeps COM initialised on this thread for as long as it lives, if this object was the one to do it.
class ComScope {
public:
    ComScope() : m_result(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(m_result)) {
            ::CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT m_result;
};

// Calls a method that takes one text and returns nothing, by name, through IDispatch.
HRESULT InvokeWithText(IDispatch* object, const wchar_t* method, const std::string& text) {
    DISPID id = 0;
    auto* name = const_cast<LPOLESTR>(method);
    HRESULT result = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(result)) {
        return result;
    }
    VARIANT argument;
    ::VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = ::SysAllocString(ToWide(text).c_str());
    DISPPARAMS parameters{&argument, nullptr, 1, 0};
    EXCEPINFO exception{};
    result = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr,
                            &exception, nullptr);
    ::VariantClear(&argument);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    return result;
}

SetDefaultPrinterCall& OverriddenCall() {
    static SetDefaultPrinterCall call;
    return call;
}

} // namespace

bool WshNetworkSetDefaultPrinter(const std::string& name) {
    const ComScope com;
    IDispatch* network = nullptr;
    if (FAILED(::CoCreateInstance(kWshNetwork, nullptr, CLSCTX_INPROC_SERVER, kWshNetwork2,
                                  reinterpret_cast<void**>(&network)))) {
        return false;
    }
    const HRESULT result = InvokeWithText(network, L"SetDefaultPrinter", name);
    network->Release();
    return SUCCEEDED(result);
}

void OverrideSetDefaultPrinterCall(SetDefaultPrinterCall call) {
    OverriddenCall() = std::move(call);
}

const SetDefaultPrinterCall& CurrentSetDefaultPrinterCall() {
    static const SetDefaultPrinterCall real = WshNetworkSetDefaultPrinter;
    return OverriddenCall() ? OverriddenCall() : real;
}

} // namespace pf::platform::win
