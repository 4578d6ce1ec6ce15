#include "platform/posix_text.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <strings.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "text/sjis.h"

namespace kavo {
namespace {

bool is_kana(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }

// The end of the run of ASCII bytes that starts at `i`, read eight bytes at
// a time: the first high bit of a word gives the end at once, and the last
// few bytes of a text of eight bytes or more are read as the word that ends
// it (the bytes before `i` masked off).
size_t ascii_run_end(const unsigned char* p, size_t i, size_t n) {
  constexpr uint64_t kHighBits = 0x8080808080808080u;
  if constexpr (std::endian::native == std::endian::little) {
    uint64_t word;
    for (; i + 8 <= n; i += 8) {
      memcpy(&word, p + i, 8);
      if (uint64_t high = word & kHighBits)
        return i + std::countr_zero(high) / 8;
    }
    if (i == n || n < 8) {
      while (i < n && p[i] < 0x80) ++i;
      return i;
    }
    memcpy(&word, p + n - 8, 8);
    uint64_t high = word & kHighBits & (~uint64_t{0} << (8 * (8 - (n - i))));
    return high ? n - 8 + std::countr_zero(high) / 8 : n;
  }
  for (uint64_t word; i + 8 <= n; i += 8) {
    memcpy(&word, p + i, 8);
    if (word & kHighBits) break;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

// Copies the ASCII bytes from p[i] on to `d`, up to the first byte from 0x80
// up or the end `n`; returns where the copy stopped. Whole words are stored,
// with bytes past the run that the caller writes over or cuts off: `d` must
// have room for four bytes per byte left (a word fits once two are left).
// The last bytes are taken from the word that ends the text.
size_t copy_ascii_run(const unsigned char* p, size_t i, size_t n, char* d) {
  constexpr uint64_t kHighBits = 0x8080808080808080u;
  if constexpr (std::endian::native == std::endian::little) {
    uint64_t word;
    for (; i + 8 <= n; i += 8, d += 8) {
      memcpy(&word, p + i, 8);
      memcpy(d, &word, 8);
      if (uint64_t high = word & kHighBits)
        return i + std::countr_zero(high) / 8;
    }
    if (i == n) return n;
    if (n >= 8 && n - i >= 2) {
      memcpy(&word, p + n - 8, 8);
      word >>= 8 * (8 - (n - i));  // p[i] first, zero bytes after p[n - 1]
      memcpy(d, &word, 8);
      uint64_t high = word & kHighBits;
      return high ? i + std::countr_zero(high) / 8 : n;
    }
  }
  while (i < n && p[i] < 0x80) *d++ = static_cast<char>(p[i++]);
  return i;
}

// ---- Escapes ------------------------------------------------------------
//
// 170 byte values can need an escape: the control bytes, DEL, the nine
// bytes Windows forbids in names and every byte from 0x80 up. Bytes
// 0x80-0xFC use their own value as trail (easy to read in a dump); the
// forbidden ASCII bytes, which are the common ones in real names, get the
// trails that are neither letters nor `\` or `|`; the rare rest gets
// letters. 0x5C and 0x7C are never used as trail, so an escape never holds
// a byte that naive code could take for a separator.
//
// A CP932 character of the escape's own lead byte (external text in CP932
// mode) is escaped whole, both bytes, so that neither its trail byte nor a
// byte after it can be taken for a character of its own. A trail 0x80-0xFC
// has an escape of its own: F9 F9, F9 t. A trail 0x40-0x7E (printable
// ASCII, without escapes but for `\` and `|`) takes the pair escape F9 'k',
// F9 t+0x40, which stands for both bytes ('k' is no other escape's trail,
// and t+0x40 lies in 0x80-0xBE).

struct EscapeTables {
  std::array<unsigned char, 256> trail_of{};  // 0: the byte has no escape
  std::array<int16_t, 256> raw_of{};          // -1: not an escape trail
};

EscapeTables build_escape_tables() {
  EscapeTables t;
  t.raw_of.fill(-1);
  auto assign = [&t](unsigned char raw, unsigned char trail) {
    t.trail_of[raw] = trail;
    t.raw_of[trail] = raw;
  };
  for (int b = 0x80; b <= 0xFC; ++b) assign(b, b);
  const char forbidden[] = ":\\*?\"<>|/";
  const char punctuation[] = "@[]^_`{}~";
  for (int k = 0; k < 9; ++k) assign(forbidden[k], punctuation[k]);
  std::vector<unsigned char> rest = {0xFD, 0xFE, 0xFF, 0x7F};
  for (int b = 0; b < 0x20; ++b) rest.push_back(b);
  const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij";
  for (size_t k = 0; k < rest.size(); ++k) assign(rest[k], letters[k]);
  return t;
}

const EscapeTables& escapes() {
  static const EscapeTables tables = build_escape_tables();
  return tables;
}

void append_escape(unsigned char raw, std::string* out) {
  out->push_back(static_cast<char>(kEscapeLead));
  out->push_back(static_cast<char>(escapes().trail_of[raw]));
}

constexpr unsigned char kPairTrail = 'k';
constexpr unsigned char kPairShift = 0x40;

// The escape of the character F9 `trail`.
void append_lead_character(unsigned char trail, std::string* out) {
  if (trail >= 0x80) {
    append_escape(kEscapeLead, out);
    append_escape(trail, out);
    return;
  }
  const char pair[] = {
      static_cast<char>(kEscapeLead), static_cast<char>(kPairTrail),
      static_cast<char>(kEscapeLead), static_cast<char>(trail + kPairShift)};
  out->append(pair, 4);
}

// True when `p` (n bytes) begins with a pair escape; `*trail` receives the
// trail byte of the character it stands for.
bool decode_pair(const unsigned char* p, size_t n, unsigned char* trail) {
  if (n < 4 || p[0] != kEscapeLead || p[1] != kPairTrail ||
      p[2] != kEscapeLead || p[3] < 0x40 + kPairShift ||
      p[3] > 0x7E + kPairShift) {
    return false;
  }
  *trail = p[3] - kPairShift;
  return true;
}

// The bytes that end a run of external text copied as it is: every byte
// from 0x80 up, and the ASCII bytes that each kind of text escapes.
using StopSet = std::array<uint8_t, 256>;  // 1: the byte ends a run

constexpr StopSet make_stops(bool controls, std::string_view extra) {
  StopSet set{};
  for (int b = 0; b < 0x20; ++b) set[b] = controls;
  set[0x7F] = controls;
  for (char c : extra) set[static_cast<unsigned char>(c)] = 1;
  for (int b = 0x80; b < 0x100; ++b) set[b] = 1;
  return set;
}

constexpr StopSet kStops[] = {
    make_stops(true, "\\/:*?\"<>|"),  // kName
    make_stops(true, ""),             // kText
    make_stops(false, ""),            // kFileLine
};

const StopSet& stops_of(TextKind kind) {
  return kStops[static_cast<int>(kind)];
}

// The end of the run from `i` of bytes that `stops` lets through, tested
// four at a time (a name is mostly such bytes).
size_t plain_run_end(const StopSet& stops, const unsigned char* p, size_t i,
                     size_t n) {
  for (; i + 4 <= n; i += 4) {
    if (stops[p[i]] | stops[p[i + 1]] | stops[p[i + 2]] | stops[p[i + 3]]) {
      break;
    }
  }
  while (i < n && !stops[p[i]]) ++i;
  return i;
}

// ---- The external encoding ----------------------------------------------
//
// Both directions are looked up in tables that iconv fills, and only as far
// as the text needs them: a result line's arrow must not cost the
// conversion of the whole character set. The external form of a CP932
// character is converted the first time it is written; the table of
// external characters, which needs every character's form and the check
// that it converts back, is built when the first non-ASCII external byte is
// read.

constexpr size_t kNoLength = static_cast<size_t>(-1);
constexpr size_t kSlotCount = 1 << 14;  // > 2x the CP932 characters

// A CP932 character's external bytes.
struct ExternalForm {
  bool known = false;  // converted already
  uint8_t length = 0;  // 0: no external form
  char bytes[4] = {};
};

// The forms of one row of codes: the single bytes, or one lead byte's
// characters (indexed by the trail byte).
using FormRow = std::array<ExternalForm, 256>;
constexpr size_t kRowCount = 0x80;  // the single bytes, then leads 0x81-0xFF

// One entry of the external -> CP932 hash table.
struct Slot {
  uint32_t key = 0;  // the external bytes, packed big-endian
  uint16_t code = 0;
  uint8_t length = 0;  // 0: empty slot
};

struct Codec {
  bool ready = false;
  std::string forced;  // set_external_encoding's choice
  std::string name;
  bool cp932 = false;
  iconv_t to_external = reinterpret_cast<iconv_t>(-1);
  iconv_t from_external = reinterpret_cast<iconv_t>(-1);
  std::array<std::unique_ptr<FormRow>, kRowCount> rows;  // made on first use
  bool slots_built = false;
  // Bit n set: some character's external form starts with this byte and
  // has n bytes.
  std::array<uint8_t, 256> lengths{};
  std::vector<Slot> slots;
};

Codec g_codec;

uint32_t pack(const unsigned char* p, size_t n) {
  uint32_t key = 0;
  for (size_t k = 0; k < n; ++k) key = (key << 8) | p[k];
  return key;
}

size_t slot_of(uint32_t key, size_t length) {
  return ((key * 2654435761u) ^ (length * 40503u)) >> 18 & (kSlotCount - 1);
}

bool is_cp932_alias(const std::string& name) {
  static const char* const kAliases[] = {
      "CP932", "SJIS", "SHIFT_JIS", "SHIFT-JIS", "MS_KANJI", "WINDOWS-31J"};
  for (const char* alias : kAliases) {
    if (strcasecmp(name.c_str(), alias) == 0) return true;
  }
  return false;
}

// The codeset of the user's locale, without changing the process's locale.
std::string locale_codeset() {
  const char* current = setlocale(LC_CTYPE, nullptr);
  std::string saved = current ? current : "C";
  std::string codeset;
  if (setlocale(LC_CTYPE, "")) codeset = nl_langinfo(CODESET);
  setlocale(LC_CTYPE, saved.c_str());
  if (codeset.empty() || codeset == "ANSI_X3.4-1968" || codeset == "ASCII") {
    return "UTF-8";  // the C and POSIX locales
  }
  return codeset;
}

std::string chosen_charset(const Codec& c) {
  if (!c.forced.empty()) return c.forced;
  const char* env = getenv("KAVO_ENCODING");
  if (env && *env) return env;
  return locale_codeset();
}

// Converts `n` bytes completely; kNoLength when any byte does not convert.
size_t convert(iconv_t cd, const char* in, size_t n, char* out, size_t cap) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* ip = const_cast<char*>(in);
  char* op = out;
  size_t il = n;
  size_t ol = cap;
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0) {
    return kNoLength;
  }
  if (iconv(cd, nullptr, nullptr, &op, &ol) == static_cast<size_t>(-1)) {
    return kNoLength;
  }
  return cap - ol;
}

void close_converters(Codec* c) {
  if (c->to_external != reinterpret_cast<iconv_t>(-1))
    iconv_close(c->to_external);
  if (c->from_external != reinterpret_cast<iconv_t>(-1)) {
    iconv_close(c->from_external);
  }
  c->to_external = c->from_external = reinterpret_cast<iconv_t>(-1);
}

// Opens both converters and checks that ASCII stands for itself both ways,
// which the ASCII fast paths rely on.
bool open_converters(Codec* c, const std::string& charset) {
  c->to_external = iconv_open(charset.c_str(), "CP932");
  c->from_external = iconv_open("CP932", charset.c_str());
  if (c->to_external == reinterpret_cast<iconv_t>(-1) ||
      c->from_external == reinterpret_cast<iconv_t>(-1)) {
    close_converters(c);
    return false;
  }
  char ascii[128];
  for (int b = 0; b < 128; ++b) ascii[b] = static_cast<char>(b);
  char there[256];
  char back[256];
  if (convert(c->to_external, ascii, 128, there, sizeof there) != 128 ||
      memcmp(there, ascii, 128) != 0 ||
      convert(c->from_external, ascii, 128, back, sizeof back) != 128 ||
      memcmp(back, ascii, 128) != 0) {
    close_converters(c);
    return false;
  }
  return true;
}

// Forgets every table: they belong to the encoding they were made for.
void clear_tables(Codec* c) {
  for (std::unique_ptr<FormRow>& row : c->rows) row.reset();
  c->slots_built = false;
  c->slots.clear();
  c->lengths.fill(0);
}

void choose_encoding(Codec* c) {
  std::string charset = chosen_charset(*c);
  c->ready = true;
  clear_tables(c);
  if (is_cp932_alias(charset)) {
    c->name = charset;
    c->cp932 = true;
    return;
  }
  c->cp932 = false;
  if (open_converters(c, charset)) {
    c->name = charset;
  } else if (open_converters(c, "UTF-8")) {
    c->name = "UTF-8";
  } else {
    // Without iconv's CP932 support nothing can be converted: pass bytes.
    c->name = "CP932";
    c->cp932 = true;
  }
}

Codec& codec() {
  if (!g_codec.ready) choose_encoding(&g_codec);
  return g_codec;
}

// The characters the tables hold: ASCII, the kana and the double-byte
// characters, without the user-defined area (leads 0xF0-0xF9), whose
// characters have no meaning outside one machine (0xF9 is the escape lead).
bool in_tables(uint16_t code) {
  if (code < 0x100) return code < 0x80 || is_kana(code);
  unsigned char lead = code >> 8;
  return sjis_lead_byte(lead) && !(lead >= 0xF0 && lead <= 0xF9) &&
         sjis_trail_byte(code & 0xFF);
}

// The CP932 bytes of `code`; returns their number.
size_t code_bytes(uint16_t code, char* out) {
  size_t n = 0;
  if (code >= 0x100) out[n++] = static_cast<char>(code >> 8);
  out[n++] = static_cast<char>(code & 0xFF);
  return n;
}

// The slot of `code`, its row made and the form converted on first use.
[[gnu::noinline]] const ExternalForm& convert_form(Codec* c, uint16_t code) {
  std::unique_ptr<FormRow>& row =
      c->rows[code < 0x100 ? 0 : (code >> 8) - 0x80];
  if (!row) row = std::make_unique<FormRow>();
  ExternalForm& form = (*row)[code & 0xFF];
  if (form.known) return form;
  form.known = true;
  if (!in_tables(code)) return form;
  char in[2];
  size_t n = code_bytes(code, in);
  char ext[16];
  size_t length = convert(c->to_external, in, n, ext, sizeof ext);
  if (length == kNoLength || length == 0 || length > 4) return form;
  form.length = static_cast<uint8_t>(length);
  memcpy(form.bytes, ext, length);
  return form;
}

// The external form of `code`, converted on first use.
const ExternalForm& form_of(Codec* c, uint16_t code) {
  const FormRow* row = c->rows[code < 0x100 ? 0 : (code >> 8) - 0x80].get();
  if (row && (*row)[code & 0xFF].known) return (*row)[code & 0xFF];
  return convert_form(c, code);
}

void insert_slot(Codec* c, const unsigned char* ext, size_t n, uint16_t code) {
  uint32_t key = pack(ext, n);
  size_t s = slot_of(key, n);
  while (c->slots[s].length != 0) s = (s + 1) & (kSlotCount - 1);
  c->slots[s] = Slot{key, code, static_cast<uint8_t>(n)};
  c->lengths[ext[0]] |= static_cast<uint8_t>(1u << n);
}

// Makes the reverse mapping of one CP932 character only when converting its
// external form back gives the same character: an external character that
// many CP932 characters share, or that CP932 maps onto another one (U+00A5
// onto `\`), is never taken as a character.
void add_reverse(Codec* c, uint16_t code) {
  if (!in_tables(code)) return;
  const ExternalForm& form = form_of(c, code);
  if (form.length == 0) return;
  char in[2];
  size_t n = code_bytes(code, in);
  char back[16];
  size_t back_length =
      convert(c->from_external, form.bytes, form.length, back, sizeof back);
  if (back_length != n || memcmp(back, in, n) != 0) return;
  insert_slot(c, reinterpret_cast<const unsigned char*>(form.bytes),
              form.length, code);
}

void build_slots(Codec* c) {
  c->slots.assign(kSlotCount, Slot{});
  c->lengths.fill(0);
  for (int code = 0; code < 0x100; ++code) add_reverse(c, code);
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      add_reverse(c, static_cast<uint16_t>(lead << 8 | trail));
    }
  }
  c->slots_built = true;
}

