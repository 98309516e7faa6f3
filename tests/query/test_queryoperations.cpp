#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "fakequerytarget.h"
#include "query/columnhiding.h"
#include "query/queryoperations.h"
#include "query/tbtnbottomdlg.h"
#include "query/tbtnrightdlg.h"
#include "query/tbtnrightdlg1.h"
#include "query/tform10.h"
#include "query/tform11.h"
#include "query/tform6.h"

namespace {

QString Text(const char* bytes) {
    return QString::fromLatin1(bytes);
}

// The page request a refresh logged, as bytes.
QByteArray LastRefresh(const FakeQueryTarget& target) {
    for (qsizetype i = target.calls.size() - 1; i >= 0; --i) {
        if (target.calls[i].startsWith(QLatin1String("refresh:")))
            return target.calls[i].mid(8).toLatin1();
    }
    return {};
}

ListResult Reply(const std::vector<std::string>& entries) {
    ListResult result;
    result.result = FetchResult::Done;
    result.entries = entries;
    return result;
}

// Drives the select dialog: ticks `rows`, then presses OK (or Cancel).
void TickAndClose(const QList<int>& rows, bool ok = true) {
    OnNextModal([rows, ok](QWidget* modal) {
        auto* dialog = qobject_cast<TBtnRightDlg1*>(modal);
        QVERIFY(dialog != nullptr);
        for (int row : rows)
            dialog->ListBox1->item(row)->setSelected(true);
        (ok ? dialog->OKBtn : dialog->CancelBtn)->click();
    });
}

// Drives the limit dialog: picks `field`, types the bounds, presses OK.
void LimitWith(int field, const QString& minimum, const QString& maximum) {
    OnNextModal([=](QWidget* modal) {
        auto* dialog = qobject_cast<TBtnRightDlg*>(modal);
        QVERIFY(dialog != nullptr);
        if (field >= 0)
            dialog->ListBox1->setCurrentRow(field);
        if (!minimum.isNull())
            dialog->Edit1->setText(minimum);
        if (!maximum.isNull())
            dialog->Edit2->setText(maximum);
        dialog->OKBtn->click();
    });
}

void FillSelection(QueryState& state, int count) {
    while (state.SelectionCount < count) {
        const int room = count - state.SelectionCount;
        std::vector<std::string> items(static_cast<std::size_t>(std::min(room - 1, 100)), "Cx");
        QVERIFY(state.AppendGroup(items));
    }
}

} // namespace

// Reset, Sort, Select, Limit, column hiding, colour options and the menu
// entry point, on a stand-in view whose requests are logged.
class TestQueryOperations : public QObject {
    Q_OBJECT
private slots:
    void resetAfterFourKeySort();
    void resetStopsWhenViewCloses();
    void sortThroughDialog();
    void sortCancelChangesNothing();
    void sortEraseLastSetting();
    void selectEmptyGroup();
    void selectThreePlayersAfterSort();
    void selectTeamAfterLimit();
    void selectYearKeepsSort();
    void selectCancelRunsBandPass();
    void selectFailsQuietly();
    void selectRefusedPastFiveHundred();
    void limitUntouched();
    void limitEmptyBoundsAndTwoLimits();
    void limitMaximumNeverCutsRows();
    void limitRefusesBadBounds();
    void limitRefusedWhenFull();
    void limitCancel();
    void hideAndUnhide();
    void unhideAllAndCancel();
    void colourOptionsStoreTheirSetting();
    void runQueryCommandDispatch();
};

void TestQueryOperations::resetAfterFourKeySort() {
    FakeQueryTarget view(DatabaseKind::Teams);
    QueryState& state = view.queryState();
    state.SortQuad = {166, 0, 1, 102};
    state.SortCode = -1;
    QVERIFY(state.AppendGroup({"BBoston Red Sox"}));
    ResetQuery(view);
    QCOMPARE(view.callNames(), (QStringList{"startBusy", "refresh", "bandPass", "stopBusy"}));
    // Teams too goes back to 300, the plain form, a lone "*".
    QCOMPARE(LastRefresh(view), QByteArray("0!20!300!\r\n*\r\n\x1a"));
    QCOMPARE(state.SortQuad[1], 0); // only the first code is switched off
    QCOMPARE(view.grid()->rowCount(), 250);
}

