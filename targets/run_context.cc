#include "targets/run_context.h"

namespace kavo {
namespace {

int outcome_rank(RenameOutcome outcome) {
  switch (outcome) {
    case kFailed:
      return 4;
    case kRenamed:
      return 3;
    case kNotRenamed:
      return 2;
    case kNotFound:
      return 1;
    case kNoOutcome:
      return 0;
  }
  return 0;
}

}  // namespace

RenameOutcome merge_outcome(RenameOutcome held, RenameOutcome added) {
  return outcome_rank(added) > outcome_rank(held) ? added : held;
}

}  // namespace kavo
