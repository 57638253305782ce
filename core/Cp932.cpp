#include "Cp932.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#include <stdexcept>
#endif

namespace turfpad {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

#ifdef _WIN32

std::wstring ToWide(UINT codePage, std::string_view in, bool strict, bool* ok) {
    if (in.empty()) return {};
    DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
    int n = MultiByteToWideChar(codePage, flags, in.data(), static_cast<int>(in.size()), nullptr, 0);
    if (n <= 0) {
        *ok = false;
        return {};
    }
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, in.data(), static_cast<int>(in.size()), out.data(), n);
    return out;
}

std::string FromWide(UINT codePage, const std::wstring& in, bool strict, bool* ok) {
    if (in.empty()) return {};
    BOOL usedDefault = FALSE;
    BOOL* used = (strict && codePage != CP_UTF8) ? &usedDefault : nullptr;
    int n = WideCharToMultiByte(codePage, 0, in.data(), static_cast<int>(in.size()), nullptr, 0, nullptr, used);
    if (n <= 0 || usedDefault) {
        *ok = false;
        if (n <= 0) return {};
    }
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, in.data(), static_cast<int>(in.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::optional<std::string> Convert(UINT from, UINT to, std::string_view in, bool strict) {
    bool ok = true;
    std::wstring wide = ToWide(from, in, strict, &ok);
    if (!ok && strict) return std::nullopt;
    std::string out = FromWide(to, wide, strict, &ok);
    if (!ok && strict) return std::nullopt;
    return out;
}

#else

// One conversion descriptor per direction and thread; iconv_open is far too slow to call
// for every field.
class Converter {
  public:
    Converter(const char* to, const char* from, bool utf8Input) : isUtf8Input_(utf8Input), cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv cannot convert CP932");
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in`; on a byte sequence that does not convert, returns nothing when strict,
    // otherwise writes `replacement` and goes on after one input byte.
    std::optional<std::string> Run(std::string_view in, bool strict, std::string_view replacement) {
        std::string out;
        out.reserve(in.size() * 3 / 2 + 8);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buf[1024];
        while (srcLeft > 0) {
            char* dst = buf;
            std::size_t dstLeft = sizeof buf;
            std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, static_cast<std::size_t>(dst - buf));
            if (r != static_cast<std::size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            // EILSEQ (invalid or unconvertible) or EINVAL (incomplete at the end).
            if (strict) return std::nullopt;
            out.append(replacement);
            if (srcLeft > 0) {
                // Skip the whole input character: one UTF-8 sequence, or one cp932 byte.
                std::size_t skip = 1;
                if (isUtf8Input_) {
                    auto c = static_cast<unsigned char>(*src);
                    skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
                    if (skip > srcLeft) skip = srcLeft;
                }
                src += skip;
                srcLeft -= skip;
            }
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        char* dst = buf;
        std::size_t dstLeft = sizeof buf;
        iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
        out.append(buf, static_cast<std::size_t>(dst - buf));
        return out;
    }

  private:
    bool isUtf8Input_;
    iconv_t cd_;
};

Converter& ToUtf8() {
    thread_local Converter c("UTF-8", "CP932", false);
    return c;
}

Converter& ToCp932() {
    thread_local Converter c("CP932", "UTF-8", true);
    return c;
}

#endif

bool IsAscii(std::string_view s) {
    for (char ch : s)
        if (static_cast<unsigned char>(ch) >= 0x80) return false;
    return true;
}

}  // namespace

#ifdef _WIN32
std::string Cp932ToUtf8(std::string_view cp932) {
    if (IsAscii(cp932)) return std::string(cp932);
    return *Convert(932, CP_UTF8, cp932, false);
}
std::string Utf8ToCp932(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return *Convert(CP_UTF8, 932, utf8, false);
}
std::optional<std::string> TryCp932ToUtf8(std::string_view cp932) {
    if (IsAscii(cp932)) return std::string(cp932);
    return Convert(932, CP_UTF8, cp932, true);
}
std::optional<std::string> TryUtf8ToCp932(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return Convert(CP_UTF8, 932, utf8, true);
}
#else
std::string Cp932ToUtf8(std::string_view cp932) {
    if (IsAscii(cp932)) return std::string(cp932);
    return *ToUtf8().Run(cp932, false, kReplacementUtf8);
}
std::string Utf8ToCp932(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return *ToCp932().Run(utf8, false, "?");
}
std::optional<std::string> TryCp932ToUtf8(std::string_view cp932) {
    if (IsAscii(cp932)) return std::string(cp932);
    return ToUtf8().Run(cp932, true, {});
}
std::optional<std::string> TryUtf8ToCp932(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return ToCp932().Run(utf8, true, {});
}
#endif

std::size_t ByteWidth(std::string_view utf8) { return Utf8ToCp932(utf8).size(); }

std::string CutBytes(std::string_view cp932, std::size_t width) {
    if (cp932.size() <= width) return std::string(cp932);
    std::string out(cp932.substr(0, width));
    // Walk the characters from the start: a trail byte can look like a lead byte.
    std::size_t i = 0;
    while (i < width) {
        if (IsLeadByte(static_cast<unsigned char>(out[i]))) {
            if (i + 1 == width) {
                out[i] = ' ';
                break;
            }
            i += 2;
        } else {
            ++i;
        }
    }
    return out;
}

bool HasLineBreak(std::string_view bytes) {
    // Two memchr passes: find_first_of would test every byte against the set one by one.
    return std::memchr(bytes.data(), '\r', bytes.size()) != nullptr ||
           std::memchr(bytes.data(), '\n', bytes.size()) != nullptr;
}

std::string PadBytes(std::string_view cp932, std::size_t width) {
    std::string out(cp932);
    if (out.size() < width) out.append(width - out.size(), ' ');
    return out;
}

}  // namespace turfpad
