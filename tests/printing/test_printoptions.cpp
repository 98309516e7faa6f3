// The print options dialog: its settings files byte for byte, saving and
// loading (with edited widths, across databases, broken files, a failed
// save), width edits and the moves between the two lists.

#include <csignal>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "printing/tduallistdlg.h"

class TestPrintOptions : public QObject {
    Q_OBJECT
private slots:
    void freshDialogFile();
    void saveAndLoadAgain();
    void widthEdits_data();
    void widthEdits();
    void movesBetweenLists();
    void brokenFiles_data();
    void brokenFiles();
    void failedSaveKeepsOldFile();

private:
    QTemporaryDir m_dir;
};

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// The descriptions of a grid, one per row.
QStringList gridDescriptions(const QTableWidget* grid) {
    QStringList descriptions;
    for (int row = 0; row < grid->rowCount(); ++row) {
        descriptions << grid->item(row, 1)->text();
    }
    return descriptions;
}

} // namespace

void TestPrintOptions::freshDialogFile() {
    TDualListDlg dialog;
    dialog.Prepare(DatabaseKind::Batters);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Print Options"));
    QCOMPARE(dialog.DefaultExtension(), QStringLiteral("BSB"));
    QCOMPARE(dialog.FileFilter(), QStringLiteral("Batter Print Definition File (*.BSB)"));
    const QString path = m_dir.filePath(QStringLiteral("fresh.BSB"));
    QCOMPARE(dialog.SaveSettingsTo(path), QString());
    QByteArray expected = R"(TRUE
   80
   80
31
Player Name
18
Year
5
Team Code
5
Team Name
34
LGE - League
5
BAT - Bats
3
THR - Throws
3
G   - Games
7
PA  - Plate Appearances
8
AB  - At Bats
8
RS  - Runs Scored
7
H   - Hits
7
TB  - Total Bases
7
S   - Singles
7
D   - Doubles
6
T   - Triples
6
HR  - Home Runs
6
RBI - Runs Batted In
8
AVG - Batting Average
6
OB% - On Base Percentage
6
SL% - Slugging Percentage
6
BB  - Base On Balls (Walks)
7
SO  - Strikeouts
7
IBB - Intentional Base On Balls
5
HBP - Hit By Pitch
5
SH  - Sacrifice Hits
6
SF  - Sacrifice Flies
5
SB  - Stolen Bases
6
CS  - Caught Stealing
5
GIDP- Grounded Into Double Play
7
POS - Positions Played
21
31
Player Name
Year
Team Code
Team Name
LGE - League
BAT - Bats
THR - Throws
G   - Games
PA  - Plate Appearances
AB  - At Bats
RS  - Runs Scored
H   - Hits
TB  - Total Bases
S   - Singles
D   - Doubles
T   - Triples
HR  - Home Runs
RBI - Runs Batted In
AVG - Batting Average
OB% - On Base Percentage
SL% - Slugging Percentage
BB  - Base On Balls (Walks)
SO  - Strikeouts
IBB - Intentional Base On Balls
HBP - Hit By Pitch
SH  - Sacrifice Hits
SF  - Sacrifice Flies
SB  - Stolen Bases
CS  - Caught Stealing
GIDP- Grounded Into Double Play
POS - Positions Played
0
)";
    expected.replace("\n", "\r\n");
    QCOMPARE(readAll(path), expected);
}

