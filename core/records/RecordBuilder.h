// Builds full-length JV-Data RA and SE records from field values, for the demo programme,
// tests, fuzz targets and benchmarks.
#pragma once

#include <string>
#include <string_view>

#include "records/RecordLayout.h"

namespace turfpad {

class RecordBuilder {
  public:
    // A record of the type with every byte blank but the type and the closing CR LF.
    static RecordBuilder BlankRa();
    static RecordBuilder BlankSe();
    // A record laid out as real data is: numeric fields zero-filled, Japanese text fields
    // filled with ideographic spaces, reserved and romanized fields blank.
    static RecordBuilder Ra();
    static RecordBuilder Se();

    // Puts cp932 bytes into the field, padded on the right with blanks; a longer value is cut
    // at the field's length.
    RecordBuilder& Raw(Field f, std::string_view cp932);
    // Puts UTF-8 text, converted to cp932 and padded with ideographic spaces (and a blank
    // when an odd byte remains), as real Japanese fields are.
    RecordBuilder& Text(Field f, std::string_view utf8);
    // Puts a number zero-filled to the field's width.
    RecordBuilder& Number(Field f, long long value);

    const std::string& str() const { return record_; }
    operator const std::string&() const { return record_; }

  private:
    explicit RecordBuilder(std::string record) : record_(std::move(record)) {}
    std::string record_;
};

}  // namespace turfpad
