#include "mainwindow/tform1.h"

#include <QMdiArea>
#include <QMenuBar>

TForm1::TForm1(const CoBrandConfig& config, QWidget* parent)
    : QMainWindow(parent), m_config(config) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Korvex! Baseball Database for the Internet"));
    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);
    menuBar();
    FormCreate();
}

void TForm1::FormCreate() {
    m_updateRequired = false; // the version check sets it when this copy is out of date
    setWindowTitle(m_config.WindowTitle);
}
