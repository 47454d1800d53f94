// SPDX-License-Identifier: MIT
#include "window/dialogs/frmabout.h"

#include "window/widgets/artwork.h"
#include "window/widgets/globals.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/openex.h"

#include <anchorlib/designscale.h>

#include <QApplication>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

frmAbout::frmAbout(QWidget *owner)
    : QDialog(owner)
{
    const QString title = ProgramTitle();
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About %1").arg(title));
    setWindowIcon(AppIcon());
    setAttribute(Qt::WA_DeleteOnClose);

    auto *logo = new QLabel(this);
    logo->setPixmap(QPixmap::fromImage(LogoPicture(96, palette())));
    logo->setAlignment(Qt::AlignTop);
    logo->setAccessibleName(title);

    lblTitle = new QLabel(title, this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    lblTitle->setFont(titleFont);

    lblVersion = new QLabel(tr("Version %1").arg(QStringLiteral(BRISKO_VERSION)), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    lblDescription = new QLabel(
        tr("%1 shrinks the album art inside MP3, FLAC, Ogg Vorbis, Opus and M4A files so that "
           "portable players can show it, and edits the tags of many files at once.\n\n"
           "Copyright %2 the %1 developers. Questions or comments contact")
            .arg(title)
            .arg(QDate::currentDate().year()),
        this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);
    lblDescription->setFixedWidth(anchorlib::DesignScale(font()).X(300));

    lblContact = new QLabel(SupportAddress(), this);
    lblContact->setObjectName(QStringLiteral("lblContact"));
    lblContact->setCursor(Qt::PointingHandCursor);
    QFont linkFont = lblContact->font();
    linkFont.setUnderline(true);
    lblContact->setFont(linkFont);
    QPalette linkPalette = lblContact->palette();
    linkPalette.setColor(QPalette::WindowText, linkPalette.color(QPalette::Link));
    lblContact->setPalette(linkPalette);
    lblContact->installEventFilter(this);

    cmdOK = new QPushButton(tr("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);

    auto *text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addSpacing(8);
    text->addWidget(lblDescription);
    text->addWidget(lblContact);
    auto *top = new QHBoxLayout;
    top->addWidget(logo);
    top->addSpacing(8);
    top->addLayout(text);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    auto *column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addLayout(buttons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

QString frmAbout::SupportAddress()
{
    return QStringLiteral(BRISKO_SUPPORT_ADDRESS);
}

QString frmAbout::MailLink()
{
    return QStringLiteral("mailto:") + SupportAddress() + QStringLiteral("?subject=")
           + ProgramTitle();
}

void frmAbout::ContactClicked()
{
    if (!ShellOpenFile(this, MailLink()))
        MsgBox(tr("Unable to find your e-mail application."), Msg::Information, QString(),
               this);
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblContact && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        ContactClicked();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    cmdOK->setFocus();
}
