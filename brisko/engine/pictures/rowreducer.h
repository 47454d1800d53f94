// SPDX-License-Identifier: MIT
#pragma once

#include "engine/pictures/image.h"

#include <QSize>

#include <vector>

// Shrinks a picture by a whole factor while its rows arrive, averaging each
// factor x factor block: a decoder that delivers rows one at a time then never
// holds more than a row of the full picture.
class RowReducer
{
public:
    RowReducer(QSize size, int factor);

    // The largest factor that keeps both sides at least minSize (1 without one).
    static int FactorFor(QSize size, QSize minSize);
    // The sides divided by factor, rounded up.
    static QSize ReducedSize(QSize size, int factor);

    // The next row of the picture, size.width() opaque pixels.
    void AddRow(const Argb *row);
    // Null when the picture could not be made.
    const Image &Result() const { return reduced_; }
    // The picture, handed over: the reducer holds nothing after.
    Image TakeResult() { return std::move(reduced_); }

private:
    void EmitRow();

    QSize size_;
    int factor_;
    int rowsIn_ = 0;      // rows of the picture seen so far
    int rowsSummed_ = 0;  // rows in the sums now
    std::vector<quint64> sums_; // red, green, blue per reduced column
    Image reduced_;
};
