#include <cstdlib>
#include <string>
#include <vector>

#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "fakequerytarget.h"
#include "query/queryoperations.h"
#include "query/tbtnbottomdlg.h"
#include "query/tbtnrightdlg.h"
#include "query/tbtnrightdlg1.h"
#include "query/tform10.h"
#include "query/tform11.h"
#include "query/tform6.h"

// The dialogs themselves: their controls, what they remember between uses,
// and how they read what the user did.
class TestQueryDialogs : public QObject {
    Q_OBJECT
private slots:
    void sortDialogControls();
    void sortFieldListsPerDatabase();
    void sortRememberedPositionPastShorterList();
    void sortTypedTextReadsAsNone();
    void selectDialogTypingJumps();
    void selectDialogDrawRule();
    void selectDialogBlanksAccentsAndRanges();
    void limitArrangement();
    void colourDialogLayout();
    void unhideDialog();
};

void TestQueryDialogs::sortDialogControls() {
    TForm6 dialog;
    QCOMPARE(dialog.windowTitle(), QString("Sort options"));
    for (QComboBox* box :
         {dialog.ComboBox1, dialog.ComboBox2, dialog.ComboBox3, dialog.ComboBox4}) {
        QVERIFY(box->isEditable());
        QCOMPARE(box->maxVisibleItems(), 25);
    }
    QCOMPARE(dialog.RadioGroup1->button(0)->text(), QString("&Ascending"));
    QCOMPARE(dialog.RadioGroup5->button(1)->text(), QString("&Descending"));
    QCOMPARE(dialog.RadioGroup3->ItemIndex(), 0);
    QCOMPARE(dialog.RadioGroup4->button(1)->text(), QString("Erase last sort setting"));
    QCOMPARE(dialog.RadioGroup4->ItemIndex(), 0);
    QVERIFY(dialog.Button1->isDefault());
    QCOMPARE(dialog.Button1->text(), QString("&Ok"));
    QCOMPARE(dialog.Button2->text(), QString("&Cancel"));
    const QStringList labels{"1st Field", "2nd Field", "3rd Field", "4th Field"};
    QStringList found;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        found.append(label->text());
    for (const QString& label : labels)
        QVERIFY2(found.contains(label), qPrintable(label));
}

void TestQueryDialogs::sortFieldListsPerDatabase() {
    struct Expect {
        DatabaseKind kind;
        int count;
        const char* first;
        const char* last;
        const char* caption;
    };
    const Expect expects[] = {
        {DatabaseKind::Batters, 31, "Player Name", "POS - Positions Played",
         "Baseball Batters - Sort Options"},
        {DatabaseKind::Pitchers, 31, "Pitcher Name", "THR - Throws",
         "Baseball Pitchers - Sort Options"},
        {DatabaseKind::Fielders, 16, "Player Name", "FLD%   - Fielding Percentage",
         "Baseball Fielders - Sort Options"},
        {DatabaseKind::Teams, 67, "Year", "Fielding - FA  - Fielding Average",
         "Baseball Teams - Sort Options"},
    };
    TForm6 dialog;
    for (const Expect& expect : expects) {
        const DatabaseInfo& info = DatabaseInfoFor(expect.kind);
        dialog.Prepare(info.sortCaption, info.sortFields);
        QCOMPARE(dialog.windowTitle(), QString(expect.caption));
        QCOMPARE(dialog.ComboBox4->count(), expect.count + 1);
        QCOMPARE(dialog.ComboBox4->itemText(0), QString("NONE"));
        QCOMPARE(dialog.ComboBox4->itemText(1), QString(expect.first));
        QCOMPARE(dialog.ComboBox4->itemText(expect.count), QString(expect.last));
    }
    // Telling positions of the longest list.
    const QStringList& teams = DatabaseInfoFor(DatabaseKind::Teams).sortFields;
    QCOMPARE(teams[8], QString("GB  - Games Behind"));
    QCOMPARE(teams[23], QString("Batting  - AVG - Average"));
    QCOMPARE(teams[41], QString("Pitching - ERA - Earned Run Average"));
    QCOMPARE(DatabaseInfoFor(DatabaseKind::Pitchers).sortFields[19],
             QString("HR  - Home Runs Allowed"));
}

