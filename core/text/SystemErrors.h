// The system's own words for an error, as UTF-8 text on one line, for messages that name
// what went wrong with a file.
#pragma once

#include <string>
#include <system_error>

namespace turfpad {

// `code` is an errno value on POSIX systems and a GetLastError() value on Windows, where the
// text comes from FormatMessageW in the user's language (Japanese on a Japanese Windows).
std::string SystemErrorText(int code);
// An error code from the standard library; system-category codes are read as above.
std::string SystemErrorText(const std::error_code& ec);
// The system's words for a COM result (HRESULT) on Windows; empty where it has none, and on
// every other system.
std::string ComErrorText(long hresult);

}  // namespace turfpad