void TestQueryOperations::resetStopsWhenViewCloses() {
    FakeQueryTarget view(DatabaseKind::Batters);
    view.onRefresh = [] { return false; };
    ResetQuery(view);
    QCOMPARE(view.callNames(), (QStringList{"startBusy", "refresh"}));
}

void TestQueryOperations::sortThroughDialog() {
    FakeQueryTarget view(DatabaseKind::Batters);
    QVERIFY(view.queryState().AppendGroup({"E16!30!!"}));
    TForm6 dialog;
    OnNextModal([](QWidget* modal) {
        auto* sort = qobject_cast<TForm6*>(modal);
        QVERIFY(sort != nullptr);
        QCOMPARE(sort->windowTitle(), Text("Baseball Batters - Sort Options"));
        QCOMPARE(sort->ComboBox1->count(), 32);
        sort->ComboBox1->setCurrentIndex(1); // "Player Name"
        sort->RadioGroup1->setItemIndex(1);
        sort->ComboBox2->setCurrentIndex(2); // "Year"
        sort->RadioGroup2->setItemIndex(0);
        sort->Button1->click();
    });
    SortRecords(view, dialog);
    QCOMPARE(view.callNames(), (QStringList{"startBusy", "refresh", "stopBusy"}));
    QCOMPARE(LastRefresh(view), QByteArray("0!20!B!0!101!\r\nE16!30!!\r\n*\r\n\x1a"));
    QCOMPARE(view.queryState().SortCode, -1);
    QCOMPARE(dialog.LastSortChoice(), (std::array<int, 4>{1, 2, 0, 0}));
}

void TestQueryOperations::sortCancelChangesNothing() {
    FakeQueryTarget view(DatabaseKind::Pitchers);
    TForm6 dialog;
    OnNextModal([](QWidget* modal) {
        auto* sort = qobject_cast<TForm6*>(modal);
        sort->ComboBox1->setCurrentIndex(3);
        sort->Button2->click();
    });
    SortRecords(view, dialog);
    QVERIFY(view.calls.isEmpty());
    QCOMPARE(view.pageRequest(), std::string("0!20!300!\r\n*\r\n\x1a"));
    QCOMPARE(dialog.LastSortChoice(), (std::array<int, 4>{0, 0, 0, 0}));
}

void TestQueryOperations::sortEraseLastSetting() {
    FakeQueryTarget view(DatabaseKind::Teams);
    TForm6 dialog;
    OnNextModal([](QWidget* modal) {
        auto* sort = qobject_cast<TForm6*>(modal);
        sort->ComboBox1->setCurrentIndex(67); // "Fielding - FA  - Fielding Average"
        sort->ComboBox2->setCurrentIndex(1);
        sort->ComboBox3->setCurrentIndex(2);
        sort->ComboBox4->setCurrentIndex(3);
        sort->RadioGroup2->setItemIndex(1);
        sort->RadioGroup3->setItemIndex(1);
        sort->RadioGroup5->setItemIndex(0);
        sort->RadioGroup4->setItemIndex(1);
        sort->Button1->click();
    });
    SortRecords(view, dialog);
    // This sort applies; the next opening shows "NONE" everywhere.
    QCOMPARE(LastRefresh(view), QByteArray("0!20!Z!166!0!1!102!\r\n*\r\n\x1a"));
    QCOMPARE(dialog.LastSortChoice(), (std::array<int, 4>{0, 0, 0, 0}));
    int shown = -1;
    OnNextModal([&shown](QWidget* modal) {
        auto* sort = qobject_cast<TForm6*>(modal);
        shown = sort->ComboBox1->currentIndex() + sort->ComboBox4->currentIndex();
        sort->Button2->click();
    });
    SortRecords(view, dialog);
    QCOMPARE(shown, 0);
}

