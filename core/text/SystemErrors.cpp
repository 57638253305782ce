#include "text/SystemErrors.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace turfpad {
namespace {

// Messages end in a line break (Windows) or may carry trailing blanks: one line is wanted.
std::string TrimEnd(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

}  // namespace

#ifdef _WIN32

// The system's message for a code, trimmed; empty when it has none.
std::string SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (length > 0 && buffer != nullptr) {
        int n = WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        text.resize(static_cast<std::size_t>(n > 0 ? n : 0));
        if (n > 0) WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(length), text.data(), n, nullptr, nullptr);
    }
    if (buffer != nullptr) LocalFree(buffer);
    return TrimEnd(std::move(text));
}

std::string SystemErrorText(int code) {
    std::string text = SystemMessage(static_cast<DWORD>(code));
    return text.empty() ? "エラー " + std::to_string(code) : text;
}

std::string ComErrorText(long hresult) { return SystemMessage(static_cast<DWORD>(hresult)); }

std::string SystemErrorText(const std::error_code& ec) {
    if (ec.category() == std::system_category()) return SystemErrorText(ec.value());
    return TrimEnd(ec.message());
}

#else

std::string SystemErrorText(int code) { return TrimEnd(std::system_category().message(code)); }

std::string SystemErrorText(const std::error_code& ec) { return TrimEnd(ec.message()); }

std::string ComErrorText(long) { return {}; }

#endif

}  // namespace turfpad