void TestPrintOptions::saveAndLoadAgain() {
    TDualListDlg dialog;
    dialog.Prepare(DatabaseKind::Batters);
    // Width of "Year" (row 1) typed as 12, "Team Name" and "Year" to print,
    // not fitted to a page of at most 132 characters.
    dialog.StringGrid1->item(1, 0)->setText(QStringLiteral("12"));
    dialog.StringGrid1->setCurrentCell(3, 0);
    dialog.IncludeBtnClick();
    dialog.StringGrid1->setCurrentCell(1, 0);
    dialog.IncludeBtnClick();
    dialog.RadioButton2->setChecked(true);
    QVERIFY(dialog.MaskEdit1->isEnabled() && !dialog.MaskEdit2->isEnabled());
    dialog.MaskEdit1->SetFieldText(QStringLiteral("132"));
    const PrintSettings saved = dialog.Settings();
    const QString path = m_dir.filePath(QStringLiteral("edited.BSB"));
    QCOMPARE(dialog.SaveSettingsTo(path), QString());
    // Created like any new file (not owner-only, as files with passwords are).
    const QString plain = m_dir.filePath(QStringLiteral("plain"));
    writeAll(plain, "x");
    QCOMPARE(QFileInfo(path).permissions(), QFileInfo(plain).permissions());

    for (int round = 0; round < 2; ++round) {
        // A new print command forgets the edits; loading brings them back.
        dialog.Prepare(DatabaseKind::Batters);
        QCOMPARE(dialog.Catalogue().entries[1].printWidth, 5);
        QVERIFY(dialog.FitToPage());
        QCOMPARE(dialog.LoadSettingsFrom(path), QString());
        QCOMPARE(WritePrintSettings(dialog.Settings()), WritePrintSettings(saved));
        QCOMPARE(dialog.ColumnsToPrint(),
                 QStringList({QStringLiteral("Team Name"), QStringLiteral("Year")}));
        QCOMPARE(dialog.PrintColumns().at(1).width, 12);
        QCOMPARE(dialog.StrList->item(1, 0)->text(), QStringLiteral("12"));
        QVERIFY(!dialog.FitToPage());
        QCOMPARE(dialog.MaskEdit1->FieldText(), QStringLiteral("  132"));
        QCOMPARE(dialog.MaskEdit2->FieldText(), QStringLiteral("   80"));
        QVERIFY(dialog.MaskEdit1->isEnabled() && !dialog.MaskEdit2->isEnabled());
        QVERIFY(dialog.ExcludeBtn->isEnabled() && dialog.IncludeBtn->isEnabled());
    }

    // A Pitchers file loaded in the Batters dialog shows the Pitchers columns.
    TDualListDlg pitchers;
    pitchers.Prepare(DatabaseKind::Pitchers);
    QCOMPARE(pitchers.DefaultExtension(), QStringLiteral("BSP"));
    const QString pitchersPath = m_dir.filePath(QStringLiteral("pitchers.BSP"));
    QCOMPARE(pitchers.SaveSettingsTo(pitchersPath), QString());
    dialog.Prepare(DatabaseKind::Batters);
    QCOMPARE(dialog.LoadSettingsFrom(pitchersPath), QString());
    QCOMPARE(dialog.Kind(), DatabaseKind::Batters);
    QCOMPARE(dialog.AvailableColumns(), pitchers.AvailableColumns());
    QCOMPARE(gridDescriptions(dialog.StringGrid1).at(4), QStringLiteral("League"));
    QCOMPARE(dialog.StringGrid1->item(14, 0)->text(), QStringLiteral("9")); // ERA
}

void TestPrintOptions::widthEdits_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::newRow("7.5") << "7.5" << 7;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("digits then letters") << " 12x" << 12;
    QTest::newRow("negative") << "-3" << -3;
    QTest::newRow("empty") << "" << 0;
}

void TestPrintOptions::widthEdits() {
    QFETCH(QString, typed);
    QFETCH(int, stored);
    TDualListDlg dialog;
    dialog.Prepare(DatabaseKind::Teams);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Typed into the width cell of "Team Name" (row 2 of the Teams
    // catalogue): the catalogue has it while the cell is still being edited.
    const QModelIndex cell = dialog.StringGrid1->model()->index(2, 0);
    dialog.StringGrid1->setCurrentIndex(cell);
    dialog.StringGrid1->edit(cell);
    auto* editor = qobject_cast<QLineEdit*>(dialog.StringGrid1->indexWidget(cell));
    QVERIFY(editor != nullptr);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, typed);
    QCOMPARE(dialog.Catalogue().entries[2].printWidth, stored);
    QCOMPARE(dialog.Catalogue().entries[1].printWidth, 5); // the others stay
    // Moved to print, the width shows as stored.
    dialog.StringGrid1->setCurrentCell(2, 0);
    dialog.IncludeBtnClick();
    QCOMPARE(dialog.StrList->item(0, 0)->text(), QString::number(stored));
    QCOMPARE(dialog.PrintColumns().front().width, stored);
}

