// A JV-Link control for tests on Windows (and Wine): an in-process COM server registered under
// JV-Link's ProgID and class, answering through IDispatch with the control's parameter types
// (wide strings, 32-bit integers, out values by reference). Behind it the local stand-in
// serves the JV-Data files of the folder named in JVLinkLocal.ini beside this DLL, so the
// program's COM backend and acquisition run end to end without the real control.
// clang-format off
#include <windows.h>
#include <oleauto.h>
// clang-format on

#include <atomic>
#include <memory>
#include <string>

#include "jvlink/LocalJVLink.h"
#include "text/Cp932.h"

namespace {

using turfpad::LocalJVLink;

// {2AB1774D-0C41-11D7-916F-0003479BEB3F}
constexpr CLSID kJVLinkClass = {0x2AB1774D, 0x0C41, 0x11D7, {0x91, 0x6F, 0x00, 0x03, 0x47, 0x9B, 0xEB, 0x3F}};
constexpr wchar_t kClassText[] = L"{2AB1774D-0C41-11D7-916F-0003479BEB3F}";
constexpr wchar_t kProgId[] = L"JVDTLab.JVLink";

HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};

std::filesystem::path ModuleFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
    return std::filesystem::path(std::wstring(path, n)).parent_path();
}

std::string Utf8(BSTR s) {
    if (s == nullptr) return {};
    int length = static_cast<int>(SysStringLen(s));
    int n = WideCharToMultiByte(CP_UTF8, 0, s, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s, length, out.data(), n, nullptr, nullptr);
    return out;
}

BSTR Wide(UINT codePage, const std::string& s) {
    int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(n));
    MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), out, n);
    return out;
}

enum Member : DISPID { kInit = 1, kSetUI, kOpen, kStatus, kRead, kCancel, kClose, kRTOpen };

struct Name {
    const wchar_t* text;
    DISPID id;
};
constexpr Name kNames[] = {
    {L"JVInit", kInit}, {L"JVSetUIProperties", kSetUI}, {L"JVOpen", kOpen},   {L"JVStatus", kStatus},
    {L"JVRead", kRead}, {L"JVCancel", kCancel},         {L"JVClose", kClose}, {L"JVRTOpen", kRTOpen}};

// The argument at `index` counted from the first (DISPPARAMS holds them last first).
VARIANTARG* Arg(DISPPARAMS* p, UINT index) { return &p->rgvarg[p->cArgs - 1 - index]; }

bool InString(DISPPARAMS* p, UINT index, std::string& out) {
    VARIANTARG* v = Arg(p, index);
    if (v->vt == VT_BSTR)
        out = Utf8(v->bstrVal);
    else if (v->vt == (VT_BYREF | VT_BSTR))
        out = Utf8(*v->pbstrVal);
    else
        return false;
    return true;
}

bool InLong(DISPPARAMS* p, UINT index, long& out) {
    VARIANTARG* v = Arg(p, index);
    if (v->vt == VT_I4)
        out = v->lVal;
    else if (v->vt == (VT_BYREF | VT_I4))
        out = *v->plVal;
    else
        return false;
    return true;
}

LONG* OutLong(DISPPARAMS* p, UINT index) {
    VARIANTARG* v = Arg(p, index);
    return v->vt == (VT_BYREF | VT_I4) ? v->plVal : nullptr;
}

BSTR* OutString(DISPPARAMS* p, UINT index) {
    VARIANTARG* v = Arg(p, index);
    return v->vt == (VT_BYREF | VT_BSTR) ? v->pbstrVal : nullptr;
}

void Replace(BSTR* slot, BSTR value) {
    SysFreeString(*slot);
    *slot = value;
}

