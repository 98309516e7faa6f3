#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The welcome dialog shown once in demonstration mode: how to get a
// customised copy, the syndication offer, and two reminders.
class TForm17 : public QDialog {
    Q_OBJECT
public:
    explicit TForm17(QWidget* parent = nullptr);

    // Targets of the mail link and of "Learn more".
    static QString mailUrl();
    static QString syndicationUrl();

    QLabel* Label1 = nullptr; // invitation to ask for a customised version
    QLabel* Label2 = nullptr; // mail link
    QFrame* Panel1 = nullptr; // syndication offer
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;       // "Learn more"
    QLabel* Label5 = nullptr;       // instructions reminder
    QLabel* Label6 = nullptr;       // online reminder
    QPushButton* Button1 = nullptr; // "Click here to continue"
};
