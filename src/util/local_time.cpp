#include "util/local_time.h"

namespace kestrel {

std::tm LocalTimeOf(std::time_t t) {
  std::tm local{};
#if defined(_WIN32)
  if (localtime_s(&local, &t) != 0) return std::tm{};
#else
  if (localtime_r(&t, &local) == nullptr) return std::tm{};
#endif
  return local;
}

std::tm UtcTimeOf(std::time_t t) {
  std::tm utc{};
#if defined(_WIN32)
  if (gmtime_s(&utc, &t) != 0) return std::tm{};
#else
  if (gmtime_r(&t, &utc) == nullptr) return std::tm{};
#endif
  return utc;
}

}  // namespace kestrel
