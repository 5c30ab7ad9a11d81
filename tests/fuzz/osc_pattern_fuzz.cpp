// Feeds arbitrary patterns and addresses to the OSC address matcher. Short inputs are compared with a
// plain recursive matcher written straight from the matching rules (exponential, so only for short
// texts); long inputs check that the matcher finishes in bounded time and memory.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "console/remote/osc_pattern.h"

namespace {

template <typename Char>
bool reference(std::basic_string_view<Char> p, std::basic_string_view<Char> a) {
  if (p.empty()) return a.empty();
  if (a.empty()) return p[0] == Char('*') && reference(p.substr(1), a);
  switch (p[0]) {
    case Char('?'):
      return reference(p.substr(1), a.substr(1));
    case Char('*'):
      return reference(p.substr(1), a) || reference(p, a.substr(1));
    case Char('['): {
      if (p.size() < 2 || p[1] == Char(0)) return false;
      std::size_t first = 1;
      const bool negated = p[1] == Char('!');
      if (negated) ++first;
      const std::size_t close = p.find(Char(']'), first);
      if (close == p.npos) return false;
      bool member = false;
      for (std::size_t k = first; k < close;) {
        if (k + 2 < close && p[k + 1] == Char('-')) {
          member = member || (p[k] <= a[0] && a[0] <= p[k + 2]);
          k += 3;
        } else {
          member = member || p[k] == a[0];
          ++k;
        }
      }
      return member != negated && reference(p.substr(close + 1), a.substr(1));
    }
    case Char('{'): {
      const std::size_t close = p.find(Char('}'), 1);
      if (close == p.npos) return false;
      std::size_t begin = 1;
      while (true) {
        std::size_t end = p.find(Char(','), begin);
        if (end == p.npos || end > close) end = close;
        const auto alternative = p.substr(begin, end - begin);
        if (a.substr(0, alternative.size()) == alternative &&
            reference(p.substr(close + 1), a.substr(alternative.size())))
          return true;
        if (end == close) return false;
        begin = end + 1;
      }
    }
    case Char(']'):
    case Char('}'):
      return false;
    default:
      return p[0] == a[0] && reference(p.substr(1), a.substr(1));
  }
}

bool ascii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) > 127) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Pattern and address are separated by the first NUL.
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  if (split == input.npos) return 0;
  const std::string_view pattern = input.substr(0, split);
  const std::string_view address = input.substr(split + 1);

  const bool result = OscPatternMatch(pattern, address);
  if (pattern.size() <= 10 && address.size() <= 10 && ascii(pattern) && ascii(address) &&
      result != reference(pattern, address))
    std::abort();

  // The same bytes taken as 16-bit characters.
  std::u16string pattern16((pattern.size() + 1) / 2, u'\0');
  std::u16string address16((address.size() + 1) / 2, u'\0');
  std::memcpy(pattern16.data(), pattern.data(), pattern.size());
  std::memcpy(address16.data(), address.data(), address.size());
  const bool result16 = OscPatternMatch(std::u16string_view(pattern16), std::u16string_view(address16));
  if (pattern16.size() <= 8 && address16.size() <= 8 &&
      result16 != reference(std::u16string_view(pattern16), std::u16string_view(address16)))
    std::abort();
  return 0;
}
