// SPDX-License-Identifier: MIT
#include <anchorlib/ppanchors.h>

#include <anchorlib/anchor.h>
#include <anchorlib/anchorlib.h>
#include <anchorlib/designscale.h>

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QVariant>

namespace anchorlib {

namespace {

// Places on the page, designed in twips (15 to a pixel) for a small font.
QRect Twips(const DesignScale &scale, int left, int top, int width, int height)
{
    return scale.Place(QRect(left / 15, top / 15, width / 15, height / 15));
}

const QColor SetColour = Qt::black;
const QColor ClearColour = Qt::white;

// The list entry of a control: its name, and its index in parentheses when it
// belongs to a control array.
QString EntryOf(const QWidget *control)
{
    const QVariant index = control->property("Index");
    bool isNumber = false;
    const int number = index.toInt(&isNumber);
    if (index.isValid() && isNumber)
        return control->objectName() + QLatin1Char('(') + QString::number(number) + QLatin1Char(')');
    return control->objectName();
}

} // namespace

ppAnchors::ppAnchors(QWidget *parent)
    : QWidget(parent)
    , lblTitle_(new QLabel(QStringLiteral("Select an object, set anchors and then click Apply"), this))
    , lstCtrls_(new QListWidget(this))
    , picFrame_(new QFrame(this))
    , cmdClear_(nullptr)
{
    setObjectName(QStringLiteral("ppAnchors"));
    setWindowTitle(QStringLiteral("Anchors"));
    const DesignScale scale(font());
    setFixedSize(Twips(scale, 0, 0, 5445, 2940).size());

    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    lblTitle_->setGeometry(Twips(scale, 120, 180, 5235, 255));
    lstCtrls_->setObjectName(QStringLiteral("lstCtrls"));
    lstCtrls_->setGeometry(Twips(scale, 120, 540, 2385, 2205));

    QFrame *frame = picFrame_;
    frame->setObjectName(QStringLiteral("picFrame"));
    frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    frame->setGeometry(Twips(scale, 2670, 540, 2685, 2205));

    const QRect sidePlaces[4] = {
        Twips(scale, 90, 990, 735, 285),   // left
        Twips(scale, 1170, 90, 285, 585),  // top
        Twips(scale, 1740, 1020, 765, 285), // right
        Twips(scale, 1170, 1500, 285, 585), // bottom
    };
    for (int side = 0; side < 4; ++side) {
        QLabel *bar = new QLabel(frame);
        bar->setObjectName(QStringLiteral("lblSides"));
        bar->setProperty("Index", side);
        bar->setGeometry(sidePlaces[side]);
        bar->setFrameStyle(QFrame::Box | QFrame::Plain);
        bar->setAutoFillBackground(true);
        bar->setCursor(Qt::PointingHandCursor);
        bar->installEventFilter(this);
        lblSides_[side] = bar;
        SetBar(side, false);
    }

    cmdClear_ = new QPushButton(QStringLiteral("Clear"), frame);
    cmdClear_->setObjectName(QStringLiteral("cmdClear"));
    cmdClear_->setGeometry(Twips(scale, 900, 720, 795, 735));

    connect(lstCtrls_, &QListWidget::currentRowChanged, this, [this] { ShowCode(); });
    connect(lstCtrls_, &QListWidget::itemClicked, this, [this] { ShowCode(); });
    connect(cmdClear_, &QPushButton::clicked, this, [this] {
        ClearBars();
        SetChanged(true);
    });
}

void ppAnchors::SelectionChanged()
{
    // Emptied first, so a host that shows the page again lists each control once.
    lstCtrls_->clear();
    const QString marker = QLatin1String(CodeMarker);
    for (QWidget *control : FormControls(CurrentForm())) {
        const QString tag = TagOf(control);
        if (qobject_cast<Anchor *>(control)) {
            if (tag.contains(marker))
                SetTag(control, tag.mid(6));
            continue;
        }
        lstCtrls_->addItem(EntryOf(control));
        if (!tag.contains(marker))
            SetTag(control, QStringLiteral("TTFF") + marker + tag);
    }
    if (lstCtrls_->count() > 0)
        lstCtrls_->setCurrentRow(0); // shows its code
}

void ppAnchors::Apply()
{
    QWidget *control = SelectedControl();
    if (!control)
        return;
    QString tag = TagOf(control).mid(4);
    for (int side = 3; side >= 0; --side)
        tag.prepend(IsBarSet(side) ? QLatin1Char('T') : QLatin1Char('F'));
    SetTag(control, tag);
    changed_ = false;
}

void ppAnchors::SetChanged(bool changed)
{
    changed_ = changed;
    if (changed)
        emit Changed();
}

bool ppAnchors::IsBarSet(int side) const
{
    return side >= 0 && side < 4
        && lblSides_[side]->palette().color(QPalette::Window) == SetColour;
}

void ppAnchors::ClickBar(int side)
{
    if (side < 0 || side >= 4)
        return;
    SetChanged(true);
    SetBar(side, !IsBarSet(side));
}

void ppAnchors::SelectEntry(int row)
{
    lstCtrls_->setCurrentRow(row);
    ShowCode();
}

bool ppAnchors::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        for (int side = 0; side < 4; ++side) {
            if (watched == lblSides_[side]) {
                ClickBar(side);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

QWidget *ppAnchors::SelectedControl() const
{
    const QListWidgetItem *item = lstCtrls_->currentItem();
    if (!item)
        return nullptr;
    const QString entry = item->text();
    for (QWidget *control : FormControls(CurrentForm())) {
        if (!qobject_cast<Anchor *>(control) && EntryOf(control) == entry)
            return control;
    }
    return nullptr;
}

void ppAnchors::ShowCode()
{
    const QString tag = TagOf(SelectedControl());
    for (int side = 0; side < 4; ++side)
        SetBar(side, tag.size() > side && tag.at(side) == QLatin1Char('T'));
}

void ppAnchors::ClearBars()
{
    for (int side = 0; side < 4; ++side)
        SetBar(side, false);
}

void ppAnchors::SetBar(int side, bool set)
{
    QPalette palette = lblSides_[side]->palette();
    palette.setColor(QPalette::Window, set ? SetColour : ClearColour);
    lblSides_[side]->setPalette(palette);
}

} // namespace anchorlib
