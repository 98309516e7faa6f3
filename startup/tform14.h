#pragma once

#include <QDialog>
#include <QString>

#include "startup/proxysettings.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Proxy settings": asks whether the user connects through a proxy and for
// its address, port, user name and password. Closing it, in any way, writes
// the answers to the proxy file.
class TForm14 : public QDialog {
    Q_OBJECT
public:
    // `proxyFilePath` is the file every close writes ("PROXY.DAT" in the
    // working folder by default).
    explicit TForm14(QWidget* parent = nullptr,
                     const QString& proxyFilePath = QStringLiteral("PROXY.DAT"));

    // Ticks or unticks the check box (which enables or disables the group)
    // and fills the four fields from `settings`.
    void ShowSettings(const ProxySettings& settings);

    // The answers as the controls hold them now; the port is the field's text
    // with blanks in unfilled positions.
    ProxySettings CurrentSettings() const;

    // The message of the last failed write of the proxy file, empty when the
    // last close wrote it.
    QString LastSaveError() const { return m_lastSaveError; }

    // Enables the group, its labels and fields when the box is ticked and
    // disables them all when it is not.
    void CheckBox1Click();

    // Writes the proxy file from the controls; a failure is reported and kept
    // in LastSaveError().
    void FormClose();

    void done(int result) override;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QPushButton* Button1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* MaskEdit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;

protected:
    // A click in the port field past the digits typed so far puts the
    // cursor right after them, where the next digit goes.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString m_proxyFilePath;
    QString m_lastSaveError;
};