// The codec with its external -> CP932 table built.
Codec& reverse_tables() {
  Codec& c = codec();
  if (!c.slots_built) build_slots(&c);
  return c;
}

// The CP932 character whose external form begins `p`; its byte length, or
// 0 when none does.
size_t lookup(const Codec& c, const unsigned char* p, size_t n,
              uint16_t* code) {
  uint8_t lengths = c.lengths[p[0]];
  for (size_t length = 1; length <= 4 && length <= n; ++length) {
    if (!(lengths & (1u << length))) continue;
    uint32_t key = pack(p, length);
    for (size_t s = slot_of(key, length); c.slots[s].length != 0;
         s = (s + 1) & (kSlotCount - 1)) {
      if (c.slots[s].key == key && c.slots[s].length == length) {
        *code = c.slots[s].code;
        return length;
      }
    }
  }
  return 0;
}

void append_code(uint16_t code, std::string* out) {
  if (code >= 0x100) out->push_back(static_cast<char>(code >> 8));
  out->push_back(static_cast<char>(code & 0xFF));
}

// One character (or one escaped byte) of CP932 external text, p[0] >= 0x80.
size_t take_cp932(const unsigned char* p, size_t n, std::string* out) {
  if (is_kana(p[0])) {
    out->push_back(static_cast<char>(p[0]));
    return 1;
  }
  if (sjis_lead_byte(p[0]) && n >= 2 && sjis_trail_byte(p[1])) {
    if (p[0] == kEscapeLead) {
      append_lead_character(p[1], out);
    } else {
      out->append(reinterpret_cast<const char*>(p), 2);
    }
    return 2;
  }
  append_escape(p[0], out);
  return 1;
}

