// The Linux layer's text boundary in the encoding $KAVO_FUZZ_ENCODING names
// (UTF-8 when unset; one per run, as a switch rebuilds the tables): bytes to
// internal text and back are the same for every kind of text; a name comes
// in well-formed, without a single-byte separator, colon, wildcard or
// control byte; a path comes back with only its repeated slashes merged.

#include <stdlib.h>

#include <string>

#include "fuzz/fuzz_check.h"
#include "platform/posix_text.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* encoding = getenv("KAVO_FUZZ_ENCODING");
  kavo::set_external_encoding(encoding != nullptr ? encoding : "UTF-8");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kavo::TextKind;
  std::string_view external(reinterpret_cast<const char*>(data), size);
  for (TextKind kind :
       {TextKind::kName, TextKind::kText, TextKind::kFileLine}) {
    std::string internal = kavo::to_internal(external, kind);
    FUZZ_CHECK(kavo::to_external(internal) == external);
    if (kind != TextKind::kName) continue;
    FUZZ_CHECK(kavo_fuzz::well_formed(internal));
    for (size_t i = 0; i < internal.size(); ++i) {
      unsigned char c = internal[i];
      FUZZ_CHECK(
          kavo::sjis_byte_class(internal, i) != 0 ||
          (c >= 0x20 && c != 0x7F &&
           std::string_view("\\/:*?\"<>|").find(c) == std::string_view::npos));
    }
  }
  std::string merged;
  for (char c : external) {
    if (c != '/' || merged.empty() || merged.back() != '/') merged += c;
  }
  FUZZ_CHECK(external.empty() ||
             kavo::external_path(kavo::internal_path(external)) == merged);
  return 0;
}
