#pragma once

#include <string_view>

// Whether a whole address matches an OSC address pattern. Characters are compared as 16-bit code
// units, case-sensitively:
//   "?"        any one character
//   "*"        any run of zero or more characters, "/" included
//   "[abc]"    one character of the set; "a-z" is a range, "-" first or last is a plain member;
//   "[!abc]"   one character not in the set; a set without its "]" never matches
//   "{ab,cd}"  one of the comma-separated texts (taken literally); without its "}" never matches
//   "]", "}"   outside a set or list never match
// An empty address is matched only by a pattern that is empty or made of "*" alone.
//
// The pattern usually comes from the network, so the cost is bounded by the pattern's length times
// the address's length whatever the pattern holds: no backtracking over runs of "*".
bool OscPatternMatch(std::u16string_view pattern, std::u16string_view address);

// The same over UTF-8 texts (decoded to UTF-16 code units; an invalid byte counts as U+FFFD).
bool OscPatternMatch(std::string_view pattern, std::string_view address);