// One character (or one escaped byte) of converted external text.
size_t take_converted(const unsigned char* p, size_t n, std::string* out) {
  uint16_t code = 0;
  size_t length = lookup(reverse_tables(), p, n, &code);
  if (length == 0) {
    append_escape(p[0], out);
    return 1;
  }
  append_code(code, out);
  return length;
}

// The external bytes of one internal character: `data` points into the
// text, the tables or `own`.
// Four bytes can always be read at `data`, so that a piece is copied as one
// word.
struct Piece {
  const char* data = nullptr;
  size_t size = 0;
  char own[4] = {};
};

// Fills `*piece` with the external form of the internal character at `p`
// (p[0] >= 0x80); returns the internal bytes it takes.
// external_piece for an escape at `p` (n >= 2, p[0] the escape lead); 0
// when `p` holds none.
[[gnu::noinline]] size_t escape_piece(const unsigned char* p, size_t n,
                                      Piece* piece) {
  unsigned char raw = 0;
  if (decode_pair(p, n, &raw)) {
    piece->own[0] = static_cast<char>(kEscapeLead);
    piece->own[1] = static_cast<char>(raw);
    piece->data = piece->own;
    piece->size = 2;
    return 4;
  }
  // Half a pair escape (the rest cut off by a replacement) is its lead.
  bool half_pair = p[1] == kPairTrail;
  if (half_pair || decode_escape(p[0], p[1], &raw)) {
    piece->own[0] = static_cast<char>(half_pair ? kEscapeLead : raw);
    piece->data = piece->own;
    piece->size = 1;
    return 2;
  }
  return 0;
}

