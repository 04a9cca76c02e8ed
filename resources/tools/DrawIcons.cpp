// Draws the program's pictures: the 16 x 16 menu and list pictures, the
// 48 x 48 toolbar pictures and the application icon. Run by scripts/draw-icons;
// the PNG files it writes are committed under resources/icons/.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// Every picture is drawn on a 48-unit canvas; `px` is one device pixel in units,
// so outlines stay one or two pixels wide at either size.
struct Canvas {
    QPainter &p;
    double px;
    QPen outline(const QColor &c, double pixels = 1.0) const {
        QPen pen(c, px * pixels);
        pen.setJoinStyle(Qt::RoundJoin);
        pen.setCapStyle(Qt::RoundCap);
        return pen;
    }
};

const QColor kInk(40, 40, 48);

void house(Canvas &c, QRectF r, const QColor &wall, const QColor &roof) {
    QPainter &p = c.p;
    const QRectF body(r.left() + r.width() * 0.15, r.top() + r.height() * 0.45, r.width() * 0.7,
                      r.height() * 0.55);
    p.setPen(c.outline(kInk));
    p.setBrush(wall);
    p.drawRect(body);
    QPolygonF top;
    top << QPointF(r.left(), body.top()) << QPointF(r.center().x(), r.top())
        << QPointF(r.right(), body.top());
    p.setBrush(roof);
    p.drawPolygon(top);
    p.setBrush(QColor(120, 72, 40));
    p.drawRect(QRectF(body.center().x() - body.width() * 0.15, body.bottom() - body.height() * 0.5,
                      body.width() * 0.3, body.height() * 0.5));
}

void drawHouses(Canvas &c) {
    house(c, QRectF(2, 14, 26, 30), QColor(250, 236, 200), QColor(200, 50, 40));
    house(c, QRectF(20, 6, 26, 38), QColor(255, 250, 235), QColor(40, 110, 200));
}

void drawGlobe(Canvas &c, QPointF centre, double radius) {
    QPainter &p = c.p;
    QRadialGradient g(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
    g.setColorAt(0, QColor(150, 210, 255));
    g.setColorAt(1, QColor(20, 90, 190));
    p.setPen(c.outline(QColor(10, 50, 120)));
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
    p.setBrush(Qt::NoBrush);
    p.setPen(c.outline(QColor(230, 245, 255, 200)));
    p.drawEllipse(centre, radius * 0.45, radius);
    p.drawLine(QPointF(centre.x() - radius, centre.y()), QPointF(centre.x() + radius, centre.y()));
}

void drawEnvelope(Canvas &c) {
    QPainter &p = c.p;
    const QRectF body(2, 12, 38, 26);
    p.setPen(c.outline(kInk));
    p.setBrush(QColor(250, 248, 240));
    p.drawRect(body);
    QPolygonF flap;
    flap << body.topLeft() << QPointF(body.center().x(), body.top() + 15) << body.topRight();
    p.setBrush(QColor(225, 220, 205));
    p.drawPolygon(flap);
    drawGlobe(c, QPointF(35, 34), 11);
}

void drawLifebuoy(Canvas &c) {
    QPainter &p = c.p;
    const QPointF centre(24, 24);
    const QRectF outer(3, 3, 42, 42);
    const QRectF inner(14, 14, 20, 20);
    QPainterPath ring;
    ring.addEllipse(outer);
    ring.addEllipse(inner);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(ring);
    p.setBrush(QColor(225, 40, 35));
    for (int i = 0; i < 4; ++i) {
        QPainterPath part;
        part.moveTo(centre);
        part.arcTo(outer, 20 + i * 90, 50);
        part.closeSubpath();
        p.drawPath(part.intersected(ring));
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(c.outline(kInk));
    p.drawEllipse(outer);
    p.drawEllipse(inner);
}

void note(Canvas &c, QPointF head, double size) {
    QPainter &p = c.p;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 120));
    p.drawEllipse(head, size * 0.55, size * 0.42);
    p.setPen(c.outline(QColor(30, 30, 120), 2));
    p.drawLine(head + QPointF(size * 0.5, 0), head + QPointF(size * 0.5, -size * 2));
}

void drawMusicFolder(Canvas &c) {
    QPainter &p = c.p;
    p.setPen(c.outline(QColor(140, 95, 10)));
    p.setBrush(QColor(235, 180, 50));
    QPainterPath back;
    back.moveTo(2, 10);
    back.lineTo(16, 10);
    back.lineTo(20, 15);
    back.lineTo(44, 15);
    back.lineTo(44, 42);
    back.lineTo(2, 42);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(255, 210, 90));
    QPolygonF front;
    front << QPointF(2, 42) << QPointF(8, 21) << QPointF(47, 21) << QPointF(44, 42);
    p.drawPolygon(front);
    note(c, QPointF(21, 37), 6);
    note(c, QPointF(33, 34), 6);
    p.setPen(c.outline(QColor(30, 30, 120), 2.5));
    p.drawLine(QPointF(24.3, 25), QPointF(36.3, 22));
}

