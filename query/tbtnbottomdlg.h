#pragma once

#include "query/bandcolordialog.h"

// Row colour options of the batters, pitchers and teams windows; OK stores
// into the shared band setting.
class TBtnBottomDlg : public BandColorDialog {
    Q_OBJECT
public:
    explicit TBtnBottomDlg(QWidget* parent = nullptr);

    // Mode buttons for `kind`: "&Player", "&Team", "&Year" with "&League"
    // hidden, or for Teams "&Team", "&Year", "&Division" and "&League" shown.
    void Relabel(DatabaseKind kind);
};
