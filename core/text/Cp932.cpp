#include "text/Cp932.h"

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

// Windows takes the byte 0x80 for U+0080; it is no cp932 character (nor for iconv on Linux).
bool HasStray80(std::string_view cp932) {
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        auto c = static_cast<unsigned char>(cp932[i]);
        if (c == 0x80) return true;
        if (IsLeadByte(c)) ++i;
    }
    return false;
}

// Converts `in` as a whole, failing on any byte sequence that is not a character.
bool StrictToWide(UINT codePage, std::string_view in, std::wstring& out) {
    out.clear();
    if (in.empty()) return true;
    if (codePage == 932 && HasStray80(in)) return false;
    int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), nullptr, 0);
    if (n <= 0) return false;
    out.resize(static_cast<std::size_t>(n));
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), out.data(), n);
    return true;
}

// The length of the UTF-8 sequence that `lead` starts (1 for a stray byte).
std::size_t Utf8Length(unsigned char lead) { return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1; }

// Leniently: every byte sequence that is not a character becomes U+FFFD and decoding goes on
// after its first byte, so a lead byte with a bad trail byte costs the lead byte only. This is
// the rule iconv follows on Linux; Windows' own lenient decoding would give "・" or private
// use characters instead, and the two builds must read damaged text alike.
std::wstring ToWide(UINT codePage, std::string_view in, bool strict, bool* ok) {
    std::wstring out;
    if (StrictToWide(codePage, in, out)) return out;
    if (strict) {
        *ok = false;
        return {};
    }
    out.clear();
    std::size_t i = 0;
    while (i < in.size()) {
        auto c = static_cast<unsigned char>(in[i]);
        std::size_t length = codePage == CP_UTF8 ? Utf8Length(c) : (IsLeadByte(c) ? 2 : 1);
        std::wstring part;
        if (i + length <= in.size() && StrictToWide(codePage, in.substr(i, length), part)) {
            out += part;
            i += length;
        } else {
            out += L'\xFFFD';
            i += codePage == CP_UTF8 ? std::min(length, in.size() - i) : 1;
        }
    }
    return out;
}

// Strictly, a character cp932 does not have fails; Windows would otherwise write a look-alike
// ("À" as "A"), which Linux refuses. Leniently it becomes "?", as on Linux.
std::string FromWide(UINT codePage, const std::wstring& in, bool strict, bool* ok) {
    if (in.empty()) return {};
    const bool ansi = codePage != CP_UTF8;
    const DWORD flags = ansi ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL usedDefault = FALSE;
    BOOL* used = ansi ? &usedDefault : nullptr;
    const char* fallback = ansi ? "?" : nullptr;
    int n = WideCharToMultiByte(codePage, flags, in.data(), static_cast<int>(in.size()), nullptr, 0, fallback, used);
    if (ansi && in.find(L'\x80') != std::wstring::npos) usedDefault = TRUE;  // see HasStray80
    if (n <= 0 || (strict && usedDefault)) {
        *ok = false;
        if (n <= 0) return {};
    }
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, in.data(), static_cast<int>(in.size()), out.data(), n, fallback, nullptr);
    return out;
}

std::optional<std::string> Convert(UINT from, UINT to, std::string_view in, bool strict) {
    bool ok = true;
    std::wstring wide = ToWide(from, in, strict, &ok);
    if (!ok) return std::nullopt;
    std::string out = FromWide(to, wide, true, &ok);
    if (ok) return out;
    if (strict) return std::nullopt;
    // Leniently, each character the target lacks becomes one "?", a character outside the
    // basic plane (two UTF-16 units) included, as on Linux.
    out.clear();
    for (std::size_t i = 0; i < wide.size();) {
        std::size_t n = IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() && IS_LOW_SURROGATE(wide[i + 1]) ? 2 : 1;
        bool one = true;
        std::string part = FromWide(to, wide.substr(i, n), true, &one);
        out += one ? part : "?";
        i += n;
    }
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

#ifdef _WIN32
std::optional<std::string> DecodeRaw(std::string_view cp932, bool strict) {
    return Convert(932, CP_UTF8, cp932, strict);
}
std::optional<std::string> EncodeRaw(std::string_view utf8, bool strict) { return Convert(CP_UTF8, 932, utf8, strict); }
#else
std::optional<std::string> DecodeRaw(std::string_view cp932, bool strict) {
    return ToUtf8().Run(cp932, strict, kReplacementUtf8);
}
std::optional<std::string> EncodeRaw(std::string_view utf8, bool strict) { return ToCp932().Run(utf8, strict, "?"); }
#endif

// Characters that either system writes as cp932 but that read back as another character:
// iconv's look-alikes (¢ £ ¥ ¬ — ‖ ‾ − 〜) and Windows' U+0080 and U+F8F0..U+F8F3. Only text that
// reads back as itself counts as cp932, on both systems alike.
bool IsOneWay(char32_t c) {
    switch (c) {
        case 0x80:
        case 0xA2:
        case 0xA3:
        case 0xA5:
        case 0xAC:
        case 0x2014:
        case 0x2016:
        case 0x203E:
        case 0x2212:
        case 0x301C:
        case 0xF8F0:
        case 0xF8F1:
        case 0xF8F2:
        case 0xF8F3:
            return true;
        default:
            return false;
    }
}

// The UTF-8 sequence at `i`: its code point (or nothing when it is not one) and its length.
std::pair<std::optional<char32_t>, std::size_t> Utf8At(std::string_view s, std::size_t i) {
    auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (n == 1 || i + n > s.size()) return {n == 1 && c < 0x80 ? std::optional<char32_t>(c) : std::nullopt, 1};
    char32_t cp = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return {cp, n};
}

std::optional<std::string> Encode(std::string_view utf8, bool strict) {
    std::size_t start = 0;
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        auto [cp, n] = Utf8At(utf8, i);
        if (cp && IsOneWay(*cp)) {
            if (strict) return std::nullopt;
            out += *EncodeRaw(utf8.substr(start, i - start), false);
            out += '?';
            start = i + n;
        }
        i += n;
    }
    if (start == 0) return EncodeRaw(utf8, strict);
    out += *EncodeRaw(utf8.substr(start), false);
    return out;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
    if (IsAscii(cp932)) return std::string(cp932);
    return *DecodeRaw(cp932, false);
}
std::string Utf8ToCp932(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return *Encode(utf8, false);
}
std::optional<std::string> TryCp932ToUtf8(std::string_view cp932) {
    if (IsAscii(cp932)) return std::string(cp932);
    return DecodeRaw(cp932, true);
}
std::optional<std::string> TryUtf8ToCp932(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return Encode(utf8, true);
}

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
