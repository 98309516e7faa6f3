#pragma once

#include <QDialog>
#include <QImage>
#include <QWidget>

class QLabel;
class QPushButton;
class QScrollArea;

// The picture a preview is drawn on, shown at its full size.
class PreviewImage : public QWidget {
    Q_OBJECT
public:
    static constexpr int ImageWidth = 3000;
    static constexpr int ImageHeight = 1200;

    explicit PreviewImage(QWidget* parent = nullptr);
    // The drawing surface; it keeps its contents between previews.
    QImage& Canvas() { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};

// The print preview window ("Print Preview"): the page the print run drew
// into its 3000 x 1200 image, in a scroll box under a "&Close" button.
class TForm15 : public QDialog {
    Q_OBJECT
public:
    explicit TForm15(QWidget* parent = nullptr);

    // Shows the image from its left edge, modally; returns when closed.
    void ShowPreview();
    // Sizes the window to the main window whose frame is `mainFrame`, below
    // a header band of `headerHeight`: width main - 30, height main - header
    // - 120, top header + 60.
    void SizeToMainWindow(const QRect& mainFrame, int headerHeight);

    // What the paper of the page set-up holds, left of the button.
    void SetPaperText(const QString& text);

    QLabel* Label1 = nullptr;       // the paper, orientation, margins and pages
    QPushButton* Button1 = nullptr; // "&Close": the default and cancel button
    QScrollArea* ScrollBox1 = nullptr;
    PreviewImage* Image1 = nullptr;

protected:
    // The scroll box follows the window: 10 narrower and 45 lower.
    void resizeEvent(QResizeEvent* event) override;
};
