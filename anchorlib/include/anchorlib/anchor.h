// SPDX-License-Identifier: MIT
#pragma once

/**
 * @file anchor.h
 * @brief anchorlib::Anchor, the control that keeps a form's widgets on its edges.
 */

#include <anchorlib/anchorlib_export.h>

#include <QPointer>
#include <QVector>
#include <QWidget>

namespace anchorlib {

/**
 * @brief Moves and stretches a form's widgets with the form's edges.
 *
 * Place one Anchor on a form (it is invisible at run time) and call DoInit()
 * once, after the form's widgets exist and before the form is given any size
 * but its designed one. DoInit() takes each widget's anchor code out of its
 * `Tag` (a tag such as "FFTT" + marker + "abc" leaves "abc" behind) and records
 * the form's size. From then on every resize of the form moves each widget by
 * the change in the form's width and height:
 *
 * - bottom anchored: with top too the height grows, otherwise the widget moves down;
 * - right anchored: with left too the width grows, otherwise the widget moves right;
 * - the vertical change is made before the horizontal one;
 * - a widget anchored only left and/or top, or to nothing, never moves.
 *
 * A change that a widget refuses (a height or width below zero) is left out and
 * the other widgets are still laid out. Nothing is laid out while the form is
 * minimised, so restoring it measures the change from the size before.
 * Screen updates are held back during the moves and the form repaints once;
 * AfterResize() is emitted at the end.
 */
class ANCHORLIB_EXPORT Anchor : public QWidget
{
    Q_OBJECT

public:
    explicit Anchor(QWidget *parent = nullptr);
    ~Anchor() override;

    /// Stops @p window from repainting until UnFreeze().
    void Freeze(QWidget *window);
    /// Lets @p window repaint again and repaints it with all its children now.
    void UnFreeze(QWidget *window);
    /// Lays the widgets out for the form's current size; resizes of the form call it.
    void DoResize();
    /// Takes the anchor codes out of the widgets' tags and records the form's size.
    void DoInit();
    /// Shows the library's about box, modal.
    void ShowAbout();

    /// The form the control sits on (its top-level window), if any.
    QWidget *ParentForm() const { return parentForm_.data(); }
    /// The form's width and height at the last layout, in pixels; 0 before any.
    int BaseWidth() const { return baseWidth_; }
    int BaseHeight() const { return baseHeight_; }
    /// The anchor code DoInit() took from @p widget; empty when it had none.
    QString AnchorCodeOf(const QWidget *widget) const;

    /// In a form designer the control shows its icon; at run time it is hidden.
    void SetDesignMode(bool designMode);
    bool DesignMode() const { return designMode_; }

    QSize sizeHint() const override;

signals:
    /// Emitted at the end of every layout that was not skipped for a minimised form.
    void AfterResize();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct AnchoredWidget
    {
        QPointer<QWidget> widget;
        QString code;
    };

    void AttachToForm();
    static void MoveVertically(QWidget *widget, const QString &code, int dH);
    static void MoveHorizontally(QWidget *widget, const QString &code, int dW);

    QPointer<QWidget> parentForm_;
    QVector<AnchoredWidget> anchorTags_;
    int baseHeight_ = 0;
    int baseWidth_ = 0;
    bool designMode_ = false;
};

} // namespace anchorlib
