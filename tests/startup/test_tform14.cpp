#include <QtTest>

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "startup/proxystartup.h"
#include "startup/tform14.h"

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QList<QWidget*> groupControls(TForm14& d) {
    return {d.GroupBox1, d.Label2,    d.Label3, d.Label4, d.Label5,
            d.Edit1,     d.MaskEdit1, d.Edit2,  d.Edit3};
}

} // namespace

class TestTForm14 : public QObject {
    Q_OBJECT
private slots:
    void init();
    void hasTheDesignTexts();
    void groupStartsDisabled();
    void checkBoxEnablesAndDisablesTheGroup();
    void portFieldTakesFiveDigits();
    void portFieldTakesDigitsAfterAnyClick_data();
    void portFieldTakesDigitsAfterAnyClick();
    void okWritesTheFieldsAsTheyStand();
    void everyWayOfClosingWrites_data();
    void everyWayOfClosingWrites();
    void showSettingsFillsTheDialog();
    void startupAsksWhenTheFileIsMissing();
    void startupReadsAnExistingFileWithoutAsking();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestTForm14::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath("PROXY.DAT");
}

void TestTForm14::hasTheDesignTexts() {
    TForm14 d(nullptr, m_path);
    QCOMPARE(d.windowTitle(), "Proxy settings");
    QCOMPARE(d.Label1->text(),
             "Welcome to the All-Time Baseball Statistics Database for the Internet.  If you are "
             "not using a proxy server or do not what a proxy server is click OK to use the "
             "database.");
    QCOMPARE(d.Button1->text(), "&Ok");
    QVERIFY(d.Button1->isDefault());
    QCOMPARE(d.Label6->text(),
             "If you are using a proxy server, to use the database please click YES and type in "
             "your proxy settings.  Your ISP can provide these values for you.");
    QCOMPARE(d.CheckBox1->text(), "Yes, I connect to the Internet using a proxy server.");
    QCOMPARE(d.GroupBox1->title(), "Proxy Settings");
    QCOMPARE(d.Label2->text(), "Address");
    QCOMPARE(d.Label3->text(), "Port");
    QCOMPARE(d.Label4->text(), "User Name");
    QCOMPARE(d.Label5->text(), "Password");
    QCOMPARE(d.Edit3->echoMode(), QLineEdit::Password);
}

void TestTForm14::groupStartsDisabled() {
    TForm14 d(nullptr, m_path);
    QVERIFY(!d.CheckBox1->isChecked());
    for (QWidget* w : groupControls(d)) {
        QVERIFY2(!w->isEnabled(), qPrintable(w->metaObject()->className()));
    }
    QVERIFY(d.Button1->isEnabled());
    QVERIFY(d.CheckBox1->isEnabled());
}

void TestTForm14::checkBoxEnablesAndDisablesTheGroup() {
    TForm14 d(nullptr, m_path);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QTest::mouseClick(d.CheckBox1, Qt::LeftButton);
    QVERIFY(d.CheckBox1->isChecked());
    for (QWidget* w : groupControls(d)) {
        QVERIFY(w->isEnabled());
    }
    QTest::mouseClick(d.CheckBox1, Qt::LeftButton);
    for (QWidget* w : groupControls(d)) {
        QVERIFY(!w->isEnabled());
    }
    d.hide();
}

void TestTForm14::portFieldTakesFiveDigits() {
    TForm14 d(nullptr, m_path);
    d.CheckBox1->setChecked(true);
    d.show();
    d.MaskEdit1->setFocus();
    d.MaskEdit1->setCursorPosition(0);
    QTest::keyClicks(d.MaskEdit1, "80a8012345");
    QCOMPARE(d.MaskEdit1->displayText(), "80801");
    d.MaskEdit1->clear();
    d.MaskEdit1->setCursorPosition(0);
    QTest::keyClicks(d.MaskEdit1, "81");
    QCOMPARE(d.MaskEdit1->displayText(), "81   ");
    QCOMPARE(d.CurrentSettings().ProxyPortText, "81   ");
    d.hide();
}

void TestTForm14::portFieldTakesDigitsAfterAnyClick_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<double>("where"); // 0 left edge .. 1 right edge of the field
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::newRow("empty, click at the right") << "" << 0.95 << "8080"
                                               << "8080 ";
    QTest::newRow("empty, click in the middle") << "" << 0.5 << "3128"
                                                << "3128 ";
    QTest::newRow("empty, click at the left") << "" << 0.02 << "80"
                                              << "80   ";
    QTest::newRow("two digits, click past them") << "80" << 0.9 << "80"
                                                 << "8080 ";
}

