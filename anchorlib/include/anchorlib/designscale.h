// SPDX-License-Identifier: MIT
#pragma once

/**
 * @file designscale.h
 * @brief anchorlib::DesignScale, which grows a form's designed places with its font.
 */

#include <anchorlib/anchorlib_export.h>

#include <QRect>
#include <QSize>

class QFont;

namespace anchorlib {

/**
 * @brief Grows places designed for a small font to fit the font a form shows.
 *
 * Forms are designed in pixels (twips / 15) for an 8 pt font whose average
 * letter is 6 pixels wide and whose lines are 13 pixels high. A bigger font
 * needs room in proportion, the way dialog units grow on Windows: across by
 * its average letter width (the 52 letters A-Z and a-z), down by its height.
 * A font no bigger than that keeps the places as designed.
 *
 * Place the widgets with Place() before Anchor::DoInit() and give the form a
 * scaled size: the anchors then keep the scaled places on the form's edges.
 */
class ANCHORLIB_EXPORT DesignScale
{
public:
    /// The average letter width and line height, in pixels, of the design font.
    static constexpr qreal DesignLetterWidth = 6;
    static constexpr qreal DesignLineHeight = 13;

    /// Keeps every place as designed.
    DesignScale() = default;
    /// The scale that @p font needs.
    explicit DesignScale(const QFont &font);

    /// The factors across and down; never below 1.
    qreal Across() const { return across_; }
    qreal Down() const { return down_; }

    /// A designed horizontal position or width, scaled.
    int X(int designed) const;
    /// A designed vertical position or height, scaled.
    int Y(int designed) const;
    QSize Size(const QSize &designed) const;
    /**
     * @brief A designed place, scaled.
     *
     * The edges are scaled, not the sizes, so widgets that meet in the design
     * still meet and those that line up still line up.
     */
    QRect Place(const QRect &designed) const;

private:
    qreal across_ = 1;
    qreal down_ = 1;
};

} // namespace anchorlib