void TestQueryDialogs::sortRememberedPositionPastShorterList() {
    TForm6 dialog;
    FakeQueryTarget teams(DatabaseKind::Teams);
    OnNextModal([](QWidget* modal) {
        auto* sort = qobject_cast<TForm6*>(modal);
        sort->ComboBox1->setCurrentIndex(60);
        sort->ComboBox2->setCurrentIndex(5);
        sort->Button1->click();
    });
    SortRecords(teams, dialog);
    QCOMPARE(dialog.LastSortChoice(), (std::array<int, 4>{60, 5, 0, 0}));

    // The fielders list has 17 entries: position 60 shows "NONE", 5 stays.
    FakeQueryTarget fielders(DatabaseKind::Fielders);
    QString shown;
    OnNextModal([&shown](QWidget* modal) {
        auto* sort = qobject_cast<TForm6*>(modal);
        shown = sort->ComboBox1->currentText() + "|" + sort->ComboBox2->currentText();
        sort->Button1->click();
    });
    SortRecords(fielders, dialog);
    QCOMPARE(shown, QString("NONE|LGE    - League"));
    QCOMPARE(fielders.pageRequest().substr(0, 9), std::string("0!20!104!"));
}

void TestQueryDialogs::sortTypedTextReadsAsNone() {
    TForm6 dialog;
    FakeQueryTarget view(DatabaseKind::Batters);
    OnNextModal([](QWidget* modal) {
        auto* sort = qobject_cast<TForm6*>(modal);
        sort->ComboBox1->setCurrentIndex(2);
        sort->ComboBox1->setEditText("Yea");
        sort->ComboBox2->setCurrentIndex(17);
        sort->RadioGroup2->setItemIndex(1);
        sort->Button1->click();
    });
    SortRecords(view, dialog);
    // The typed 1st box is "NONE": the 2nd key (RBI, descending) moves up.
    QCOMPARE(view.pageRequest().substr(0, 8), std::string("0!20!16!"));
    QCOMPARE(dialog.LastSortChoice(), (std::array<int, 4>{0, 17, 0, 0}));
}

void TestQueryDialogs::selectDialogTypingJumps() {
    TBtnRightDlg1 dialog;
    dialog.Prepare("Baseball Batters - Select Player",
                   {"Aaron, Hank", "Baker, Frank", "Bell, Cool Papa", "Bench, Johnny", "Cobb, Ty"});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.Label1->text(), QString("Items = 0"));
    QCOMPARE(dialog.Label2->text(), QString("Listed = 5"));
    QCOMPARE(dialog.ListBox1->currentRow(), 0);
    QTest::keyClicks(dialog.ListBox1, "ben");
    QCOMPARE(dialog.ListBox1->currentRow(), 3);
    QVERIFY(dialog.ListBox1->selectedItems().isEmpty()); // jumping ticks nothing
    QTest::qWait(QApplication::keyboardInputInterval() + 100);
    QTest::keyClicks(dialog.ListBox1, "c");
    QCOMPARE(dialog.ListBox1->currentRow(), 4);
    QTest::keyClicks(dialog.ListBox1, "z");
    QCOMPARE(dialog.ListBox1->currentRow(), 4);
    dialog.hide();

    // A long list: each jump puts the match in the middle of the list and
    // frames it as the current line.
    std::vector<std::string> names;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        for (int n = 0; n < 20; ++n) {
            names.push_back(std::string(1, letter) + "name, Player " + std::to_string(100 + n));
        }
    }
    TBtnRightDlg1 longList;
    longList.Prepare("Baseball Batters - Select Player", names);
    longList.show();
    QVERIFY(QTest::qWaitForWindowActive(&longList));
    QTRY_VERIFY(longList.ListBox1->hasFocus());
    QListWidget* list = longList.ListBox1;
    for (const char* typed : {"m", "c", "w", "m"}) {
        QTest::qWait(QApplication::keyboardInputInterval() + 50);
        QTest::keyClicks(list, typed);
        const int row = (typed[0] - 'a') * 20;
        QCOMPARE(list->currentRow(), row);
        const QRect current = list->visualItemRect(list->item(row));
        QVERIFY2(std::abs(current.center().y() - list->viewport()->rect().center().y()) <=
                     current.height(),
                 typed);
        // The frame is drawn in the text colour down the line's left edge,
        // and on no other line.
        const QImage image = list->viewport()->grab().toImage();
        const QRgb ink = list->palette().color(QPalette::Text).rgb();
        const auto framed = [&](const QRect& rect) {
            for (int y = rect.top(); y <= rect.bottom(); ++y) {
                if (image.pixel(rect.left(), y) == ink) {
                    return true;
                }
            }
            return false;
        };
        QVERIFY2(framed(current), typed);
        QVERIFY2(!framed(list->visualItemRect(list->item(row - 1))), typed);
        QVERIFY2(!framed(list->visualItemRect(list->item(row + 1))), typed);
    }
    longList.hide();
}

