// The words of one tunpanel request line and the numbers, hex bytes and
// message codes written in them. No OS calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tunpanel {

// Splits a line at blanks and tabs. A double-quoted group is one word (the
// quotes are dropped), so texts with blanks and registry paths with blanks
// can be given; "" inside quotes stands for one quote character. Backslashes
// are ordinary characters (registry paths are full of them). False, with the
// reason in `error`, on an unterminated quote.
bool SplitWords(const std::string& line, std::vector<std::string>& words, std::string& error);

// True for a line with nothing to do: empty, blanks only, or a comment
// starting with '#'.
bool IsBlankOrComment(const std::string& line);

// Decimal or 0x-prefixed hexadecimal, at most `max`.
bool ParseUnsigned(const std::string& text, uint64_t max, uint64_t& value);

// Decimal (with an optional minus) or 0x-prefixed hexadecimal, in [min, max].
bool ParseSigned(const std::string& text, int64_t min, int64_t max, int64_t& value);

// Hex digits in pairs, either case; blanks, ':' and '-' between pairs are
// allowed ("0a0b", "0a 0b", "0a:0b").
bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& bytes);

// A message code by its catalogue name (any letter case) or as a number.
bool ParseMessageCode(const std::string& text, uint32_t& code);

}  // namespace tunpanel
