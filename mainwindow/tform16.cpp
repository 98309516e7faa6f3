#include "mainwindow/tform16.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "mainwindow/instructionstext.h"
#include "mainwindow/mdiarrange.h"

TForm16::TForm16(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Database Instructions/Tutorial"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    // Keyboard users can still move the caret through the read-only text.
    Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setPlainText(instructionsText());
    Memo1->moveCursor(QTextCursor::Start);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
    resize(640, 480);
}

TForm16* openInstructions(QMdiArea* area) {
    auto* form = new TForm16;
    showAsChild(area, form);
    form->Memo1->moveCursor(QTextCursor::Start);
    form->Memo1->setFocus();
    return form;
}
