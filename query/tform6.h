#pragma once

#include <array>

#include <QDialog>
#include <QStringList>

#include "query/radiogroup.h"
#include "query/sortcodes.h"

class QComboBox;
class QPushButton;
class THttpCli;

// The Sort options dialog, one for all databases. The four boxes list
// "NONE" and the database's sortable fields; LastSortChoice (shared by the
// databases) is what they show when the dialog next opens. Being created at
// start-up and living for the whole run, it also owns the usage-event
// sender (PostLine with HttpCli6).
class TForm6 : public QDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);

    // Fills the four boxes with "NONE" and `fields` and sets the caption.
    void Prepare(const QString& caption, const QStringList& fields);
    // The boxes' positions (typed text or nothing reads as 0, "NONE") and
    // the four directions.
    SortChoice Choice() const;
    // List positions the boxes show on the next opening (0 = "NONE").
    const std::array<int, 4>& LastSortChoice() const { return m_lastSortChoice; }
    // Makes `choice` what the dialog shows on the next opening: its
    // positions in the boxes and its directions in the direction groups, as
    // if the user had chosen it and pressed OK.
    void RememberChoice(const SortChoice& choice);

    // Longest wait for one usage event, in milliseconds.
    static constexpr int EventWaitMs = 3000;
    // Sends one usage event text to the logging script on the event host and
    // discards the reply. Waits at most EventWaitMs while the event loop
    // runs; a failed send is dropped quietly, never retried. An event sent
    // while another one waits goes out on a client of its own.
    void PostLine(const QString& text);
    // The client usage events go out on; the proxy settings are applied to it.
    THttpCli& HttpCli6() { return *m_httpCli6; }
    // The host ("host:port") of the logging script: the second statistics
    // mirror of the deployment unless set.
    void SetEventHost(const QString& host) { m_eventHost = host; }
    const QString& EventHost() const { return m_eventHost; }

    QComboBox* ComboBox1;
    QComboBox* ComboBox2;
    QComboBox* ComboBox3;
    QComboBox* ComboBox4;
    RadioGroup* RadioGroup1;
    RadioGroup* RadioGroup2;
    RadioGroup* RadioGroup3;
    RadioGroup* RadioGroup5;
    RadioGroup* RadioGroup4;
    QPushButton* Button1;
    QPushButton* Button2;

protected:
    // Restores the boxes from LastSortChoice; a position past the current
    // list shows "NONE".
    void showEvent(QShowEvent* event) override;

private:
    void Button1Click();
    std::array<QComboBox*, 4> boxes() const;

    std::array<int, 4> m_lastSortChoice{0, 0, 0, 0};
    THttpCli* m_httpCli6 = nullptr;
    QString m_eventHost;
};
