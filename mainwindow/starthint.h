#pragma once

#include <QObject>
#include <QString>

class QLabel;
class QMdiArea;
class QSize;
class QWidget;

// The line the empty main window shows where its database windows go,
// telling a new user where to start. It is shown while no database window
// is open and hidden while one is.
class StartHint : public QObject {
    Q_OBJECT
public:
    // Places the hint in `area`, which owns it.
    explicit StartHint(QMdiArea* area);

    // The text of the hint.
    static QString text();
    // Whether the hint is shown now (the area holds no window).
    bool isShown() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void update();
    void place(const QSize& size);

    QMdiArea* m_area;
    QWidget* m_viewport;
    QLabel* m_label;
};