void TestPrintOptions::movesBetweenLists() {
    TDualListDlg dialog;
    dialog.Prepare(DatabaseKind::Fielders);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.IncludeBtn->isEnabled() && !dialog.ExcludeBtn->isEnabled());
    QVERIFY(!dialog.ExAllBtn->isEnabled());
    QCOMPARE(dialog.StrList->rowCount(), 1); // an empty list shows one empty row

    // ">" twice from row 3: "Team Name", then "LGE    - League" moves up into row 3.
    for (int i = 0; i < 2; ++i) {
        dialog.StringGrid1->setCurrentCell(3, 0);
        QTest::mouseClick(dialog.IncludeBtn, Qt::LeftButton);
        QCOMPARE(dialog.StringGrid1->currentRow(), 3);
    }
    // The last row: the current row stays on the new last row.
    dialog.StringGrid1->setCurrentCell(13, 0);
    QTest::mouseClick(dialog.IncludeBtn, Qt::LeftButton);
    QCOMPARE(dialog.StringGrid1->currentRow(), 12);
    const QStringList toPrint{"Team Name", "LGE    - League", "FLD%   - Fielding Percentage"};
    QCOMPARE(dialog.ColumnsToPrint(), toPrint);
    QCOMPARE(gridDescriptions(dialog.StrList), toPrint);
    QVERIFY(dialog.ExcludeBtn->isEnabled() && dialog.ExAllBtn->isEnabled());

    // "<" on "LGE    - League" puts it back at its catalogue place, row 3.
    dialog.StrList->setCurrentCell(1, 0);
    QTest::mouseClick(dialog.ExcludeBtn, Qt::LeftButton);
    QCOMPARE(dialog.AvailableColumns().indexOf(QStringLiteral("LGE    - League")), 3);
    QCOMPARE(gridDescriptions(dialog.StringGrid1).at(3), QStringLiteral("LGE    - League"));
    QCOMPARE(dialog.ColumnsToPrint(), QStringList({"Team Name", "FLD%   - Fielding Percentage"}));

    // ">>" takes the rest in order after them; the moves to print disable.
    QTest::mouseClick(dialog.IncAllBtn, Qt::LeftButton);
    QCOMPARE(dialog.ColumnsToPrint().size(), 16);
    QCOMPARE(dialog.ColumnsToPrint().at(2), QStringLiteral("Player Name"));
    QVERIFY(dialog.AvailableColumns().isEmpty());
    QCOMPARE(dialog.StringGrid1->rowCount(), 1);
    QVERIFY(!dialog.IncludeBtn->isEnabled() && !dialog.IncAllBtn->isEnabled());
    QVERIFY(dialog.StringGrid1->hasFocus());

    // "<<" returns everything in catalogue order.
    QTest::mouseClick(dialog.ExAllBtn, Qt::LeftButton);
    QStringList catalogueOrder;
    for (const CatalogueEntry& entry : DefaultCatalogue(DatabaseKind::Fielders).entries) {
        catalogueOrder << entry.description;
    }
    QCOMPARE(dialog.AvailableColumns(), catalogueOrder);
    QVERIFY(dialog.ColumnsToPrint().isEmpty());
    QVERIFY(dialog.IncludeBtn->isEnabled() && !dialog.ExcludeBtn->isEnabled());

    // The mode switches enable one field each and put the other back to 80.
    dialog.MaskEdit2->SetFieldText(QStringLiteral("120"));
    QTest::mouseClick(dialog.RadioButton2, Qt::LeftButton);
    QCOMPARE(dialog.MaskEdit2->FieldText(), QStringLiteral("   80"));
    QVERIFY(dialog.MaskEdit1->isEnabled() && !dialog.Label2->isEnabled());
}

