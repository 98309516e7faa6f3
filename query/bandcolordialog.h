#pragma once

#include <cstdint>

#include <QDialog>
#include <QList>

#include "query/bandsettings.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

// The layout both colour dialogs share: "Alternate by:" with four mode
// buttons, two groups of the 16 palette colours and OK / Cancel. OK stores
// the checked buttons into the dialog's own band setting.
class BandColorDialog : public QDialog {
    Q_OBJECT
public:
    // One palette colour: its button text and 0x00BBGGRR value.
    struct PaletteColor {
        const char* name;
        std::uint32_t value;
    };
    // The palette in button order: the left column top down, then the right.
    static const QList<PaletteColor>& Palette();

    // Band mode of the checked mode button (0 to 3).
    int CheckedMode() const;
    // Colour value of the checked button of "Color set 1" / "Color set 2".
    std::uint32_t CheckedColor(int set) const;
    // Checks the button of `value` in colour set 1 or 2; false when no
    // button has that value.
    bool CheckColor(int set, std::uint32_t value);
    // The colour button named `name` of set 1 or 2.
    QRadioButton* ColorButton(int set, const QString& name) const;

    QLabel* Label1;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QRadioButton* RadioButton19;
    QRadioButton* RadioButton36;
    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    // `setting` is where OK stores; it lives for the whole run.
    BandColorDialog(const QString& caption, BandSettings& setting, QWidget* parent);

private:
    void OKBtnClick();
    QGroupBox* colorGroup(const QString& title, QButtonGroup*& group, const char* checked);

    BandSettings& m_setting;
    QButtonGroup* m_modes;
    QButtonGroup* m_set1;
    QButtonGroup* m_set2;
};
