// Texts from other processes written into a log line. A log line ends at a
// line feed, and a reader takes a new line for a new record: a text that
// brings its own CR or LF could add records of its choosing, timestamp and
// all. Every such text is therefore written escaped, in one reversible form:
//
//   every byte from 0x01 to 0x1F, and 0x7F -> \xNN (two upper-case hex
//   digits): CR LF reads \x0D\x0A, a tab \x09
//   a backslash followed by another backslash, by x, or by a byte escaped
//   itself, or ending the text -> \\ (it would otherwise read as the start
//   of an escape)
//
// Every other byte stays as it is: a backslash before anything else, so that
// Windows paths and registry keys read as they are (C:\temp, HKLM\SOFTWARE),
// and bytes from 0x80 up (the user's code page). A reader undoes it by
// reading \\ as a backslash, \xNN as its byte, and a backslash before any
// other character as itself. Pure: no OS calls.
#pragma once

#include <cstddef>

namespace log_text {

// The most bytes one input byte becomes.
constexpr size_t kMaxEscapeLength = 4;

// Writes the first `length` bytes of `text` (fewer when a NUL comes first),
// escaped, into `out` with its NUL. What does not fit is left out, never
// half an escape, and never with a lone backslash at the end. Returns the
// characters written.
size_t Escape(const char* text, size_t length, char* out, size_t outSize);
// The same for a NUL-terminated text (null reads as the empty text).
size_t Escape(const char* text, char* out, size_t outSize);

// True when Escape would change `text`.
bool NeedsEscape(const char* text);

// An escaped copy of a text for one trace line:
//   TRACE("   name %s\n", log_text::Escaped<256>(name).c_str());
template <size_t Size>
class Escaped {
public:
    explicit Escaped(const char* text) { Escape(text, buffer_, Size); }
    Escaped(const char* text, size_t length) { Escape(text, length, buffer_, Size); }
    const char* c_str() const { return buffer_; }

private:
    char buffer_[Size];
};

}  // namespace log_text
