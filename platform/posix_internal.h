// Pieces of the Linux platform layer that its tests reach directly, because
// the conditions that select them cannot be produced on the test machine.

#ifndef KAVO_PLATFORM_POSIX_INTERNAL_H_
#define KAVO_PLATFORM_POSIX_INTERNAL_H_

#include "platform/platform.h"

namespace kavo {

// The move used where the file system lacks renameat2's RENAME_NOREPLACE:
// never replaces an existing entry (Linux paths).
MoveResult move_without_noreplace(const char* from, const char* to);

}  // namespace kavo

#endif  // KAVO_PLATFORM_POSIX_INTERNAL_H_
