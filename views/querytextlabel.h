#pragma once

#include <QLabel>

// A one-line label that shows its text elided at the right to the width it
// has, with the whole text as its tooltip.
class QueryTextLabel : public QLabel {
    Q_OBJECT
public:
    explicit QueryTextLabel(QWidget* parent = nullptr);

    // The whole text (QLabel::text() holds the elided one).
    const QString& fullText() const { return m_full; }
    // Shows `text`, elided; sets the tooltip.
    void setFullText(const QString& text);

signals:
    // The label was clicked with the left button.
    void clicked();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void elide();

    QString m_full;
};
