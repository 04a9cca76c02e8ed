// Draws the program's pictures: the 16 x 16 menu and list pictures (with the
// rows' marks: check, damaged, not checked), the 48 x 48 toolbar pictures and
// the application icon (also at the icon theme's sizes, hicolor/), and on
// request the window faces (.ico) and the About picture (.jpg). Run by
// scripts/draw-icons; the files it writes are committed under resources/.
//   mendora_drawicons [icons-dir] [--faces faces-dir] [--about about.jpg]
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

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

// The rows' marks for damaged and not checked files: a white sign on a disc.
void drawSignOnDisc(Canvas &c, const QColor &rim, const QColor &fill,
                    const std::vector<QLineF> &strokes, double width) {
    QPainter &p = c.p;
    p.setPen(c.outline(rim, 1.5));
    p.setBrush(fill);
    p.drawEllipse(QPointF(24, 24), 21, 21);
    QPen sign(Qt::white, width);
    sign.setCapStyle(Qt::RoundCap);
    p.setPen(sign);
    for (const QLineF &stroke : strokes)
        p.drawLine(stroke);
}

// A damaged file: a white cross on a red disc.
void drawDamaged(Canvas &c) {
    drawSignOnDisc(c, QColor(120, 10, 10), QColor(215, 35, 35),
                   {QLineF(15, 15, 33, 33), QLineF(33, 15, 15, 33)}, 7.5);
}

// A file that was not checked: a white bar on a grey disc.
void drawNotChecked(Canvas &c) {
    drawSignOnDisc(c, QColor(85, 85, 95), QColor(160, 160, 170), {QLineF(13, 24, 35, 24)}, 8);
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

// The faces: one of them, picked at random, sits in a corner of each window. They share the
// 48-unit canvas of the pictures above and are written as .ico files of 33 x 33 and 66 x 66.

const QColor kFaceInk(58, 42, 46);
// Outline width in canvas units: about one pixel at 33 x 33 and two at 66 x 66.
const double kLine = 1.5;

enum class Kind {
    Human,
    Cat,
    Dog,
    Bear,
    Panda,
    Rabbit,
    Fox,
    Frog,
    Owl,
    Penguin,
    Pig,
    Lion,
    Monkey,
    Mouse,
    Robot,
    Droid,
    Alien,
    Monster
};
enum class Hair { None, Short, SideSwept, Spiky, Long, Bob, Afro, Bun, Pigtails, Mohawk, Sides };
enum class Hat { None, Cap, Beanie, TopHat, Crown, Cone, Cowboy, Wizard, Headphones, Bow, Chef };
enum class Eyes { Open, Dots, Happy, Wink, Sleepy };
enum class Glasses { None, Round, Square, Sun };
enum class Mouth { Smile, Grin, Laugh, Ooh, Tongue, Smirk, Cat };
enum Extra {
    Brows = 1,
    Blush = 2,
    Freckles = 4,
    Beard = 8,
    LongBeard = 16,
    Moustache = 32,
    Earrings = 64,
    Lashes = 128
};

struct Face {
    Kind kind = Kind::Human;
    QColor skin{}; // skin, fur, feathers or metal
    QColor hair{}; // hair, or the second colour of an animal
    Hair style = Hair::None;
    Hat hat = Hat::None;
    QColor hatColour{};
    Eyes eyes = Eyes::Open;
    QColor iris = QColor(95, 62, 40);
    Glasses glasses = Glasses::None;
    Mouth mouth = Mouth::Smile;
    int extras = 0;
};

QPen ink(double width = kLine, const QColor &colour = kFaceInk) {
    QPen pen(colour, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

QPainterPath ellipse(QPointF centre, double rx, double ry) {
    QPainterPath path;
    path.addEllipse(centre, rx, ry);
    return path;
}

QPainterPath rect(double x, double y, double w, double h) {
    QPainterPath path;
    path.addRect(QRectF(x, y, w, h));
    return path;
}

QPainterPath polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

// Fills a shape lighter towards the upper left, as if lit from there, and outlines it.
void fillShaded(QPainter &p, const QPainterPath &shape, const QColor &base, bool outline = true) {
    const QRectF r = shape.boundingRect();
    QRadialGradient g(QPointF(r.left() + r.width() * 0.36, r.top() + r.height() * 0.3),
                      std::max(r.width(), r.height()) * 0.85);
    g.setColorAt(0, base.lighter(116));
    g.setColorAt(0.55, base);
    g.setColorAt(1, base.darker(118));
    p.setPen(outline ? ink() : QPen(Qt::NoPen));
    p.setBrush(g);
    p.drawPath(shape);
}

void fillFlat(QPainter &p, const QPainterPath &shape, const QColor &colour, double line = kLine) {
    p.setPen(line > 0 ? ink(line) : QPen(Qt::NoPen));
    p.setBrush(colour);
    p.drawPath(shape);
}

void stroke(QPainter &p, const QPainterPath &path, double width = kLine,
            const QColor &colour = kFaceInk) {
    p.setPen(ink(width, colour));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void dot(QPainter &p, QPointF centre, double r, const QColor &colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(centre, r, r);
}

void star(QPainter &p, QPointF centre, double r, const QColor &colour) {
    QPolygonF points;
    for (int i = 0; i < 10; ++i) {
        const double a = -M_PI / 2 + i * M_PI / 5;
        const double d = (i % 2 == 0) ? r : r * 0.45;
        points << centre + QPointF(d * std::cos(a), d * std::sin(a));
    }
    p.setPen(ink(0.8, colour.darker(150)));
    p.setBrush(colour);
    p.drawPolygon(points);
}

// ---- Features shared by people and animals ----

void openEye(QPainter &p, QPointF c, double s, const QColor &iris, bool lashes, bool left) {
    p.setPen(ink(1.0));
    p.setBrush(Qt::white);
    p.drawEllipse(c, 3.0 * s, 3.6 * s);
    const QPointF look = c + QPointF(0.25 * s, 0.5 * s);
    dot(p, look, 2.2 * s, iris);
    dot(p, look, 1.2 * s, QColor(25, 20, 25));
    dot(p, c + QPointF(-0.7 * s, -0.9 * s), 0.85 * s, Qt::white);
    if (lashes) {
        const double side = left ? -1 : 1;
        QPainterPath lash;
        lash.moveTo(c + QPointF(side * 2.4 * s, -2.2 * s));
        lash.lineTo(c + QPointF(side * 3.9 * s, -3.3 * s));
        lash.moveTo(c + QPointF(side * 1.2 * s, -3.3 * s));
        lash.lineTo(c + QPointF(side * 1.9 * s, -4.8 * s));
        stroke(p, lash, 1.0);
    }
}

void dotEye(QPainter &p, QPointF c, double s) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 24, 28));
    p.drawEllipse(c, 1.9 * s, 2.5 * s);
    dot(p, c + QPointF(-0.6 * s, -0.9 * s), 0.75 * s, Qt::white);
}

void happyEye(QPainter &p, QPointF c, double s) {
    QPainterPath arc;
    arc.moveTo(c + QPointF(-2.6 * s, 0.9 * s));
    arc.quadTo(c + QPointF(0, -3.4 * s), c + QPointF(2.6 * s, 0.9 * s));
    stroke(p, arc, 1.7);
}

void sleepyEye(QPainter &p, QPointF c, double s) {
    QPainterPath lower;
    lower.moveTo(c + QPointF(-2.6 * s, -0.2 * s));
    lower.arcTo(QRectF(c.x() - 2.6 * s, c.y() - 2.6 * s, 5.2 * s, 5.2 * s), 180, 180);
    lower.closeSubpath();
    fillFlat(p, lower, QColor(30, 24, 28), 0);
    QPainterPath lid;
    lid.moveTo(c + QPointF(-3.0 * s, -0.3 * s));
    lid.lineTo(c + QPointF(3.0 * s, -0.3 * s));
    stroke(p, lid, 1.4);
}

void drawEyes(QPainter &p, const Face &f, QPointF left, QPointF right, double s = 1.0) {
    const bool lashes = f.extras & Lashes;
    switch (f.eyes) {
    case Eyes::Open:
        openEye(p, left, s, f.iris, lashes, true);
        openEye(p, right, s, f.iris, lashes, false);
        break;
    case Eyes::Dots:
        dotEye(p, left, s);
        dotEye(p, right, s);
        break;
    case Eyes::Happy:
        happyEye(p, left, s);
        happyEye(p, right, s);
        break;
    case Eyes::Wink:
        openEye(p, left, s, f.iris, lashes, true);
        happyEye(p, right, s);
        break;
    case Eyes::Sleepy:
        sleepyEye(p, left, s);
        sleepyEye(p, right, s);
        break;
    }
}

// An open mouth: flat on top, round below, with teeth and a tongue.
void openMouth(QPainter &p, QPointF c, double w, double h) {
    QPainterPath shape;
    shape.moveTo(c.x() - w / 2, c.y() - 1);
    shape.arcTo(QRectF(c.x() - w / 2, c.y() - 1 - h, w, 2 * h), 180, 180);
    shape.closeSubpath();
    fillFlat(p, shape, QColor(115, 32, 45), 0);
    p.save();
    p.setClipPath(shape);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(c.x() - w / 2, c.y() - 1, w, h * 0.3));
    p.setBrush(QColor(235, 95, 110));
    p.drawEllipse(QPointF(c.x(), c.y() + h - 0.6), w * 0.32, h * 0.42);
    p.restore();
    stroke(p, shape, 1.3);
}

void tongue(QPainter &p, QPointF at) {
    QPainterPath t;
    t.moveTo(at.x() - 2.2, at.y());
    t.lineTo(at.x() - 2.2, at.y() + 1.6);
    t.arcTo(QRectF(at.x() - 2.2, at.y() - 0.6, 4.4, 4.4), 180, 180);
    t.lineTo(at.x() + 2.2, at.y());
    fillFlat(p, t, QColor(240, 100, 115), 1.0);
    QPainterPath middle;
    middle.moveTo(at + QPointF(0, 0.5));
    middle.lineTo(at + QPointF(0, 2.3));
    stroke(p, middle, 0.8, QColor(180, 50, 70));
}

