// Single keys of the initialisation files the device dialog's uses read and
// write (the default-printer file and the settings file's PDF device).
#pragma once

#include <string>

namespace kestrel {

// The value of key in section (UTF-8), or fallback when the file, section or
// key is missing. Enclosing double or single quotes are removed.
std::string ReadProfileText(const std::string& path, const std::string& section, const std::string& key,
                            const std::string& fallback);
// Sets key in section to value, written as given (no quotes added); creates
// the file or section when missing. false when the file cannot be written.
bool WriteProfileText(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& value);

}  // namespace kestrel
