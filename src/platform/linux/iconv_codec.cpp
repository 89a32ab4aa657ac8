#include "platform/linux/iconv_codec.h"

#include <iconv.h>
#include <langinfo.h>
#include <clocale>

#include <cerrno>
#include <mutex>

namespace kestrel {
namespace {

// Opening a converter loads its tables; each direction keeps one per thread.
struct Descriptor {
  iconv_t cd = reinterpret_cast<iconv_t>(-1);
  ~Descriptor() {
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
};

// One conversion with '?' for every byte sequence iconv cannot take (d is
// the direction's converter, opened on first use). On bad input CP932
// skips one byte (or a whole lead+trail pair), UTF-8 one whole character.
std::string Convert(Descriptor& d, const char* to, const char* from, std::string_view in, bool utf8_input, bool* ok) {
  if (ok != nullptr) *ok = true;
  if (d.cd == reinterpret_cast<iconv_t>(-1)) d.cd = iconv_open(to, from);
  iconv_t cd = d.cd;
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    if (ok != nullptr) *ok = false;
    return std::string(in);
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out;
  out.reserve(in.size() * 3 / 2 + 8);
  char buffer[1024];
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  while (left > 0) {
    char* dst = buffer;
    size_t room = sizeof buffer;
    size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buffer, size_t(dst - buffer));
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: one character cannot be converted.
    if (ok != nullptr) *ok = false;
    out.push_back('?');
    size_t skip = 1;
    auto c = static_cast<unsigned char>(*src);
    if (utf8_input) {
      if (c >= 0xF0) skip = 4;
      else if (c >= 0xE0) skip = 3;
      else if (c >= 0xC0) skip = 2;
      // skip only over continuation bytes actually present
      size_t n = 1;
      while (n < skip && n < left && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80) ++n;
      skip = n;
    } else {
      bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
      if (lead && left >= 2) {
        auto t = static_cast<unsigned char>(src[1]);
        if (t >= 0x40 && t <= 0xFC && t != 0x7F) skip = 2;
      }
    }
    if (skip > left) skip = left;
    src += skip;
    left -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace

std::string IconvCodec::ToUtf8(SjisView sjis, bool* ok) const {
  thread_local Descriptor toUtf8;
  return Convert(toUtf8, "UTF-8", "CP932", sjis, false, ok);
}

SjisString IconvCodec::ToCp932(std::string_view utf8, bool* ok) const {
  thread_local Descriptor toCp932;
  return Convert(toCp932, "CP932", "UTF-8", utf8, true, ok);
}

std::string Utf8ToLocaleText(std::string_view utf8) {
  static const std::string codeset = [] {
    std::setlocale(LC_CTYPE, "");
    const char* name = nl_langinfo(CODESET);
    return std::string(name != nullptr ? name : "");
  }();
  if (codeset.empty() || codeset == "UTF-8" || codeset == "utf8") return std::string(utf8);
  thread_local Descriptor toLocale;
  return Convert(toLocale, (codeset + "//TRANSLIT").c_str(), "UTF-8", utf8, true, nullptr);
}

const TextCodec& InstallIconvCodec() {
  static IconvCodec codec;
  static std::once_flag once;
  std::call_once(once, [] { InstallTextCodec(&codec); });
  return codec;
}

}  // namespace kestrel