void drawMouth(QPainter &p, Mouth mouth, QPointF c, double w = 9) {
    const double x = c.x();
    const double y = c.y();
    QPainterPath line;
    switch (mouth) {
    case Mouth::Smile:
        line.moveTo(x - w / 2, y - 1);
        line.quadTo(x, y + 3.8, x + w / 2, y - 1);
        stroke(p, line, 1.6);
        break;
    case Mouth::Grin:
        openMouth(p, c, w, 4.8);
        break;
    case Mouth::Laugh:
        openMouth(p, c + QPointF(0, -0.5), w * 1.3, 6.5);
        break;
    case Mouth::Ooh:
        fillFlat(p, ellipse(c + QPointF(0, 1), 2.1, 2.6), QColor(115, 32, 45), 1.2);
        break;
    case Mouth::Tongue:
        tongue(p, QPointF(x + 1.4, y + 1.4));
        line.moveTo(x - w / 2, y - 1);
        line.quadTo(x, y + 3.8, x + w / 2, y - 1);
        stroke(p, line, 1.6);
        break;
    case Mouth::Smirk:
        line.moveTo(x - w / 2 + 1, y + 0.6);
        line.quadTo(x + 1.5, y + 2.8, x + w / 2, y - 1.6);
        line.moveTo(x + w / 2 - 0.6, y - 2.6);
        line.lineTo(x + w / 2 + 0.6, y - 0.8);
        stroke(p, line, 1.5);
        break;
    case Mouth::Cat:
        line.moveTo(x - 4, y - 0.5);
        line.quadTo(x - 2, y + 2.4, x, y - 0.3);
        line.quadTo(x + 2, y + 2.4, x + 4, y - 0.5);
        stroke(p, line, 1.4);
        break;
    }
}

void blush(QPainter &p, QPointF left, QPointF right, double rx = 2.6) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 100, 115, 110));
    p.drawEllipse(left, rx, rx * 0.58);
    p.drawEllipse(right, rx, rx * 0.58);
}

void whiskers(QPainter &p, QPointF c, double spread) {
    QPainterPath w;
    for (double side : {-1.0, 1.0}) {
        for (int i = -1; i <= 1; ++i) {
            w.moveTo(c.x() + side * 3.5, c.y() + i * 1.6);
            w.lineTo(c.x() + side * (3.5 + spread), c.y() + i * 2.8 - 0.4);
        }
    }
    stroke(p, w, 0.9);
}

void drawGlasses(QPainter &p, Glasses glasses, QPointF left, QPointF right) {
    if (glasses == Glasses::None)
        return;
    QPainterPath lenses;
    QColor frame;
    QColor glass;
    const double r = 4.4;
    if (glasses == Glasses::Round) {
        lenses.addEllipse(left, r, r);
        lenses.addEllipse(right, r, r);
        frame = QColor(70, 42, 30);
        glass = QColor(255, 255, 255, 50);
    } else {
        const double w = glasses == Glasses::Sun ? 10.4 : 9.6;
        const double h = glasses == Glasses::Sun ? 7.6 : 7.2;
        lenses.addRoundedRect(QRectF(left.x() - w / 2, left.y() - h / 2, w, h), 2, 2);
        lenses.addRoundedRect(QRectF(right.x() - w / 2, right.y() - h / 2, w, h), 2, 2);
        frame = glasses == Glasses::Sun ? QColor(20, 20, 26) : QColor(30, 70, 160);
        glass = glasses == Glasses::Sun ? QColor(30, 32, 48) : QColor(255, 255, 255, 50);
    }
    QPainterPath bridge;
    bridge.moveTo(left.x() + r - 0.2, left.y() - 0.6);
    bridge.quadTo((left.x() + right.x()) / 2, left.y() - 2.6, right.x() - r + 0.2, right.y() - 0.6);
    bridge.moveTo(left.x() - r, left.y() - 0.8);
    bridge.lineTo(left.x() - r - 2.2, left.y() - 1.6);
    bridge.moveTo(right.x() + r, right.y() - 0.8);
    bridge.lineTo(right.x() + r + 2.2, right.y() - 1.6);
    stroke(p, bridge, 1.3, frame);
    p.setPen(ink(1.4, frame));
    p.setBrush(glass);
    p.drawPath(lenses);
    if (glasses == Glasses::Sun) {
        QPainterPath shine;
        for (QPointF c : {left, right}) {
            shine.moveTo(c + QPointF(-2.8, 0.6));
            shine.lineTo(c + QPointF(-0.6, -2.0));
        }
        stroke(p, shine, 1.1, QColor(255, 255, 255, 170));
    }
}

// ---- Hats, placed on a head whose top is at (24, 11) and which is about 29 units wide ----

void drawHat(QPainter &p, Hat hat, const QColor &colour) {
    switch (hat) {
    case Hat::None:
        break;
    case Hat::Cap: {
        fillShaded(p, ellipse(QPointF(24, 19.5), 15.2, 11.5).intersected(rect(0, 0, 48, 19.5)),
                   colour);
        QPainterPath brim;
        brim.moveTo(28, 18.5);
        brim.quadTo(40, 15.5, 46.5, 19.5);
        brim.quadTo(40, 22.8, 26, 21.5);
        brim.closeSubpath();
        fillFlat(p, brim, colour.darker(135));
        dot(p, QPointF(24, 8.4), 1.5, colour.darker(130));
        p.setPen(ink(1.0));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(19.5, 14.5), 2.8, 2.6);
        break;
    }
    case Hat::Beanie: {
        fillShaded(p, ellipse(QPointF(24, 19), 15.6, 13.2).intersected(rect(0, 0, 48, 19)), colour);
        QPainterPath cuff;
        cuff.addRoundedRect(QRectF(8.2, 15.5, 31.6, 6.2), 3, 3);
        fillFlat(p, cuff, colour.darker(125));
        QPainterPath ribs;
        for (double x = 12; x < 37; x += 3.2) {
            ribs.moveTo(x, 17);
            ribs.lineTo(x, 20.2);
        }
        stroke(p, ribs, 0.8, colour.darker(170));
        fillShaded(p, ellipse(QPointF(24, 5.2), 3.8, 3.6), QColor(250, 250, 245));
        break;
    }
    case Hat::TopHat: {
        fillFlat(p, ellipse(QPointF(24, 13.5), 17, 3.2), colour);
        QLinearGradient g(15, 0, 33, 0);
        g.setColorAt(0, colour.lighter(170));
        g.setColorAt(0.4, colour.lighter(120));
        g.setColorAt(1, colour);
        p.setPen(ink());
        p.setBrush(g);
        p.drawRect(QRectF(15.5, 0.8, 17, 12.7));
        p.setBrush(QColor(190, 40, 50));
        p.drawRect(QRectF(15.5, 9.2, 17, 3));
        fillFlat(p, ellipse(QPointF(24, 13.5), 17, 3.2).intersected(rect(0, 13.5, 48, 6)), colour);
        break;
    }
    case Hat::Crown: {
        QLinearGradient g(0, 2, 0, 14);
        g.setColorAt(0, QColor(255, 236, 120));
        g.setColorAt(1, QColor(220, 160, 20));
        p.setPen(ink(1.3, QColor(140, 90, 10)));
        p.setBrush(g);
        p.drawPath(
            polygon({{13, 14.5}, {11.5, 4}, {18, 9}, {24, 2}, {30, 9}, {36.5, 4}, {35, 14.5}}));
        dot(p, QPointF(11.5, 4), 1.4, QColor(255, 236, 120));
        dot(p, QPointF(24, 2), 1.5, QColor(255, 236, 120));
        dot(p, QPointF(36.5, 4), 1.4, QColor(255, 236, 120));
        dot(p, QPointF(24, 11), 1.8, QColor(220, 30, 60));
        dot(p, QPointF(17.5, 11.6), 1.3, QColor(40, 110, 230));
        dot(p, QPointF(30.5, 11.6), 1.3, QColor(40, 180, 90));
        break;
    }
    case Hat::Cone: {
        const QPainterPath cone = polygon({{14.5, 14.5}, {33.5, 13.5}, {28, 0.8}});
        fillFlat(p, cone, colour);
        p.save();
        p.setClipPath(cone);
        QPainterPath stripes;
        for (double y = 3; y < 16; y += 4.2) {
            stripes.moveTo(10, y + 3);
            stripes.lineTo(38, y - 1);
        }
        stroke(p, stripes, 1.6, QColor(255, 240, 120));
        p.restore();
        stroke(p, cone, kLine);
        fillShaded(p, ellipse(QPointF(28, 1.8), 2.4, 2.4), QColor(255, 90, 140));
        break;
    }
    case Hat::Cowboy: {
        QPainterPath crown;
        crown.moveTo(14, 15.5);
        crown.cubicTo(13.5, 3.5, 19, 4, 24, 7.5);
        crown.cubicTo(29, 4, 34.5, 3.5, 34, 15.5);
        crown.closeSubpath();
        fillShaded(p, crown, colour);
        p.setPen(Qt::NoPen);
        p.setBrush(colour.darker(160));
        p.drawRect(QRectF(14.2, 12, 19.6, 3));
        QPainterPath brim;
        brim.moveTo(1.5, 10.5);
        brim.quadTo(7, 19.5, 24, 19.5);
        brim.quadTo(41, 19.5, 46.5, 10.5);
        brim.quadTo(39, 15.8, 24, 15.8);
        brim.quadTo(9, 15.8, 1.5, 10.5);
        fillShaded(p, brim, colour.darker(108));
        break;
    }
    case Hat::Wizard: {
        QPainterPath cone;
        cone.moveTo(11.5, 15);
        cone.quadTo(21, 9, 31, 0.5);
        cone.quadTo(32, 8, 36.5, 15);
        cone.closeSubpath();
        fillShaded(p, cone, colour);
        fillFlat(p, ellipse(QPointF(24, 15), 16.5, 3.2), colour.darker(125));
        star(p, QPointF(23, 10), 2.6, QColor(255, 220, 80));
        star(p, QPointF(30, 5.5), 1.7, QColor(255, 220, 80));
        break;
    }
    case Hat::Headphones: {
        QPainterPath band;
        band.moveTo(8.2, 26);
        band.cubicTo(7, 4, 41, 4, 39.8, 26);
        stroke(p, band, 3.6);
        stroke(p, band, 1.8, QColor(90, 95, 110));
        for (double x : {4.4, 37.4}) {
            QPainterPath cup;
            cup.addRoundedRect(QRectF(x, 21, 6.2, 13), 3, 3);
            fillShaded(p, cup, colour);
        }
        break;
    }
    case Hat::Bow: {
        const QPointF b(33, 12.5);
        QPainterPath lobes;
        lobes.moveTo(b);
        lobes.cubicTo(b + QPointF(-3, -7), b + QPointF(-9, -4), b + QPointF(-7.5, 0.5));
        lobes.cubicTo(b + QPointF(-8, 5), b + QPointF(-3, 5.5), b);
        lobes.cubicTo(b + QPointF(3, -7), b + QPointF(9, -4), b + QPointF(7.5, 0.5));
        lobes.cubicTo(b + QPointF(8, 5), b + QPointF(3, 5.5), b);
        fillShaded(p, lobes, colour);
        for (QPointF d : {QPointF(-5, -1), QPointF(4.5, -2), QPointF(5, 2.2), QPointF(-4, 2.4)})
            dot(p, b + d, 0.8, QColor(255, 255, 255, 220));
        fillShaded(p, ellipse(b, 2.1, 2.3), colour.darker(115));
        break;
    }
    case Hat::Chef: {
        QPainterPath puff = ellipse(QPointF(16, 8.5), 6.2, 6)
                                .united(ellipse(QPointF(24, 5.5), 7.2, 6.2))
                                .united(ellipse(QPointF(32, 8.5), 6.2, 6))
                                .united(rect(13, 8, 22, 8));
        fillShaded(p, puff, QColor(250, 250, 250));
        QPainterPath band;
        band.addRoundedRect(QRectF(12.5, 13, 23, 5.5), 1.5, 1.5);
        fillFlat(p, band, QColor(232, 232, 236));
        QPainterPath pleats;
        for (double x : {19.0, 24.0, 29.0}) {
            pleats.moveTo(x, 8);
            pleats.lineTo(x, 12.5);
        }
        stroke(p, pleats, 0.8, QColor(190, 190, 200));
        break;
    }
    }
}