void TestQueryOperations::selectEmptyGroup() {
    FakeQueryTarget view(DatabaseKind::Batters);
    view.listReply = Reply({"Aaron, Hank", "Baker, Frank"});
    TBtnRightDlg1 dialog;
    TickAndClose({});
    SelectRecords(view, dialog, SelectWhat::Team);
    QCOMPARE(view.callNames(),
             (QStringList{"startBusy", "list", "stopBusy", "startBusy", "refresh", "stopBusy"}));
    QCOMPARE(view.calls[1], Text("list:0!0!D!\r\n*\r\n\x1a"));
    QCOMPARE(LastRefresh(view), QByteArray("0!20!300!\r\n*\r\n\x1a"));
    QCOMPARE(view.queryState().SelectionCount, 1);
}

void TestQueryOperations::selectThreePlayersAfterSort() {
    FakeQueryTarget view(DatabaseKind::Fielders);
    view.queryState().SortPair = {0, 101};
    view.queryState().SortCode = -1;
    const std::string longName(60, 'z');
    view.listReply = Reply({"Young, Cy", "aaron, Hank", longName, "Baker, Frank"});
    TBtnRightDlg1 dialog;
    QString listed;
    OnNextModal([&listed](QWidget* modal) {
        auto* select = qobject_cast<TBtnRightDlg1*>(modal);
        listed = select->Label2->text() + "|" + select->windowTitle();
        for (int row : {0, 1, 2})
            select->ListBox1->item(row)->setSelected(true);
        QCOMPARE(select->ListBox2->count(), 3);
        QCOMPARE(select->Label1->text(), Text("Selected = 3"));
        select->OKBtn->click();
    });
    SelectRecords(view, dialog, SelectWhat::Player);
    QCOMPARE(listed, Text("Listed = 4|Baseball Fielders - Select Player"));
    // Alphabetical whatever the case, the long line cut to 50, the sort back to 300.
    const QByteArray expected =
        "0!20!300!\r\nAaaron, Hank\r\nAYoung, Cy\r\nA" + QByteArray(49, 'z') + "\r\n*\r\n\x1a";
    QCOMPARE(LastRefresh(view), expected);
    QCOMPARE(view.queryState().SelectionCount, 4);
}

void TestQueryOperations::selectTeamAfterLimit() {
    FakeQueryTarget view(DatabaseKind::Batters);
    TBtnRightDlg limit;
    LimitWith(16, "30", "9999");
    LimitRecords(view, limit);
    view.calls.clear();
    view.listReply = Reply({"Boston Red Sox", "New York Yankees"});
    TBtnRightDlg1 select;
    TickAndClose({1, 0});
    SelectRecords(view, select, SelectWhat::Team);
    QCOMPARE(view.calls[1], Text("list:0!0!D!\r\nE16!30!9999!\r\n*\r\n\x1a"));
    QCOMPARE(LastRefresh(view),
             QByteArray("0!20!300!\r\nE16!30!9999!\r\n*\r\nBBoston Red Sox\r\nBNew York "
                        "Yankees\r\n*\r\n\x1a"));
}

void TestQueryOperations::selectYearKeepsSort() {
    FakeQueryTarget view(DatabaseKind::Teams);
    view.listReply = Reply({"1901", "1902"});
    TBtnRightDlg1 dialog;
    TickAndClose({1});
    SelectRecords(view, dialog, SelectWhat::Year);
    QCOMPARE(LastRefresh(view), QByteArray("0!20!100!\r\nC1902\r\n*\r\n\x1a"));
}

void TestQueryOperations::selectCancelRunsBandPass() {
    FakeQueryTarget view(DatabaseKind::Pitchers);
    view.queryState().SortCode = 113;
    view.listReply = Reply({"AL", "NL"});
    TBtnRightDlg1 dialog;
    TickAndClose({0}, false);
    SelectRecords(view, dialog, SelectWhat::Player);
    QCOMPARE(view.callNames(), (QStringList{"startBusy", "list", "stopBusy", "bandPass"}));
    QCOMPARE(view.pageRequest(), std::string("0!20!113!\r\n*\r\n\x1a"));
}

