#pragma once

#include <QDialog>

class QPushButton;

// The welcome window shown once in demonstration mode.
class TForm17 : public QDialog {
    Q_OBJECT
public:
    explicit TForm17(QWidget* parent = nullptr);

    QPushButton* Button1 = nullptr;
};