// Draws `draw` moved and scaled so that a hat or glasses made for the human head fit another one.
void placed(QPainter &p, QPointF at, double scale, const std::function<void()> &draw) {
    p.save();
    p.translate(at);
    p.scale(scale, scale);
    p.translate(-24, -11);
    draw();
    p.restore();
}

// ---- People ----

const QPointF kHeadCentre(24, 27);
const double kHeadRx = 14.5;
const double kHeadRy = 16;
const QPointF kLeftEye(18.6, 28);
const QPointF kRightEye(29.4, 28);
const QPointF kMouth(24, 36.2);

// Where the face shows between the front hair.
QPainterPath faceWindow() {
    return ellipse(QPointF(24, 31.5), 13.2, 13.5);
}

QPainterPath hairCap(double bottom) {
    return ellipse(QPointF(24, 26), 15.7, 16.5).intersected(rect(0, 0, 48, bottom));
}

void drawHairBack(QPainter &p, const Face &f) {
    switch (f.style) {
    case Hair::Long: {
        QPainterPath back;
        back.addRoundedRect(QRectF(6, 12, 36, 35), 12, 12);
        back = back.intersected(rect(0, 0, 48, 46.5));
        fillShaded(p, back, f.hair);
        break;
    }
    case Hair::Bob: {
        QPainterPath back;
        back.addRoundedRect(QRectF(7, 12, 34, 29), 10, 10);
        fillShaded(p, back, f.hair);
        break;
    }
    case Hair::Afro: {
        QPainterPath cloud = ellipse(QPointF(24, 23), 18, 16.5);
        for (int i = 0; i < 13; ++i) {
            const double a = M_PI * (-0.1 + 1.2 * i / 12.0);
            cloud = cloud.united(
                ellipse(QPointF(24 + 17.5 * std::cos(a), 23 - 15.5 * std::sin(a)), 4.6, 4.6));
        }
        fillShaded(p, cloud, f.hair);
        break;
    }
    case Hair::Bun:
        fillShaded(p, ellipse(QPointF(24, 7.5), 6, 5.4), f.hair);
        break;
    case Hair::Pigtails:
        for (double side : {-1.0, 1.0}) {
            const QPointF c(24 + side * 16.5, 31);
            fillShaded(p, ellipse(c, 5.4, 6.2), f.hair);
            dot(p, c + QPointF(-side * 3.8, -4.2), 1.8,
                f.hatColour.isValid() ? f.hatColour : QColor(250, 80, 120));
        }
        break;
    default:
        break;
    }
}

void drawHairFront(QPainter &p, const Face &f) {
    const QPainterPath window = faceWindow();
    switch (f.style) {
    case Hair::None:
        break;
    case Hair::Short:
    case Hair::Bun:
    case Hair::Pigtails:
        fillShaded(p, hairCap(29).subtracted(window), f.hair);
        break;
    case Hair::SideSwept: {
        QPainterPath swoop;
        swoop.moveTo(31, 12);
        swoop.cubicTo(28, 19, 19, 22, 10.5, 24.5);
        swoop.lineTo(9, 12);
        swoop.closeSubpath();
        fillShaded(p, hairCap(29).subtracted(window).united(swoop.intersected(hairCap(29))),
                   f.hair);
        break;
    }
    case Hair::Spiky: {
        QPolygonF spikes;
        const int n = 9;
        for (int i = 0; i <= 2 * n; ++i) {
            const double a = M_PI * (1.1 - 1.2 * i / (2.0 * n));
            const double r = (i % 2 == 1) ? 22.5 : 15.5;
            spikes << QPointF(24 + r * std::cos(a), 28 - r * 0.95 * std::sin(a));
        }
        QPainterPath shape;
        shape.addPolygon(spikes);
        shape.closeSubpath();
        shape = shape.intersected(rect(0, 0, 48, 29)).united(hairCap(26));
        fillShaded(p, shape.subtracted(window), f.hair);
        break;
    }
    case Hair::Long: {
        fillShaded(p, hairCap(40).subtracted(window), f.hair);
        QPainterPath seam;
        seam.moveTo(24.5, 10.5);
        seam.quadTo(22.5, 14.5, 20.5, 18);
        stroke(p, seam, 1.0, f.hair.darker(150));
        break;
    }
    case Hair::Bob: {
        const QPainterPath open = window.intersected(rect(0, 21.5, 48, 30));
        fillShaded(p, hairCap(40).subtracted(open), f.hair);
        break;
    }
    case Hair::Afro: {
        QPainterPath curls =
            ellipse(QPointF(24, 23), 18, 16.5).intersected(rect(0, 0, 48, 24)).subtracted(window);
        for (double x : {13.5, 18.8, 24.0, 29.2, 34.5})
            curls = curls.united(ellipse(QPointF(x, 18.5 + std::abs(x - 24) * 0.12), 3.2, 3.2));
        fillShaded(p, curls, f.hair);
        break;
    }
    case Hair::Mohawk: {
        fillFlat(p, hairCap(24).subtracted(window), f.skin.darker(114), 0);
        QPainterPath crest = polygon({{19.5, 19},
                                      {17.5, 9},
                                      {21, 11.5},
                                      {21.5, 4},
                                      {24.2, 9},
                                      {26.5, 1.5},
                                      {27.5, 10},
                                      {31, 6.5},
                                      {29, 19}});
        fillShaded(p, crest.intersected(rect(0, 0, 48, 18.5)), f.hair);
        break;
    }
    case Hair::Sides: {
        const QPainterPath sides = rect(0, 16, 15.5, 16).united(rect(32.5, 16, 15.5, 16));
        fillShaded(p, hairCap(32).subtracted(window).intersected(sides), f.hair);
        break;
    }
    }
}

void drawBeard(QPainter &p, const Face &f) {
    QPainterPath beard = ellipse(QPointF(24, 28), 15, 17.3).intersected(rect(0, 31, 48, 20));
    if (f.extras & LongBeard) {
        QPainterPath tip;
        tip.moveTo(11, 36);
        tip.quadTo(15, 46, 24, 47.5);
        tip.quadTo(33, 46, 37, 36);
        tip.closeSubpath();
        beard = beard.united(tip);
    }
    beard = beard.subtracted(ellipse(kMouth + QPointF(0, 0.8), 5.6, 3.4));
    fillShaded(p, beard, f.hair);
}

void drawMoustache(QPainter &p, const QColor &colour) {
    QPainterPath m;
    for (double side : {-1.0, 1.0}) {
        m.moveTo(24, 33.2);
        m.cubicTo(24 + side * 3, 31.4, 24 + side * 7.2, 32.2, 24 + side * 7.6, 35.6);
        m.cubicTo(24 + side * 5, 34.6, 24 + side * 2.5, 35.6, 24, 34.6);
        m.closeSubpath();
    }
    fillShaded(p, m, colour);
}

void drawPerson(QPainter &p, const Face &f) {
    drawHairBack(p, f);
    for (double side : {-1.0, 1.0}) {
        const QPointF ear(24 + side * 14.3, 29.5);
        fillShaded(p, ellipse(ear, 2.7, 3.7), f.skin);
        QPainterPath inner;
        inner.moveTo(ear + QPointF(side * 0.6, -1.8));
        inner.quadTo(ear + QPointF(-side * 1.2, 0), ear + QPointF(side * 0.4, 1.8));
        stroke(p, inner, 0.8, f.skin.darker(150));
        if (f.extras & Earrings)
            fillShaded(p, ellipse(ear + QPointF(0, 4.6), 1.4, 1.4), QColor(250, 200, 40));
    }
    fillShaded(p, ellipse(kHeadCentre, kHeadRx, kHeadRy), f.skin);
    drawHairFront(p, f);
    if (f.extras & Brows) {
        QPainterPath brows;
        for (QPointF e : {kLeftEye, kRightEye}) {
            brows.moveTo(e + QPointF(-2.8, -5.2));
            brows.quadTo(e + QPointF(0, -7), e + QPointF(2.8, -5.4));
        }
        stroke(p, brows, 1.4, f.hair.darker(130));
    }
    drawEyes(p, f, kLeftEye, kRightEye);
    if (f.extras & Blush)
        blush(p, QPointF(16.2, 34), QPointF(31.8, 34));
    if (f.extras & Freckles) {
        for (double side : {-1.0, 1.0})
            for (QPointF d : {QPointF(7.6, 31.6), QPointF(6.2, 33.2), QPointF(8.8, 33.4)})
                dot(p, QPointF(24 + side * d.x(), d.y()), 0.6, f.skin.darker(160));
    }
    QPainterPath nose;
    nose.moveTo(22.8, 31.6);
    nose.quadTo(24.4, 33.8, 25.8, 31.8);
    stroke(p, nose, 1.1, f.skin.darker(145));
    if (f.extras & (Beard | LongBeard))
        drawBeard(p, f);
    drawMouth(p, f.mouth, kMouth);
    if (f.extras & Moustache)
        drawMoustache(p, f.hair);
    drawGlasses(p, f.glasses, kLeftEye, kRightEye);
    drawHat(p, f.hat, f.hatColour);
}

// ---- Animals and machines ----

