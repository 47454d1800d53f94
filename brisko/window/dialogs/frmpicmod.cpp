// SPDX-License-Identifier: MIT
#include "window/dialogs/frmpicmod.h"

#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "base/genrefromid.h"
#include "base/translation.h"
#include "engine/pictures/pictureloader.h"
#include "engine/tags/tagformats.h"
#include "window/dialogs/keptpicture.h"
#include "window/widgets/artwork.h"
#include "window/widgets/clsopensave.h"
#include "window/widgets/enginepicture.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/unexpectederror.h"

#include <anchorlib/designscale.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QDropEvent>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <algorithm>
#include <iterator>
#include <optional>

namespace {

// A field the user leaves as each file has it, whatever the language the
// lists show "<Keep>" in.
const QString KeepMarker = QStringLiteral("<Keep>");

// Letter case, hyphens and apostrophes aside, as word lists are sorted.
QString OrderKey(const QString &text)
{
    QString key = text.toCaseFolded();
    key.remove(u'-');
    key.remove(u'\'');
    return key;
}

// Drop effects of the picture displays.
constexpr int NoEffect = 0;
constexpr int CopyEffect = 1;

} // namespace

bool ListOrderLess(const QString &a, const QString &b)
{
    const int byKey = QString::compare(OrderKey(a), OrderKey(b));
    return byKey != 0 ? byKey < 0 : a < b;
}

QStringList SortedGenreNames()
{
    QStringList names = GenreTable();
    std::stable_sort(names.begin(), names.end(), ListOrderLess);
    return names;
}

frmPicMod::frmPicMod(const TrackList *list, QWidget *parent)
    : QDialog(parent)
    , list_(list)
{
    setObjectName(QStringLiteral("frmPicMod"));
    setWindowTitle(tr("Change Picture | Tag"));
    CreateControls();

    if (KeptPicture.isNull()) {
        imgRepPicture->SetPicture(PlaceholderPicture(Placeholder::NewPicture));
        chkSaveClip->setChecked(false);
        saveClip_ = 0;
    } else {
        imgRepPicture->SetPicture(KeptPicture);
        chkSaveClip->setChecked(true);
        saveClip_ = 1;
        cmdSave->setEnabled(true);
    }
    CheckTagSelection(list);
}

frmPicMod::~frmPicMod()
{
    ++*pictureWanted_; // a picture still being decoded stops
}

void frmPicMod::ReadPicturesOn(std::function<void(Work)> worker)
{
    worker_ = std::move(worker);
}