class TestJVLink : public IDispatch {
  public:
    TestJVLink() {
        LocalJVLink::Config config;
        config.settingsFile = ModuleFolder() / "JVLinkLocal.ini";
        config.cacheDir = ModuleFolder() / "JVLinkLocal";
        link_ = std::make_unique<LocalJVLink>(config);
        ++g_objects;
    }
    virtual ~TestJVLink() { --g_objects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        long left = --refs_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (const Name& n : kNames)
                if (_wcsicmp(names[i], n.text) == 0) ids[i] = n.id;
            if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT* result, EXCEPINFO*,
                                     UINT* argError) override {
        static constexpr UINT kArgs[] = {0, 1, 0, 6, 0, 3, 0, 0, 2};
        if (id < kInit || id > kRTOpen) return DISP_E_MEMBERNOTFOUND;
        if (p->cArgs != kArgs[id] || p->cNamedArgs != 0) return DISP_E_BADPARAMCOUNT;
        long rc = 0;
        HRESULT hr = Call(static_cast<Member>(id), p, rc);
        if (FAILED(hr)) {
            if (argError) *argError = 0;
            return hr;
        }
        if (result) {
            VariantInit(result);
            result->vt = VT_I4;
            result->lVal = rc;
        }
        return S_OK;
    }

  private:
    HRESULT Call(Member member, DISPPARAMS* p, long& rc) {
        switch (member) {
            case kInit: {
                std::string sid;
                if (!InString(p, 0, sid)) return DISP_E_TYPEMISMATCH;
                rc = link_->JVInit(sid);
                return S_OK;
            }
            case kSetUI:
                rc = link_->JVSetUIProperties();
                return S_OK;
            case kOpen: {
                std::string kind, from;
                long option = 0;
                LONG* reads = OutLong(p, 3);
                LONG* downloads = OutLong(p, 4);
                BSTR* last = OutString(p, 5);
                if (!InString(p, 0, kind) || !InString(p, 1, from) || !InLong(p, 2, option) || !reads || !downloads ||
                    !last)
                    return DISP_E_TYPEMISMATCH;
                int r = 0, d = 0;
                std::string timestamp;
                rc = link_->JVOpen(kind, from, static_cast<int>(option), r, d, timestamp);
                *reads = r;
                *downloads = d;
                Replace(last, Wide(CP_UTF8, timestamp));
                return S_OK;
            }
            case kStatus:
                rc = link_->JVStatus();
                return S_OK;
            case kRead: {
                BSTR* buffer = OutString(p, 0);
                LONG* size = OutLong(p, 1);
                BSTR* name = OutString(p, 2);
                if (!buffer || !size || !name) return DISP_E_TYPEMISMATCH;
                std::string record, file;
                int length = static_cast<int>(*size);
                rc = link_->JVRead(record, length, file);
                *size = length;
                Replace(buffer, Wide(932, record));  // the control hands records over as wide strings
                Replace(name, Wide(CP_UTF8, file));
                return S_OK;
            }
            case kCancel:
                link_->JVCancel();
                return S_OK;
            case kClose:
                rc = link_->JVClose();
                return S_OK;
            case kRTOpen: {
                std::string kind, key;
                if (!InString(p, 0, kind) || !InString(p, 1, key)) return DISP_E_TYPEMISMATCH;
                rc = link_->JVRTOpen(kind, key);
                return S_OK;
            }
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    std::atomic<long> refs_{1};
    std::unique_ptr<LocalJVLink> link_;
};

class Factory : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* object = new TestJVLink;
        HRESULT hr = object->QueryInterface(riid, out);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

bool SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY h;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG r = RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
    return r == ERROR_SUCCESS;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    if (clsid != kJVLinkClass) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, out);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() { return g_objects == 0 ? S_OK : S_FALSE; }

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
    const std::wstring cls = std::wstring(L"CLSID\\") + kClassText;
    bool ok = SetValue(kProgId, nullptr, L"JV-Link (test control)") &&
              SetValue(std::wstring(kProgId) + L"\\CLSID", nullptr, kClassText) &&
              SetValue(cls, nullptr, L"JV-Link (test control)") && SetValue(cls + L"\\ProgID", nullptr, kProgId) &&
              SetValue(cls + L"\\InprocServer32", nullptr, std::wstring(path, n)) &&
              SetValue(cls + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    return ok ? S_OK : E_FAIL;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kClassText).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    return S_OK;
}