void drawCat(QPainter &p, const Face &f) {
    for (double side : {-1.0, 1.0}) {
        const QPainterPath ear =
            polygon({{24 + side * 15, 24}, {24 + side * 12.5, 5}, {24 + side * 3, 15}});
        fillShaded(p, ear, f.skin);
        fillFlat(p, polygon({{24 + side * 12.5, 19}, {24 + side * 11.8, 9}, {24 + side * 6.5, 15}}),
                 QColor(250, 170, 180), 0);
    }
    fillShaded(p, ellipse(QPointF(24, 28.5), 16, 14), f.skin);
    QPainterPath stripes;
    for (double x : {-3.5, 0.0, 3.5}) {
        stripes.moveTo(24 + x, 15.2);
        stripes.lineTo(24 + x * 1.15, 19.5);
    }
    stroke(p, stripes, 1.7, f.hair);
    fillFlat(p, ellipse(QPointF(24, 34.5), 7, 5), f.skin.lighter(135), 0);
    drawEyes(p, f, QPointF(18, 27), QPointF(30, 27));
    fillFlat(p, polygon({{22, 31.4}, {26, 31.4}, {24, 33.4}}), QColor(240, 110, 130), 1.0);
    drawMouth(p, f.mouth, QPointF(24, 34.4), 8);
    whiskers(p, QPointF(24, 33.5), 9.5);
}

void drawDog(QPainter &p, const Face &f) {
    fillShaded(p, ellipse(QPointF(24, 27), 14, 15.5), f.skin);
    fillFlat(p, ellipse(QPointF(29.5, 24), 5, 5.5), f.hair, 0);
    fillShaded(p, ellipse(QPointF(24, 35), 8.5, 6.5), f.skin.lighter(135));
    for (double side : {-1.0, 1.0}) {
        QPainterPath ear;
        const double x = 24 + side * 13;
        ear.moveTo(x - side * 2, 13);
        ear.cubicTo(x + side * 6, 12, x + side * 6, 30, x + side * 3, 33);
        ear.cubicTo(x + side * 0.5, 35, x - side * 2.5, 30, x - side * 2.5, 22);
        ear.closeSubpath();
        fillShaded(p, ear, f.hair);
    }
    drawEyes(p, f, QPointF(18.5, 25), QPointF(29.5, 25));
    fillShaded(p, ellipse(QPointF(24, 31.6), 3.4, 2.4), QColor(40, 32, 36));
    QPainterPath line;
    line.moveTo(24, 34);
    line.lineTo(24, 36);
    stroke(p, line, 1.2);
    drawMouth(p, f.mouth, QPointF(24, 36.4), 8);
}

void drawBear(QPainter &p, const Face &f, bool panda) {
    const QColor earColour = panda ? QColor(40, 38, 44) : f.skin;
    for (double side : {-1.0, 1.0}) {
        const QPointF c(24 + side * 12, 14);
        fillShaded(p, ellipse(c, 5.8, 5.8), earColour);
        if (!panda)
            fillFlat(p, ellipse(c + QPointF(-side * 0.5, 0.5), 3, 3), f.hair, 0);
    }
    fillShaded(p, ellipse(QPointF(24, 28), 16, 14.8), f.skin);
    QPointF left(18, 27.5), right(30, 27.5);
    if (panda) {
        for (double side : {-1.0, 1.0}) {
            p.save();
            p.translate(24 + side * 6.2, 28);
            p.rotate(side * -30);
            fillFlat(p, ellipse(QPointF(0, 0), 3.8, 5.2), QColor(40, 38, 44), 0);
            p.restore();
        }
        for (QPointF e : {left, right}) {
            dot(p, e + QPointF(0, 0.3), 1.8, Qt::white);
            dot(p, e + QPointF(0.2, 0.5), 1.1, QColor(30, 24, 28));
        }
    } else {
        drawEyes(p, f, left, right);
    }
    fillShaded(p, ellipse(QPointF(24, 35), 7, 5.6), panda ? QColor(250, 250, 250) : f.hair);
    fillShaded(p, ellipse(QPointF(24, 32.6), 2.8, 2), QColor(40, 32, 36));
    drawMouth(p, f.mouth, QPointF(24, 36), 6.5);
    if (f.extras & Blush)
        blush(p, QPointF(14.5, 34), QPointF(33.5, 34), 2.2);
}

void drawRabbit(QPainter &p, const Face &f) {
    for (double side : {-1.0, 1.0}) {
        p.save();
        p.translate(24 + side * 7, 12);
        p.rotate(side * 12);
        fillShaded(p, ellipse(QPointF(0, -2), 4.4, 11), f.skin);
        fillFlat(p, ellipse(QPointF(0, -1), 2.2, 8), QColor(250, 170, 185), 0);
        p.restore();
    }
    fillShaded(p, ellipse(QPointF(24, 31), 14.5, 13.5), f.skin);
    drawEyes(p, f, QPointF(18.5, 29), QPointF(29.5, 29));
    blush(p, QPointF(15.5, 35), QPointF(32.5, 35));
    fillFlat(p, ellipse(QPointF(24, 34), 1.8, 1.3), QColor(240, 110, 130), 0.8);
    drawMouth(p, Mouth::Cat, QPointF(24, 35.8), 8);
    p.setPen(ink(1.0));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(22.2, 37.0, 3.6, 3.4));
    QPainterPath gap;
    gap.moveTo(24, 37.1);
    gap.lineTo(24, 40.3);
    stroke(p, gap, 0.7);
    whiskers(p, QPointF(24, 35), 8);
}

void drawFox(QPainter &p, const Face &f) {
    for (double side : {-1.0, 1.0}) {
        fillShaded(p, polygon({{24 + side * 15.5, 22}, {24 + side * 14, 3}, {24 + side * 4.5, 13}}),
                   f.skin);
        fillFlat(p,
                 polygon({{24 + side * 14.9, 10.5}, {24 + side * 14, 3}, {24 + side * 10.8, 6.5}}),
                 QColor(60, 40, 40), 0);
        fillFlat(p, polygon({{24 + side * 12.8, 18}, {24 + side * 12.5, 8}, {24 + side * 7.5, 14}}),
                 QColor(255, 235, 220), 0);
    }
    QPainterPath head;
    head.moveTo(24, 44);
    head.cubicTo(16, 42, 6, 36, 7, 27);
    head.cubicTo(7, 14, 16, 12, 24, 12);
    head.cubicTo(32, 12, 41, 14, 41, 27);
    head.cubicTo(42, 36, 32, 42, 24, 44);
    fillShaded(p, head, f.skin);
    QPainterPath cheeks;
    cheeks.moveTo(24, 44);
    cheeks.cubicTo(16, 42, 8, 37, 7.5, 30);
    cheeks.cubicTo(14, 32, 19, 31, 24, 28.5);
    cheeks.cubicTo(29, 31, 34, 32, 40.5, 30);
    cheeks.cubicTo(40, 37, 32, 42, 24, 44);
    fillFlat(p, cheeks, QColor(255, 244, 232), 0);
    stroke(p, head);
    drawEyes(p, f, QPointF(17.5, 25.5), QPointF(30.5, 25.5));
    fillShaded(p, ellipse(QPointF(24, 37.5), 2.8, 2.1), QColor(40, 32, 36));
    drawMouth(p, f.mouth, QPointF(24, 40.4), 6);
}

void drawFrog(QPainter &p, const Face &f) {
    for (double side : {-1.0, 1.0})
        fillShaded(p, ellipse(QPointF(24 + side * 9, 19), 7, 6.6), f.skin);
    fillShaded(p, ellipse(QPointF(24, 31), 19, 12.5), f.skin);
    fillFlat(p, ellipse(QPointF(24, 36), 12, 6).intersected(rect(0, 34, 48, 10)),
             f.skin.lighter(130), 0);
    for (double side : {-1.0, 1.0}) {
        const QPointF e(24 + side * 9, 18.5);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(e, 4.6, 4.6);
    }
    drawEyes(p, f, QPointF(15, 18.8), QPointF(33, 18.8), 1.25);
    dot(p, QPointF(21.8, 28), 0.8, f.skin.darker(170));
    dot(p, QPointF(26.2, 28), 0.8, f.skin.darker(170));
    QPainterPath smile;
    smile.moveTo(9, 31);
    smile.quadTo(24, 42, 39, 31);
    stroke(p, smile, 1.6);
    blush(p, QPointF(11.5, 35), QPointF(36.5, 35), 2.8);
    if (f.hat != Hat::None)
        placed(p, QPointF(24, 14.5), 0.55, [&] { drawHat(p, f.hat, f.hatColour); });
}

void drawOwl(QPainter &p, const Face &f) {
    for (double side : {-1.0, 1.0})
        fillShaded(p,
                   polygon({{24 + side * 14.5, 18}, {24 + side * 15.5, 4}, {24 + side * 6.5, 12}}),
                   f.skin);
    fillShaded(p, ellipse(QPointF(24, 27.5), 16.5, 17), f.skin);
    QPainterPath feathers;
    for (double x : {17.0, 24.0, 31.0}) {
        feathers.moveTo(x - 2, 40);
        feathers.quadTo(x, 42.5, x + 2, 40);
    }
    stroke(p, feathers, 1.1, f.skin.darker(160));
    const QPainterPath disc =
        ellipse(QPointF(17.5, 24.5), 7.4, 7.6).united(ellipse(QPointF(30.5, 24.5), 7.4, 7.6));
    fillShaded(p, disc, f.hair);
    drawEyes(p, f, QPointF(17.5, 24.5), QPointF(30.5, 24.5), 1.35);
    fillShaded(p, polygon({{21.5, 30}, {26.5, 30}, {24, 35.5}}), QColor(250, 170, 40));
    drawGlasses(p, f.glasses, QPointF(17.5, 24.5), QPointF(30.5, 24.5));
}

void drawPenguin(QPainter &p, const Face &f) {
    fillShaded(p, ellipse(QPointF(24, 27), 16.5, 16.5), f.skin);
    QPainterPath mask = ellipse(QPointF(18.5, 27), 6.8, 7.6)
                            .united(ellipse(QPointF(29.5, 27), 6.8, 7.6))
                            .united(ellipse(QPointF(24, 34), 10, 8));
    fillShaded(p, mask, QColor(250, 250, 252));
    drawEyes(p, f, QPointF(18.8, 27), QPointF(29.2, 27));
    blush(p, QPointF(15.5, 33), QPointF(32.5, 33), 2.3);
    QPainterPath beak;
    beak.moveTo(20, 31);
    beak.quadTo(24, 29.2, 28, 31);
    beak.quadTo(25.5, 35.5, 24, 35.5);
    beak.quadTo(22.5, 35.5, 20, 31);
    fillShaded(p, beak, QColor(250, 160, 40));
    drawHat(p, f.hat, f.hatColour);
}