void frmPicMod::CreateControls()
{
    // The places were designed for a small font: they grow with the one shown.
    const anchorlib::DesignScale scale(font());
    const auto place = [&scale](auto *widget, const char *name, const QRect &designed) {
        widget->setObjectName(QLatin1String(name));
        widget->setGeometry(scale.Place(designed));
        return widget;
    };
    lblOriginal = place(new QLabel(tr("Original Picture"), this), "lblOriginal", {12, 10, 150, 16});
    imgDisplay = place(new PictureScaler(this), "imgDisplay", {12, 28, 150, 150});
    lblReplacement =
        place(new QLabel(tr("Replacement Picture"), this), "lblReplacement", {12, 186, 150, 16});
    imgRepPicture = place(new PictureScaler(this), "imgRepPicture", {12, 204, 150, 150});
    imgRepPicture->SetOLEDropMode(1);
    for (QLabel *label : {lblOriginal, lblReplacement})
        label->setAlignment(Qt::AlignCenter);
    // The labels name the pictures and fields for screen readers.
    lblOriginal->setBuddy(imgDisplay);
    lblReplacement->setBuddy(imgRepPicture);
    imgDisplay->setAccessibleDescription(tr("The picture the chosen files have now"));
    imgRepPicture->setAccessibleDescription(
        tr("The picture that will replace it: find one, drag one in, or paste one from its "
           "menu"));
    cmdNew = place(new QPushButton(tr("Find Picture"), this), "cmdNew", {12, 362, 150, 26});
    chkSaveClip =
        place(new QCheckBox(tr("Keep picture on clipboard"), this), "chkSaveClip", {12, 396, 200, 22});

    const QStringList captions{tr("Title"), tr("Artist"), tr("Album"),
                               tr("Track"), tr("Year"),   tr("Genre"),
                               tr("Comment")};
    for (int field = 0; field < FieldCount; ++field) {
        const int y = 28 + field * 34;
        lblTags[field] = place(new QLabel(captions.at(field), this), "lblTags", {184, y + 3, 66, 18});
        lblTags[field]->setProperty("Index", field);
        cboTagData[field] = place(new QComboBox(this), "cboTagData", {254, y, 266, 24});
        cboTagData[field]->setProperty("Index", field);
        cboTagData[field]->setMaxVisibleItems(20);
        lblTags[field]->setBuddy(cboTagData[field]);
        if (field != Comment) {
            cboTagData[field]->setEditable(true);
            cboTagData[field]->setInsertPolicy(QComboBox::NoInsert);
            cboTagData[field]->setCompleter(nullptr); // typing must not turn into another value
            cboTagData[field]->lineEdit()->setAccessibleName(captions.at(field));
            for (QWidget *target : {static_cast<QWidget *>(cboTagData[field]), static_cast<QWidget *>(cboTagData[field]->lineEdit())}) {
                target->setAcceptDrops(true);
                target->installEventFilter(this);
            }
        }
    }
    cboTagData[Genre]->addItems(SortedGenreNames());
    txtComment = place(new QLineEdit(this), "txtComment", {184, 28 + 7 * 34, 336, 24});
    txtComment->setAccessibleName(tr("Comment text"));

    cmdSave = place(new QPushButton(tr("Save"), this), "cmdSave", {312, 394, 100, 26});
    cmdSave->setEnabled(false);
    cmdCancel = place(new QPushButton(tr("Cancel"), this), "cmdCancel", {420, 394, 100, 26});
    // Enter in a field saves, and only once Save is enabled: the first
    // button would otherwise be the default and open the file dialog. The
    // dialog opens in the first field, not on Find Picture.
    cmdSave->setDefault(true);
    cboTagData[Title]->setFocus();
    setFixedSize(scale.Size(QSize(532, 430)));

    mnuPop1 = new QMenu(this);
    mnuPop1->setObjectName(QStringLiteral("mnuPop1"));
    mnuPaste = mnuPop1->addAction(tr("&Paste"));
    mnuPaste->setObjectName(QStringLiteral("mnuPaste"));
    mnuPop1->addSeparator();
    mnuClearClip = mnuPop1->addAction(tr("C&lear Picture"));
    mnuClearClip->setObjectName(QStringLiteral("mnuClearClip"));

    for (int field = 0; field < FieldCount; ++field) {
        QComboBox *box = cboTagData[field];
        connect(box, &QComboBox::currentIndexChanged, this, [this, field](int position) {
            Edited();
            if (field == Comment)
                CommentChosen(position);
        });
        if (box->isEditable())
            connect(box, &QComboBox::editTextChanged, this, &frmPicMod::Edited);
    }
    connect(txtComment, &QLineEdit::textChanged, this, &frmPicMod::Edited);
    connect(chkSaveClip, &QCheckBox::clicked, this, [this](bool checked) { saveClip_ = checked ? 1 : 0; });
    connect(cmdNew, &QPushButton::clicked, this, &frmPicMod::GetNewPix);
    connect(cmdSave, &QPushButton::clicked, this, &frmPicMod::Save);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(mnuPaste, &QAction::triggered, this, &frmPicMod::RepPicture_Paste);
    connect(mnuClearClip, &QAction::triggered, this, &frmPicMod::ClearPicture);
    connect(imgRepPicture, &PictureScaler::MouseDown, this, [this](int button, int, float x, float y) {
        if (button == 2)
            ShowPopup(imgRepPicture->mapToGlobal(QPoint(int(x), int(y))));
    });
    connect(imgRepPicture, &PictureScaler::OLEDragOver, this,
            [this](const QMimeData *dragged, int *effect, int, int, float, float, int) {
                *effect = !reading_ && CanDropPicture(dragged) ? CopyEffect : NoEffect;
            });
    connect(imgRepPicture, &PictureScaler::OLEDragDrop, this,
            [this](const QMimeData *dropped, int *effect, int, int, float, float) {
                *effect = reading_ ? NoEffect : CopyEffect;
                if (!reading_)
                    RepPicture_DD(dropped);
            });
}

void frmPicMod::SetDisplayImage(const QImage &picture)
{
    imgDisplay->SetPicture(picture);
}

