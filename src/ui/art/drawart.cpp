// Draws the program's pictures with QPainter and writes them as PNG files.
// The PNGs in images/ and packaging/icons/ were made with this program:
//   tarnwell-drawart <src/ui/art/images> <packaging/icons>
// packaging/icons/tarnwell.svg is the same icon written out by hand in the same coordinates.
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <cstdio>

namespace {

const QColor kLetterRed(0xD8, 0x1E, 0x1E);

// The letters H, 3 and C in the 60 x 47 design box of the program icon.
void drawH3C(QPainter &p)
{
    QPen pen(kLetterRed, 5.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);

    QPainterPath h;
    h.moveTo(6.5, 8.0);
    h.lineTo(6.5, 39.0);
    h.moveTo(16.5, 8.0);
    h.lineTo(16.5, 39.0);
    h.moveTo(6.5, 23.5);
    h.lineTo(16.5, 23.5);
    p.drawPath(h);

    // Two bowls that meet in the middle of the letter.
    QPainterPath three;
    const QRectF upper(24.75, 10.5, 9.5, 13.0);
    const QRectF lower(24.5, 23.5, 10.0, 13.0);
    three.arcMoveTo(upper, 150.0);
    three.arcTo(upper, 150.0, -240.0);
    three.arcTo(lower, 90.0, -240.0);
    p.drawPath(three);

    QPainterPath c;
    const QRectF bowl(42.5, 10.5, 15.0, 26.0);
    c.arcMoveTo(bowl, 50.0);
    c.arcTo(bowl, 50.0, 260.0);
    p.drawPath(c);
}

// Program icon: red H3C on a light cream ground, in the 60 x 47 design box.
void drawProgramIcon(QPainter &p)
{
    p.setPen(QPen(QColor(0xB8, 0xB0, 0xA0), 1.0));
    QLinearGradient ground(0, 0, 0, 47);
    ground.setColorAt(0.0, QColor(0xFF, 0xFD, 0xF6));
    ground.setColorAt(1.0, QColor(0xEE, 0xE8, 0xD8));
    p.setBrush(ground);
    p.drawRoundedRect(QRectF(0.5, 0.5, 59.0, 46.0), 4.0, 4.0);
    drawH3C(p);
}

QPainterPath bulbGlass()
{
    QPainterPath round;
    round.addEllipse(QPointF(16.0, 12.5), 9.5, 9.5);
    QPainterPath neck;
    neck.moveTo(9.8, 16.5);
    neck.lineTo(22.2, 16.5);
    neck.lineTo(20.5, 22.5);
    neck.lineTo(11.5, 22.5);
    neck.closeSubpath();
    return round.united(neck);
}

void drawBulbBase(QPainter &p)
{
    QLinearGradient metal(11.5, 0, 20.5, 0);
    metal.setColorAt(0.0, QColor(0x80, 0x86, 0x8C));
    metal.setColorAt(0.4, QColor(0xD0, 0xD4, 0xD8));
    metal.setColorAt(1.0, QColor(0x70, 0x76, 0x7C));
    p.setPen(QPen(QColor(0x50, 0x54, 0x58), 0.8));
    p.setBrush(metal);
    p.drawRoundedRect(QRectF(11.5, 22.0, 9.0, 6.5), 1.2, 1.2);
    p.setPen(QPen(QColor(0x5A, 0x5E, 0x62), 0.9));
    p.drawLine(QPointF(11.8, 24.2), QPointF(20.2, 25.0));
    p.drawLine(QPointF(11.8, 26.3), QPointF(20.2, 27.1));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x38, 0x3C, 0x40));
    p.drawRoundedRect(QRectF(14.0, 28.3, 4.0, 2.4), 1.0, 1.0);
}

