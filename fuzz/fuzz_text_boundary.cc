// The text boundary of the Linux layer in one external encoding (chosen
// when the target is built): external bytes to internal text and back must
// give the same bytes for every byte string and every kind of text. A name
// must come in well-formed and without any single-byte character that would
// act as a separator, drive colon, wildcard or control byte inside; a path
// must come back with only its repeated slashes merged.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "names/sjis.h"
#include "platform/posix_text.h"

namespace {

using kavo::TextKind;

bool forbidden_in_names(unsigned char c) {
  return c < 0x20 || c == 0x7F ||
         std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
}

void check_name(std::string_view internal) {
  FUZZ_CHECK(kavo_fuzz::well_formed(internal));
  for (size_t i = 0; i < internal.size(); ++i) {
    if (kavo::sjis_byte_class(internal, i) != 0) continue;
    FUZZ_CHECK(!forbidden_in_names(internal[i]));
  }
}

std::string merge_slashes(std::string_view path) {
  std::string out;
  for (char c : path) {
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out.push_back(c);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kavo::set_external_encoding(KAVO_FUZZ_ENCODING);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view external(reinterpret_cast<const char*>(data), size);
  for (TextKind kind :
       {TextKind::kName, TextKind::kText, TextKind::kFileLine}) {
    std::string internal = kavo::to_internal(external, kind);
    FUZZ_CHECK(kavo::to_external(internal) == external);
    if (kind == TextKind::kName) check_name(internal);
  }
  if (!external.empty()) {
    std::string path = kavo::internal_path(external);
    FUZZ_CHECK(kavo::external_path(path) == merge_slashes(external));
  }
  return 0;
}
