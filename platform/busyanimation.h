#pragma once

#include <vector>

#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>

// The looping busy animation shown while a page or list is fetched: plays
// a clip of equally sized frames, endlessly, at a fixed frame interval.
// Hidden and at its first frame while stopped.
class BusyAnimation : public QWidget {
    Q_OBJECT
public:
    // Creates a hidden, stopped animation holding the clip compiled into the
    // program (90 x 21 pixels).
    explicit BusyAnimation(QWidget* parent = nullptr);

    // Replaces the clip with the frames prefix/frame00.png, frame01.png and
    // so on up to the first missing one. Returns false and keeps the old clip
    // when there is no first frame or the frames differ in size.
    bool load(const QString& prefix);
    // Number of frames in the clip (0 when none could be loaded).
    int frameCount() const { return static_cast<int>(m_frames.size()); }
    // Index of the frame on show, 0 .. frameCount() - 1.
    int currentFrame() const { return m_frame; }
    // The frame at index (a null image when out of range).
    QImage frame(int index) const;
    // Whether the clip is playing.
    bool isRunning() const { return m_timer.isActive(); }
    // Milliseconds between frames (> 0); the default plays 30 frames a second.
    int interval() const { return m_timer.interval(); }
    void setInterval(int ms);

    QSize sizeHint() const override;

public slots:
    // Shows the widget and plays the clip in a loop from the current frame.
    void start();
    // Stops, rewinds to the first frame and hides the widget.
    void stop();
    // Shows the next frame, the first one again after the last.
    void advance();

signals:
    // The frame on show changed to index.
    void frameChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QImage> m_frames;
    int m_frame = 0;
    QTimer m_timer;
};