void drawPig(QPainter &p, const Face &f) {
    for (double side : {-1.0, 1.0}) {
        QPainterPath ear =
            polygon({{24 + side * 13.5, 9}, {24 + side * 5.5, 15}, {24 + side * 15, 20}});
        fillShaded(p, ear, f.skin.darker(108));
    }
    fillShaded(p, ellipse(QPointF(24, 28.5), 16, 14.5), f.skin);
    drawEyes(p, f, QPointF(17.5, 25.5), QPointF(30.5, 25.5));
    blush(p, QPointF(13.5, 33), QPointF(34.5, 33), 2.5);
    fillShaded(p, ellipse(QPointF(24, 32), 6.2, 4.4), f.hair);
    for (double side : {-1.0, 1.0})
        fillFlat(p, ellipse(QPointF(24 + side * 2.2, 32), 1, 1.6), f.hair.darker(180), 0);
    drawMouth(p, f.mouth, QPointF(24, 39), 6);
}

void drawLion(QPainter &p, const Face &f) {
    QPolygonF mane;
    for (int i = 0; i < 28; ++i) {
        const double a = i * M_PI / 14;
        const double r = (i % 2 == 0) ? 22.5 : 18.5;
        mane << QPointF(24 + r * std::cos(a), 25.5 + r * 0.96 * std::sin(a));
    }
    QPainterPath manePath;
    manePath.addPolygon(mane);
    manePath.closeSubpath();
    fillShaded(p, manePath, f.hair);
    for (double side : {-1.0, 1.0}) {
        fillShaded(p, ellipse(QPointF(24 + side * 10.5, 14), 4, 4), f.skin);
        fillFlat(p, ellipse(QPointF(24 + side * 10.5, 14.4), 2, 2), f.skin.darker(130), 0);
    }
    fillShaded(p, ellipse(QPointF(24, 27), 13, 13), f.skin);
    drawEyes(p, f, QPointF(19, 24.5), QPointF(29, 24.5));
    fillFlat(p, ellipse(QPointF(24, 32), 6.4, 4.6), f.skin.lighter(125), 0);
    fillFlat(p, polygon({{21.3, 28.6}, {26.7, 28.6}, {24, 31.6}}), QColor(120, 60, 50), 1.0);
    drawMouth(p, f.mouth, QPointF(24, 33), 7);
}

void drawMonkey(QPainter &p, const Face &f) {
    for (double side : {-1.0, 1.0}) {
        const QPointF c(24 + side * 15, 27);
        fillShaded(p, ellipse(c, 5, 5.2), f.skin);
        fillFlat(p, ellipse(c + QPointF(-side * 0.5, 0), 2.8, 3), f.hair, 0);
    }
    fillShaded(p, ellipse(QPointF(24, 26), 14, 15), f.skin);
    const QPainterPath face = ellipse(QPointF(19.5, 24), 5.8, 6.2)
                                  .united(ellipse(QPointF(28.5, 24), 5.8, 6.2))
                                  .united(ellipse(QPointF(24, 33), 9.8, 7.8));
    fillShaded(p, face, f.hair);
    drawEyes(p, f, QPointF(19.5, 24.5), QPointF(28.5, 24.5));
    dot(p, QPointF(22.8, 30), 0.8, f.hair.darker(170));
    dot(p, QPointF(25.2, 30), 0.8, f.hair.darker(170));
    drawMouth(p, f.mouth, QPointF(24, 34.5), 10);
}

void drawMouse(QPainter &p, const Face &f) {
    for (double side : {-1.0, 1.0}) {
        const QPointF c(24 + side * 12.5, 14);
        fillShaded(p, ellipse(c, 8.2, 8.2), f.skin);
        fillFlat(p, ellipse(c + QPointF(-side * 0.4, 0.4), 5.2, 5.2), QColor(250, 175, 190), 0);
    }
    QPainterPath head;
    head.moveTo(24, 43);
    head.cubicTo(15, 43, 10, 35, 10, 29);
    head.cubicTo(10, 20, 17, 16, 24, 16);
    head.cubicTo(31, 16, 38, 20, 38, 29);
    head.cubicTo(38, 35, 33, 43, 24, 43);
    fillShaded(p, head, f.skin);
    drawEyes(p, f, QPointF(19, 28), QPointF(29, 28));
    blush(p, QPointF(15.5, 34), QPointF(32.5, 34), 2.2);
    fillShaded(p, ellipse(QPointF(24, 35.5), 2.2, 1.7), QColor(240, 110, 140));
    drawMouth(p, f.mouth, QPointF(24, 38.5), 6);
    whiskers(p, QPointF(24, 36), 9);
}

void drawRobot(QPainter &p, const Face &f) {
    QPainterPath antenna;
    antenna.moveTo(24, 11);
    antenna.lineTo(24, 4.5);
    stroke(p, antenna, 1.6);
    fillShaded(p, ellipse(QPointF(24, 3.6), 2.6, 2.6), QColor(240, 60, 60));
    for (double x : {5.5, 38.5}) {
        QPainterPath bolt;
        bolt.addRoundedRect(QRectF(x, 21, 4, 11), 1.5, 1.5);
        fillShaded(p, bolt, f.hair);
    }
    QPainterPath head;
    head.addRoundedRect(QRectF(8.5, 10, 31, 31), 6, 6);
    QLinearGradient g(0, 10, 0, 41);
    g.setColorAt(0, f.skin.lighter(125));
    g.setColorAt(0.5, f.skin);
    g.setColorAt(1, f.skin.darker(125));
    p.setPen(ink());
    p.setBrush(g);
    p.drawPath(head);
    for (QPointF b : {QPointF(12, 13.5), QPointF(36, 13.5), QPointF(12, 37.5), QPointF(36, 37.5)})
        dot(p, b, 0.9, f.skin.darker(160));
    for (double x : {18.0, 30.0}) {
        fillFlat(p, ellipse(QPointF(x, 23), 4.6, 4.6), QColor(40, 44, 56), 1.0);
        QRadialGradient glow(QPointF(x, 23), 3.4);
        glow.setColorAt(0, QColor(220, 255, 255));
        glow.setColorAt(0.5, f.iris);
        glow.setColorAt(1, f.iris.darker(140));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QPointF(x, 23), 3.2, 3.2);
    }
    QPainterPath grille;
    grille.addRoundedRect(QRectF(15, 31, 18, 6), 2, 2);
    fillFlat(p, grille, QColor(60, 64, 76), 1.0);
    QPainterPath vents;
    for (double x = 18.6; x < 32; x += 3.6) {
        vents.moveTo(x, 32);
        vents.lineTo(x, 36);
    }
    stroke(p, vents, 0.9, QColor(150, 230, 240));
}

void drawDroid(QPainter &p, const Face &f) {
    for (double side : {-1.0, 1.0}) {
        QPainterPath stalk;
        stalk.moveTo(24 + side * 8, 13);
        stalk.lineTo(24 + side * 11, 5);
        stroke(p, stalk, 1.4);
        fillShaded(p, ellipse(QPointF(24 + side * 11, 4.5), 2, 2), f.hair);
    }
    fillShaded(p, ellipse(QPointF(24, 27), 16.5, 16), f.skin);
    QPainterPath visor;
    visor.addRoundedRect(QRectF(11, 19, 26, 12), 6, 6);
    fillFlat(p, visor, QColor(28, 32, 46));
    QPainterPath eyesPath;
    for (double x : {18.5, 29.5}) {
        eyesPath.moveTo(x - 3, 26.5);
        eyesPath.quadTo(x, 21, x + 3, 26.5);
    }
    stroke(p, eyesPath, 2.2, f.iris);
    QPainterPath shine;
    shine.moveTo(13.5, 22);
    shine.quadTo(14.5, 20.5, 17, 20.4);
    stroke(p, shine, 1.0, QColor(255, 255, 255, 140));
    QPainterPath smile;
    smile.moveTo(19, 35.5);
    smile.quadTo(24, 39.5, 29, 35.5);
    stroke(p, smile, 2.0, f.iris.darker(110));
    blush(p, QPointF(13.5, 35), QPointF(34.5, 35), 2.2);
}

void drawAlien(QPainter &p, const Face &f) {
    for (double side : {-1.0, 1.0}) {
        QPainterPath stalk;
        stalk.moveTo(24 + side * 6, 11);
        stalk.quadTo(24 + side * 9, 6, 24 + side * 13, 4);
        stroke(p, stalk, 1.4);
        fillShaded(p, ellipse(QPointF(24 + side * 13, 4), 2.4, 2.4), f.hair);
    }
    QPainterPath head;
    head.moveTo(24, 45);
    head.cubicTo(15, 45, 7, 33, 7, 24);
    head.cubicTo(7, 14, 15, 9, 24, 9);
    head.cubicTo(33, 9, 41, 14, 41, 24);
    head.cubicTo(41, 33, 33, 45, 24, 45);
    fillShaded(p, head, f.skin);
    for (double side : {-1.0, 1.0}) {
        p.save();
        p.translate(24 + side * 7, 27);
        p.rotate(side * 28);
        fillFlat(p, ellipse(QPointF(0, 0), 3.8, 6), QColor(20, 20, 30), 1.0);
        dot(p, QPointF(-1.1, -2.2), 1.2, Qt::white);
        p.restore();
    }
    drawMouth(p, f.mouth, QPointF(24, 38), 5);
}

