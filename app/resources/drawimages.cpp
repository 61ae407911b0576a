// Draws the program's images at build time: a logo, the window and bar backgrounds and the
// refresh arrow. Usage: morvelin_drawimages <output folder>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

QImage gradient(int width, int height, const QColor &top, const QColor &bottom)
{
    QImage image(width, height, QImage::Format_ARGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 0, height);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(image.rect(), g);
    return image;
}

QImage transparent(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

QImage logo()
{
    QImage image = transparent(128);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 130, 80));
    p.drawRoundedRect(QRectF(4, 4, 120, 120), 24, 24);
    // A trend line over a baseline: what the program is for.
    QPainterPath path;
    path.moveTo(18, 92);
    path.lineTo(44, 60);
    path.lineTo(64, 76);
    path.lineTo(88, 34);
    path.lineTo(110, 48);
    p.setPen(QPen(Qt::white, 10, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(QPen(QColor(200, 235, 200), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(18, 108, 110, 108);
    return image;
}

QImage refreshArrow()
{
    QImage image = transparent(32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 110, 60), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(6, 6, 20, 20), 60 * 16, 280 * 16);
    // Arrow head at the open end of the arc.
    const QPointF tip(16 + 10 * qCos(qDegreesToRadians(60.0)),
                      16 - 10 * qSin(qDegreesToRadians(60.0)));
    QPolygonF head;
    head << tip + QPointF(-6, -4) << tip + QPointF(3, -6) << tip + QPointF(1, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 110, 60));
    p.drawPolygon(head);
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path()))
        return 1;
    const bool ok =
        logo().save(out.filePath("mvlogo.png"))
        && gradient(64, 64, QColor(236, 244, 236), QColor(214, 230, 214))
               .save(out.filePath("Tbackground.png"))
        && gradient(16, 26, QColor(226, 240, 222), QColor(196, 220, 190))
               .save(out.filePath("background.png"))
        && gradient(16, 22, QColor(200, 222, 194), QColor(226, 240, 222))
               .save(out.filePath("status.png"))
        && refreshArrow().save(out.filePath("refresh.png"));
    return ok ? 0 : 1;
}