void TestQueryOperations::selectFailsQuietly() {
    FakeQueryTarget view(DatabaseKind::Batters);
    TBtnRightDlg1 dialog;
    QPointer<QTimer> watcher =
        OnNextModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    SelectRecords(view, dialog, SelectWhat::League);
    QCOMPARE(view.callNames(), (QStringList{"startBusy", "list", "stopBusy"}));
    // The dialog never opened: the watcher is still waiting for it.
    QVERIFY(!watcher.isNull());
    delete watcher.data();
    QCOMPARE(view.queryState().SelectionCount, 0);
    // Select Position on a batters view is not offered at all.
    view.calls.clear();
    SelectRecords(view, dialog, SelectWhat::Position);
    QVERIFY(view.calls.isEmpty());
}

void TestQueryOperations::selectRefusedPastFiveHundred() {
    FakeQueryTarget view(DatabaseKind::Batters);
    FillSelection(view.queryState(), 497);
    view.queryState().SortCode = 118;
    view.listReply = Reply({"A", "B", "C"});
    TBtnRightDlg1 dialog;
    QString message;
    OnNextModal([&message, &dialog](QWidget* modal) {
        auto* select = qobject_cast<TBtnRightDlg1*>(modal);
        for (int row : {0, 1, 2})
            select->ListBox1->item(row)->setSelected(true);
        OnNextModal(
            [&message](QWidget* box) {
                message = qobject_cast<QMessageBox*>(box)->text();
                qobject_cast<QMessageBox*>(box)->accept();
            },
            &dialog);
        select->OKBtn->click();
    });
    SelectRecords(view, dialog, SelectWhat::Player);
    QCOMPARE(message, SelectionFullMessage());
    QCOMPARE(view.queryState().SelectionCount, 497);
    QCOMPARE(view.queryState().SortCode, 118); // not even the sort was touched
    QVERIFY(!view.callNames().contains("refresh"));
    // Two ticked lines and their "*" still fit exactly.
    TickAndClose({0, 1});
    SelectRecords(view, dialog, SelectWhat::Player);
    QCOMPARE(view.queryState().SelectionCount, 500);
}

void TestQueryOperations::limitUntouched() {
    FakeQueryTarget view(DatabaseKind::Fielders);
    TBtnRightDlg dialog;
    QString caption;
    OnNextModal([&caption](QWidget* modal) {
        auto* limit = qobject_cast<TBtnRightDlg*>(modal);
        caption = limit->windowTitle();
        QVERIFY(!limit->RadioButton1->isVisible());
        QCOMPARE(limit->ListBox1->count(), 16);
        limit->OKBtn->click();
    });
    LimitRecords(view, dialog);
    QCOMPARE(caption, Text("Baseball Fielders - Limit Options"));
    QCOMPARE(view.callNames(), (QStringList{"startBusy", "refresh", "bandPass", "stopBusy"}));
    QCOMPARE(LastRefresh(view), QByteArray("0!20!300!\r\nE0!0!9999!\r\n*\r\n\x1a"));
}

void TestQueryOperations::limitEmptyBoundsAndTwoLimits() {
    FakeQueryTarget view(DatabaseKind::Batters);
    TBtnRightDlg dialog;
    LimitWith(7, "", "");
    LimitRecords(view, dialog);
    // The second use starts again from "0", "9999" and the first field.
    QString reset;
    OnNextModal([&reset](QWidget* modal) {
        auto* limit = qobject_cast<TBtnRightDlg*>(modal);
        reset = limit->Edit1->text() + "," + limit->Edit2->text() + "," +
                QString::number(limit->SelectedField());
        limit->Edit1->setText(QString(20, '1'));
        limit->Edit2->setText(QString(30, '2'));
        limit->ListBox1->setCurrentRow(16);
        limit->OKBtn->click();
    });
    LimitRecords(view, dialog);
    QCOMPARE(reset, Text("0,9999,0"));
    QCOMPARE(view.queryState().SelectionCount, 4);
    QCOMPARE(LastRefresh(view), "0!20!300!\r\nE7!!!\r\n*\r\nE16!" + QByteArray(20, '1') + "!" +
                                    QByteArray(25, '2') + "\r\n*\r\n\x1a");
}