size_t external_piece(const unsigned char* p, size_t n, Piece* piece) {
  if (n >= 2 && p[0] == kEscapeLead) {
    if (size_t used = escape_piece(p, n, piece)) return used;
  }
  size_t length =
      sjis_lead_byte(p[0]) && n >= 2 && sjis_trail_byte(p[1]) ? 2 : 1;
  Codec& c = codec();
  if (!c.cp932) {
    uint16_t code = length == 2 ? (p[0] << 8 | p[1]) : p[0];
    const ExternalForm& form = form_of(&c, code);
    if (form.length != 0) {
      piece->data = form.bytes;
      piece->size = form.length;
      return length;
    }
  }
  piece->own[0] = static_cast<char>(p[0]);
  if (length == 2) piece->own[1] = static_cast<char>(p[1]);
  piece->data = piece->own;
  piece->size = length;
  return length;
}

// The external form of the double-byte character at `p` when it is one
// already converted (the common case of a line's text), else null.
const ExternalForm* known_form(const Codec& c, const unsigned char* p,
                               size_t n) {
  if (c.cp932 || n < 2 || p[0] == kEscapeLead || !sjis_lead_byte(p[0]) ||
      !sjis_trail_byte(p[1])) {
    return nullptr;
  }
  const FormRow* row = c.rows[p[0] - 0x80].get();
  if (row == nullptr) return nullptr;
  const ExternalForm& form = (*row)[p[1]];
  return form.length != 0 ? &form : nullptr;
}

