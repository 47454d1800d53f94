// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

// The percent bar: fills from the left in proportion to Value / Max and prints
// the caption and the percentage centred over it. A negative value fills the
// whole bar and prints the caption alone, for work of unknown size.
class DeRezovivAvo : public QWidget
{
    Q_OBJECT

public:
    explicit DeRezovivAvo(QWidget *parent = nullptr);

    int Value() const { return value_; }
    void SetValue(int value);
    QString Caption() const { return caption_; }
    void SetCaption(const QString &caption);
    // The value that means 100 %. Below 1 is refused with a message and the
    // old maximum stays.
    int Max() const { return max_; }
    void SetMax(int max);

    quint32 BackColor() const { return backColor_; }
    void SetBackColor(quint32 colour);
    quint32 ForeColor() const { return foreColor_; }
    void SetForeColor(quint32 colour);
    quint32 FillColor() const { return fillColor_; }
    void SetFillColor(quint32 colour);
    QFont Font() const { return font(); }
    void SetFont(const QFont &font);

    // The filled part of the width, 0 to 1 and beyond; 1 for a negative value.
    float FillFraction() const;
    // What the bar prints: "Caption 25%", or the caption alone.
    QString DisplayText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int max_ = 100;
    int value_ = 0;
    quint32 fillColor_ = 0x8000000D;
    quint32 backColor_ = 0x8000000F;
    quint32 foreColor_ = 0x80000008;
    QString caption_;
};