int frmPicMod::ComboboxFindString(const QString &text, const QComboBox *list)
{
    return list ? list->findText(text, Qt::MatchFixedString) : -1;
}

// Fills each field's list with the values of the selected rows and shows the
// value they share, or "<Keep>" when they differ. Values that differ only in
// letter case are one value, spelt as first met (or as the list has it).
void frmPicMod::CheckTagSelection(const TrackList *list)
{
    try {
        const QVector<int> rows = list ? list->RowIndexes(true) : QVector<int>();
        for (int field = 0; field < FieldCount; ++field) {
            QComboBox *box = cboTagData[field];
            QStringList items;
            QHash<QString, QString> spellingOf; // by the case-folded text
            for (int i = 0; i < box->count(); ++i) {
                items << box->itemText(i);
                spellingOf.insert(items.last().toCaseFolded(), items.last());
            }
            // A change is a row whose value is not the one before it; an
            // empty value is a value of its own.
            std::optional<QString> previous;
            int changes = 0;
            for (const int row : rows) {
                const QString text = list->Field(row, TrackColumn(ColTitle + field));
                const QString key = text.toCaseFolded();
                if (previous && *previous == key)
                    continue;
                if (!key.isEmpty() && !spellingOf.contains(key)) {
                    spellingOf.insert(key, text);
                    items << text;
                }
                ++changes;
                previous = key;
            }
            std::stable_sort(items.begin(), items.end(), ListOrderLess);

            box->clear();
            box->addItems(items);
            box->insertItem(0, tr("<Blank>"));
            box->insertItem(1, tr("<Keep>"));
            if (changes < 2) {
                const int shared = previous && !previous->isEmpty() ? int(items.indexOf(spellingOf.value(*previous))) : -1;
                box->setCurrentIndex(shared >= 0 ? shared + 2 : -1);
                if (box->isEditable() && shared < 0)
                    box->setEditText(QString());
                txtComment->setText(cboTagData[Comment]->currentText());
            } else {
                box->setCurrentIndex(1);
            }
        }
        cboTagData[Comment]->insertItem(2, tr("<New>"));
    } catch (const std::exception &error) {
        LogError(QStringLiteral("CheckTagSelection"), QString::fromUtf8(error.what()));
    }
}

void frmPicMod::Edited()
{
    if (!activated_)
        return;
    changed_ = true;
    cmdSave->setEnabled(!reading_);
}

void frmPicMod::CommentChosen(int position)
{
    switch (position) {
    case 0:
        txtComment->clear();
        txtComment->setEnabled(false);
        break;
    case 1:
        txtComment->setText(tr("< Comment Will Not Be Changed >"));
        txtComment->setEnabled(false);
        break;
    case 2:
        txtComment->clear();
        txtComment->setEnabled(true);
        break;
    default:
        txtComment->setText(cboTagData[Comment]->currentText());
        txtComment->setEnabled(true);
        break;
    }
}

void frmPicMod::done(int result)
{
    ++*pictureWanted_; // what is still being read is not wanted any more
    QDialog::done(result);
}

bool frmPicMod::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && !activated_)
        activated_ = true;
    return QDialog::event(event);
}

// Text dragged onto a tag list replaces its text; nothing else is taken.
bool frmPicMod::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QDialog::eventFilter(watched, event);
    auto *drop = static_cast<QDropEvent *>(event);
    QComboBox *box = qobject_cast<QComboBox *>(watched);
    if (!box && watched->parent())
        box = qobject_cast<QComboBox *>(watched->parent());
    if (!box || !drop->mimeData()->hasText()) {
        drop->setDropAction(Qt::IgnoreAction);
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop)
        box->setEditText(drop->mimeData()->text());
    return true;
}

void frmPicMod::TakePicture(const QImage &picture)
{
    KeptPicture = picture;
    imgRepPicture->SetPicture(KeptPicture);
    cmdSave->setEnabled(true);
}

