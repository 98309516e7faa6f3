#pragma once

#include <QDialog>

// The sort dialog; its field lists come with sorting.
class TForm6 : public QDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);
};