void TestPrintOptions::brokenFiles_data() {
    // A whole file of the Teams dialog, then broken copies of it.
    TDualListDlg dialog;
    dialog.Prepare(DatabaseKind::Teams);
    const QList<QByteArray> lines = WritePrintSettings(dialog.Settings()).split('\n');
    const auto joined = [](QList<QByteArray> parts) { return parts.join('\n'); };
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("where");
    QTest::newRow("empty file") << QByteArray() << "ends after line 0";
    QTest::newRow("cut in the catalogue")
        << joined(lines.mid(0, 10)) << "ends after line 10, but its counts call for more: line 11";
    QList<QByteArray> badCount = lines;
    badCount[3] = "6x7\r";
    QTest::newRow("bad count") << joined(badCount) << "line 4: the column count \"6x7\"";
    QList<QByteArray> badWidth = lines;
    badWidth[7] = "wide\r";
    QTest::newRow("bad width") << joined(badWidth)
                               << "line 8: the print width of \"Team Code\" \"wide\"";
    QList<QByteArray> longList = lines;
    longList[4 + 2 * 67] = "68\r";
    QTest::newRow("available count past the end")
        << joined(longList) << "line 208 should hold the count of columns to print";
    QList<QByteArray> badField = lines;
    badField[1] = "eighty\r";
    QTest::newRow("letters in a field") << joined(badField) << "line 2: the maximum";
    // Binary bytes where the maximum should be: a short printable excerpt.
    QByteArray garbage = "TRUE\r\n";
    for (int i = 0; i < 600; ++i) {
        garbage += static_cast<char>((i * 37 + 1) % 256 == '\n' ? 0 : (i * 37 + 1) % 256);
    }
    QTest::newRow("binary garbage") << garbage << "line 2: the maximum";
    QList<QByteArray> longName = lines;
    longName[4 + 2 * 2] = QByteArray(90, '\x01') + "\r";
    longName[4 + 2 * 2 + 1] = "x\r";
    QTest::newRow("binary description") << joined(longName) << "line 10: the print width of";
}

void TestPrintOptions::brokenFiles() {
    QFETCH(QByteArray, contents);
    QFETCH(QString, where);
    TDualListDlg dialog;
    dialog.Prepare(DatabaseKind::Batters);
    dialog.StringGrid1->setCurrentCell(0, 0);
    dialog.IncludeBtnClick();
    dialog.StringGrid1->item(0, 0)->setText(QStringLiteral("9"));
    const QByteArray before = WritePrintSettings(dialog.Settings());
    const QString path = m_dir.filePath(QStringLiteral("broken.BST"));
    writeAll(path, contents);
    const QString error = dialog.LoadSettingsFrom(path);
    QVERIFY2(error.contains(path) && error.contains(where), qPrintable(error));
    // Whatever the file holds, the message quotes a short, printable part.
    QVERIFY2(error.size() < path.size() + 220, qPrintable(error));
    for (const QChar c : error) {
        QVERIFY2(c.isPrint(), qPrintable(error));
    }
    QCOMPARE(WritePrintSettings(dialog.Settings()), before);
    QCOMPARE(gridDescriptions(dialog.StrList), QStringList{QStringLiteral("Player Name")});
}

void TestPrintOptions::failedSaveKeepsOldFile() {
    TDualListDlg dialog;
    dialog.Prepare(DatabaseKind::Batters);
    const QString path = m_dir.filePath(QStringLiteral("kept.BSB"));
    const QByteArray old = "an older file\r\n";
    writeAll(path, old);
    // Files of this process may not grow past 100 bytes: the write fails
    // half-way, as on a full disk.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString error = dialog.SaveSettingsTo(path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    QVERIFY2(error.contains(path) && error.contains(QStringLiteral("unchanged")),
             qPrintable(error));
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("kept.BSB*")}, QDir::Files),
             QStringList{QStringLiteral("kept.BSB")});
    // The same save with room to write works.
    QCOMPARE(dialog.SaveSettingsTo(path), QString());
    QVERIFY(readAll(path).startsWith("TRUE\r\n   80\r\n"));
}

QTEST_MAIN(TestPrintOptions)
#include "test_printoptions.moc"
