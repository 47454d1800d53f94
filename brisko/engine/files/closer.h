// SPDX-License-Identifier: MIT
#pragma once

// Closes a file descriptor on a thread of its own. Closing the last
// descriptor of a file that another was renamed over frees its pages and
// blocks, a few milliseconds for a song: the next file need not wait for it.
// Descriptors still waiting are closed when the program ends.
void CloseLater(int fd);

// Waits until every descriptor handed to CloseLater is closed: the space of
// files renamed over is then free. False when none was waiting.
bool WaitUntilClosed();