void drawMonster(QPainter &p, const Face &f) {
    for (double side : {-1.0, 1.0}) {
        QPainterPath horn;
        horn.moveTo(24 + side * 7, 12);
        horn.quadTo(24 + side * 13, 9, 24 + side * 14, 1.5);
        horn.quadTo(24 + side * 17.5, 10, 24 + side * 13, 15.5);
        horn.closeSubpath();
        fillShaded(p, horn, QColor(250, 235, 200));
    }
    QPolygonF fuzz;
    for (int i = 0; i < 48; ++i) {
        const double a = i * M_PI / 24;
        const double r = (i % 2 == 0) ? 17.2 : 15.8;
        fuzz << QPointF(24 + r * std::cos(a), 28 + r * 0.95 * std::sin(a));
    }
    QPainterPath body;
    body.addPolygon(fuzz);
    body.closeSubpath();
    fillShaded(p, body, f.skin);
    p.setPen(ink(1.2));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(24, 23.5), 7, 7);
    dot(p, QPointF(25, 24.5), 4, f.iris);
    dot(p, QPointF(25, 24.5), 2.1, QColor(25, 20, 25));
    dot(p, QPointF(22.5, 21.5), 1.4, Qt::white);
    QPainterPath mouth;
    mouth.moveTo(14, 33);
    mouth.quadTo(24, 36, 34, 33);
    mouth.quadTo(24, 45, 14, 33);
    fillFlat(p, mouth, QColor(115, 32, 45), 1.3);
    p.setPen(ink(0.8));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(18, 34.3), QPointF(21, 34.9), QPointF(19.6, 38)}));
    p.drawPolygon(QPolygonF({QPointF(27, 34.9), QPointF(30, 34.3), QPointF(28.4, 38)}));
    for (QPointF s : {QPointF(13, 26), QPointF(35.5, 31), QPointF(33, 16.5)})
        dot(p, s, 1.3, f.hair);
}

void drawFace(QPainter &p, const Face &f) {
    switch (f.kind) {
    case Kind::Human:
        drawPerson(p, f);
        return;
    case Kind::Cat:
        drawCat(p, f);
        break;
    case Kind::Dog:
        drawDog(p, f);
        break;
    case Kind::Bear:
        drawBear(p, f, false);
        break;
    case Kind::Panda:
        drawBear(p, f, true);
        break;
    case Kind::Rabbit:
        drawRabbit(p, f);
        break;
    case Kind::Fox:
        drawFox(p, f);
        break;
    case Kind::Frog:
        drawFrog(p, f);
        return;
    case Kind::Owl:
        drawOwl(p, f);
        return;
    case Kind::Penguin:
        drawPenguin(p, f);
        return;
    case Kind::Pig:
        drawPig(p, f);
        break;
    case Kind::Lion:
        drawLion(p, f);
        break;
    case Kind::Monkey:
        drawMonkey(p, f);
        break;
    case Kind::Mouse:
        drawMouse(p, f);
        break;
    case Kind::Robot:
        drawRobot(p, f);
        break;
    case Kind::Droid:
        drawDroid(p, f);
        break;
    case Kind::Alien:
        drawAlien(p, f);
        break;
    case Kind::Monster:
        drawMonster(p, f);
        break;
    }
    drawHat(p, f.hat, f.hatColour);
}

// The faces in file order: 0.ico, 1.ico, ...
const Face kFaces[] = {
    {.skin = {255, 222, 196},
     .hair = {120, 72, 40},
     .style = Hair::Short,
     .iris = {60, 120, 200},
     .glasses = Glasses::Round,
     .extras = Brows},
    {.kind = Kind::Cat,
     .skin = {245, 160, 70},
     .hair = {200, 105, 30},
     .hat = Hat::Bow,
     .hatColour = {230, 60, 110},
     .iris = {90, 170, 60},
     .mouth = Mouth::Cat},
    {.skin = {118, 74, 48},
     .hair = {35, 28, 30},
     .style = Hair::Afro,
     .eyes = Eyes::Happy,
     .mouth = Mouth::Grin},
    {.kind = Kind::Robot, .skin = {175, 185, 198}, .hair = {120, 130, 145}, .iris = {60, 200, 230}},
    {.skin = {250, 212, 188},
     .hair = {200, 80, 30},
     .style = Hair::Pigtails,
     .hatColour = {90, 180, 250},
     .iris = {70, 150, 80},
     .mouth = Mouth::Tongue,
     .extras = Freckles | Blush},
    {.kind = Kind::Dog,
     .skin = {215, 170, 115},
     .hair = {125, 80, 45},
     .eyes = Eyes::Dots,
     .mouth = Mouth::Tongue},
    {.skin = {198, 134, 90},
     .hair = {40, 30, 28},
     .eyes = Eyes::Happy,
     .mouth = Mouth::Laugh,
     .extras = Beard | Brows},
    {.kind = Kind::Panda, .skin = {248, 248, 248}, .eyes = Eyes::Dots, .extras = Blush},
    {.skin = {245, 208, 175},
     .hair = {245, 200, 80},
     .style = Hair::Spiky,
     .glasses = Glasses::Sun,
     .mouth = Mouth::Smirk},
    {.kind = Kind::Frog, .skin = {110, 190, 70}, .hat = Hat::Crown, .eyes = Eyes::Dots},
    {.skin = {224, 172, 125},
     .hair = {30, 26, 34},
     .style = Hair::Long,
     .iris = {110, 70, 40},
     .extras = Lashes | Blush | Earrings},
    {.kind = Kind::Fox, .skin = {235, 120, 40}, .eyes = Eyes::Happy, .mouth = Mouth::Smile},
    {.skin = {236, 190, 150},
     .hair = {110, 70, 40},
     .style = Hair::Short,
     .hat = Hat::Cap,
     .hatColour = {220, 45, 45},
     .eyes = Eyes::Wink,
     .iris = {80, 60, 40},
     .mouth = Mouth::Grin},
    {.kind = Kind::Owl,
     .skin = {150, 105, 70},
     .hair = {240, 215, 170},
     .iris = {245, 160, 30},
     .glasses = Glasses::Round},
    {.skin = {252, 220, 200},
     .hair = {215, 215, 220},
     .style = Hair::Sides,
     .glasses = Glasses::Round,
     .extras = Moustache | Brows},
    {.kind = Kind::Rabbit, .skin = {250, 250, 250}, .eyes = Eyes::Dots},
    {.skin = {90, 58, 40},
     .hair = {220, 40, 160},
     .style = Hair::Mohawk,
     .iris = {70, 45, 30},
     .mouth = Mouth::Grin},
    {.kind = Kind::Penguin,
     .skin = {45, 50, 64},
     .hat = Hat::Beanie,
     .hatColour = {230, 60, 60},
     .eyes = Eyes::Dots},
    {.skin = {224, 172, 125},
     .hair = {30, 40, 80},
     .style = Hair::Bob,
     .hat = Hat::Cone,
     .hatColour = {60, 140, 240},
     .eyes = Eyes::Happy,
     .mouth = Mouth::Laugh,
     .extras = Blush},
    {.kind = Kind::Bear, .skin = {160, 105, 65}, .hair = {225, 185, 140}, .eyes = Eyes::Dots},
    {.skin = {255, 226, 204},
     .hair = {215, 110, 50},
     .style = Hair::Short,
     .hat = Hat::Beanie,
     .hatColour = {50, 120, 200},
     .iris = {70, 140, 200},
     .mouth = Mouth::Ooh,
     .extras = Freckles | Blush},
    {.kind = Kind::Pig, .skin = {250, 180, 190}, .hair = {245, 150, 165}, .eyes = Eyes::Dots},
    {.skin = {205, 150, 105},
     .hair = {90, 55, 35},
     .style = Hair::Short,
     .hat = Hat::TopHat,
     .hatColour = {40, 40, 48},
     .eyes = Eyes::Dots,
     .extras = Moustache | Brows},
    {.kind = Kind::Lion, .skin = {245, 195, 95}, .hair = {200, 100, 35}, .eyes = Eyes::Dots},
    {.skin = {241, 194, 155},
     .hair = {250, 215, 110},
     .style = Hair::Long,
     .hat = Hat::Crown,
     .iris = {60, 130, 220},
     .extras = Lashes | Blush},
    {.kind = Kind::Alien, .skin = {150, 220, 100}, .hair = {250, 200, 60}, .mouth = Mouth::Smile},
    {.skin = {150, 95, 60},
     .hair = {50, 35, 25},
     .style = Hair::Short,
     .hat = Hat::Cowboy,
     .hatColour = {165, 110, 60},
     .eyes = Eyes::Dots,
     .mouth = Mouth::Smirk,
     .extras = Brows},
    {.kind = Kind::Monkey,
     .skin = {135, 90, 60},
     .hair = {240, 205, 165},
     .eyes = Eyes::Dots,
     .mouth = Mouth::Grin},
    {.skin = {255, 214, 186},
     .hair = {245, 245, 250},
     .hat = Hat::Wizard,
     .hatColour = {100, 70, 200},
     .eyes = Eyes::Happy,
     .extras = LongBeard | Moustache | Brows},
    {.kind = Kind::Mouse, .skin = {175, 175, 185}, .eyes = Eyes::Dots, .mouth = Mouth::Smile},
    {.skin = {161, 102, 66},
     .hair = {25, 22, 26},
     .style = Hair::Bun,
     .iris = {80, 50, 30},
     .mouth = Mouth::Smile,
     .extras = Earrings | Blush | Lashes},
    {.kind = Kind::Droid, .skin = {250, 205, 70}, .hair = {240, 80, 60}, .iris = {90, 230, 255}},
    {.skin = {180, 120, 80},
     .hair = {60, 40, 30},
     .style = Hair::Afro,
     .hat = Hat::Headphones,
     .hatColour = {40, 170, 120},
     .eyes = Eyes::Sleepy,
     .mouth = Mouth::Smile},
    {.kind = Kind::Monster,
     .skin = {150, 100, 220},
     .hair = {120, 70, 190},
     .iris = {90, 200, 90},
     .mouth = Mouth::Grin},
    {.skin = {248, 215, 190},
     .hair = {40, 30, 28},
     .style = Hair::SideSwept,
     .hat = Hat::Chef,
     .eyes = Eyes::Dots,
     .mouth = Mouth::Grin,
     .extras = Moustache},
};

// ---- Writing .ico files ----

void put16(QByteArray &out, quint16 v) {
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}

void put32(QByteArray &out, quint32 v) {
    put16(out, quint16(v & 0xffff));
    put16(out, quint16(v >> 16));
}

// One icon picture as Windows keeps it inside an .ico file: a BITMAPINFOHEADER whose height
// counts both the colour rows and the mask rows, the 32-bit BGRA rows bottom up, then the 1-bit
// AND mask (bit set where the picture is fully transparent), each mask row padded to 32 bits.
QByteArray iconBitmap(const QImage &picture) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width();
    const int h = image.height();
    const int maskStride = (w + 31) / 32 * 4;
    QByteArray out;
    put32(out, 40);
    put32(out, quint32(w));
    put32(out, quint32(2 * h));
    put16(out, 1);  // planes
    put16(out, 32); // bits per pixel
    put32(out, 0);  // BI_RGB
    put32(out, quint32(w * h * 4 + maskStride * h));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            out.append(char(qBlue(row[x])));
            out.append(char(qGreen(row[x])));
            out.append(char(qRed(row[x])));
            out.append(char(qAlpha(row[x])));
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        QByteArray mask(maskStride, '\0');
        for (int x = 0; x < w; ++x) {
            if (qAlpha(row[x]) == 0)
                mask[x / 8] = char(mask[x / 8] | (0x80 >> (x % 8)));
        }
        out.append(mask);
    }
    return out;
}

