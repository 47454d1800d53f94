// SPDX-License-Identifier: MIT
#include <anchorlib/designscale.h>

#include <QFontMetricsF>

namespace anchorlib {

DesignScale::DesignScale(const QFont &font)
{
    const QFontMetricsF metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const qreal letterWidth = metrics.horizontalAdvance(letters) / letters.size();
    across_ = qMax<qreal>(1, letterWidth / DesignLetterWidth);
    down_ = qMax<qreal>(1, metrics.height() / DesignLineHeight);
}

int DesignScale::X(int designed) const
{
    return qRound(designed * across_);
}

int DesignScale::Y(int designed) const
{
    return qRound(designed * down_);
}

QSize DesignScale::Size(const QSize &designed) const
{
    return QSize(X(designed.width()), Y(designed.height()));
}

QRect DesignScale::Place(const QRect &designed) const
{
    const int left = X(designed.left());
    const int top = Y(designed.top());
    return QRect(left, top, X(designed.left() + designed.width()) - left,
                 Y(designed.top() + designed.height()) - top);
}

} // namespace anchorlib