void TestTForm14::portFieldTakesDigitsAfterAnyClick() {
    QFETCH(QString, before);
    QFETCH(double, where);
    QFETCH(QString, typed);
    QFETCH(QString, after);
    TForm14 d(nullptr, m_path);
    d.CheckBox1->setChecked(true);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QLineEdit* port = d.MaskEdit1;
    const QPoint click(static_cast<int>(port->width() * where), port->height() / 2);
    // Twice: the field filled again and clicked again.
    for (int attempt = 0; attempt < 2; ++attempt) {
        port->setText(before);
        QTest::mouseClick(port, Qt::LeftButton, {}, click);
        QTest::keyClicks(port, typed);
        QCOMPARE(port->displayText(), after);
        QCOMPARE(d.CurrentSettings().ProxyPortText, after);
    }
    d.hide();
}

void TestTForm14::okWritesTheFieldsAsTheyStand() {
    TForm14 d(nullptr, m_path);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QTest::mouseClick(d.Button1, Qt::LeftButton);
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Accepted));
    // Unticked: "FALSE", empty address, the port field's blanks, empty
    // user name and password.
    QCOMPARE(readAll(m_path), QByteArray("FALSE\r\n\r\n     \r\n\r\n\r\n"));
}

void TestTForm14::everyWayOfClosingWrites_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("Ok button") << 0;
    QTest::newRow("Escape key") << 1;
    QTest::newRow("window close") << 2;
}

void TestTForm14::everyWayOfClosingWrites() {
    QFETCH(int, how);
    TForm14 d(nullptr, m_path);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    d.CheckBox1->setChecked(true);
    d.Edit1->setText("127.0.0.1");
    d.MaskEdit1->setText("3128");
    d.Edit2->setText("fan");
    d.Edit3->setText("secret");
    if (how == 0) {
        d.Button1->click();
    } else if (how == 1) {
        QTest::keyClick(&d, Qt::Key_Escape);
    } else {
        d.close();
    }
    QVERIFY(!d.isVisible());
    QCOMPARE(readAll(m_path), QByteArray("TRUE\r\n127.0.0.1\r\n3128 \r\nfan\r\nsecret\r\n"));
    QVERIFY(d.LastSaveError().isEmpty());
}

void TestTForm14::showSettingsFillsTheDialog() {
    TForm14 d(nullptr, m_path);
    ProxySettings s;
    s.ProxyOn = true;
    s.ProxyHost = "proxy.local";
    s.ProxyPortText = "8080 ";
    s.ProxyUser = "u";
    s.ProxyPass = "p";
    d.ShowSettings(s);
    QVERIFY(d.CheckBox1->isChecked());
    QVERIFY(d.GroupBox1->isEnabled() && d.Edit1->isEnabled() && d.Label5->isEnabled());
    QCOMPARE(d.CurrentSettings(), s);
    d.ShowSettings(ProxySettings{});
    QVERIFY(!d.GroupBox1->isEnabled() && !d.MaskEdit1->isEnabled());
}

void TestTForm14::startupAsksWhenTheFileIsMissing() {
    TForm14 d(nullptr, m_path);
    bool shown = false;
    QTimer::singleShot(0, &d, [&] {
        shown = d.isVisible();
        d.Button1->click();
    });
    const ProxyStartupResult r = LoadProxyAtStartup(d, m_path);
    QVERIFY(shown);
    QVERIFY(!r.failure.failed());
    QCOMPARE(r.settings.ProxyOn, false);
    QCOMPARE(readAll(m_path), QByteArray("FALSE\r\n\r\n     \r\n\r\n\r\n"));
}

void TestTForm14::startupReadsAnExistingFileWithoutAsking() {
    QFile f(m_path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("TRUE\r\n127.0.0.1\r\n3128 \r\n");
    f.close();
    TForm14 d(nullptr, m_path);
    bool shown = false;
    QTimer::singleShot(0, &d, [&] { shown = true; });
    const ProxyStartupResult r = LoadProxyAtStartup(d, m_path);
    QVERIFY(!r.failure.failed());
    QVERIFY(r.settings.ProxyOn);
    QCOMPARE(r.settings.ProxyHost, "127.0.0.1");
    QCOMPARE(r.settings.ProxyPortText, "3128 ");
    QVERIFY(r.settings.ProxyUser.isEmpty());
    QVERIFY(d.CheckBox1->isChecked());
    QCOMPARE(d.Edit1->text(), "127.0.0.1");
    QVERIFY(!d.isVisible());
    QVERIFY(!shown); // no dialog loop ran
    // The file is read, not rewritten.
    QCOMPARE(readAll(m_path), QByteArray("TRUE\r\n127.0.0.1\r\n3128 \r\n"));
}

QTEST_MAIN(TestTForm14)
#include "test_tform14.moc"
