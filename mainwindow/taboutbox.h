#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: product, version, the maker's statistics sites and mail
// address as clickable links, support paragraph, credits and the data
// attribution. Fixed dialog frame, centred on the screen, one OK button.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    // Address behind site link 0..2, and the mail link.
    static QString siteUrl(int index);
    static QString mailUrl();

    QLabel* Label1 = nullptr;  // product
    QLabel* Label10 = nullptr; // "Version # " + version text, set at start-up
    QLabel* Label2 = nullptr;  // invitation to visit the sites
    QLabel* Label3 = nullptr;  // site links
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr; // mail link
    QLabel* Label7 = nullptr; // "Any problems with these databases? ..."
    QLabel* Label8 = nullptr; // credits
    QLabel* Label9 = nullptr; // data attribution
    QPushButton* OKButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};
