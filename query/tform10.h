#pragma once

#include <QDialog>

// Row colour options of the fielders window.
class TForm10 : public QDialog {
    Q_OBJECT
public:
    explicit TForm10(QWidget* parent = nullptr);
};
