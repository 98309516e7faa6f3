#pragma once

#include "query/bandcolordialog.h"

// Row colour options of the fielders window; OK stores into the fielders
// band setting.
class TForm10 : public BandColorDialog {
    Q_OBJECT
public:
    explicit TForm10(QWidget* parent = nullptr);
};