// Writes the external form of the internal character at `p` (p[0] >=
// 0x80); returns the internal bytes used.
size_t put_character(const unsigned char* p, size_t n, std::string* out) {
  Piece piece;
  size_t used = external_piece(p, n, &piece);
  out->append(piece.data, piece.size);
  return used;
}

// append_internal from the first byte that is not copied as it is, at
// `i`. Kept out of line: the common call never needs it.
[[gnu::noinline]] void append_converted(std::string_view external, size_t i,
                                        TextKind kind, std::string* out) {
  const StopSet& stops = stops_of(kind);
  const bool cp932 = codec().cp932;
  const auto* p = reinterpret_cast<const unsigned char*>(external.data());
  const size_t n = external.size();
  out->reserve(out->size() + n);
  out->append(external.data(), i);
  while (i < n) {
    if (p[i] < 0x80) {
      append_escape(p[i++], out);
    } else if (cp932) {
      i += take_cp932(p + i, n - i, out);
    } else {
      i += take_converted(p + i, n - i, out);
    }
    size_t run = plain_run_end(stops, p, i, n);
    out->append(external.data() + i, run - i);
    i = run;
  }
}

// Where the components of an internal path start, after writing the Linux
// form of its prefix; kNoLength when the whole path was written.
size_t write_path_prefix(std::string_view in, std::string* out) {
  if (in.empty()) {
    out->push_back('.');
    return kNoLength;
  }
  if (in.size() >= 2 && in[0] == '\\' && in[1] == '\\') {
    out->append("/net/");
    return 2;
  }
  unsigned char first = in[0];
  bool letter = (first | 0x20) >= 'a' && (first | 0x20) <= 'z';
  if (in.size() >= 2 && letter && in[1] == ':') {
    if (in.size() == 2) {
      out->push_back('.');
      return kNoLength;
    }
    return 2;  // `X:\a` continues with the root's separator, `X:a` is relative
  }
  return 0;
}

