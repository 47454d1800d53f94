// SPDX-License-Identifier: MIT
#pragma once

#include "engine/convert/tagchange.h"

#include <QDialog>
#include <QImage>
#include <QStringList>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>

class PictureScaler;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QPushButton;
class TrackList;

// "Change Picture | Tag": prepares a change for the selected rows of the track
// list: a replacement picture, and for each of seven tag fields a new value,
// "<Blank>" (empty it) or "<Keep>" (leave each file's own). It writes nothing;
// the main window reads Ok, NewTagData and SaveClip after it closes.
class frmPicMod : public QDialog
{
    Q_OBJECT

public:
    // The fields in the dialog's order, which is also NewTagData's.
    enum Field { Title, Artist, Album, Track, Year, Genre, Comment, FieldCount };

    // Loads from the list's selected rows.
    explicit frmPicMod(const TrackList *list, QWidget *parent = nullptr);
    ~frmPicMod() override;

    // Work for a worker thread; what it returns runs on the window's thread.
    using Work = std::function<std::function<void()>()>;
    // Where picture files the user chooses or drops are read and decoded, so
    // that a large one never holds the dialog up. Without it (the dialog on
    // its own) they are read at once.
    void ReadPicturesOn(std::function<void(Work)> worker);

    // The picture shown as "Original Picture".
    void SetDisplayImage(const QImage &picture);

    bool Ok() const { return ok_; }
    int SaveClip() const { return saveClip_; }
    QStringList NewTagData() const { return newTagData_; }
    // The same as the change to write: the fields to set (a field kept as
    // each file has it is left out; an empty text empties it). The picture
    // is the window's to add, once it has resized it.
    TagChange Change() const;
    bool Activated() const { return activated_; }
    bool Changed() const { return changed_; }

    // Position of the first item whose whole text equals text, letter case
    // aside; -1 for none.
    static int ComboboxFindString(const QString &text, const QComboBox *list);

    // The replacement picture: from a file, the clipboard or a drop. Each
    // keeps it, shows it and enables Save.
    void GetNewPix();
    void RepPicture_Paste();
    void RepPicture_DD(const QMimeData *dropped);
    // Whether a drag over the replacement picture may be dropped.
    static bool CanDropPicture(const QMimeData *dragged);
    void ClearPicture();
    void Save();

    // Controls, named as designed.
    QLabel *lblOriginal;
    PictureScaler *imgDisplay;
    QLabel *lblReplacement;
    PictureScaler *imgRepPicture;
    QPushButton *cmdNew;
    QCheckBox *chkSaveClip;
    QLabel *lblTags[FieldCount];
    QComboBox *cboTagData[FieldCount];
    QLineEdit *txtComment;
    QPushButton *cmdSave;
    QPushButton *cmdCancel;
    QMenu *mnuPop1;
    QAction *mnuPaste;
    QAction *mnuClearClip;

protected:
    void done(int result) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateControls();
    void CheckTagSelection(const TrackList *list);
    void Edited();
    void CommentChosen(int position);
    void TakePicture(const QImage &picture);
    // Reads the picture file at path and takes it; failed tells why not.
    void ReadPicture(const QString &path, std::function<void(std::exception_ptr)> failed);
    void LockPicture(bool locked);
    // What went wrong in taking a picture, told as its source tells it.
    void NewPixFailed(std::exception_ptr failure);
    void DropFailed(std::exception_ptr failure, bool file);
    void ShowPopup(const QPoint &where);
    // Tells which selected files cannot store the track typed (an M4A file
    // takes numbers only), and keeps the dialog open.
    bool TrackRefused(const QString &track);

    const TrackList *list_;
    bool activated_ = false;
    bool ok_ = false;
    bool changed_ = false;
    int saveClip_ = 0;
    QStringList newTagData_;
    std::function<void(Work)> worker_;
    // The number of the picture read last: a read that is no longer it (the
    // dialog closed) stops and is dropped. Asked by the worker too.
    std::shared_ptr<std::atomic<quint64>> pictureWanted_ = std::make_shared<std::atomic<quint64>>(0);
    bool reading_ = false;
    bool saveWasEnabled_ = false;
};

// The genre names in the order the Genre list shows them: letter case,
// hyphens and apostrophes aside ("Eurodance" before "Euro-House").
QStringList SortedGenreNames();
// That order for any two texts: true when a goes before b.
bool ListOrderLess(const QString &a, const QString &b);