void frmPicMod::ReadPicture(const QString &path, std::function<void(std::exception_ptr)> failed)
{
    struct Read
    {
        QImage picture;
        std::exception_ptr failure;
    };
    const quint64 request = ++*pictureWanted_;
    const auto read = [path, request, wanted = pictureWanted_] {
        Read result;
        try {
            const Result<Image> loaded = LoadReplacementPicture(path, [&] { return *wanted != request; });
            // The dialog's handlers tell the failures by their numbers.
            if (!loaded)
                throw BriskoError(loaded.Why().code, loaded.Why().reason);
            result.picture = ToQImage(*loaded);
        } catch (...) {
            result.failure = std::current_exception();
        }
        return result;
    };
    const auto take = [this, failed](const Read &result) {
        try {
            if (result.failure)
                std::rethrow_exception(result.failure);
            TakePicture(result.picture);
        } catch (...) {
            failed(std::current_exception());
        }
    };
    if (!worker_)
        return take(read());
    LockPicture(true);
    worker_([this, read, take, request, wanted = pictureWanted_]() -> std::function<void()> {
        const Read result = read();
        return [this, take, result, request, wanted] {
            if (*wanted != request)
                return;
            LockPicture(false);
            take(result);
        };
    });
}

// While a picture is read the dialog takes no other one, and Save waits for
// it: it would write the picture shown before.
void frmPicMod::LockPicture(bool locked)
{
    if (locked == reading_)
        return;
    reading_ = locked;
    cmdNew->setEnabled(!locked);
    if (locked) {
        saveWasEnabled_ = cmdSave->isEnabled();
        cmdSave->setEnabled(false);
        setCursor(Qt::BusyCursor);
    } else {
        cmdSave->setEnabled(saveWasEnabled_ || changed_);
        unsetCursor();
    }
}

void frmPicMod::GetNewPix()
{
    try {
        clsOpenSave dialog;
        dialog.hwnd = this;
        dialog.CancelError = true;
        dialog.DialogTitle = tr("Replacement Art");
        dialog.InitDir = QString();
        // Every kind a replacement picture is read from; covers are often .jpeg or .png.
        dialog.SetFilter(tr("Picture Files (*.bmp *.gif *.jpg *.jpeg *.png *.webp)|"
                            "*.bmp;*.gif;*.jpg;*.jpeg;*.png;*.webp"));
        dialog.Flags = 4100;
        dialog.MaxFileSize = 256;
        dialog.ShowOpen();
        ReadPicture(dialog.FileName, [this](std::exception_ptr failure) { NewPixFailed(failure); });
    } catch (...) {
        NewPixFailed(std::current_exception());
    }
}

void frmPicMod::NewPixFailed(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const BriskoError &error) {
        if (error.Number() == ErrorNumber::InvalidPicture)
            MsgBox(tr("Invalid Picture\n%1").arg(ShownText(error.Description())), Msg::Exclamation, QString(), this);
        else if (error.Number() != ErrorNumber::CancelSelected)
            ReportUnexpected(QStringLiteral("GetNewPix"), error.Description(), this);
    } catch (const std::exception &error) {
        ReportUnexpected(QStringLiteral("GetNewPix"), ErrorDescription(error), this);
    }
}

bool frmPicMod::CanDropPicture(const QMimeData *dragged)
{
    if (!dragged)
        return false;
    if (dragged->hasImage())
        return true;
    const QList<QUrl> urls = dragged->urls();
    if (urls.isEmpty())
        return false;
    const QString first = urls.first().toLocalFile();
    const qsizetype dot = first.lastIndexOf(u'.');
    const QString extension = dot >= 0 ? first.mid(dot + 1).toLower() : QString();
    return extension == QLatin1String("bmp") || extension == QLatin1String("gif") || extension == QLatin1String("jpg")
        || extension == QLatin1String("jpeg") || extension == QLatin1String("png");
}

void frmPicMod::RepPicture_DD(const QMimeData *dropped)
{
    try {
        if (dropped->hasImage()) {
            const QImage picture = qvariant_cast<QImage>(dropped->imageData());
            if (picture.isNull())
                throw MakeError(ErrorNumber::InvalidPicture);
            TakePicture(picture);
        } else if (!dropped->urls().isEmpty()) {
            ReadPicture(dropped->urls().first().toLocalFile(),
                        [this](std::exception_ptr failure) { DropFailed(failure, true); });
        }
    } catch (...) {
        DropFailed(std::current_exception(), false);
    }
}

