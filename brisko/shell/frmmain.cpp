#include "shell/frmmain.h"

#include "processing/tracklist.h"

frmMain::frmMain(QWidget *parent)
    : QMainWindow(parent)
    , lvwMain_(new TrackList(this))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Brisko"));
    setCentralWidget(lvwMain_);
    resize(900, 500);
}
