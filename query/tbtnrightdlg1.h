#pragma once

#include <string>
#include <vector>

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

// Keeps the ticked lines of a pick list as its drawing reports them: a line
// drawn selected adds its text (once), a line drawn unselected removes it
// unless another selected line holds the same text. Sorted alphabetically,
// case-insensitively.
class TickedLines {
public:
    // Applies the rule to one drawn line.
    void Drawn(const QString& text, bool selected, bool otherSelectedWithText);
    const QStringList& Lines() const { return m_lines; }
    void Clear() { m_lines.clear(); }

private:
    QStringList m_lines;
};

// A line's text as type-ahead compares it: case and accents folded away
// ("Álvarez" and "alvarez" read alike).
QString TypeAheadKey(const QString& text);

// The selection dialog, one for all views: the pick list (ListBox1, each
// click toggles a line; Shift-click and Shift with the arrow, page, Home and
// End keys tick the range from the last line clicked or moved to), the
// ticked lines sorted (ListBox2), and their counts. Typing jumps to the
// first line that begins with what was typed; while typing is under way
// (within the type-ahead pause) a blank is part of what is typed, after it
// Space ticks the current line.
class TBtnRightDlg1 : public QDialog {
    Q_OBJECT
public:
    explicit TBtnRightDlg1(QWidget* parent = nullptr);

    // Fills the pick list with `lines` (raw reply bytes, shown as UTF-8),
    // sets "Listed = " and the caption.
    void Prepare(const QString& caption, const std::vector<std::string>& lines);
    // The ticked lines as they were received, in ListBox2's sorted order.
    std::vector<std::string> Ticked() const;

    // Paints pick-list line `row` and applies the ticked-lines rule to it.
    void ListBox1DrawItem(int row, bool selected);

    QListWidget* ListBox1;
    QListWidget* ListBox2;
    QLabel* Label1;
    QLabel* Label2;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    // Line 0 current, the pick list focused, nothing ticked, "Items = 0".
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void selectionChanged();
    // Ticks the lines from the range anchor to `row` and makes `row` current.
    void tickRangeTo(int row);
    // Whether a key press continues the type-ahead; jumps when it does.
    bool typeAhead(const QString& text);
    void showTicked();
    bool otherSelectedWith(int row, const QString& text) const;

    TickedLines m_ticked;
    std::vector<std::string> m_raw;
    QString m_typed; // folded with TypeAheadKey
    QElapsedTimer m_typedAt;
    int m_anchor = 0;         // where a Shift range starts
    bool m_extending = false; // a Shift range is moving the current line
};
