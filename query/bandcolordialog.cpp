#include "query/bandcolordialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

const QList<BandColorDialog::PaletteColor>& BandColorDialog::Palette() {
    static const QList<PaletteColor> palette{
        {"Gray", 0x808080},   {"Maroon", 0x000080},  {"Green", 0x008000}, {"Olive", 0x008080},
        {"Navy", 0x800000},   {"Purple", 0x800080},  {"Teal", 0x808000},  {"Black", 0x000000},
        {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},     {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
        {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},  {"White", 0xFFFFFF},
    };
    return palette;
}

BandColorDialog::BandColorDialog(const QString& caption, BandSettings& setting, QWidget* parent)
    : QDialog(parent), m_setting(setting) {
    setWindowTitle(caption);
    Label1 = new QLabel(QStringLiteral("Alternate by:"), this);
    RadioButton1 = new QRadioButton(QStringLiteral("&Player"), this);
    RadioButton2 = new QRadioButton(QStringLiteral("&Team"), this);
    RadioButton19 = new QRadioButton(QStringLiteral("&Year"), this);
    RadioButton36 = new QRadioButton(QStringLiteral("&League"), this);
    RadioButton1->setChecked(true);
    m_modes = new QButtonGroup(this);
    m_modes->addButton(RadioButton1, 0);
    m_modes->addButton(RadioButton2, 1);
    m_modes->addButton(RadioButton19, 2);
    m_modes->addButton(RadioButton36, 3);
    GroupBox1 = colorGroup(QStringLiteral("Color set 1"), m_set1, "Blue");
    GroupBox2 = colorGroup(QStringLiteral("Color set 2"), m_set2, "Red");
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    connect(OKBtn, &QPushButton::clicked, this, &BandColorDialog::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* modes = new QHBoxLayout;
    modes->addWidget(Label1);
    modes->addWidget(RadioButton1);
    modes->addWidget(RadioButton2);
    modes->addWidget(RadioButton19);
    modes->addWidget(RadioButton36);
    modes->addStretch();
    auto* groups = new QHBoxLayout;
    groups->addWidget(GroupBox1);
    groups->addWidget(GroupBox2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(modes);
    layout->addLayout(groups);
    layout->addLayout(buttons);
}

QGroupBox* BandColorDialog::colorGroup(const QString& title, QButtonGroup*& group,
                                       const char* checked) {
    auto* box = new QGroupBox(title, this);
    auto* grid = new QGridLayout(box);
    group = new QButtonGroup(box);
    const QList<PaletteColor>& palette = Palette();
    for (int i = 0; i < palette.size(); ++i) {
        const PaletteColor& color = palette[i];
        auto* button = new QRadioButton(QLatin1String(color.name), box);
        button->setObjectName(QLatin1String(color.name));
        const QColor fill = BandSettings::ToQColor(color.value);
        const QColor ink = fill.lightness() > 128 ? Qt::black : Qt::white;
        button->setStyleSheet(QStringLiteral("QRadioButton { background-color: %1; color: %2; }")
                                  .arg(fill.name(), ink.name()));
        button->setChecked(qstrcmp(color.name, checked) == 0);
        group->addButton(button, i);
        grid->addWidget(button, i % 8, i / 8);
    }
    return box;
}

int BandColorDialog::CheckedMode() const {
    const int mode = m_modes->checkedId();
    return mode < 0 ? 0 : mode;
}

std::uint32_t BandColorDialog::CheckedColor(int set) const {
    const int id = (set == 1 ? m_set1 : m_set2)->checkedId();
    return id < 0 ? 0 : Palette()[id].value;
}

bool BandColorDialog::CheckColor(int set, std::uint32_t value) {
    const QList<PaletteColor>& palette = Palette();
    for (int i = 0; i < palette.size(); ++i) {
        if (palette[i].value == value) {
            (set == 1 ? m_set1 : m_set2)->button(i)->setChecked(true);
            return true;
        }
    }
    return false;
}

QRadioButton* BandColorDialog::ColorButton(int set, const QString& name) const {
    return (set == 1 ? GroupBox1 : GroupBox2)->findChild<QRadioButton*>(name);
}

void BandColorDialog::OKBtnClick() {
    m_setting.BandMode = CheckedMode();
    m_setting.FirstColor = CheckedColor(1);
    m_setting.SecondColor = CheckedColor(2);
    accept();
}
