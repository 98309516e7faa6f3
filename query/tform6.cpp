#include "query/tform6.h"

#include <memory>

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "protocol/httpcli.h"
#include "protocol/pagefetcher.h"
#include "protocol/usageevent.h"

TForm6::TForm6(QWidget* parent)
    : QDialog(parent), m_httpCli6(new THttpCli(this)),
      m_eventHost(ServiceHosts::Deployment().Mirror2) {
    setWindowTitle(QStringLiteral("Sort options"));
    m_httpCli6->setObjectName(QStringLiteral("HttpCli6"));
    const QStringList directions{QStringLiteral("&Ascending"), QStringLiteral("&Descending")};
    const char* labels[] = {"1st Field", "2nd Field", "3rd Field", "4th Field"};
    auto* grid = new QGridLayout;
    std::array<QComboBox*, 4> made{};
    std::array<RadioGroup*, 4> groups{};
    for (std::size_t i = 0; i < 4; ++i) {
        made[i] = new QComboBox(this);
        made[i]->setEditable(true);
        made[i]->setInsertPolicy(QComboBox::NoInsert);
        made[i]->setMaxVisibleItems(25);
        made[i]->setMinimumContentsLength(40);
        groups[i] = new RadioGroup(QString(), directions, this);
        const int row = static_cast<int>(i) * 2;
        grid->addWidget(new QLabel(QLatin1String(labels[i]), this), row, 0);
        grid->addWidget(made[i], row + 1, 0);
        grid->addWidget(groups[i], row, 1, 2, 1);
    }
    ComboBox1 = made[0];
    ComboBox2 = made[1];
    ComboBox3 = made[2];
    ComboBox4 = made[3];
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox3->setObjectName(QStringLiteral("ComboBox3"));
    ComboBox4->setObjectName(QStringLiteral("ComboBox4"));
    RadioGroup1 = groups[0];
    RadioGroup2 = groups[1];
    RadioGroup3 = groups[2];
    RadioGroup5 = groups[3];
    RadioGroup4 = new RadioGroup(
        QString(),
        {QStringLiteral("Keep last sort setting"), QStringLiteral("Erase last sort setting")},
        this);
    Button1 = new QPushButton(QStringLiteral("&Ok"), this);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("&Cancel"), this);
    connect(Button1, &QPushButton::clicked, this, &TForm6::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(RadioGroup4);
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

std::array<QComboBox*, 4> TForm6::boxes() const {
    return {ComboBox1, ComboBox2, ComboBox3, ComboBox4};
}

void TForm6::Prepare(const QString& caption, const QStringList& fields) {
    setWindowTitle(caption);
    for (QComboBox* box : boxes()) {
        box->clear();
        box->addItem(QStringLiteral("NONE"));
        box->addItems(fields);
    }
}

void TForm6::showEvent(QShowEvent* event) {
    const std::array<QComboBox*, 4> all = boxes();
    for (std::size_t i = 0; i < 4; ++i) {
        const int position = m_lastSortChoice[i];
        all[i]->setCurrentIndex(position >= 0 && position < all[i]->count() ? position : 0);
    }
    QDialog::showEvent(event);
}

SortChoice TForm6::Choice() const {
    SortChoice choice;
    const std::array<QComboBox*, 4> all = boxes();
    const std::array<RadioGroup*, 4> groups{RadioGroup1, RadioGroup2, RadioGroup3, RadioGroup5};
    for (std::size_t i = 0; i < 4; ++i) {
        const QComboBox* box = all[i];
        const int index = box->currentIndex();
        // Typed text that is not an entry of the list has no position.
        const bool chosen = index >= 0 && box->itemText(index) == box->currentText();
        choice.positions[i] = chosen ? index : 0;
        choice.directions[i] = groups[i]->ItemIndex() == 1 ? 1 : 0;
    }
    return choice;
}

void TForm6::RememberChoice(const SortChoice& choice) {
    m_lastSortChoice = choice.positions;
    const std::array<RadioGroup*, 4> groups{RadioGroup1, RadioGroup2, RadioGroup3, RadioGroup5};
    for (std::size_t i = 0; i < 4; ++i)
        groups[i]->setItemIndex(choice.directions[i] == 1 ? 1 : 0);
}

void TForm6::Button1Click() {
    if (RadioGroup4->ItemIndex() == 1) {
        m_lastSortChoice = {0, 0, 0, 0};
    } else {
        const SortChoice choice = Choice();
        m_lastSortChoice = choice.positions;
    }
    accept();
}

void TForm6::PostLine(const QString& text) {
    THttpCli* client = m_httpCli6;
    std::unique_ptr<THttpCli> spare;
    if (client->state() != THttpCli::State::Ready) {
        spare = std::make_unique<THttpCli>();
        spare->setProxy(client->Proxy());
        spare->setProxyPort(client->ProxyPort());
        spare->setProxyUsername(client->ProxyUsername());
        spare->setProxyPassword(client->ProxyPassword());
        client = spare.get();
    }
    client->setURL(UsageEventUrl(m_eventHost, text));
    client->setSendStream(nullptr);
    client->setRcvdStream(nullptr);
    client->setTimeouts(EventWaitMs, EventWaitMs);
    // The time-outs bound each wait; the deadline bounds the whole exchange.
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, client, [client] { client->Abort(); });
    deadline.start(EventWaitMs);
    try {
        client->Get();
    } catch (const EHttpException&) {
        // Nothing is reported or retried: the user's action already happened.
    }
}
