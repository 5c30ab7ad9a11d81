#include "console/remote/osc_pattern.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// One step of a pattern. Sets and lists keep the range of their contents in the pattern.
struct PatternToken {
  enum Kind { Literal, Any, Star, Set, Alternatives, Fail } kind;
  std::size_t begin = 0;  // Literal: the character; Set/Alternatives: first content character
  std::size_t end = 0;    // Set/Alternatives: one past the last content character
  bool negated = false;   // Set only
};

template <typename Char>
std::vector<PatternToken> tokenize(std::basic_string_view<Char> pattern) {
  std::vector<PatternToken> tokens;
  tokens.reserve(pattern.size());
  std::size_t p = 0;
  while (p < pattern.size()) {
    const Char c = pattern[p];
    if (c == Char('?')) {
      tokens.push_back({PatternToken::Any});
      ++p;
    } else if (c == Char('*')) {
      // "**" matches exactly what "*" matches.
      if (tokens.empty() || tokens.back().kind != PatternToken::Star) tokens.push_back({PatternToken::Star});
      ++p;
    } else if (c == Char('[')) {
      std::size_t first = p + 1;
      if (first == pattern.size() || pattern[first] == Char(0)) {
        tokens.push_back({PatternToken::Fail});
        break;
      }
      const bool negated = pattern[first] == Char('!');
      if (negated) ++first;
      const std::size_t close = pattern.find(Char(']'), first);
      if (close == pattern.npos) {
        tokens.push_back({PatternToken::Fail});
        break;
      }
      tokens.push_back({PatternToken::Set, first, close, negated});
      p = close + 1;
    } else if (c == Char('{')) {
      const std::size_t close = pattern.find(Char('}'), p + 1);
      if (close == pattern.npos) {
        tokens.push_back({PatternToken::Fail});
        break;
      }
      tokens.push_back({PatternToken::Alternatives, p + 1, close});
      p = close + 1;
    } else if (c == Char(']') || c == Char('}')) {
      tokens.push_back({PatternToken::Fail});
      break;
    } else {
      tokens.push_back({PatternToken::Literal, p});
      ++p;
    }
  }
  return tokens;
}

template <typename Char>
bool inSet(std::basic_string_view<Char> pattern, const PatternToken& set, Char c) {
  std::size_t i = set.begin;
  while (i < set.end) {
    if (i + 2 < set.end && pattern[i + 1] == Char('-')) {
      if (pattern[i] <= c && c <= pattern[i + 2]) return true;
      i += 3;
    } else {
      if (pattern[i] == c) return true;
      ++i;
    }
  }
  return false;
}

template <typename Char>
bool matchUnits(std::basic_string_view<Char> pattern, std::basic_string_view<Char> address) {
  const std::vector<PatternToken> tokens = tokenize(pattern);
  if (std::all_of(tokens.begin(), tokens.end(),
                  [](const auto& t) { return t.kind == PatternToken::Literal; }))
    return pattern == address;

  // matched[a * width + t]: tokens t.. match address characters a.. . Filled from the end of both,
  // so every state is decided once from states already decided.
  const std::size_t count = tokens.size();
  const std::size_t length = address.size();
  const std::size_t width = count + 1;
  std::vector<bool> matched((length + 1) * width, false);
  auto at = [&](std::size_t t, std::size_t a) { return matched[a * width + t]; };

  matched[length * width + count] = true;
  for (std::size_t t = count; t-- > 0;)
    matched[length * width + t] = tokens[t].kind == PatternToken::Star && at(t + 1, length);

  for (std::size_t a = length; a-- > 0;) {
    const Char c = address[a];
    for (std::size_t t = count; t-- > 0;) {
      const PatternToken& token = tokens[t];
      bool result = false;
      switch (token.kind) {
        case PatternToken::Literal:
          result = pattern[token.begin] == c && at(t + 1, a + 1);
          break;
        case PatternToken::Any:
          result = at(t + 1, a + 1);
          break;
        case PatternToken::Star:
          result = at(t + 1, a) || at(t, a + 1);
          break;
        case PatternToken::Set:
          result = inSet(pattern, token, c) != token.negated && at(t + 1, a + 1);
          break;
        case PatternToken::Alternatives: {
          const std::basic_string_view<Char> list = pattern.substr(0, token.end);
          std::size_t begin = token.begin;
          while (!result) {
            std::size_t end = list.find(Char(','), begin);
            if (end == list.npos) end = token.end;
            const std::size_t size = end - begin;
            if (size <= length - a && pattern.substr(begin, size) == address.substr(a, size))
              result = at(t + 1, a + size);
            if (end == token.end) break;
            begin = end + 1;
          }
          break;
        }
        case PatternToken::Fail:
          break;
      }
      matched[a * width + t] = result;
    }
  }
  return at(0, 0);
}

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::u16string utf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    char32_t code = 0xFFFD;
    char32_t minimum = 0;
    if (lead < 0x80) {
      code = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1, code = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2, code = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3, code = lead & 0x07, minimum = 0x10000;
    }
    std::size_t used = 1;
    if (extra > 0) {
      bool valid = i + extra < text.size();
      for (std::size_t k = 1; valid && k <= extra; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
          valid = false;
        else
          code = (code << 6) | (next & 0x3F);
      }
      if (valid && code >= minimum && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF))
        used = 1 + extra;
      else
        code = 0xFFFD;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(char16_t(0xD800 + (code >> 10)));
      out.push_back(char16_t(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(char16_t(code));
    }
    i += used;
  }
  return out;
}

}  // namespace

bool OscPatternMatch(std::u16string_view pattern, std::u16string_view address) {
  return matchUnits(pattern, address);
}

bool OscPatternMatch(std::string_view pattern, std::string_view address) {
  if (isAscii(pattern) && isAscii(address)) return matchUnits(pattern, address);
  return matchUnits(std::u16string_view(utf16(pattern)), std::u16string_view(utf16(address)));
}