// The Maximum box: "9999" for text fields and for numeric fields whose
// largest value fits; a numeric field holding more shows its largest value
// as soon as it is chosen; a maximum the user typed is never replaced.
void TestQueryOperations::limitMaximumNeverCutsRows() {
    const QStringList fields = DatabaseInfoFor(DatabaseKind::Batters).sortFields;
    const int pa = static_cast<int>(fields.indexOf(QStringLiteral("PA  - Plate Appearances")));
    const int hr = static_cast<int>(fields.indexOf(QStringLiteral("HR  - Home Runs")));
    QVERIFY(pa > 0 && hr > 0);
    FakeQueryTarget view(DatabaseKind::Batters);
    view.largest = {{pa, QStringLiteral("15861")}, {hr, QStringLiteral("762")}};
    TBtnRightDlg dialog;
    QStringList shown;
    // The look-up runs once the choice is handled whole.
    const auto choose = [](TBtnRightDlg* limit, int field) {
        limit->ListBox1->setCurrentRow(field);
        QCoreApplication::processEvents();
    };
    OnNextModal([&](QWidget* modal) {
        auto* limit = qobject_cast<TBtnRightDlg*>(modal);
        QTRY_COMPARE(limit->SelectedField(), 0);
        shown << limit->Edit2->text();
        for (const int field : {pa, hr, 0, pa}) {
            choose(limit, field);
            shown << limit->Edit2->text();
        }
        // Typed: kept through later choices, which ask nothing more.
        limit->Edit2->setText(QStringLiteral("12000"));
        const qsizetype asked = view.largestAsked.size();
        choose(limit, hr);
        choose(limit, pa);
        shown << limit->Edit2->text();
        QCOMPARE(view.largestAsked.size(), asked);
        limit->Edit1->setText(QStringLiteral("3000"));
        limit->OKBtn->click();
    });
    LimitRecords(view, dialog);
    QCOMPARE(shown, (QStringList{"9999", "15861", "9999", "9999", "15861", "12000"}));
    QCOMPARE(view.largestAsked, (QList<int>{pa, hr, pa}));
    // Compared as QString: GCC 12 at -O3 warns falsely (-Wrestrict) on "E" + std::to_string(...).
    const auto item = [&](int at) {
        return QString::fromStdString(
            view.queryState().SelectionItems[static_cast<std::size_t>(at)]);
    };
    QCOMPARE(item(0), QStringLiteral("E%1!3000!12000!").arg(pa));

    // Opened on a field (the grid's context menu): learnt before any input,
    // and the untouched dialog limits up to it.
    OnNextModal([&](QWidget* modal) {
        auto* limit = qobject_cast<TBtnRightDlg*>(modal);
        QTRY_COMPARE(limit->Edit2->text(), QStringLiteral("15861"));
        limit->OKBtn->click();
    });
    LimitRecords(view, dialog, pa);
    QCOMPARE(item(2), QStringLiteral("E%1!0!15861!").arg(pa));

    // Keys typed while the service is slow to answer, each while the field
    // before it is looked up: the field the user went down to is limited,
    // however the answers for the fields passed on the way come back.
    int downs = 0;
    view.whileLearning = [&] {
        if (downs < hr - pa) {
            ++downs;
            QTest::keyClick(dialog.ListBox1, Qt::Key_Down);
        }
    };
    OnNextModal([&](QWidget* modal) {
        auto* limit = qobject_cast<TBtnRightDlg*>(modal);
        QTRY_COMPARE_WITH_TIMEOUT(downs, hr - pa, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(view.largestAsked.last(), hr, 30000);
        limit->OKBtn->click();
    });
    LimitRecords(view, dialog, pa);
    view.whileLearning = nullptr;
    QCOMPARE(dialog.SelectedField(), hr);
    QCOMPARE(item(4), QStringLiteral("E%1!0!9999!").arg(hr));
}

void TestQueryOperations::limitRefusesBadBounds() {
    // Bounds that cannot limit anything are refused with a message naming
    // the fault; the dialog stays open with what was typed.
    struct Case {
        int field;
        QString minimum;
        QString maximum;
        QString message;
    };
    const Case cases[] = {
        {0, "1!2", "", LimitBoundsError("1!2", "")},
        {16, "abc", "xyz", "'abc' is not a number"},
        {16, "99", "40", "from 99 is above to 40"},
        {0, "Smith", "Aaron", "from Smith is above to Aaron"},
    };
    for (const Case& c : cases) {
        FakeQueryTarget view(DatabaseKind::Batters);
        TBtnRightDlg dialog;
        QString message;
        QString kept;
        OnNextModal([&](QWidget* modal) {
            auto* limit = qobject_cast<TBtnRightDlg*>(modal);
            limit->ListBox1->setCurrentRow(c.field);
            limit->Edit1->setText(c.minimum);
            limit->Edit2->setText(c.maximum);
            OnNextModal(
                [&](QWidget* box) {
                    message = qobject_cast<QMessageBox*>(box)->text();
                    qobject_cast<QMessageBox*>(box)->accept();
                    // Back in the limit dialog, which is still open.
                    OnNextModal(
                        [&](QWidget* again) {
                            if (again == &dialog)
                                kept = dialog.Edit1->text() + " to " + dialog.Edit2->text() +
                                       " in " + QString::number(dialog.SelectedField());
                            dialog.CancelBtn->click();
                        },
                        box);
                },
                limit);
            limit->OKBtn->click();
        });
        LimitRecords(view, dialog);
        QCOMPARE(message, c.message);
        QCOMPARE(kept, c.minimum + " to " + c.maximum + " in " + QString::number(c.field));
        QVERIFY(view.calls.isEmpty());
        QCOMPARE(view.queryState().SelectionCount, 0);
    }
    // A text field takes any text; HR takes decimals.
    FakeQueryTarget view(DatabaseKind::Batters);
    TBtnRightDlg dialog;
    LimitWith(0, "abc", "xyz");
    LimitRecords(view, dialog);
    LimitWith(16, "40", "99.5");
    LimitRecords(view, dialog);
    QCOMPARE(view.queryState().SelectionCount, 4);
}

void TestQueryOperations::limitRefusedWhenFull() {
    FakeQueryTarget view(DatabaseKind::Teams);
    FillSelection(view.queryState(), 499);
    TBtnRightDlg dialog;
    QString message;
    OnNextModal([&](QWidget* modal) {
        OnNextModal(
            [&](QWidget* box) {
                message = qobject_cast<QMessageBox*>(box)->text();
                qobject_cast<QMessageBox*>(box)->accept();
            },
            modal);
        qobject_cast<TBtnRightDlg*>(modal)->OKBtn->click();
    });
    LimitRecords(view, dialog);
    QCOMPARE(message, SelectionFullMessage());
    QCOMPARE(view.queryState().SelectionCount, 499);
    QVERIFY(view.calls.isEmpty());
}

void TestQueryOperations::limitCancel() {
    FakeQueryTarget view(DatabaseKind::Pitchers);
    TBtnRightDlg dialog;
    OnNextModal([](QWidget* modal) { qobject_cast<TBtnRightDlg*>(modal)->CancelBtn->click(); });
    LimitRecords(view, dialog);
    QVERIFY(view.calls.isEmpty());
    QCOMPARE(view.queryState().SelectionCount, 0);
}

void TestQueryOperations::hideAndUnhide() {
    FakeQueryTarget view(DatabaseKind::Batters);
    DrawGrid* grid = view.grid();
    for (int fixed : {0, 1, 2})
        HideColumn(view, fixed);
    QVERIFY(view.hiddenColumns().entries.isEmpty());
    QCOMPARE(grid->colWidth(2), 50);
    grid->setColWidth(8, 77); // the user widened it before hiding
    for (int column : {7, 8, 9, 8})
        HideColumn(view, column);
    QCOMPARE(view.hiddenColumns().entries.size(), 3);
    QCOMPARE(view.hiddenColumns().entries[1].title, Text("PA  - Plate Appearances"));
    QCOMPARE(grid->colWidth(8), 0);
    QVERIFY(view.calls.isEmpty()); // hiding never fetches

    TForm11 dialog;
    QStringList listed;
    OnNextModal([&listed](QWidget* modal) {
        auto* unhide = qobject_cast<TForm11*>(modal);
        for (int i = 0; i < unhide->ListBox1->count(); ++i)
            listed.append(unhide->ListBox1->item(i)->text());
        unhide->ListBox1->item(1)->setSelected(true);
        unhide->Button1->click();
    });
    UnhideColumns(view, dialog);
    QCOMPARE(listed.size(), 3);
    QCOMPARE(grid->colWidth(8), 77);
    QCOMPARE(grid->colWidth(7), 0);
    QCOMPARE(view.hiddenColumns().entries.size(), 2);
    QCOMPARE(view.hiddenColumns().entries[0].column, 7);
    QCOMPARE(view.hiddenColumns().entries[1].column, 9);

    // "&Ok" with nothing selected changes nothing.
    OnNextModal([](QWidget* modal) { qobject_cast<TForm11*>(modal)->Button1->click(); });
    UnhideColumns(view, dialog);
    QCOMPARE(view.hiddenColumns().entries.size(), 2);
}

void TestQueryOperations::unhideAllAndCancel() {
    FakeQueryTarget view(DatabaseKind::Teams);
    HideColumn(view, 1);
    HideColumn(view, 2);
    HideColumn(view, 14);
    QCOMPARE(view.hiddenColumns().entries.size(), 2);
    QCOMPARE(view.hiddenColumns().entries[1].title, Text("Batting  - TPA - Total Plate A"));
    TForm11 dialog;
    OnNextModal([](QWidget* modal) {
        auto* unhide = qobject_cast<TForm11*>(modal);
        unhide->ListBox1->item(0)->setSelected(true);
        unhide->Button2->click();
    });
    UnhideColumns(view, dialog);
    QCOMPARE(view.hiddenColumns().entries.size(), 2);
    OnNextModal([](QWidget* modal) { qobject_cast<TForm11*>(modal)->Button3->click(); });
    UnhideColumns(view, dialog);
    QVERIFY(view.hiddenColumns().entries.isEmpty());
    QCOMPARE(view.grid()->colWidth(2), 50);
    QCOMPARE(view.grid()->colWidth(14), 50);
    // Unhide all on an empty list just closes.
    OnNextModal([](QWidget* modal) { qobject_cast<TForm11*>(modal)->Button3->click(); });
    UnhideColumns(view, dialog);
    QVERIFY(view.hiddenColumns().entries.isEmpty());
}

void TestQueryOperations::colourOptionsStoreTheirSetting() {
    SharedBandSettings() = BandSettings{};
    FielderBandSettings() = BandSettings{};
    TBtnBottomDlg colors;
    TForm10 fielderColors;
    FakeQueryTarget batters(DatabaseKind::Batters);
    OnNextModal([](QWidget* modal) {
        auto* dialog = qobject_cast<TBtnBottomDlg*>(modal);
        QVERIFY(dialog != nullptr);
        QVERIFY(!dialog->RadioButton36->isVisible());
        dialog->ColorButton(1, "Green")->setChecked(true);
        dialog->ColorButton(2, "Yellow")->setChecked(true);
        dialog->RadioButton19->setChecked(true);
        dialog->OKBtn->click();
    });
    ColorOptions(batters, colors, fielderColors);
    QCOMPARE(batters.callNames(), QStringList{"bandPass"});
    QCOMPARE(SharedBandSettings().FirstColor, 0x008000u);
    QCOMPARE(SharedBandSettings().SecondColor, 0x00FFFFu);
    QCOMPARE(SharedBandSettings().BandMode, 2);
    QCOMPARE(FielderBandSettings().FirstColor, BandSettings::Blue);

    FakeQueryTarget teams(DatabaseKind::Teams);
    QString labels;
    OnNextModal([&labels](QWidget* modal) {
        auto* dialog = qobject_cast<TBtnBottomDlg*>(modal);
        labels = QStringList{dialog->RadioButton1->text(), dialog->RadioButton2->text(),
                             dialog->RadioButton19->text(), dialog->RadioButton36->text()}
                     .join(",");
        QVERIFY(dialog->RadioButton36->isVisible());
        dialog->RadioButton36->setChecked(true);
        dialog->CancelBtn->click();
    });
    ColorOptions(teams, colors, fielderColors);
    QCOMPARE(labels, Text("&Team,&Year,&Division,&League"));
    QVERIFY(teams.calls.isEmpty());
    QCOMPARE(SharedBandSettings().BandMode, 2);

    FakeQueryTarget fielders(DatabaseKind::Fielders);
    OnNextModal([](QWidget* modal) {
        auto* dialog = qobject_cast<TForm10*>(modal);
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->RadioButton36->text(), Text("&Positions"));
        dialog->RadioButton36->setChecked(true);
        dialog->ColorButton(2, "White")->setChecked(true);
        dialog->OKBtn->click();
    });
    ColorOptions(fielders, colors, fielderColors);
    QCOMPARE(FielderBandSettings().BandMode, 3);
    QCOMPARE(FielderBandSettings().FirstColor, BandSettings::Blue);
    QCOMPARE(FielderBandSettings().SecondColor, 0xFFFFFFu);
    QCOMPARE(SharedBandSettings().FirstColor, 0x008000u);
    QCOMPARE(fielders.callNames(), QStringList{"bandPass"});

    // A caption that is none of the four views opens nothing.
    fielders.setWindowTitle("Baseball Fielders");
    fielders.calls.clear();
    ColorOptions(fielders, colors, fielderColors);
    QVERIFY(fielders.calls.isEmpty());
}