// An .ico file: the ICONDIR header, one 16-byte entry per picture, then the pictures.
QByteArray iconFile(const QList<QImage> &pictures) {
    QList<QByteArray> bitmaps;
    for (const QImage &picture : pictures)
        bitmaps.append(iconBitmap(picture));
    QByteArray out;
    put16(out, 0); // reserved
    put16(out, 1); // icon, not cursor
    put16(out, quint16(pictures.size()));
    quint32 offset = 6 + 16 * quint32(pictures.size());
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const QImage &picture = pictures[i];
        out.append(char(picture.width() >= 256 ? 0 : picture.width()));
        out.append(char(picture.height() >= 256 ? 0 : picture.height()));
        out.append(char(0)); // no palette
        out.append(char(0)); // reserved
        put16(out, 1);       // planes
        put16(out, 32);      // bits per pixel
        put32(out, quint32(bitmaps[i].size()));
        put32(out, offset);
        offset += quint32(bitmaps[i].size());
    }
    for (const QByteArray &bitmap : bitmaps)
        out.append(bitmap);
    return out;
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

bool writeFaces(const QString &dir) {
    QDir().mkpath(dir);
    bool ok = true;
    int index = 0;
    for (const Face &face : kFaces) {
        const auto draw = [&face](Canvas &c) { drawFace(c.p, face); };
        const QList<QImage> pictures = {render(33, draw), render(66, draw)};
        ok &= writeFile(dir + QStringLiteral("/%1.ico").arg(index++), iconFile(pictures));
    }
    return ok;
}

// ---- Writing JPEG files ----

// Baseline JPEG through libjpeg. Its standard error handler prints the message and ends the
// program, which is all this tool needs.
QByteArray jpegData(const QImage &picture, int quality) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray out(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}

// ---- The About picture ----

// The About window's picture: a lake at sunset under a tall sky. It is drawn at twice the size
// and scaled down, then gets film grain and a slight vignette so that it looks photographed.
// The random numbers come from a fixed seed, so every run writes the same file.
class Random {
public:
    explicit Random(quint32 seed) : engine(seed) {}
    // Mapped by hand: the standard distributions may differ between libraries.
    double uniform(double low, double high) {
        return low + (high - low) * (double(engine()) / 4294967296.0);
    }
    // Roughly normal with deviation 1: the sum of three uniform numbers.
    double bell() { return uniform(-1, 1) + uniform(-1, 1) + uniform(-1, 1); }

private:
    std::mt19937 engine;
};

const int kAboutWidth = 223;
const int kAboutHeight = 358;
const double kHorizon = 212;
const QPointF kSun(152, 186);

double farRidge(double x) {
    return 191 - 13 * (0.5 + 0.5 * std::sin(x * 0.021 + 1.2)) - 5 * std::sin(x * 0.058 + 0.4) -
           1.6 * std::sin(x * 0.19 + 2.0);
}

double nearRidge(double x) {
    return 206 - 26 * std::exp(-std::pow((x - 30) / 62, 2)) - 4 * std::sin(x * 0.045 + 2.2) -
           1.2 * std::sin(x * 0.23);
}

double shoreLine(double x) {
    return 298 - 10 * std::sin(x * 0.018 + 0.3) + 4 * std::sin(x * 0.07);
}

QPainterPath ridgePath(const std::function<double(double)> &ridge, double bottom) {
    QPainterPath path;
    path.moveTo(-1, bottom);
    for (double x = -1; x <= kAboutWidth + 1; x += 0.5)
        path.lineTo(x, ridge(x));
    path.lineTo(kAboutWidth + 1, bottom);
    path.closeSubpath();
    return path;
}

void drawSky(QPainter &p, Random &random) {
    QLinearGradient sky(0, 0, 0, kHorizon);
    sky.setColorAt(0, QColor(24, 32, 78));
    sky.setColorAt(0.3, QColor(58, 62, 128));
    sky.setColorAt(0.55, QColor(140, 96, 150));
    sky.setColorAt(0.76, QColor(228, 138, 128));
    sky.setColorAt(0.9, QColor(250, 178, 118));
    sky.setColorAt(1, QColor(255, 212, 150));
    p.fillRect(QRectF(0, 0, kAboutWidth, kHorizon + 1), sky);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 46; ++i) {
        const double y = std::pow(random.uniform(0, 1), 1.6) * 110;
        const double x = random.uniform(0, kAboutWidth);
        const int alpha = int((1 - y / 110) * random.uniform(90, 230));
        p.setBrush(QColor(255, 250, 235, alpha));
        p.drawEllipse(QPointF(x, y), 0.45, 0.45);
    }
    QRadialGradient glow(kSun, 150);
    glow.setColorAt(0, QColor(255, 226, 170, 190));
    glow.setColorAt(0.18, QColor(255, 190, 130, 110));
    glow.setColorAt(0.5, QColor(240, 140, 130, 35));
    glow.setColorAt(1, QColor(240, 140, 130, 0));
    p.setBrush(glow);
    p.drawRect(QRectF(0, 0, kAboutWidth, kHorizon + 1));
    // Long thin clouds, lit from below by the sun.
    const QPointF clouds[] = {{60, 128}, {170, 112}, {120, 150}, {40, 170}, {200, 160}, {95, 84}};
    for (QPointF centre : clouds) {
        const double warmth = 1 - std::min(1.0, std::abs(centre.y() - kSun.y()) / 140);
        const QColor lit(255, int(150 + 50 * warmth), int(150 - 20 * warmth));
        for (int i = 0; i < 16; ++i) {
            const QPointF c = centre + QPointF(random.bell() * 16, random.bell() * 2.5);
            const double rx = random.uniform(10, 30);
            const double ry = random.uniform(1.5, 4);
            QRadialGradient puff(QPointF(0, 0), 1);
            QColor inner = lit;
            inner.setAlpha(int(random.uniform(35, 75)));
            QColor outer = lit;
            outer.setAlpha(0);
            puff.setColorAt(0, inner);
            puff.setColorAt(1, outer);
            p.save();
            p.translate(c);
            p.scale(rx, ry);
            p.setBrush(puff);
            p.drawEllipse(QPointF(0, 0), 1, 1);
            p.restore();
        }
    }
    QRadialGradient sun(kSun, 10);
    sun.setColorAt(0, QColor(255, 252, 236));
    sun.setColorAt(0.75, QColor(255, 240, 200));
    sun.setColorAt(1, QColor(255, 220, 160, 0));
    p.setBrush(sun);
    p.drawEllipse(kSun, 10, 10);
    QPainterPath birds;
    for (QPointF b : {QPointF(66, 98), QPointF(78, 106), QPointF(73, 90), QPointF(88, 97)}) {
        const double s = random.uniform(1.6, 2.6);
        birds.moveTo(b + QPointF(-s, -s * 0.4));
        birds.quadTo(b + QPointF(-s * 0.4, -s * 0.7), b);
        birds.quadTo(b + QPointF(s * 0.4, -s * 0.7), b + QPointF(s, -s * 0.4));
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(40, 30, 50, 200), 0.6));
    p.drawPath(birds);
}

void drawHills(QPainter &p, Random &random) {
    QLinearGradient far(0, 175, 0, kHorizon);
    far.setColorAt(0, QColor(150, 104, 140));
    far.setColorAt(1, QColor(205, 140, 140));
    p.setPen(Qt::NoPen);
    p.setBrush(far);
    p.drawPath(ridgePath(farRidge, kHorizon + 1));
    QLinearGradient near(0, 175, 0, kHorizon);
    near.setColorAt(0, QColor(78, 58, 92));
    near.setColorAt(1, QColor(120, 84, 108));
    p.setBrush(near);
    p.drawPath(ridgePath(nearRidge, kHorizon + 1));
    // A forest on the near hill: small crowns along its edge.
    for (double x = 0; x < 130; x += random.uniform(0.8, 1.8)) {
        const double r = random.uniform(0.9, 2.2) * (1.2 - x / 200);
        p.setBrush(QColor(62, 46, 74, int(random.uniform(160, 240))));
        p.drawEllipse(QPointF(x, nearRidge(x) + r * 0.6), r * 0.8, r * 1.3);
    }
    QLinearGradient haze(0, kHorizon - 9, 0, kHorizon + 1);
    haze.setColorAt(0, QColor(255, 200, 170, 0));
    haze.setColorAt(1, QColor(255, 205, 170, 90));
    p.setBrush(haze);
    p.drawRect(QRectF(0, kHorizon - 9, kAboutWidth, 10));
}

// Mirrors everything above the horizon into the lake, with small ripples and a darker tint.
void reflect(QImage &image, double scale) {
    const int horizon = int(kHorizon * scale);
    const int w = image.width();
    const QColor water(16, 24, 50);
    for (int y = horizon; y < image.height(); ++y) {
        const double depth = double(y - horizon) / (image.height() - horizon);
        const int source = std::max(0, horizon - 1 - (y - horizon));
        const double wave = std::sin(y * 0.55 + std::sin(y * 0.09) * 3) * (0.6 + depth * 5);
        const double keep = 0.82 - 0.3 * depth;
        QRgb *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        const QRgb *from = reinterpret_cast<const QRgb *>(image.constScanLine(source));
        for (int x = 0; x < w; ++x) {
            const int sx = std::clamp(int(std::lround(x + wave)), 0, w - 1);
            const QRgb c = from[sx];
            row[x] = qRgb(int(qRed(c) * keep + water.red() * (1 - keep)),
                          int(qGreen(c) * keep + water.green() * (1 - keep)),
                          int(qBlue(c) * keep + water.blue() * (1 - keep)));
        }
    }
}

