#include "query/tform11.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TForm11::TForm11(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Unhide column"));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::MultiSelection);
    Button1 = new QPushButton(QStringLiteral("&Ok"), this);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("&Cancel"), this);
    Button3 = new QPushButton(QStringLiteral("&Unhide all"), this);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, [this] { done(UnhideAll); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addWidget(Button3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListBox1);
    layout->addLayout(buttons);
}

void TForm11::Prepare(const QStringList& titles) {
    ListBox1->clear();
    ListBox1->addItems(titles);
}

QList<int> TForm11::SelectedRows() const {
    QList<int> rows;
    for (QListWidgetItem* item : ListBox1->selectedItems())
        rows.append(ListBox1->row(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}
