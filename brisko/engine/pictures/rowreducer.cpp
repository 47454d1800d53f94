// SPDX-License-Identifier: MIT
#include "engine/pictures/rowreducer.h"

#include <algorithm>

RowReducer::RowReducer(QSize size, int factor)
    : size_(size)
    , factor_(qMax(1, factor))
    , reduced_(ReducedSize(size, factor_))
{
    if (factor_ > 1 && !reduced_.IsNull())
        sums_.assign(size_t(reduced_.Width()) * 3, 0);
}

int RowReducer::FactorFor(QSize size, QSize minSize)
{
    if (minSize.isEmpty() || size.isEmpty())
        return 1;
    const int factor = qMin(size.width() / minSize.width(), size.height() / minSize.height());
    return qMax(1, factor);
}

QSize RowReducer::ReducedSize(QSize size, int factor)
{
    return QSize((size.width() + factor - 1) / factor, (size.height() + factor - 1) / factor);
}

void RowReducer::AddRow(const Argb *row)
{
    if (reduced_.IsNull() || rowsIn_ >= size_.height())
        return;
    ++rowsIn_;
    if (factor_ == 1) {
        std::copy(row, row + size_.width(), reduced_.Row(rowsIn_ - 1));
        return;
    }
    quint64 *sum = sums_.data();
    for (int x = 0; x < size_.width(); sum += 3) {
        quint32 red = 0, green = 0, blue = 0; // a row of a block: at most 30000 x 255
        for (const int end = qMin(x + factor_, size_.width()); x < end; ++x) {
            red += quint32(RedOf(row[x]));
            green += quint32(GreenOf(row[x]));
            blue += quint32(BlueOf(row[x]));
        }
        sum[0] += red;
        sum[1] += green;
        sum[2] += blue;
    }
    ++rowsSummed_;
    if (rowsSummed_ == factor_ || rowsIn_ == size_.height())
        EmitRow();
}

namespace {

// Sums divided by one count, rounded to the nearest: a multiplication by the
// reciprocal, corrected by one where it missed, costs a fraction of a
// division, which would be three for every pixel of the result.
class Average
{
public:
    explicit Average(quint64 count)
        : count_(count)
        , reciprocal_(1.0 / double(count))
    {
    }

    int Of(quint64 sum) const
    {
        const quint64 total = sum + count_ / 2; // below 2^40: exact as a double
        quint64 average = quint64(double(total) * reciprocal_);
        if (average * count_ > total)
            --average;
        else if ((average + 1) * count_ <= total)
            ++average;
        return int(average);
    }

private:
    quint64 count_;
    double reciprocal_;
};

} // namespace

void RowReducer::EmitRow()
{
    Argb *line = reduced_.Row((rowsIn_ - 1) / factor_);
    const Average whole(quint64(factor_) * quint64(rowsSummed_));
    // The last column may be narrower than the others.
    const Average last(quint64(size_.width() - (reduced_.Width() - 1) * factor_) * quint64(rowsSummed_));
    for (int x = 0; x < reduced_.Width(); ++x) {
        const Average &average = x + 1 < reduced_.Width() ? whole : last;
        quint64 *sum = &sums_[size_t(x) * 3];
        line[x] = RgbPixel(average.Of(sum[0]), average.Of(sum[1]), average.Of(sum[2]));
        sum[0] = sum[1] = sum[2] = 0;
    }
    rowsSummed_ = 0;
}
