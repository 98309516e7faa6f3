#include "startup/tform14.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "startup/errorreport.h"

TForm14::TForm14(QWidget* parent, const QString& proxyFilePath)
    : QDialog(parent), m_proxyFilePath(proxyFilePath) {
    setWindowTitle(QStringLiteral("Proxy settings"));
    setObjectName(QStringLiteral("Form14"));

    Label1 = new QLabel(
        QStringLiteral("Welcome to the All-Time Baseball Statistics Database for the Internet.  "
                       "If you are not using a proxy server or do not what a proxy server is "
                       "click OK to use the database."),
        this);
    Label1->setWordWrap(true);
    Button1 = new QPushButton(QStringLiteral("&Ok"), this);
    Button1->setDefault(true);
    Label6 = new QLabel(
        QStringLiteral("If you are using a proxy server, to use the database please click YES "
                       "and type in your proxy settings.  Your ISP can provide these values for "
                       "you."),
        this);
    Label6->setWordWrap(true);
    CheckBox1 =
        new QCheckBox(QStringLiteral("Yes, I connect to the Internet using a proxy server."), this);

    GroupBox1 = new QGroupBox(QStringLiteral("Proxy Settings"), this);
    Label2 = new QLabel(QStringLiteral("Address"), GroupBox1);
    Label3 = new QLabel(QStringLiteral("Port"), GroupBox1);
    Label4 = new QLabel(QStringLiteral("User Name"), GroupBox1);
    Label5 = new QLabel(QStringLiteral("Password"), GroupBox1);
    Edit1 = new QLineEdit(GroupBox1);
    MaskEdit1 = new QLineEdit(GroupBox1);
    // Five digit positions; unfilled positions show and keep a blank.
    MaskEdit1->setInputMask(QStringLiteral("00000; "));
    MaskEdit1->setMaxLength(5);
    MaskEdit1->installEventFilter(this);
    Edit2 = new QLineEdit(GroupBox1);
    Edit3 = new QLineEdit(GroupBox1);
    Edit3->setEchoMode(QLineEdit::Password);
    Label2->setBuddy(Edit1);
    Label3->setBuddy(MaskEdit1);
    Label4->setBuddy(Edit2);
    Label5->setBuddy(Edit3);

    auto* grid = new QGridLayout(GroupBox1);
    grid->addWidget(Label2, 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(MaskEdit1, 1, 1);
    grid->addWidget(Label4, 2, 0);
    grid->addWidget(Edit2, 2, 1);
    grid->addWidget(Label5, 3, 0);
    grid->addWidget(Edit3, 3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
    layout->addSpacing(8);
    layout->addWidget(Label6);
    layout->addWidget(CheckBox1);
    layout->addWidget(GroupBox1);
    setFixedWidth(460);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
    CheckBox1Click();
}

void TForm14::CheckBox1Click() {
    const bool on = CheckBox1->isChecked();
    // The group's own enabled state would cascade to its children; each is
    // also set so that every control reports the state on its own.
    for (QWidget* w : std::initializer_list<QWidget*>{GroupBox1, Label2, Label3, Label4, Label5,
                                                      Edit1, MaskEdit1, Edit2, Edit3}) {
        w->setEnabled(on);
    }
}

void TForm14::ShowSettings(const ProxySettings& settings) {
    CheckBox1->setChecked(settings.ProxyOn);
    CheckBox1Click();
    Edit1->setText(settings.ProxyHost);
    MaskEdit1->setText(settings.ProxyPortText);
    Edit2->setText(settings.ProxyUser);
    Edit3->setText(settings.ProxyPass);
}

ProxySettings TForm14::CurrentSettings() const {
    ProxySettings s;
    s.ProxyOn = CheckBox1->isChecked();
    s.ProxyHost = Edit1->text();
    s.ProxyPortText = MaskEdit1->displayText();
    s.ProxyUser = Edit2->text();
    s.ProxyPass = Edit3->text();
    return s;
}

void TForm14::FormClose() {
    const ProxyFileResult saved = SaveProxySettings(m_proxyFilePath, CurrentSettings());
    m_lastSaveError = saved.error;
    if (!saved.ok()) {
        ReportError(this, saved.error);
    }
}

bool TForm14::eventFilter(QObject* watched, QEvent* event) {
    // The mask keeps a blank in each unfilled position, and a click puts the
    // cursor where it lands: among the trailing blanks, typed digits would
    // run past the fifth position and be dropped.
    if (watched == MaskEdit1 && event->type() == QEvent::MouseButtonRelease &&
        !MaskEdit1->hasSelectedText()) {
        const QString shown = MaskEdit1->displayText();
        qsizetype typed = shown.size();
        while (typed > 0 && shown.at(typed - 1) == QLatin1Char(' ')) {
            --typed;
        }
        if (MaskEdit1->cursorPosition() > typed) {
            MaskEdit1->setCursorPosition(static_cast<int>(typed));
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm14::done(int result) {
    FormClose();
    QDialog::done(result);
}
