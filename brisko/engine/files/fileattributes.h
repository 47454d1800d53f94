// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <sys/stat.h>

// Gives a new file everything of the original's that is not its content:
// owner and group, permission bits (set-group-ID included), and extended
// attributes (user.*, and security.* and POSIX ACLs where the process may
// set them). Returns an empty text when all of it was kept, else what could
// not be: a file is better refused than saved without its owner or an ACL.
QString CopyOwner(int to, const struct stat &original);
QString CopyPermissions(int to, const struct stat &original);
QString CopyExtendedAttributes(int from, int to);
