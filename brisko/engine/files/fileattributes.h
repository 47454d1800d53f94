// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <sys/stat.h>

// Gives a new file everything of the original's that is not its content:
// owner and group, permission bits (set-group-ID included), and extended
// attributes (user.*, and security.* and POSIX ACLs where the process may
// set them). Fails with WouldLoseData and what could not be kept: a file is
// better refused than saved without its owner or an ACL.
Result<void> CopyOwner(int to, const struct stat &original);
Result<void> CopyPermissions(int to, const struct stat &original);
Result<void> CopyExtendedAttributes(int from, int to);