// As a user met it: typing a whole name with its blanks lands on it and
// ticks nothing; Space ticks only after the pause; case and accents do not
// matter; Shift-click and Shift+arrows tick ranges.
void TestQueryDialogs::selectDialogBlanksAccentsAndRanges() {
    TBtnRightDlg1 dialog;
    dialog.Prepare("Baseball Batters - Select Player",
                   {"Aaron, Hank", "Álvarez, Pedro", "New York Black Yankees", "New York Yankees",
                    "Smith, A.", "Smith, Ozzie", "Smith, Zack", "Suzuki, Ichiro"});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTRY_VERIFY(dialog.ListBox1->hasFocus());
    QListWidget* list = dialog.ListBox1;
    const auto ticked = [&] {
        QStringList lines;
        for (int i = 0; i < dialog.ListBox2->count(); ++i)
            lines << dialog.ListBox2->item(i)->text();
        lines.sort();
        return lines;
    };
    const auto pause = [] { QTest::qWait(QApplication::keyboardInputInterval() + 100); };
    QTest::keyClicks(list, "Smith, Ozzie");
    QCOMPARE(list->currentRow(), 5);
    QCOMPARE(ticked(), QStringList());
    pause();
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(ticked(), QStringList{"Smith, Ozzie"});
    pause();
    QTest::keyClicks(list, "new york yankees");
    QCOMPARE(list->currentRow(), 3);
    QCOMPARE(ticked(), QStringList{"Smith, Ozzie"});
    pause();
    QTest::keyClicks(list, "ALVA");
    QCOMPARE(list->currentRow(), 1);
    pause();
    QTest::keyClicks(list, "sm");
    QCOMPARE(list->currentRow(), 4);
    QCOMPARE(TypeAheadKey("Álvarez, Pedro"), TypeAheadKey("ALVAREZ, PEDRO"));

    // Shift ranges tick from the last line clicked or moved to.
    pause();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      list->visualItemRect(list->item(2)).center());
    QCOMPARE(ticked(), (QStringList{"Aaron, Hank", "New York Black Yankees", "Smith, Ozzie",
                                    "Álvarez, Pedro"}));
    QCOMPARE(list->currentRow(), 2);
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(list->currentRow(), 4);
    QCOMPARE(ticked().size(), 6); // lines 0 to 5
    QTest::keyClick(list, Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(ticked().size(), 8);
    // A plain click still toggles one line and moves the anchor.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(7)).center());
    QCOMPARE(ticked().size(), 7);
    QVERIFY(!ticked().contains("Suzuki, Ichiro"));
    dialog.hide();
}

