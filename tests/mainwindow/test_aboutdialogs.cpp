#include <QtTest>

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>

#include "mainwindow/helptexts.h"
#include "mainwindow/taboutbox.h"
#include "mainwindow/tform17.h"

// Stands in for the browser and mail program: records what would be opened.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

class TestAboutDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init() { m_catcher.opened.clear(); }

    void aboutTexts();
    void aboutLinksOpenTheirTargets();
    void aboutIsFixedAndCentred();
    void aboutOkAccepts();

    void welcomeTexts();
    void welcomeLinksOpenTheirTargets();
    void welcomeButtonAndEscapeClose();

private:
    static QString href(const QLabel* label);
    static void follow(QLabel* label) { emit label->linkActivated(href(label)); }

    UrlCatcher m_catcher;
};

void TestAboutDialogs::initTestCase() {
    for (const char* scheme : {"http", "https", "mailto"}) {
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &m_catcher, "open");
    }
}

void TestAboutDialogs::cleanupTestCase() {
    for (const char* scheme : {"http", "https", "mailto"}) {
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
}

QString TestAboutDialogs::href(const QLabel* label) {
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("href=\"([^\"]*)\"")).match(label->text());
    return match.captured(1);
}

void TestAboutDialogs::aboutTexts() {
    TAboutBox box;
    QCOMPARE(box.windowTitle(), QStringLiteral("About"));
    QCOMPARE(box.Label1->text(), QStringLiteral("Baseball Database for the Internet"));
    QCOMPARE(box.Label10->text(), QStringLiteral("Version # 200"));
    QVERIFY(box.Label7->text().startsWith(QStringLiteral("Any problems with these databases?")));
    QCOMPARE(box.Label9->text(), dataAttribution());
    QVERIFY(!box.Label8->text().isEmpty());
    // The start-up sequence replaces the version caption from outside.
    box.Label10->setText(QStringLiteral("Version # 215"));
    QCOMPARE(box.Label10->text(), QStringLiteral("Version # 215"));
}

void TestAboutDialogs::aboutLinksOpenTheirTargets() {
    TAboutBox box;
    const QList<QLabel*> sites = {box.Label3, box.Label4, box.Label5};
    QStringList targets;
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(href(sites[i]), TAboutBox::siteUrl(i));
        const QUrl url(TAboutBox::siteUrl(i));
        QCOMPARE(url.scheme(), QStringLiteral("http"));
        QVERIFY(!url.host().isEmpty());
        targets.append(url.toString());
    }
    targets.removeDuplicates();
    QCOMPARE(targets.size(), 3);
    QVERIFY(TAboutBox::siteUrl(3).isEmpty());
    QVERIFY(TAboutBox::siteUrl(-1).isEmpty());

    for (QLabel* label : {box.Label3, box.Label4, box.Label5, box.Label6}) {
        follow(label);
    }
    QCOMPARE(m_catcher.opened.size(), 4);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(m_catcher.opened[i], QUrl(TAboutBox::siteUrl(i)));
    }
    QCOMPARE(m_catcher.opened[3].scheme(), QStringLiteral("mailto"));
    QCOMPARE(m_catcher.opened[3], QUrl(TAboutBox::mailUrl()));
}

void TestAboutDialogs::aboutIsFixedAndCentred() {
    TAboutBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(box.minimumSize(), box.maximumSize());
    const QRect available = box.screen()->availableGeometry();
    QVERIFY(qAbs(box.frameGeometry().center().x() - available.center().x()) <= 1);
    QVERIFY(qAbs(box.frameGeometry().center().y() - available.center().y()) <= 1);
    QCOMPARE(box.findChildren<QPushButton*>().size(), 1);
}

void TestAboutDialogs::aboutOkAccepts() {
    TAboutBox box;
    box.show();
    QCOMPARE(box.OKButton->text(), QStringLiteral("OK"));
    QVERIFY(box.OKButton->isDefault());
    QTest::mouseClick(box.OKButton, Qt::LeftButton);
    QCOMPARE(box.result(), int(QDialog::Accepted));
    QVERIFY(!box.isVisible());
}

void TestAboutDialogs::welcomeTexts() {
    TForm17 welcome;
    QStringList texts;
    for (const QLabel* label : welcome.findChildren<QLabel*>()) {
        texts.append(label->text());
    }
    QVERIFY(texts.contains(QStringLiteral("Please see the database instructions file for more "
                                          "information.")));
    QVERIFY(texts.contains(QStringLiteral("You need to be online to use these databases.")));
    QCOMPARE(welcome.Label4->parentWidget(), welcome.Panel1);
    QVERIFY(welcome.Label4->text().contains(QStringLiteral(">Learn more<")));
    QCOMPARE(welcome.Button1->text(), QStringLiteral("Click here to continue"));
    QVERIFY(welcome.Button1->isDefault());
}

void TestAboutDialogs::welcomeLinksOpenTheirTargets() {
    TForm17 welcome;
    follow(welcome.Label2);
    follow(welcome.Label4);
    QCOMPARE(m_catcher.opened.size(), 2);
    QCOMPARE(m_catcher.opened[0], QUrl(TForm17::mailUrl()));
    QCOMPARE(m_catcher.opened[0].scheme(), QStringLiteral("mailto"));
    QCOMPARE(m_catcher.opened[1], QUrl(TForm17::syndicationUrl()));
    QCOMPARE(m_catcher.opened[1].scheme(), QStringLiteral("http"));
}

void TestAboutDialogs::welcomeButtonAndEscapeClose() {
    TForm17 welcome;
    welcome.show();
    QTest::mouseClick(welcome.Button1, Qt::LeftButton);
    QCOMPARE(welcome.result(), int(QDialog::Accepted));
    QVERIFY(!welcome.isVisible());

    welcome.show();
    QVERIFY(QTest::qWaitForWindowActive(&welcome));
    QTest::keyClick(&welcome, Qt::Key_Escape);
    QCOMPARE(welcome.result(), int(QDialog::Rejected));
    QVERIFY(!welcome.isVisible());
}

QTEST_MAIN(TestAboutDialogs)
#include "test_aboutdialogs.moc"
