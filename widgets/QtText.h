// Texts handed to Qt and back: one helper per conversion, so that a call says which bytes it holds.
// The core's texts are UTF-8 (messages, settings) or cp932 (everything cut from a record).
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "text/Cp932.h"

namespace turfpad {

// UTF-8 bytes (a literal in the source, or a std::string the core made in UTF-8).
inline QString Utf8ToQString(const char* utf8) { return QString::fromUtf8(utf8); }
inline QString Utf8ToQString(const std::string& utf8) { return QString::fromStdString(utf8); }

// cp932 bytes, as cut from a record or made for a fixed-width column.
inline QString Cp932ToQString(std::string_view cp932) { return QString::fromStdString(Cp932ToUtf8(cp932)); }
// A widget's text back to cp932.
inline std::string QStringToCp932(const QString& text) { return Utf8ToCp932(text.toStdString()); }

}  // namespace turfpad
