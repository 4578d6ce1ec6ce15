// The Linux layer's text boundary in the external encoding $KAVO_FUZZ_ENCODING
// names (UTF-8 when unset; run_fuzzers runs the target once per encoding, as
// switching rebuilds the conversion tables, far too slow per input): bytes
// to internal text and back are the same bytes for every kind of text; a
// name comes in well-formed, without a single-byte character that would act
// as a separator, colon, wildcard or control byte; a path comes back with
// only its repeated slashes merged.

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
