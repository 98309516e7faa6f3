#pragma once

#include <QDialog>

class QLabel;

// The software update notice: tells the user this copy is out of date and
// shows the download address in `Label3`.
class TForm12 : public QDialog {
    Q_OBJECT
public:
    explicit TForm12(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
};