void drawFilament(QPainter &p, const QColor &colour, qreal width)
{
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath f;
    f.moveTo(13.5, 22.0);
    f.lineTo(13.5, 15.0);
    f.lineTo(14.6, 12.5);
    f.lineTo(15.7, 15.0);
    f.lineTo(16.8, 12.5);
    f.lineTo(17.9, 15.0);
    f.lineTo(18.5, 13.5);
    f.lineTo(18.5, 22.0);
    p.drawPath(f);
}

void drawBulb(QPainter &p, bool lit)
{
    const QPainterPath glass = bulbGlass();
    if (lit) {
        // Glow around the glass.
        QRadialGradient halo(QPointF(16.0, 12.5), 15.5);
        halo.setColorAt(0.0, QColor(0xFF, 0xF0, 0x60, 200));
        halo.setColorAt(0.6, QColor(0xFF, 0xE0, 0x40, 90));
        halo.setColorAt(1.0, QColor(0xFF, 0xE0, 0x40, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(halo);
        p.drawEllipse(QPointF(16.0, 12.5), 15.5, 15.5);
        QRadialGradient fill(QPointF(14.0, 10.0), 11.0);
        fill.setColorAt(0.0, QColor(0xFF, 0xFF, 0xF0));
        fill.setColorAt(0.45, QColor(0xFF, 0xE8, 0x40));
        fill.setColorAt(1.0, QColor(0xF0, 0xA0, 0x00));
        p.setPen(QPen(QColor(0xB0, 0x70, 0x00), 0.9));
        p.setBrush(fill);
        p.drawPath(glass);
        drawFilament(p, QColor(0xFF, 0x70, 0x00), 1.0);
    } else {
        QRadialGradient fill(QPointF(13.0, 9.0), 12.0);
        fill.setColorAt(0.0, QColor(0xFF, 0xFF, 0xFF));
        fill.setColorAt(0.5, QColor(0xE4, 0xE8, 0xEC));
        fill.setColorAt(1.0, QColor(0xB4, 0xBA, 0xC0));
        p.setPen(QPen(QColor(0x6A, 0x70, 0x78), 0.9));
        p.setBrush(fill);
        p.drawPath(glass);
        drawFilament(p, QColor(0x70, 0x74, 0x7A), 0.8);
        // A small glint on the glass.
        p.setPen(QPen(QColor(255, 255, 255, 220), 1.3, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(9.5, 6.0, 9.0, 9.0), 100 * 16, 60 * 16);
    }
    drawBulbBase(p);
}

void drawRj45(QPainter &p, const QRectF &r, const QColor &rim)
{
    p.setPen(QPen(rim, 0.8));
    p.setBrush(QColor(0x12, 0x14, 0x18));
    p.drawRect(r);
    // The latch notch at the bottom of the socket.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0x34, 0x3A));
    p.drawRect(QRectF(r.center().x() - 1.5, r.bottom() - 2.0, 3.0, 2.0));
    // Gold contacts at the top.
    p.setBrush(QColor(0xC8, 0xA0, 0x40));
    p.drawRect(QRectF(r.left() + 1.5, r.top() + 1.0, r.width() - 3.0, 1.0));
}

// Decoration: the front panel of a switch in a rack, a console cable plugged into its
// console port and hanging down to a serial (DB9) plug.
void drawDecoration(QPainter &p)
{
    // Soft shadow under the switch.
    QRadialGradient shadow(QPointF(65, 57), 60);
    shadow.setColorAt(0.0, QColor(0, 0, 0, 70));
    shadow.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shadow);
    p.drawEllipse(QPointF(65, 57), 60, 5);

    // Rack ears with screw holes.
    p.setPen(QPen(QColor(0x60, 0x66, 0x70), 0.8));
    p.setBrush(QColor(0xA8, 0xAE, 0xB6));
    p.drawRect(QRectF(0.5, 9.5, 6.0, 41.0));
    p.drawRect(QRectF(123.5, 9.5, 6.0, 41.0));
    p.setBrush(QColor(0x40, 0x44, 0x4A));
    for (qreal x : {3.5, 126.5}) {
        p.drawEllipse(QPointF(x, 16.0), 1.4, 1.4);
        p.drawEllipse(QPointF(x, 44.0), 1.4, 1.4);
    }

    // Chassis front.
    QLinearGradient body(0, 6, 0, 54);
    body.setColorAt(0.0, QColor(0x5A, 0x64, 0x72));
    body.setColorAt(0.15, QColor(0x44, 0x4C, 0x58));
    body.setColorAt(1.0, QColor(0x2C, 0x32, 0x3A));
    p.setPen(QPen(QColor(0x1C, 0x20, 0x26), 1.0));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(5.5, 6.5, 119.0, 47.0), 2.5, 2.5);
    p.setPen(QPen(QColor(255, 255, 255, 60), 1.0));
    p.drawLine(QPointF(8, 8), QPointF(122, 8));

    // Maker plate with a small H3C.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xF2, 0xEE, 0xE2));
    p.drawRoundedRect(QRectF(10, 12, 15, 11.75), 1.0, 1.0);
    p.save();
    p.translate(10.5, 12.3);
    p.scale(14.0 / 60.0, 11.0 / 47.0);
    drawH3C(p);
    p.restore();

    // Power and system lamps.
    p.setBrush(QColor(0x30, 0xE0, 0x50));
    p.drawEllipse(QPointF(13.0, 32.0), 1.6, 1.6);
    p.setBrush(QColor(0xFF, 0xB0, 0x20));
    p.drawEllipse(QPointF(19.0, 32.0), 1.6, 1.6);

    // Two rows of eight Ethernet sockets, each with a link lamp above or below.
    const qreal left = 28.5;
    const qreal pitch = 9.3;
    for (int i = 0; i < 8; ++i) {
        const qreal x = left + i * pitch + (i >= 4 ? 2.5 : 0.0);
        drawRj45(p, QRectF(x, 18.0, 8.0, 7.0), QColor(0x8A, 0x92, 0x9C));
        drawRj45(p, QRectF(x, 35.0, 8.0, 7.0), QColor(0x8A, 0x92, 0x9C));
        const bool upLit = (i * 5 + 1) % 3 != 0;
        const bool downLit = (i * 7 + 2) % 4 == 0;
        p.setPen(Qt::NoPen);
        p.setBrush(upLit ? QColor(0x40, 0xF0, 0x60) : QColor(0x22, 0x44, 0x2A));
        p.drawRect(QRectF(x + 2.5, 14.5, 3.0, 1.6));
        p.setBrush(downLit ? QColor(0x40, 0xF0, 0x60) : QColor(0x22, 0x44, 0x2A));
        p.drawRect(QRectF(x + 2.5, 44.5, 3.0, 1.6));
    }

    // Console port, framed in blue, at the right end of the panel.
    const QRectF console(110.0, 18.0, 9.0, 7.5);
    p.setPen(QPen(QColor(0x4A, 0x90, 0xE8), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(console.adjusted(-1.8, -1.8, 1.8, 1.8), 1.0, 1.0);
    drawRj45(p, console, QColor(0x4A, 0x90, 0xE8));

    // Console cable: plug boot in the port, then a curve down to the serial plug.
    const QColor cable(0x2F, 0x7B, 0xD8);
    const QColor cableDark(0x1E, 0x56, 0xA0);
    QPainterPath run;
    run.moveTo(114.5, 30.0);
    run.cubicTo(QPointF(114.5, 72.0), QPointF(70.0, 60.0), QPointF(58.0, 76.0));
    run.cubicTo(QPointF(50.0, 86.0), QPointF(36.0, 78.0), QPointF(36.0, 90.0));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(cableDark, 4.2, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(run);
    p.setPen(QPen(cable, 2.8, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(run);
    p.setPen(QPen(QColor(255, 255, 255, 90), 0.8, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(run.translated(-0.7, -0.3));

    p.setPen(QPen(cableDark, 0.8));
    p.setBrush(cable);
    p.drawRoundedRect(QRectF(110.5, 21.5, 8.0, 10.5), 1.5, 1.5);
    p.setBrush(cableDark);
    p.drawRect(QRectF(112.0, 29.0, 5.0, 3.0));

    // DB9 plug: blue hood over a silver D-shaped shell with nine pin holes.
    QLinearGradient hood(0, 88, 0, 100);
    hood.setColorAt(0.0, QColor(0x4A, 0x90, 0xE8));
    hood.setColorAt(1.0, QColor(0x1E, 0x56, 0xA0));
    p.setPen(QPen(QColor(0x16, 0x40, 0x80), 0.8));
    p.setBrush(hood);
    QPainterPath hoodPath;
    hoodPath.moveTo(31.0, 88.5);
    hoodPath.lineTo(41.0, 88.5);
    hoodPath.lineTo(50.5, 93.0);
    hoodPath.lineTo(50.5, 100.5);
    hoodPath.lineTo(21.5, 100.5);
    hoodPath.lineTo(21.5, 93.0);
    hoodPath.closeSubpath();
    p.drawPath(hoodPath);
    p.setPen(QPen(QColor(0xE0, 0xE4, 0xE8), 1.0));
    p.setBrush(QColor(0xA0, 0xA6, 0xAE));
    p.drawRoundedRect(QRectF(18.5, 100.5, 35.0, 4.0), 1.0, 1.0);
    QLinearGradient shell(0, 104, 0, 112);
    shell.setColorAt(0.0, QColor(0xE8, 0xEC, 0xF0));
    shell.setColorAt(1.0, QColor(0x8C, 0x92, 0x9A));
    p.setPen(QPen(QColor(0x60, 0x66, 0x70), 0.8));
    p.setBrush(shell);
    QPainterPath d;
    d.moveTo(24.0, 104.5);
    d.lineTo(48.0, 104.5);
    d.lineTo(45.5, 111.8);
    d.lineTo(26.5, 111.8);
    d.closeSubpath();
    p.drawPath(d);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0x34, 0x3A));
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(28.0 + i * 4.0, 106.8), 0.8, 0.8);
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(30.0 + i * 4.0, 109.6), 0.8, 0.8);
}

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

bool save(const QImage &img, const QString &dir, const char *name)
{
    const QString path = dir + QLatin1Char('/') + QLatin1String(name);
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// The icon centred on a square canvas, for desktop icon themes.
QImage squareIcon(int size)
{
    QImage img = canvas(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 60.0;
    p.translate(0, (size - 47.0 * s) / 2.0);
    p.scale(s, s);
    drawProgramIcon(p);
    return img;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <art images dir> <packaging icons dir>\n", argv[0]);
        return 2;
    }
    const QString artDir = QString::fromLocal8Bit(argv[1]);
    const QString iconDir = QString::fromLocal8Bit(argv[2]);

    auto paint = [](int w, int h, auto draw) {
        QImage img = canvas(w, h);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
        return img;
    };

    bool ok = true;
    ok &= save(paint(60, 47, drawProgramIcon), artDir, "program-icon.png");
    ok &= save(paint(32, 32, [](QPainter &p) { drawBulb(p, false); }), artDir, "bulb-unlit.png");
    ok &= save(paint(32, 32, [](QPainter &p) { drawBulb(p, true); }), artDir, "bulb-lit.png");
    ok &= save(paint(130, 113, drawDecoration), artDir, "decoration.png");
    ok &= save(squareIcon(128), artDir, "program-icon-128.png");
    ok &= save(squareIcon(48), iconDir, "tarnwell-48.png");
    ok &= save(squareIcon(128), iconDir, "tarnwell-128.png");
    return ok ? 0 : 1;
}