// Whether the single-byte character at `i` of a name pattern keeps its
// meaning there instead of standing for the name byte.
bool keeps_meaning(std::string_view text, size_t i, NamePatternKind kind) {
  char c = text[i];
  if (c == '*' || c == '?') return true;
  if (kind != NamePatternKind::kPath) return false;
  if (c == '\\' || c == '/') return true;
  unsigned char first = text[0];
  bool letter = (first | 0x20) >= 'a' && (first | 0x20) <= 'z';
  return c == ':' && i == 1 && letter;
}

}  // namespace

void set_external_encoding(const std::string& charset) {
  close_converters(&g_codec);
  clear_tables(&g_codec);
  g_codec.forced = charset;
  g_codec.ready = false;
}

const std::string& external_encoding() { return codec().name; }

bool external_is_cp932() { return codec().cp932; }

void append_internal(std::string_view external, TextKind kind,
                     std::string* out) {
  const auto* p = reinterpret_cast<const unsigned char*>(external.data());
  size_t plain = plain_run_end(stops_of(kind), p, 0, external.size());
  if (plain == external.size()) {
    out->append(external);  // the common case: nothing to convert
  } else {
    append_converted(external, plain, kind, out);
  }
}

std::string to_internal(std::string_view external, TextKind kind) {
  std::string out;
  append_internal(external, kind, &out);
  return out;
}

