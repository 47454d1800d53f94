// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// The most memory the process held while a piece of work ran, above what it
// held when the measuring began: what the work costs, whoever allocates it
// (libjpeg, libpng and Qt's containers use malloc, not operator new). The
// process's own peak (getrusage) is no use to a test: fixtures made before
// may have raised it far beyond what the work will ever need. So the
// kernel's high-water mark of resident memory is set back to the present
// at the start (Linux 4.0 and later), after memory freed earlier is handed
// back to the system, so that the work cannot take it up again unseen.
// One at a time: starting another sets the mark back for both.
class PeakMemory
{
public:
    PeakMemory(); // starts measuring

    // Whether the peak since the start stayed below megabytes above the
    // start; false too where the mark cannot be set back.
    bool Below(long megabytes) const;
    // The peak so far, for a failing check: "38123 kB above the start".
    std::string Text() const;

private:
    long Kilobytes() const;

    bool measurable_ = false;
    long start_ = 0;
};
