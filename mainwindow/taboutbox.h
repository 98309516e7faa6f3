#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: product name, version and the data credit.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* Label10 = nullptr; // "Version # " and the co-brand version text
    QPushButton* OKButton = nullptr;
};
