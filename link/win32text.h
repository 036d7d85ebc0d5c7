// Text at the edges of the Win32 API: the program keeps UTF-8, the system
// speaks UTF-16, and its error codes have their own texts.
#pragma once

#include <string>

namespace lumidex::win32 {

// UTF-8 to UTF-16 and back; bytes that are not valid UTF-8 become U+FFFD.
std::wstring widen(const std::string& text);
std::string narrow(const std::wstring& text);

// The system's own text for a GetLastError() code, without the trailing
// full stop, followed by the code: "Access denied, error 5".
std::string errorText(unsigned long error);

}  // namespace lumidex::win32