void TestQueryDialogs::selectDialogDrawRule() {
    TBtnRightDlg1 dialog;
    dialog.Prepare("Baseball Teams - Select League", {"NL", "AL", "NL", "FL"});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Clicks toggle single lines; equal texts are listed once.
    for (int row : {0, 1, 2}) {
        const QRect rect = dialog.ListBox1->visualItemRect(dialog.ListBox1->item(row));
        QTest::mouseClick(dialog.ListBox1->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QCOMPARE(dialog.ListBox2->count(), 2);
    QCOMPARE(dialog.ListBox2->item(0)->text(), QString("AL"));
    QCOMPARE(dialog.Label1->text(), QString("Selected = 2"));
    // Unticking one "NL" keeps it while the other is still ticked, even
    // after a full repaint reports every line's state.
    // The later twin is painted last, unticked.
    const QRect twin = dialog.ListBox1->visualItemRect(dialog.ListBox1->item(2));
    QTest::mouseClick(dialog.ListBox1->viewport(), Qt::LeftButton, {}, twin.center());
    dialog.ListBox1->viewport()->repaint();
    QCOMPARE(dialog.ListBox2->count(), 2);
    dialog.ListBox1->item(0)->setSelected(false);
    dialog.ListBox1->viewport()->repaint();
    QCOMPARE(dialog.ListBox2->count(), 1);
    const std::vector<std::string> ticked = dialog.Ticked();
    QCOMPARE(ticked, std::vector<std::string>{"AL"});
    dialog.hide();
}

void TestQueryDialogs::limitArrangement() {
    TBtnRightDlg dialog;
    QCOMPARE(dialog.windowTitle(), QString("Select sort field"));
    QCOMPARE(dialog.Label1->text(), QString("Minimum Value"));
    QCOMPARE(dialog.Label2->text(), QString("Maximum Value"));
    dialog.Prepare("Baseball Teams - Limit Options",
                   DatabaseInfoFor(DatabaseKind::Teams).sortFields);
    dialog.Arrange();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(!dialog.RadioButton1->isVisible());
    QVERIFY(!dialog.RadioButton2->isVisible());
    QVERIFY(dialog.Edit1->isVisible());
    QCOMPARE(dialog.ListBox1->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(dialog.SelectedField(), 0);
    QCOMPARE(dialog.ListBox1->count(), 67);
    dialog.hide();
}

void TestQueryDialogs::colourDialogLayout() {
    TBtnBottomDlg colors;
    TForm10 fielders;
    QCOMPARE(colors.windowTitle(), QString("Color options for Player Database"));
    QCOMPARE(fielders.windowTitle(), QString("Color options for Fielding Database"));
    QCOMPARE(colors.Label1->text(), QString("Alternate by:"));
    QCOMPARE(colors.GroupBox1->title(), QString("Color set 1"));
    QCOMPARE(fielders.GroupBox2->title(), QString("Color set 2"));
    QCOMPARE(fielders.RadioButton19->text(), QString("&Year"));
    QVERIFY(colors.RadioButton1->isChecked());
    QCOMPARE(colors.CheckedColor(1), BandSettings::Blue);
    QCOMPARE(colors.CheckedColor(2), BandSettings::Red);
    QCOMPARE(colors.findChildren<QRadioButton*>().size(), 4 + 32);
    // Left column Gray..Black, right column Silver..White, each painted in its colour.
    colors.show();
    QVERIFY(QTest::qWaitForWindowExposed(&colors));
    const QStringList left{"Gray", "Maroon", "Green", "Olive", "Navy", "Purple", "Teal", "Black"};
    const QStringList right{"Silver", "Red", "Lime", "Yellow", "Blue", "Fuchsia", "Aqua", "White"};
    for (int i = 0; i < 8; ++i) {
        QRadioButton* l = colors.ColorButton(2, left[i]);
        QRadioButton* r = colors.ColorButton(2, right[i]);
        QVERIFY(l != nullptr && r != nullptr);
        QVERIFY(l->x() < r->x());
        if (i > 0)
            QVERIFY(colors.ColorButton(2, left[i - 1])->y() < l->y());
    }
    const QImage navy = colors.ColorButton(1, "Navy")->grab().toImage();
    QCOMPARE(navy.pixelColor(navy.width() - 2, navy.height() / 2), QColor(0, 0, 0x80));
    QVERIFY(colors.CheckColor(1, 0x808000));
    QVERIFY(colors.ColorButton(1, "Teal")->isChecked());
    QVERIFY(!colors.CheckColor(1, 0x123456));
    colors.hide();
}

void TestQueryDialogs::unhideDialog() {
    TForm11 dialog;
    QCOMPARE(dialog.windowTitle(), QString("Unhide column"));
    QCOMPARE(dialog.Button1->text(), QString("&Ok"));
    QCOMPARE(dialog.Button2->text(), QString("&Cancel"));
    QCOMPARE(dialog.Button3->text(), QString("&Unhide all"));
    QVERIFY(dialog.Button1->isDefault());
    dialog.Prepare({"G   - Games", "HR  - Home Runs", "AB  - At Bats"});
    dialog.ListBox1->item(2)->setSelected(true);
    dialog.ListBox1->item(0)->setSelected(true);
    QCOMPARE(dialog.SelectedRows(), (QList<int>{0, 2}));
    dialog.Prepare({});
    QVERIFY(dialog.SelectedRows().isEmpty());
}

QTEST_MAIN(TestQueryDialogs)
#include "test_querydialogs.moc"
