// Draws the wizard's pictures (header, watermark, icon, the eight frames of
// the connecting animation) into GUI2/resources. Built with -DTARVEL_ARTWORK=ON
// and run by hand after a change:
//   QT_QPA_PLATFORM=offscreen build/bin/make_artwork GUI2/resources
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

const QColor kBlue(0x1f, 0x4e, 0x8c);
const QColor kSky(0x6f, 0xa8, 0xdc);
const QColor kAmber(0xe8, 0x9a, 0x2c);
const QColor kRed(0xb8, 0x3b, 0x3b);

// A database drum: body, top ellipse and two bands.
void drum(QPainter& p, QRectF r, QColor color) {
  const qreal lid = r.height() * 0.22;
  QPainterPath body;
  body.moveTo(r.left(), r.top() + lid / 2);
  body.lineTo(r.left(), r.bottom() - lid / 2);
  body.arcTo(QRectF(r.left(), r.bottom() - lid, r.width(), lid), 180, 180);
  body.lineTo(r.right(), r.top() + lid / 2);
  body.arcTo(QRectF(r.left(), r.top(), r.width(), lid), 0, -180);
  QLinearGradient shade(r.topLeft(), r.topRight());
  shade.setColorAt(0, color.darker(130));
  shade.setColorAt(0.45, color.lighter(125));
  shade.setColorAt(1, color.darker(150));
  p.setPen(QPen(color.darker(180), qMax<qreal>(1, r.width() / 40)));
  p.setBrush(shade);
  p.drawPath(body);
  p.setBrush(color.lighter(150));
  p.drawEllipse(QRectF(r.left(), r.top(), r.width(), lid));
  p.setBrush(Qt::NoBrush);
  for (qreal f : {0.42, 0.68}) {
    const qreal y = r.top() + (r.height() - lid) * f;
    p.drawArc(QRectF(r.left(), y, r.width(), lid), 180 * 16, 180 * 16);
  }
}

// An arrow from left to right.
void arrow(QPainter& p, QPointF from, QPointF to, qreal width, QColor color) {
  QPainterPath path;
  const qreal head = width * 2.2;
  path.moveTo(from.x(), from.y() - width / 2);
  path.lineTo(to.x() - head, to.y() - width / 2);
  path.lineTo(to.x() - head, to.y() - head * 0.8);
  path.lineTo(to.x(), to.y());
  path.lineTo(to.x() - head, to.y() + head * 0.8);
  path.lineTo(to.x() - head, to.y() + width / 2);
  path.lineTo(from.x(), from.y() + width / 2);
  path.closeSubpath();
  p.setPen(QPen(color.darker(150), qMax<qreal>(1, width / 6)));
  p.setBrush(color);
  p.drawPath(path);
}

QImage canvas(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// Two drums and the arrow between them, scaled into a square of side s.
void emblem(QPainter& p, qreal s) {
  drum(p, QRectF(s * 0.04, s * 0.30, s * 0.34, s * 0.50), kRed);
  drum(p, QRectF(s * 0.60, s * 0.18, s * 0.36, s * 0.66), kBlue);
  arrow(p, QPointF(s * 0.34, s * 0.55), QPointF(s * 0.66, s * 0.55), s * 0.09, kAmber);
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");

  // Icon (also the desktop entry's), 256 and 64 pixels.
  for (int size : {64, 256}) {
    QImage icon = canvas(size, size);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    emblem(p, size);
    p.end();
    icon.save(dir +
              (size == 64 ? QStringLiteral("/icon.png") : QStringLiteral("/../tarvel-wizard.png")));
  }

  // Header picture (right of the step pages' header), 64 x 64.
  {
    QImage header = canvas(64, 64);
    QPainter p(&header);
    p.setRenderHint(QPainter::Antialiasing);
    emblem(p, 64);
    p.end();
    header.save(dir + QStringLiteral("/header.png"));
  }

  // Watermark (left of the welcome and finish pages), 164 x 314.
  {
    QImage mark(164, 314, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&mark);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 314);
    sky.setColorAt(0, kBlue.darker(120));
    sky.setColorAt(1, kSky);
    p.fillRect(mark.rect(), sky);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    for (int y = 12; y < 314; y += 14) p.drawLine(0, y, 164, y - 40);
    p.translate(12, 90);
    emblem(p, 140);
    p.resetTransform();
    p.setPen(QColor(255, 255, 255, 230));
    QFont font(QStringLiteral("Sans"), 13, QFont::Bold);
    p.setFont(font);
    p.drawText(QRect(0, 246, 164, 30), Qt::AlignCenter, QStringLiteral("Access"));
    p.setFont(QFont(QStringLiteral("Sans"), 10));
    p.drawText(QRect(0, 270, 164, 20), Qt::AlignCenter, QStringLiteral("to"));
    p.setFont(font);
    p.drawText(QRect(0, 286, 164, 26), Qt::AlignCenter, QStringLiteral("Oracle"));
    p.end();
    mark.save(dir + QStringLiteral("/watermark.png"));
  }

  // Connecting animation: a plug travels from the client drum to the server,
  // eight frames of 32 x 32.
  for (int frame = 0; frame < 8; ++frame) {
    QImage image = canvas(32, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drum(p, QRectF(1, 9, 10, 15), kRed);
    drum(p, QRectF(21, 5, 10, 22), kBlue);
    for (int dot = 0; dot < 4; ++dot) {
      const bool lit = ((frame + 8 - dot * 2) % 8) < 2;
      p.setPen(Qt::NoPen);
      p.setBrush(lit ? kAmber : QColor(0xc8, 0xc8, 0xc8));
      p.drawEllipse(QPointF(12.5 + dot * 2.5, 16), lit ? 1.6 : 1.1, lit ? 1.6 : 1.1);
    }
    p.end();
    image.save(dir + QStringLiteral("/connect%1.png").arg(frame + 1));
  }
  return 0;
}
