// Draws the busy animation: a baseball rolling along a ground line from left
// to right, leaving the frame and coming back in, as a loop of PNG frames
// with a transparent background, plus the resource file that lists them.
//
// Usage: clipgen OUTPUT_DIR   (writes OUTPUT_DIR/busy/frameNN.png and
// OUTPUT_DIR/busy.qrc)

#include <cmath>
#include <cstdio>
#include <numbers>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <QTextStream>

namespace {

constexpr int Width = 90;
constexpr int Height = 21;
constexpr int Frames = 30;
constexpr double Radius = 7.0;
constexpr double Ground = 19.5;
// The ball travels one full period (entering fully hidden on the left) per
// loop, so the last frame joins the first without a jump.
constexpr double Start = -Radius - 1.0;
constexpr double Period = Width + 2 * Radius + 1.0;

// One of the two seams, in the ball's own coordinates: an arc bulging
// towards the centre, with short stitches across it.
void drawSeam(QPainter& painter, double side) {
    const double cx = side * Radius * 1.45;
    const double r = Radius * 1.0;
    QPainterPath seam;
    const int steps = 24;
    for (int i = 0; i <= steps; ++i) {
        const double a = std::numbers::pi * (0.62 + 0.76 * i / steps);
        const QPointF p(cx + side * r * std::cos(a), r * std::sin(a));
        if (i == 0) {
            seam.moveTo(p);
        } else {
            seam.lineTo(p);
        }
    }
    painter.setPen(QPen(QColor(200, 30, 40), 1.0));
    painter.drawPath(seam);
    painter.setPen(QPen(QColor(200, 30, 40), 0.8));
    for (int i = 1; i < 6; ++i) {
        const double a = std::numbers::pi * (0.62 + 0.76 * i / 6.0);
        const QPointF on(cx + side * r * std::cos(a), r * std::sin(a));
        const QPointF dir(std::cos(a), std::sin(a));
        const QPointF across(-dir.y(), dir.x());
        painter.drawLine(on - across * 1.2 - dir * 0.0, on + across * 1.2);
    }
}

QImage drawFrame(int frame) {
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    painter.fillRect(QRectF(0, Ground, Width, 1), QColor(150, 150, 150));

    const double distance = Period * frame / Frames;
    const double x = Start + distance;
    const double y = Ground - Radius - 0.5;

    // A soft shadow under the ball and two fading motion lines behind it.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 45));
    painter.drawEllipse(QPointF(x + 1.0, Ground - 0.5), Radius * 0.9, 1.2);
    for (int i = 0; i < 2; ++i) {
        const double len = 9.0 - 3.0 * i;
        const double ly = y - 2.5 + 5.0 * i;
        QLinearGradient fade(x - Radius - len - 2, 0, x - Radius - 2, 0);
        fade.setColorAt(0, QColor(120, 120, 120, 0));
        fade.setColorAt(1, QColor(120, 120, 120, 150));
        painter.fillRect(QRectF(x - Radius - len - 2, ly, len, 1.0), fade);
    }

    QRadialGradient leather(QPointF(x - 2.5, y - 2.5), Radius * 1.6);
    leather.setColorAt(0, QColor(255, 255, 255));
    leather.setColorAt(1, QColor(205, 205, 195));
    painter.setBrush(leather);
    painter.setPen(QPen(QColor(90, 90, 90), 0.9));
    const QRectF ball(x - Radius, y - Radius, 2 * Radius, 2 * Radius);
    painter.drawEllipse(ball);

    // The seams turn with the ball: rolling without slipping turns it by
    // distance / radius.
    painter.save();
    QPainterPath clip;
    clip.addEllipse(ball.adjusted(0.6, 0.6, -0.6, -0.6));
    painter.setClipPath(clip);
    painter.translate(x, y);
    painter.rotate(distance / Radius * 180.0 / std::numbers::pi);
    painter.setBrush(Qt::NoBrush);
    drawSeam(painter, -1.0);
    drawSeam(painter, 1.0);
    painter.restore();
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: clipgen OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("busy"))) {
        std::fprintf(stderr, "clipgen: cannot create %s/busy\n", argv[1]);
        return 1;
    }
    QFile qrc(out.filePath(QStringLiteral("busy.qrc")));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "clipgen: cannot write %s\n", qPrintable(qrc.fileName()));
        return 1;
    }
    QTextStream list(&qrc);
    list << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (int frame = 0; frame < Frames; ++frame) {
        const QString name = QStringLiteral("busy/frame%1.png").arg(frame, 2, 10, QLatin1Char('0'));
        if (!drawFrame(frame).save(out.filePath(name), "PNG")) {
            std::fprintf(stderr, "clipgen: cannot write %s\n", qPrintable(out.filePath(name)));
            return 1;
        }
        list << "    <file>" << name << "</file>\n";
    }
    list << "</qresource>\n</RCC>\n";
    return 0;
}