void TestQueryOperations::runQueryCommandDispatch() {
    QMdiArea area;
    area.resize(800, 600);
    area.show();
    QueryDialogs dialogs;                                 // no dialog needed for Reset
    RunQueryCommand(QueryCommand::Reset, &area, dialogs); // no window: nothing

    auto* pitchers = new FakeQueryTarget(DatabaseKind::Pitchers);
    auto* teams = new FakeQueryTarget(DatabaseKind::Teams);
    QMdiSubWindow* pitchersWindow = area.addSubWindow(pitchers);
    QMdiSubWindow* teamsWindow = area.addSubWindow(teams);
    pitchersWindow->show();
    teamsWindow->show();
    area.setActiveSubWindow(teamsWindow);
    QCOMPARE(QueryTargetFor(&area, QueryCommand::Sort), static_cast<QueryTarget*>(teams));
    RunQueryCommand(QueryCommand::Reset, &area, dialogs);
    QCOMPARE(teams->callNames().count("refresh"), 1);
    QVERIFY(pitchers->calls.isEmpty());
    // Select Player on the teams view reaches the fielders view: none is open.
    QCOMPARE(QueryTargetFor(&area, QueryCommand::SelectPlayer), nullptr);
    QCOMPARE(QueryTargetFor(&area, QueryCommand::SelectPosition), nullptr);

    area.setActiveSubWindow(pitchersWindow);
    QCOMPARE(QueryTargetFor(&area, QueryCommand::SelectPlayer),
             static_cast<QueryTarget*>(pitchers));
    RunQueryCommand(QueryCommand::Reset, &area, dialogs);
    QCOMPARE(pitchers->callNames().count("refresh"), 1);
    // A command whose dialog is missing does nothing.
    pitchers->calls.clear();
    RunQueryCommand(QueryCommand::Sort, &area, dialogs);
    QVERIFY(pitchers->calls.isEmpty());
}

QTEST_MAIN(TestQueryOperations)
#include "test_queryoperations.moc"