void frmPicMod::DropFailed(std::exception_ptr failure, bool file)
{
    try {
        std::rethrow_exception(failure);
    } catch (const BriskoError &error) {
        if (error.Number() == ErrorNumber::InvalidPicture && file)
            MsgBox(tr("Invalid Picture Format\n%1").arg(ShownText(error.Description())), Msg::Information, QString(), this);
        else if (error.Number() == ErrorNumber::InvalidPicture)
            MsgBox(tr("Invalid Picture Format"), Msg::Information, QString(), this);
        else
            ReportUnexpected(QStringLiteral("RepPicture_DD"), error.Description(), this);
    } catch (const std::exception &error) {
        ReportUnexpected(QStringLiteral("RepPicture_DD"), ErrorDescription(error), this);
    }
}

void frmPicMod::RepPicture_Paste()
{
    try {
        const QMimeData *clipboard = QApplication::clipboard()->mimeData();
        const QImage picture = clipboard && clipboard->hasImage() ? qvariant_cast<QImage>(clipboard->imageData()) : QImage();
        if (picture.isNull())
            throw MakeError(ErrorNumber::InvalidPicture);
        TakePicture(picture);
    } catch (const BriskoError &error) {
        if (error.Number() == ErrorNumber::InvalidPicture)
            MsgBox(tr("Invalid Picture Format"), Msg::Information, QString(), this);
        else
            ReportUnexpected(QStringLiteral("RepPicture_Paste"), error.Description(), this);
    } catch (const std::exception &error) {
        ReportUnexpected(QStringLiteral("RepPicture_Paste"), ErrorDescription(error), this);
    }
}

void frmPicMod::ShowPopup(const QPoint &where)
{
    const QMimeData *clipboard = QApplication::clipboard()->mimeData();
    mnuPaste->setEnabled(!reading_ && clipboard && clipboard->hasImage());
    mnuClearClip->setEnabled(!reading_ && !KeptPicture.isNull());
    mnuPop1->setDefaultAction(mnuPaste);
    mnuPop1->popup(where);
}

void frmPicMod::ClearPicture()
{
    if (!changed_)
        cmdSave->setEnabled(false);
    KeptPicture = QImage();
    imgRepPicture->SetPicture(PlaceholderPicture(Placeholder::NewPicture));
}

void frmPicMod::Save()
{
    // The lists show the markers in the user's language; the data holds
    // an empty text for "<Blank>" and the English "<Keep>".
    const auto value = [this](const QString &text) {
        return text == tr("<Blank>") ? QString() : text == tr("<Keep>") ? KeepMarker : text;
    };
    if (TrackRefused(value(cboTagData[Track]->currentText())))
        return;
    newTagData_.clear();
    for (int field = 0; field < Comment; ++field)
        newTagData_ << value(cboTagData[field]->currentText());
    const QString choice = value(cboTagData[Comment]->currentText());
    newTagData_ << (choice.isEmpty() || choice == KeepMarker ? choice : txtComment->text());
    ok_ = true;
    accept();
}

bool frmPicMod::TrackRefused(const QString &track)
{
    if (track == KeepMarker || !list_)
        return false;
    // Said before anything is written, not as failed rows afterwards.
    QStringList names;
    QString reason;
    for (const int row : list_->RowIndexes(true)) {
        const Result<void> fits = FieldFits(list_->PathAt(row), TagField::Track, track);
        if (!fits) {
            names << list_->Field(row, ColFileName);
            reason = fits.Why().reason;
        }
    }
    if (names.isEmpty())
        return false;
    constexpr int MostNamed = 10;
    QString named = QStringList(names.mid(0, MostNamed)).join(u'\n');
    if (names.size() > MostNamed)
        named += u'\n' + tr("and %1 more").arg(names.size() - MostNamed);
    QString why = ShownText(reason);
    why[0] = why.at(0).toUpper();
    MsgBox(tr("%1. These files cannot store it:\n\n%2").arg(why, named), Msg::Exclamation, QString(), this);
    cboTagData[Track]->setFocus();
    cboTagData[Track]->lineEdit()->selectAll();
    return true;
}

TagChange frmPicMod::Change() const
{
    // NewTagData holds the fields in the dialog's order.
    constexpr TagField dialogOrder[] = {TagField::Title, TagField::Artist, TagField::Album, TagField::Track,
                                        TagField::Year,  TagField::Genre,  TagField::Comment};
    TagChange change;
    for (int i = 0; i < int(std::size(dialogOrder)) && i < newTagData_.size(); ++i) {
        if (newTagData_.at(i) != KeepMarker)
            change.fields.insert(dialogOrder[i], newTagData_.at(i));
    }
    return change;
}
