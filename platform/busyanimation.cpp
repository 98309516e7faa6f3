#include "platform/busyanimation.h"

#include <QPaintEvent>
#include <QPainter>

#include "resources/resourcepaths.h"

namespace {

// The frames prefix/frame00.png, frame01.png and so on up to the first
// missing one; empty when there is no first frame or the frames differ in
// size.
std::vector<QImage> readFrames(const QString& prefix) {
    std::vector<QImage> frames;
    for (int index = 0;; ++index) {
        QImage image(
            QStringLiteral("%1/frame%2.png").arg(prefix).arg(index, 2, 10, QLatin1Char('0')));
        if (image.isNull()) {
            break;
        }
        if (!frames.empty() && image.size() != frames.front().size()) {
            return {};
        }
        frames.push_back(std::move(image));
    }
    return frames;
}

} // namespace

BusyAnimation::BusyAnimation(QWidget* parent) : QWidget(parent) {
    m_timer.setInterval(33);
    connect(&m_timer, &QTimer::timeout, this, &BusyAnimation::advance);
    // Decoded once for the whole run: every database window has one, and
    // decoding the 30 frames was a tenth of the time a window takes to open.
    static const std::vector<QImage> clip = readFrames(busyClipPrefix());
    m_frames = clip;
    setFixedSize(sizeHint());
    hide();
}

bool BusyAnimation::load(const QString& prefix) {
    std::vector<QImage> frames = readFrames(prefix);
    if (frames.empty()) {
        return false;
    }
    m_frames = std::move(frames);
    m_frame = 0;
    update();
    return true;
}

QImage BusyAnimation::frame(int index) const {
    if (index < 0 || index >= frameCount()) {
        return {};
    }
    return m_frames[static_cast<size_t>(index)];
}

void BusyAnimation::setInterval(int ms) {
    m_timer.setInterval(std::max(ms, 1));
}

QSize BusyAnimation::sizeHint() const {
    return m_frames.empty() ? QSize(90, 21) : m_frames.front().size();
}

void BusyAnimation::start() {
    show();
    if (frameCount() > 1) {
        m_timer.start();
    }
}

void BusyAnimation::stop() {
    m_timer.stop();
    hide();
    if (m_frame != 0) {
        m_frame = 0;
        emit frameChanged(0);
    }
}

void BusyAnimation::advance() {
    if (m_frames.empty()) {
        return;
    }
    m_frame = (m_frame + 1) % frameCount();
    update();
    emit frameChanged(m_frame);
}

void BusyAnimation::paintEvent(QPaintEvent*) {
    if (m_frames.empty()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, m_frames[static_cast<size_t>(m_frame)]);
}
