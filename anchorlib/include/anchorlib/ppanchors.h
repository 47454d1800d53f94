// SPDX-License-Identifier: MIT
#pragma once

/**
 * @file ppanchors.h
 * @brief anchorlib::ppAnchors, the editor of a form's anchor codes.
 */

#include <anchorlib/anchorlib_export.h>

#include <QWidget>

class QFrame;
class QLabel;
class QListWidget;
class QPushButton;

namespace anchorlib {

/**
 * @brief The "Anchors" property page: sets each widget's edges in a designer.
 *
 * Works on every control of CurrentForm(). SelectionChanged() lists the
 * controls (an Anchor is never listed) and gives each one never anchored the
 * code "TTFF", which leaves it where it is. Clicking an entry shows that
 * control's code as four bars around the Clear button, black for an anchored
 * edge and white otherwise; clicking a bar toggles it and Clear whitens all
 * four. Apply() writes the bars into the selected control's `Tag`.
 *
 * Controls that share a name and carry an integer dynamic property `Index`
 * form a control array; each is listed as name(index).
 */
class ANCHORLIB_EXPORT ppAnchors : public QWidget
{
    Q_OBJECT

public:
    explicit ppAnchors(QWidget *parent = nullptr);

    /// The host shows the page for an Anchor: list and prepare the form's controls.
    void SelectionChanged();
    /// The host's Apply or OK: write the bars into the selected control's code.
    void Apply();

    /// True once a bar or Clear was clicked; the host then enables Apply.
    bool IsChanged() const { return changed_; }
    void SetChanged(bool changed);

    /// Whether bar @p side (0 left, 1 top, 2 right, 3 bottom) shows the edge as anchored.
    bool IsBarSet(int side) const;
    /// Clicks bar @p side, as the user does.
    void ClickBar(int side);
    /// Shows the code of the control named by list entry @p row.
    void SelectEntry(int row);

    QListWidget *lstCtrls() const { return lstCtrls_; }
    QPushButton *cmdClear() const { return cmdClear_; }

signals:
    /// The changed flag was set.
    void Changed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *SelectedControl() const;
    void ShowCode();
    void ClearBars();
    void SetBar(int side, bool set);

    QLabel *lblTitle_;
    QListWidget *lstCtrls_;
    QFrame *picFrame_;
    QLabel *lblSides_[4];
    QPushButton *cmdClear_;
    bool changed_ = false;
};

} // namespace anchorlib
