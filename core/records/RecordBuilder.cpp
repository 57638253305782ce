#include "records/RecordBuilder.h"

#include <cstdio>

#include "text/Cp932.h"

namespace turfpad {
namespace {

constexpr std::string_view kIdeographicSpace = "\x81\x40";

std::string Blank(std::size_t size, std::string_view type) {
    std::string r(size, ' ');
    r.replace(0, 2, type);
    r[size - 2] = '\r';
    r[size - 1] = '\n';
    return r;
}

std::string Laid(std::size_t size, std::string_view type, std::span<const LayoutField> layout) {
    std::string r = Blank(size, type);
    for (const LayoutField& f : layout) {
        auto at = static_cast<std::size_t>(f.pos - 1);
        auto len = static_cast<std::size_t>(f.len);
        switch (f.kind) {
            case FieldKind::Digits:
                r.replace(at, len, len, '0');
                break;
            case FieldKind::Japanese:
                for (std::size_t i = 0; i + 1 < len; i += 2) r.replace(at + i, 2, kIdeographicSpace);
                break;
            default:
                break;
        }
    }
    return r;
}

}  // namespace

RecordBuilder RecordBuilder::BlankRa() { return RecordBuilder(Blank(kRaRecordSize, "RA")); }
RecordBuilder RecordBuilder::BlankSe() { return RecordBuilder(Blank(kSeRecordSize, "SE")); }
RecordBuilder RecordBuilder::Ra() { return RecordBuilder(Laid(kRaRecordSize, "RA", RaLayout())); }
RecordBuilder RecordBuilder::Se() { return RecordBuilder(Laid(kSeRecordSize, "SE", SeLayout())); }

RecordBuilder& RecordBuilder::Raw(Field f, std::string_view cp932) {
    auto at = static_cast<std::size_t>(f.pos - 1);
    auto len = static_cast<std::size_t>(f.len);
    std::string value = PadBytes(cp932.substr(0, len), len);
    record_.replace(at, len, value);
    return *this;
}

RecordBuilder& RecordBuilder::Text(Field f, std::string_view utf8) {
    auto len = static_cast<std::size_t>(f.len);
    std::string value = CutBytes(Utf8ToCp932(utf8), len);
    while (value.size() + 2 <= len) value += kIdeographicSpace;
    return Raw(f, value);
}

RecordBuilder& RecordBuilder::Number(Field f, long long value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*lld", f.len, value);
    std::string_view s(buf);
    return Raw(f, s.substr(s.size() > static_cast<std::size_t>(f.len) ? s.size() - f.len : 0));
}

}  // namespace turfpad
