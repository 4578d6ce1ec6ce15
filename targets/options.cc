#include "targets/options.h"

namespace kavo {

NameChange name_change(const RunOptions& options) {
  NameChange change;
  change.part = options.name_part;
  change.match.fold = options.old_case_fold;
  change.match.head = options.anchor_head;
  change.match.tail = options.anchor_tail;
  return change;
}

DateNaming date_naming(const RunOptions& options) {
  DateNaming naming;
  naming.layout = options.date_format;
  naming.shift_seconds =
      int64_t{options.date_shift_sign} * options.date_shift_seconds;
  return naming;
}

}  // namespace kavo
