// UTF-8 (the program's text in memory) to and from the UTF-16 the Windows
// "W" functions take.
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);
// An environment variable as UTF-8; empty when unset.
std::string EnvironmentValue(const wchar_t* name);

}  // namespace kestrel
