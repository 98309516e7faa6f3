#pragma once

#include <QDialog>

// Chooses a hidden column to show again; its list comes with column hiding.
class TForm11 : public QDialog {
    Q_OBJECT
public:
    explicit TForm11(QWidget* parent = nullptr);
};
