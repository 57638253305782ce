#ifdef _WIN32

#include "jvlink/ComJVLink.h"

// clang-format off
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
// clang-format on

#include <cstdint>
#include <cstdio>

#include "jvlink/JVLinkCreationError.h"
#include "text/SystemErrors.h"

namespace turfpad {
namespace {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}

std::string Narrow(UINT codePage, const wchar_t* s, UINT length) {
    if (s == nullptr || length == 0) return {};
    int n = WideCharToMultiByte(codePage, 0, s, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, s, static_cast<int>(length), out.data(), n, nullptr, nullptr);
    return out;
}

std::string Narrow(UINT codePage, BSTR s) { return Narrow(codePage, s, s ? SysStringLen(s) : 0); }

std::string CodeText(HRESULT hr) { return HResultText(static_cast<std::uint32_t>(hr)); }

// The code and the system's words for it.
std::string ComErrorWords(HRESULT hr) {
    std::string words = ComErrorText(hr);
    return CodeText(hr) + (words.empty() ? "" : " " + words);
}

// A BSTR owned here: freed whatever happens, also when the callee replaced it.
class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(const std::string& utf8) {
        std::wstring w = Wide(utf8);
        s_ = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
    }
    ~Bstr() { SysFreeString(s_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return s_; }
    BSTR* out() { return &s_; }

  private:
    BSTR s_ = nullptr;
};

void In(VARIANTARG& v, BSTR s) {
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = s;
}

void In(VARIANTARG& v, LONG value) {
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
}

void Out(VARIANTARG& v, BSTR* s) {
    VariantInit(&v);
    v.vt = VT_BYREF | VT_BSTR;
    v.pbstrVal = s;
}

void Out(VARIANTARG& v, LONG* value) {
    VariantInit(&v);
    v.vt = VT_BYREF | VT_I4;
    v.plVal = value;
}

// The class named by `progId` in one registry view (KEY_WOW64_32KEY or KEY_WOW64_64KEY): its
// ProgID's CLSID, and that CLSID's in-process server.
bool RegisteredInView(const wchar_t* progId, REGSAM view) {
    HKEY key = nullptr;
    const std::wstring progIdKey = std::wstring(progId) + L"\\CLSID";
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, progIdKey.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    wchar_t clsid[64] = {};
    DWORD size = sizeof clsid - sizeof(wchar_t);  // room for the terminator a stored value may lack
    DWORD type = 0;
    const LONG read = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(clsid), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_SZ) return false;
    const std::wstring serverKey = L"CLSID\\" + std::wstring(clsid) + L"\\InprocServer32";
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, serverKey.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

}  // namespace

JVLinkRegistration ProbeJVLinkRegistration(const wchar_t* progId) {
    const bool program64Bit = sizeof(void*) == 8;
    const bool in32 = RegisteredInView(progId, KEY_WOW64_32KEY);
    const bool in64 = RegisteredInView(progId, KEY_WOW64_64KEY);
    return program64Bit ? JVLinkRegistration{in64, in32} : JVLinkRegistration{in32, in64};
}

std::unique_ptr<ComJVLink> ComJVLink::Create(std::string& error) {
    error.clear();
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool uninitialize = SUCCEEDED(init);
    if (FAILED(init) && init != RPC_E_CHANGED_MODE) {
        error = "COM を初期化できません（" + ComErrorWords(init) + "）";
        return nullptr;
    }
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(L"JVDTLab.JVLink", &clsid);
    IDispatch* dispatch = nullptr;
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&dispatch));
    if (FAILED(hr) || dispatch == nullptr) {
        const auto code = static_cast<std::uint32_t>(FAILED(hr) ? hr : E_NOINTERFACE);
        error = JVLinkCreationErrorText(code, ComErrorText(static_cast<long>(code)), sizeof(void*) == 8,
                                        ProbeJVLinkRegistration(L"JVDTLab.JVLink"));
        if (uninitialize) CoUninitialize();
        return nullptr;
    }
    return std::unique_ptr<ComJVLink>(new ComJVLink(dispatch, uninitialize));
}

ComJVLink::ComJVLink(IDispatch* dispatch, bool uninitialize) : dispatch_(dispatch), uninitialize_(uninitialize) {}

