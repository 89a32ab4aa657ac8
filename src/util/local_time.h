// The local calendar time, the same way on every system.
#pragma once

#include <ctime>

namespace kestrel {

// The local time of t (now when t is omitted); all zero when the system
// cannot convert it.
std::tm LocalTimeOf(std::time_t t);
std::tm UtcTimeOf(std::time_t t);
inline std::tm LocalTimeNow() { return LocalTimeOf(std::time(nullptr)); }

}  // namespace kestrel
