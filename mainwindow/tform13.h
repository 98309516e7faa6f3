#pragma once

#include <QPointer>
#include <QWidget>

#include "mainwindow/helptexts.h"

class QAction;
class QMdiArea;
class QPlainTextEdit;

// The help text child window: a read-only, fixed-pitch text that fills the
// window. It frees itself when closed and then enables again the menu entry
// that opened it.
class TForm13 : public QWidget {
    Q_OBJECT
public:
    explicit TForm13(QWidget* parent = nullptr);
    ~TForm13() override;

    // Replaces caption and text with text; the caret goes to the start.
    void showText(const HelpText& text);
    // Records entry as the opener and disables it until this window is gone.
    void setOpenedBy(QAction* entry);

    QPlainTextEdit* Memo1 = nullptr;

private:
    QPointer<QAction> m_openedBy;
};

// Opens a help text window with text as a child of area, opened by entry
// (may be null), and shows it. The window belongs to area.
TForm13* openHelpText(QMdiArea* area, QAction* entry, const HelpText& text);
