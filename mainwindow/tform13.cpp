#include "mainwindow/tform13.h"

#include <QAction>
#include <QFont>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "mainwindow/mdiarrange.h"

TForm13::TForm13(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Help Text"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The definitions line up by blanks, so the text must be fixed-pitch.
    QFont font(QStringLiteral("Courier New"), 10);
    font.setStyleHint(QFont::Monospace);
    Memo1->setFont(font);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
    resize(620, 460);
}

TForm13::~TForm13() {
    if (m_openedBy) {
        m_openedBy->setEnabled(true);
    }
}

void TForm13::showText(const HelpText& text) {
    setWindowTitle(text.caption);
    Memo1->clear();
    Memo1->setPlainText(text.lines.join(QLatin1Char('\n')));
    Memo1->moveCursor(QTextCursor::Start);
}

void TForm13::setOpenedBy(QAction* entry) {
    if (m_openedBy && m_openedBy != entry) {
        m_openedBy->setEnabled(true);
    }
    m_openedBy = entry;
    if (entry) {
        entry->setEnabled(false);
    }
}

TForm13* openHelpText(QMdiArea* area, QAction* entry, const HelpText& text) {
    auto* form = new TForm13;
    form->setOpenedBy(entry);
    form->showText(text);
    showAsChild(area, form);
    return form;
}