void drawWater(QPainter &p, Random &random) {
    p.setPen(Qt::NoPen);
    // Light on the ripples, thickest under the sun.
    for (int i = 0; i < 170; ++i) {
        const double t = std::pow(random.uniform(0, 1), 1.3);
        const double y = kHorizon + 1 + t * 92;
        const double spread = 4 + t * 22;
        const double x = kSun.x() + random.bell() * spread;
        const double len = random.uniform(1.5, 5) + t * 7;
        p.setBrush(QColor(255, 228, 180, int(random.uniform(50, 190) * (1 - t * 0.5))));
        p.drawRoundedRect(QRectF(x - len / 2, y, len, random.uniform(0.35, 0.8)), 0.3, 0.3);
    }
    for (int i = 0; i < 90; ++i) {
        const double y = random.uniform(kHorizon + 2, 300);
        const double x = random.uniform(0, kAboutWidth);
        const double len = random.uniform(6, 30);
        const bool light = random.uniform(0, 1) < 0.5;
        p.setBrush(light ? QColor(255, 210, 190, 22) : QColor(10, 14, 30, 30));
        p.drawRect(QRectF(x, y, len, 0.5));
    }
    p.setBrush(QColor(255, 215, 175, 110));
    p.drawRect(QRectF(0, kHorizon, kAboutWidth, 0.6));
}

void drawShore(QPainter &p, Random &random) {
    QPainterPath ground;
    ground.moveTo(-1, kAboutHeight + 1);
    for (double x = -1; x <= kAboutWidth + 1; x += 1)
        ground.lineTo(x, shoreLine(x));
    ground.lineTo(kAboutWidth + 1, kAboutHeight + 1);
    ground.closeSubpath();
    QLinearGradient soil(0, 285, 0, kAboutHeight);
    soil.setColorAt(0, QColor(52, 50, 44));
    soil.setColorAt(0.3, QColor(34, 36, 30));
    soil.setColorAt(1, QColor(16, 18, 16));
    p.setPen(Qt::NoPen);
    p.setBrush(soil);
    p.drawPath(ground);
    for (int i = 0; i < 900; ++i) {
        const double x = random.uniform(0, kAboutWidth);
        const double y = shoreLine(x) + std::pow(random.uniform(0, 1), 0.8) * 70;
        const int v = int(random.uniform(-14, 14));
        p.setBrush(QColor(std::clamp(34 + v, 0, 255), std::clamp(36 + v, 0, 255),
                          std::clamp(30 + v, 0, 255), 140));
        p.drawEllipse(QPointF(x, y), random.uniform(0.3, 1.2), random.uniform(0.2, 0.6));
    }
    // Reeds by the water, right of the tree.
    for (int i = 0; i < 9; ++i) {
        const double x = 150 + i * 7 + random.uniform(-3, 3);
        const double base = shoreLine(x) + 3;
        const double top = base - random.uniform(34, 56);
        const double lean = random.uniform(-5, 5);
        QPainterPath stalk;
        stalk.moveTo(x, base);
        stalk.quadTo(x + lean * 0.2, (base + top) / 2, x + lean, top);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(24, 26, 22), 0.8));
        p.drawPath(stalk);
        if (i % 2 == 0) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(48, 32, 26));
            p.drawRoundedRect(QRectF(x + lean * 0.9 - 1.1, top + 4, 2.2, 8), 1, 1);
        }
    }
    // Grass: blades along the edge, a few with warm light on their tips.
    for (int i = 0; i < 520; ++i) {
        const double x = random.uniform(-2, kAboutWidth + 2);
        const double base = shoreLine(x) + std::pow(random.uniform(0, 1), 1.5) * 40 + 2;
        const double h = random.uniform(4, 16) * (0.6 + (base - 290) / 80);
        const double lean = random.uniform(-4, 4);
        QPainterPath blade;
        blade.moveTo(x - 0.6, base);
        blade.quadTo(x + lean * 0.3, base - h * 0.6, x + lean, base - h);
        blade.quadTo(x + lean * 0.3 + 0.5, base - h * 0.6, x + 0.6, base);
        blade.closeSubpath();
        const int v = int(random.uniform(0, 22));
        QLinearGradient g(0, base - h, 0, base);
        g.setColorAt(0, random.uniform(0, 1) < 0.25 ? QColor(150, 110, 70)
                                                    : QColor(50 + v, 56 + v, 40 + v));
        g.setColorAt(1, QColor(18 + v / 2, 22 + v / 2, 18 + v / 2));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawPath(blade);
    }
}

void drawTree(QPainter &p, Random &random) {
    const QColor bark(26, 24, 26);
    QPainterPath trunk;
    trunk.moveTo(30, 326);
    trunk.cubicTo(36, 300, 34, 250, 40, 205);
    trunk.cubicTo(43, 180, 44, 160, 47, 140);
    trunk.lineTo(50, 141);
    trunk.cubicTo(49, 165, 49, 185, 48, 208);
    trunk.cubicTo(46, 255, 47, 300, 54, 326);
    trunk.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(bark);
    p.drawPath(trunk);
    QPainterPath branches;
    branches.moveTo(44, 200);
    branches.quadTo(58, 185, 76, 172);
    branches.moveTo(42, 190);
    branches.quadTo(30, 178, 16, 174);
    branches.moveTo(46, 165);
    branches.quadTo(60, 150, 68, 128);
    branches.moveTo(45, 160);
    branches.quadTo(34, 148, 26, 130);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(bark, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(branches);
    // The crown: clusters of small leaves, dark against the sky, warm at the edge facing the sun.
    const QPointF clusters[] = {{48, 112}, {24, 135}, {72, 130}, {18, 170}, {80, 166},
                                {46, 148}, {34, 96},  {62, 96},  {4, 150},  {96, 152}};
    p.setPen(Qt::NoPen);
    for (QPointF centre : clusters) {
        const double radius = random.uniform(17, 24);
        p.setBrush(QColor(24, 29, 31));
        p.drawEllipse(centre, radius * 0.6, radius * 0.5);
        for (int i = 0; i < 320; ++i) {
            const double a = random.uniform(0, 2 * M_PI);
            const double d = std::pow(random.uniform(0, 1), 0.35) * radius;
            const QPointF leaf = centre + QPointF(d * std::cos(a), d * std::sin(a) * 0.8);
            const double r = random.uniform(0.8, 2.4);
            const int v = int(random.uniform(-5, 6));
            p.save();
            p.translate(leaf);
            p.rotate(random.uniform(0, 180));
            const double edge = d / radius;
            const double sunSide = std::cos(a) * 0.8 - std::sin(a) * 0.2;
            if (edge > 0.8 && sunSide > 0.3)
                p.setBrush(QColor(60 + 5 * v, 46 + 3 * v, 42 + 2 * v));
            else
                p.setBrush(QColor(24 + v, 30 + v, 31 + v));
            p.drawEllipse(QPointF(0, 0), r, r * 0.6);
            p.restore();
        }
    }
}

// Grain, in brightness mostly, and a slightly darker rim.
void developFilm(QImage &image, Random &random) {
    const double cx = image.width() / 2.0;
    const double cy = image.height() / 2.0;
    for (int y = 0; y < image.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const double dx = (x - cx) / cx;
            const double dy = (y - cy) / cy;
            const double vignette = 1 - 0.22 * std::pow((dx * dx + dy * dy) / 2, 1.4);
            const double grain = random.bell() * 4.2;
            const double tint = random.bell() * 1.2;
            const QRgb c = row[x];
            const auto channel = [&](int v, double extra) {
                return std::clamp(int(std::lround(v * vignette + grain + extra)), 0, 255);
            };
            row[x] = qRgb(channel(qRed(c), tint), channel(qGreen(c), 0), channel(qBlue(c), -tint));
        }
    }
}

// The picture at its size and at twice its size (for screens of twice the
// density), both developed alike.
std::pair<QImage, QImage> drawAbout() {
    const double scale = 2;
    QImage image(int(kAboutWidth * scale), int(kAboutHeight * scale), QImage::Format_RGB32);
    image.fill(Qt::black);
    Random random(20240611);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        drawSky(p, random);
        drawHills(p, random);
    }
    reflect(image, scale);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        drawWater(p, random);
        drawShore(p, random);
        drawTree(p, random);
    }
    // The drawing is exactly twice the size, so scaling to the width gives the height too.
    QImage small = image.scaledToWidth(kAboutWidth, Qt::SmoothTransformation);
    small = small.convertToFormat(QImage::Format_RGB32);
    Random grain = random;
    developFilm(small, random);
    developFilm(image, grain);
    return {small, image};
}

} // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    QString out = QStringLiteral(".");
    QString faces;
    QString about;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == QLatin1String("--faces") && hasValue) {
            faces = args[++i];
        } else if (args[i] == QLatin1String("--about") && hasValue) {
            about = args[++i];
        } else if (!args[i].startsWith(QLatin1String("--"))) {
            out = args[i];
        } else {
            std::fprintf(stderr,
                         "usage: mendora_drawicons [icons-dir] [--faces dir] [--about file]\n");
            return 2;
        }
    }
    QDir().mkpath(out);
    using Draw = std::function<void(Canvas &)>;
    const Draw common[6] = {drawHouses,      drawEnvelope, drawLifebuoy,
                            drawMusicFolder, drawBin,      drawDisc};
    bool ok = true;
    // Each picture also at twice its size, name@2x.png, which Qt takes on
    // screens of twice the density.
    const auto save = [&](int size, const Draw &draw, const QString &name) {
        return render(size, draw).save(out + QLatin1Char('/') + name + QStringLiteral(".png")) &&
               render(2 * size, draw)
                   .save(out + QLatin1Char('/') + name + QStringLiteral("@2x.png"));
    };
    for (int i = 0; i < 6; ++i) {
        ok &= save(16, common[i], QStringLiteral("ico%1").arg(i));
        ok &= save(48, common[i], QStringLiteral("big%1").arg(i));
    }
    ok &= save(16, drawCheck, QStringLiteral("ico6"));
    ok &= save(16, drawPageGear, QStringLiteral("ico7"));
    ok &= save(16, drawDamaged, QStringLiteral("ico8"));
    ok &= save(16, drawNotChecked, QStringLiteral("ico9"));
    ok &= save(48, drawPageGear, QStringLiteral("big6"));
    ok &= save(48, drawDisc, QStringLiteral("app"));
    // The application icon of the desktop's icon theme, drawn at each of its sizes.
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder = out + QStringLiteral("/hicolor/%1x%1/apps").arg(size);
        QDir().mkpath(folder);
        ok &= render(size, drawDisc).save(folder + QStringLiteral("/com.corvanta.Mendora.png"));
    }
    if (!faces.isEmpty())
        ok &= writeFaces(faces);
    if (!about.isEmpty()) {
        QDir().mkpath(QFileInfo(about).absolutePath());
        const auto [picture, doubled] = drawAbout();
        ok &= writeFile(about, jpegData(picture, 88));
        QString doubledName = about;
        doubledName.insert(doubledName.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
        ok &= writeFile(doubledName, jpegData(doubled, 88));
    }
    std::printf("%s\n", ok ? "written" : "failed");
    return ok ? 0 : 1;
}
