#pragma once
// UTF-8 <-> UTF-16 for the wide Windows calls, and the text of a Windows error code.

#include <string>
#include <string_view>

namespace vantorel::platform {

std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);
std::string WindowsErrorText(unsigned long code);

}  // namespace vantorel::platform