void append_external(std::string_view internal, std::string* out) {
  // CP932 text keeps its bytes but for the escapes: text without their lead
  // byte is copied whole.
  const Codec& c = codec();
  if (c.cp932 &&
      internal.find(static_cast<char>(kEscapeLead)) == std::string_view::npos) {
    out->append(internal);
    return;
  }
  // Converted a chunk at a time into room for its longest external form,
  // then appended.
  constexpr size_t kChunk = 256;
  char buffer[kMaxExternalPerByte * (kChunk + 4)];
  const auto* p = reinterpret_cast<const unsigned char*>(internal.data());
  const size_t n = internal.size();
  size_t i = 0;
  while (i < n) {
    const size_t end = std::min(n, i + kChunk);
    char* d = buffer;
    while (i < end) {
      size_t run = copy_ascii_run(p, i, end, d);
      d += run - i;
      i = run;
      if (i == end) break;
      if (const ExternalForm* form = known_form(c, p + i, n - i)) {
        memcpy(d, form->bytes, 4);
        d += form->length;
        i += 2;
        continue;
      }
      Piece piece;
      i += external_piece(p + i, n - i, &piece);  // may end past `end`
      memcpy(d, piece.data, 4);
      d += piece.size;
    }
    out->append(buffer, d - buffer);
  }
}

std::string to_external(std::string_view internal) {
  std::string out;
  append_external(internal, &out);
  return out;
}

void append_name_pattern(std::string_view internal, NamePatternKind kind,
                         std::string* out) {
  const StopSet& escaped = stops_of(TextKind::kName);
  const auto* p = reinterpret_cast<const unsigned char*>(internal.data());
  const size_t n = internal.size();
  out->reserve(out->size() + n);
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = p[i];
    if (sjis_char_length(internal, i) == 2) {
      out->append(internal.data() + i, 2);
      ++i;
      continue;
    }
    if (c >= 0x80 || !escaped[c] || keeps_meaning(internal, i, kind)) {
      out->push_back(static_cast<char>(c));
      continue;
    }
    if (kind == NamePatternKind::kEscapedName && c == '\\' && i + 1 < n &&
        (p[i + 1] == '*' || p[i + 1] == '?' || p[i + 1] == '\\')) {
      c = p[++i];
    }
    append_escape(c, out);
  }
}

