// The text boundary of the Linux layer: conversion between the user's
// external encoding and the program's internal Shift-JIS (CP932) text, and
// the mapping between internal `\` paths and Linux `/` paths.
//
// External encoding: $KAVO_ENCODING when set (an iconv charset name), else
// the codeset of the locale (C/POSIX counts as UTF-8). CP932 and its aliases
// mean no change of character set. Only stateless encodings in which ASCII
// bytes stand for themselves are supported; any other choice (or a name
// iconv does not know) falls back to UTF-8.
//
// Lossless escapes. An external byte that cannot be carried as a character
// (invalid, without a CP932 form that converts back to the same bytes, or a
// byte the kind of text forbids) becomes one escape: the two-byte character
// 0xF9 + trail byte, one trail value per escaped byte. A CP932 character of
// that lead byte is escaped whole, both bytes (see posix_text.cc). Decoding
// an escape always gives back the raw bytes, so external -> internal ->
// external is the identity for every byte string and two different names
// never become the same internal name.

#ifndef KAVO_PLATFORM_POSIX_TEXT_H_
#define KAVO_PLATFORM_POSIX_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace kavo {

// What an external text is, which decides the ASCII bytes that get escapes.
enum class TextKind {
  kName,      // a file-system name component: `\ / : * ? " < > |` and
              // control bytes are escaped (they never act as separator,
              // drive colon or wildcard inside the program)
  kText,      // argument and environment text: control bytes escaped
  kFileLine,  // a line read from a text file, or an option: all ASCII
              // bytes kept (line ends, tabs and binary bytes are the
              // reader's to judge; a filter value's white space included)
};

// The lead byte of every escape.
constexpr unsigned char kEscapeLead = 0xF9;

// Chooses the external encoding (an iconv charset name) instead of the
// environment's; an empty name goes back to the environment's choice on
// next use. For tests.
void set_external_encoding(const std::string& charset);

// The external encoding in force (after the fallbacks above).
const std::string& external_encoding();

// True when the external encoding is CP932 (no change of character set).
bool external_is_cp932();

// Appends the internal form of the external bytes `external` to `*out`.
void append_internal(std::string_view external, TextKind kind,
                     std::string* out);
std::string to_internal(std::string_view external, TextKind kind);

// Appends the external form of internal text: escapes decoded to their raw
// bytes, characters converted; bytes without an external form are copied.
void append_external(std::string_view internal, std::string* out);

// The most external bytes append_external writes for one internal byte.
constexpr size_t kMaxExternalPerByte = 4;
std::string to_external(std::string_view internal);

// The length in bytes of the external form of `internal` (what
// append_external would write), without converting it.
size_t external_length(std::string_view internal);

// The length of `internal` up to its last whole character, so that text
// written in pieces converts as if written at once: a final lead byte waits
// for its trail byte, the first half of a pair escape for its second.
size_t whole_characters_length(std::string_view internal);

// Appends `internal`, text typed to match names (an old string, a file
// argument, a filter element), as it must read to meet names: each
// single-byte character that a name holds as an escape becomes that escape,
// except the bytes that keep a meaning in `kind`.
void append_name_pattern(std::string_view internal, NamePatternKind kind,
                         std::string* out);
std::string name_pattern(std::string_view internal, NamePatternKind kind);

// Appends the Linux path for an internal path: `\` and `/` separate;
// `X:\a` is `/a` (every drive is the one root); `X:` and `X:rel` are relative
// to the working directory; `\\server\share\rest` is
// `/net/server/share/rest`; an empty path is ".".
void append_external_path(std::string_view internal, std::string* out);
std::string external_path(std::string_view internal);

// The internal path for a Linux path: each component converted as a name,
// joined with `\` (`/a/b` gives `\a\b`); repeated slashes count as one.
std::string internal_path(std::string_view external);

// True when `lead` `trail` is an escape; `*raw` receives its byte.
bool decode_escape(unsigned char lead, unsigned char trail, unsigned char* raw);

// The two-byte escape that stands for the raw byte `raw`.
std::string escape_of(unsigned char raw);

// When `external` begins with one character that has an internal form,
// returns its byte length and puts the CP932 code in `*code` (one byte
// below 0x100, else lead * 256 + trail); 0 otherwise.
size_t match_external_char(std::string_view external, uint16_t* code);

}  // namespace kavo

#endif  // KAVO_PLATFORM_POSIX_TEXT_H_