ComJVLink::~ComJVLink() {
    dispatch_->Release();
    if (uninitialize_) CoUninitialize();
}

long ComJVLink::Id(const wchar_t* name) {
    auto found = ids_.find(name);
    if (found != ids_.end()) return found->second;
    std::wstring copy = name;
    LPOLESTR names[] = {copy.data()};
    DISPID id = 0;
    HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        throw JVLinkCallError("JV-Link に " + Narrow(CP_UTF8, name, static_cast<UINT>(copy.size())) +
                              " がありません (" + CodeText(hr) + ")");
    ids_.emplace(copy, id);
    return id;
}

int ComJVLink::Call(const wchar_t* name, tagVARIANT* args, unsigned count) {
    DISPID id = Id(name);
    DISPPARAMS params{args, nullptr, count, 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception{};
    UINT argError = 0;
    HRESULT hr =
        dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &exception, &argError);
    if (FAILED(hr)) {
        std::string what = "JV-Link の " + Narrow(CP_UTF8, name, static_cast<UINT>(wcslen(name))) +
                           " の呼び出しに失敗しました (" + CodeText(hr) + ")";
        if (exception.bstrDescription) what += ": " + Narrow(CP_UTF8, exception.bstrDescription);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        throw JVLinkCallError(what);
    }
    if (result.vt == VT_EMPTY) return 0;
    VARIANT number;
    VariantInit(&number);
    hr = VariantChangeType(&number, &result, 0, VT_I4);
    VariantClear(&result);
    if (FAILED(hr))
        throw JVLinkCallError("JV-Link の " + Narrow(CP_UTF8, name, static_cast<UINT>(wcslen(name))) +
                              " が数値を返しませんでした (" + CodeText(hr) + ")");
    return static_cast<int>(number.lVal);
}

int ComJVLink::JVInit(const std::string& sid) {
    Bstr s(sid);
    VARIANTARG args[1];
    In(args[0], s.get());
    return Call(L"JVInit", args, 1);
}

int ComJVLink::JVSetUIProperties() { return Call(L"JVSetUIProperties", nullptr, 0); }

int ComJVLink::JVOpen(const std::string& dataspec, const std::string& fromtime, int option, int& readCount,
                      int& downloadCount, std::string& lastFileTimestamp) {
    Bstr kind(dataspec), from(fromtime), last;
    LONG reads = 0, downloads = 0;
    VARIANTARG args[6];
    Out(args[0], last.out());
    Out(args[1], &downloads);
    Out(args[2], &reads);
    In(args[3], static_cast<LONG>(option));
    In(args[4], from.get());
    In(args[5], kind.get());
    int rc = Call(L"JVOpen", args, 6);
    readCount = static_cast<int>(reads);
    downloadCount = static_cast<int>(downloads);
    lastFileTimestamp = Narrow(CP_UTF8, last.get());
    return rc;
}

int ComJVLink::JVRTOpen(const std::string& dataspec, const std::string& key) {
    Bstr kind(dataspec), which(key);
    VARIANTARG args[2];
    In(args[0], which.get());
    In(args[1], kind.get());
    return Call(L"JVRTOpen", args, 2);
}

int ComJVLink::JVStatus() { return Call(L"JVStatus", nullptr, 0); }

int ComJVLink::JVRead(std::string& buffer, int& size, std::string& fileName) {
    const int capacity = size;
    Bstr buff, name;
    LONG length = size;
    VARIANTARG args[3];
    Out(args[0], name.out());
    Out(args[1], &length);
    Out(args[2], buff.out());
    int rc = Call(L"JVRead", args, 3);
    buffer = Narrow(932, buff.get());  // the record as the system's ANSI code page has it
    if (capacity > 0 && buffer.size() > static_cast<std::size_t>(capacity))
        buffer.resize(static_cast<std::size_t>(capacity));
    size = static_cast<int>(length);
    fileName = Narrow(CP_UTF8, name.get());
    return rc;
}

void ComJVLink::JVCancel() { Call(L"JVCancel", nullptr, 0); }

int ComJVLink::JVClose() { return Call(L"JVClose", nullptr, 0); }

}  // namespace turfpad

#endif
