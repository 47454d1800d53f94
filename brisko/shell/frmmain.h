#pragma once

#include <QMainWindow>

class TrackList;

// The program's main window.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(QWidget *parent = nullptr);

    TrackList *lvwMain() const { return lvwMain_; }

private:
    TrackList *lvwMain_;
};