std::string name_pattern(std::string_view internal, NamePatternKind kind) {
  std::string out;
  append_name_pattern(internal, kind, &out);
  return out;
}

size_t external_length(std::string_view internal) {
  const auto* p = reinterpret_cast<const unsigned char*>(internal.data());
  const size_t n = internal.size();
  size_t length = 0;
  size_t i = 0;
  for (;;) {
    size_t run = ascii_run_end(p, i, n);
    length += run - i;
    i = run;
    if (i == n) break;
    Piece piece;
    i += external_piece(p + i, n - i, &piece);
    length += piece.size;
  }
  return length;
}

size_t whole_characters_length(std::string_view internal) {
  const auto* p = reinterpret_cast<const unsigned char*>(internal.data());
  const size_t n = internal.size();
  // A byte below 0x40 is never a lead or trail byte, so text ending in one
  // (a line end) is whole, unless half a pair escape comes right before it.
  if (n > 0 && p[n - 1] < 0x40 &&
      !(n >= 3 && p[n - 3] == kEscapeLead && p[n - 2] == kPairTrail)) {
    return n;
  }
  size_t i = 0;
  while ((i = ascii_run_end(p, i, n)) < n) {
    if (!sjis_lead_byte(p[i])) {
      ++i;
    } else if (i + 1 == n) {
      return i;
    } else if (p[i] == kEscapeLead && p[i + 1] == kPairTrail) {
      if (n - i < 4) return i;
      unsigned char trail = 0;
      i += decode_pair(p + i, n - i, &trail) ? 4 : 2;
    } else {
      i += 2;
    }
  }
  return i;
}

void append_external_path(std::string_view internal, std::string* out) {
  size_t i = write_path_prefix(internal, out);
  if (i == kNoLength) return;
  const auto* p = reinterpret_cast<const unsigned char*>(internal.data());
  const size_t n = internal.size();
  while (i < n) {
    // An ASCII run is copied whole, then its `\` separators become `/`.
    size_t run = ascii_run_end(p, i, n);
    size_t from = out->size();
    out->append(internal.data() + i, run - i);
    char* end = out->data() + out->size();
    for (char* c = out->data() + from;
         (c = static_cast<char*>(memchr(c, '\\', end - c))) != nullptr;) {
      *c++ = '/';
    }
    i = run;
    if (i < n) i += put_character(p + i, n - i, out);
  }
}

std::string external_path(std::string_view internal) {
  std::string out;
  append_external_path(internal, &out);
  return out;
}

std::string internal_path(std::string_view external) {
  std::string out;
  size_t i = 0;
  while (i < external.size()) {
    if (external[i] == '/') {
      out.push_back('\\');
      while (i < external.size() && external[i] == '/') ++i;
      continue;
    }
    size_t end = external.find('/', i);
    if (end == std::string_view::npos) end = external.size();
    append_internal(external.substr(i, end - i), TextKind::kName, &out);
    i = end;
  }
  return out;
}

bool decode_escape(unsigned char lead, unsigned char trail,
                   unsigned char* raw) {
  if (lead != kEscapeLead || escapes().raw_of[trail] < 0) return false;
  *raw = static_cast<unsigned char>(escapes().raw_of[trail]);
  return true;
}

std::string escape_of(unsigned char raw) {
  std::string out;
  append_escape(raw, &out);
  return out;
}

size_t match_external_char(std::string_view external, uint16_t* code) {
  if (external.empty()) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(external.data());
  const size_t n = external.size();
  if (p[0] < 0x80 || (codec().cp932 && is_kana(p[0]))) {
    *code = p[0];
    return 1;
  }
  if (codec().cp932) {
    if (!sjis_lead_byte(p[0]) || p[0] == kEscapeLead || n < 2 ||
        !sjis_trail_byte(p[1])) {
      return 0;
    }
    *code = static_cast<uint16_t>(p[0] << 8 | p[1]);
    return 2;
  }
  return lookup(reverse_tables(), p, n, code);
}

}  // namespace kavo