void drawBin(Canvas &c) {
    QPainter &p = c.p;
    QLinearGradient g(10, 0, 38, 0);
    g.setColorAt(0, QColor(150, 160, 170));
    g.setColorAt(0.5, QColor(225, 230, 235));
    g.setColorAt(1, QColor(130, 140, 150));
    p.setPen(c.outline(kInk));
    p.setBrush(g);
    QPolygonF body;
    body << QPointF(9, 14) << QPointF(39, 14) << QPointF(35, 45) << QPointF(13, 45);
    p.drawPolygon(body);
    p.drawRoundedRect(QRectF(6, 8, 36, 6), 2, 2);
    p.drawRect(QRectF(19, 4, 10, 4));
    p.setPen(c.outline(QColor(80, 90, 100), 1.5));
    for (double x : {18.0, 24.0, 30.0})
        p.drawLine(QPointF(x, 19), QPointF(x, 40));
}

// A glossy ring in four colours around a black play triangle.
void drawDisc(Canvas &c) {
    QPainter &p = c.p;
    const QRectF outer(2, 2, 44, 44);
    const QColor colours[4] = {QColor(230, 50, 40), QColor(250, 190, 20), QColor(40, 170, 60),
                               QColor(30, 110, 220)};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(colours[i]);
        p.drawPie(outer, (45 + i * 90) * 16, 90 * 16);
    }
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(12, 12, 24, 24));
    QRadialGradient gloss(QPointF(18, 12), 26);
    gloss.setColorAt(0, QColor(255, 255, 255, 170));
    gloss.setColorAt(0.6, QColor(255, 255, 255, 30));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(gloss);
    p.drawEllipse(outer);
    p.setBrush(Qt::NoBrush);
    p.setPen(c.outline(QColor(60, 60, 60)));
    p.drawEllipse(outer);
    QPolygonF play;
    play << QPointF(19, 15) << QPointF(33, 24) << QPointF(19, 33);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPolygon(play);
}

void drawCheck(Canvas &c) {
    QPainter &p = c.p;
    QPainterPath tick;
    tick.moveTo(4, 26);
    tick.lineTo(18, 42);
    tick.lineTo(45, 8);
    p.setBrush(Qt::NoBrush);
    QPen thick(QColor(10, 100, 25), 11);
    thick.setCapStyle(Qt::RoundCap);
    thick.setJoinStyle(Qt::RoundJoin);
    p.setPen(thick);
    p.drawPath(tick);
    thick.setColor(QColor(60, 200, 70));
    thick.setWidthF(6.5);
    p.setPen(thick);
    p.drawPath(tick);
}

void drawPageGear(Canvas &c) {
    QPainter &p = c.p;
    QPainterPath page;
    page.moveTo(6, 2);
    page.lineTo(30, 2);
    page.lineTo(40, 12);
    page.lineTo(40, 46);
    page.lineTo(6, 46);
    page.closeSubpath();
    p.setPen(c.outline(kInk));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setBrush(QColor(220, 220, 220));
    QPolygonF fold;
    fold << QPointF(30, 2) << QPointF(30, 12) << QPointF(40, 12);
    p.drawPolygon(fold);
    p.setPen(c.outline(QColor(150, 150, 160), 1.5));
    for (double y : {10.0, 16.0})
        p.drawLine(QPointF(11, y), QPointF(25, y));
    // The gear.
    const QPointF centre(30, 33);
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const double a = i * M_PI / teeth;
        const double r = (i % 2 == 0) ? 14 : 10.5;
        const QPointF pt(centre.x() + r * std::cos(a - M_PI / (teeth * 2)),
                         centre.y() + r * std::sin(a - M_PI / (teeth * 2)));
        const QPointF pt2(centre.x() + r * std::cos(a + M_PI / (teeth * 2)),
                          centre.y() + r * std::sin(a + M_PI / (teeth * 2)));
        if (i == 0)
            gear.moveTo(pt);
        else
            gear.lineTo(pt);
        gear.lineTo(pt2);
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(centre, 4.5, 4.5);
    p.setPen(c.outline(QColor(50, 55, 70)));
    p.setBrush(QColor(120, 135, 160));
    p.drawPath(gear.subtracted(hole));
}

QImage render(int size, const std::function<void(Canvas &)> &draw) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);
    Canvas c{p, 48.0 / size};
    draw(c);
    p.end();
    return image;
}

} // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    using Draw = std::function<void(Canvas &)>;
    const Draw common[6] = {drawHouses,      drawEnvelope, drawLifebuoy,
                            drawMusicFolder, drawBin,      drawDisc};
    bool ok = true;
    for (int i = 0; i < 6; ++i) {
        ok &= render(16, common[i]).save(out + QStringLiteral("/ico%1.png").arg(i));
        ok &= render(48, common[i]).save(out + QStringLiteral("/big%1.png").arg(i));
    }
    ok &= render(16, drawCheck).save(out + QStringLiteral("/ico6.png"));
    ok &= render(16, drawPageGear).save(out + QStringLiteral("/ico7.png"));
    ok &= render(48, drawPageGear).save(out + QStringLiteral("/big6.png"));
    ok &= render(48, drawDisc).save(out + QStringLiteral("/app.png"));
    ok &= render(256, drawDisc).save(out + QStringLiteral("/app256.png"));
    std::printf("%s\n", ok ? "written" : "failed");
    return ok ? 0 : 1;
}
