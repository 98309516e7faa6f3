#pragma once

#include <QWidget>

class QMdiArea;
class QPlainTextEdit;

// The instructions child window ("Database Instructions/Tutorial"): the
// instructions text, read-only and scrolling, filling the window. It frees
// itself when closed.
class TForm16 : public QWidget {
    Q_OBJECT
public:
    explicit TForm16(QWidget* parent = nullptr);

    QPlainTextEdit* Memo1 = nullptr;
};

// Opens a new instructions window as a child of area with the caret at the
// start of the text, and shows it. The window belongs to area.
TForm16* openInstructions(QMdiArea* area);
