#pragma once

#include <functional>

#include <QWidget>

class DrawGrid;

// The rank of a grid row: its position in the window's result counted from 1,
// for data rows only (row 2 is rank 1); 0 for the two title rows, the totals
// row (grid row shownRecords + 2) and rows past it.
int RowRank(int row, int shownRecords);

// The row header at the left of a statistics grid, outside its columns: each
// data row's rank in the result (RowRank), in step with the grid's rows as it
// scrolls. It belongs to the window only, so nothing sent, printed, exported
// or saved knows it. The grid it follows must outlive it.
class RankHeader : public QWidget {
    Q_OBJECT
public:
    // Follows `grid`; `shownRecords` tells the records the grid shows rows for.
    RankHeader(DrawGrid* grid, std::function<int()> shownRecords, QWidget* parent);

    // Pixels wide enough for the largest rank of `shownRecords` records (at
    // least four digits) and a blank either side.
    int widthFor(int shownRecords) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DrawGrid* m_grid;
    std::function<int()> m_shownRecords;
};
