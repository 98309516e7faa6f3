#pragma once

#include <QDialog>

// The print preview window; the preview pages come with printing.
class TForm15 : public QDialog {
    Q_OBJECT
public:
    explicit TForm15(QWidget* parent = nullptr);
};
