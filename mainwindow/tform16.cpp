#include "mainwindow/tform16.h"

#include <algorithm>

#include <QMdiArea>
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
    // Wholly inside the main window's area, however small it is: the text
    // scrolls, the frame never reaches past the area's edges.
    if (area != nullptr) {
        if (QWidget* child = form->parentWidget()) {
            const QRect inside = area->viewport()->rect();
            QRect frame = child->geometry();
            frame.setSize(frame.size().boundedTo(inside.size()));
            frame.moveRight(std::min(frame.right(), inside.right()));
            frame.moveBottom(std::min(frame.bottom(), inside.bottom()));
            frame.moveLeft(std::max(frame.left(), inside.left()));
            frame.moveTop(std::max(frame.top(), inside.top()));
            child->setGeometry(frame);
        }
    }
    form->Memo1->moveCursor(QTextCursor::Start);
    form->Memo1->setFocus();
    return form;
}
