// SPDX-License-Identifier: MIT
#pragma once

#include <QFrame>
#include <QImage>

class QMimeData;

// Where a W x H picture goes in a CW x CH area. A small picture keeps its size
// unless stretch is set; anything else is scaled to fill the area in one
// direction with its aspect kept. Empty when the picture has no usable size.
// Single precision throughout, the fractions left to the painter.
QRectF PicturePlacement(float width, float height, float areaWidth, float areaHeight,
                        bool stretch, bool center);

// Shows one picture inside its rectangle without distorting it: the album-art
// preview and the pictures of the picture and tag dialog. Mouse, key and drop
// events are passed on as signals for the form that holds it.
//
// Key codes are Qt::Key values; shift states add 1 for Shift, 2 for Ctrl and
// 4 for Alt; buttons are 1 left, 2 right, 4 middle; x and y are pixels. Drop
// effects are 0 none, 1 copy, 2 move; a handler of OLEDragOver or OLEDragDrop
// (connected directly) may change *effect to accept or refuse the data.
class PictureScaler : public QFrame
{
    Q_OBJECT

public:
    explicit PictureScaler(QWidget *parent = nullptr);

    const QImage &Picture() const { return picture_; }
    void SetPicture(const QImage &picture);

    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);
    bool CenterImage() const { return center_; }
    void SetCenterImage(bool center);

    // 0 flat, 1 three-dimensional. Fixed once the form runs: writing it then
    // throws BriskoError 31013 and changes nothing.
    int Appearance() const { return appearance_; }
    void SetAppearance(int appearance);
    // 0 none, 1 a single line.
    int BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(int borderStyle);
    quint32 BackColor() const { return backColor_; }
    void SetBackColor(quint32 colour);
    // 0 none, 1 drop events raised.
    int OLEDropMode() const { return acceptDrops() ? 1 : 0; }
    void SetOLEDropMode(int mode);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled) { setEnabled(enabled); }

    // The picture's size in pixels.
    int PixelsX() const;
    int PixelsY() const;

    // While a form is being designed every property may be written.
    void SetDesignMode(bool designMode) { designMode_ = designMode; }

    // Where the picture was last drawn, in widget coordinates; empty for none.
    QRectF DrawnRect() const { return drawnRect_; }

signals:
    void Click();
    void DblClick();
    void KeyDown(int keyCode, int shift);
    void KeyPress(int keyAscii);
    void KeyUp(int keyCode, int shift);
    void MouseDown(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);
    void OLEDragDrop(const QMimeData *data, int *effect, int button, int shift, float x, float y);
    void OLEDragOver(const QMimeData *data, int *effect, int button, int shift, float x, float y,
                     int state);
    void Resize();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void ApplyLook();
    void Redraw();
    void PassDrag(QDropEvent *event, int state);

    QImage picture_;
    QImage shown_; // the picture at the size it is drawn, for large reductions
    QRectF drawnRect_;
    int appearance_ = 1;
    int borderStyle_ = 1;
    quint32 backColor_ = 0x8000000F;
    bool center_ = true;
    bool stretch_ = true;
    bool designMode_ = false;
    bool pressed_ = false;
};
