#pragma once

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// The pictures the capture and PNG benchmarks offer, at any size, the same
// on every run: "screen", "photo" or "noise".
namespace bench {

// A desktop-like picture: a gradient background, windows with title bars
// and panels, lines of rendered text, and some icons. Deterministic.
inline QImage screenPicture(const QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    QPainter painter(&picture);
    QLinearGradient sky(0, 0, size.width(), size.height());
    sky.setColorAt(0, QColor(32, 64, 128));
    sky.setColorAt(1, QColor(160, 96, 140));
    painter.fillRect(picture.rect(), sky);

    QRandomGenerator random(4242);
    const double scale = size.width() / 1920.0;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(qRound(13 * scale));
    painter.setFont(font);
    const QStringList words = {
        QStringLiteral("capture"), QStringLiteral("folder"),    QStringLiteral("settings"),
        QStringLiteral("the"),     QStringLiteral("clipboard"), QStringLiteral("int"),
        QStringLiteral("return"),  QStringLiteral("QImage"),    QStringLiteral("0x3f"),
        QStringLiteral("{"),       QStringLiteral("Pictarro"),  QStringLiteral("screen")};
    for (int w = 0; w < 5; ++w) {
        const QRect window(random.bounded(size.width() / 2), random.bounded(size.height() / 2),
                           size.width() / 3 + random.bounded(size.width() / 4),
                           size.height() / 3 + random.bounded(size.height() / 4));
        painter.fillRect(window, QColor(246, 246, 244));
        painter.fillRect(QRect(window.topLeft(), QSize(window.width(), qRound(28 * scale))),
                         QColor::fromHsv(random.bounded(360), 90, 200));
        painter.fillRect(QRect(window.left(), window.top() + qRound(28 * scale),
                               qRound(160 * scale), window.height() - qRound(28 * scale)),
                         QColor(228, 232, 238));
        painter.setPen(QColor(30, 30, 30));
        const int lineHeight = qRound(17 * scale);
        for (int y = window.top() + qRound(48 * scale); y < window.bottom() - lineHeight;
             y += lineHeight) {
            QString line;
            const int count = 3 + random.bounded(10);
            for (int i = 0; i < count; ++i)
                line += words.at(random.bounded(words.size())) + u' ';
            painter.drawText(window.left() + qRound(172 * scale), y, line);
        }
        for (int i = 0; i < 6; ++i)
            painter.fillRect(QRect(window.left() + qRound(12 * scale),
                                   window.top() + qRound((40 + 36 * i) * scale), qRound(24 * scale),
                                   qRound(24 * scale)),
                             QColor::fromHsv(random.bounded(360), 160, 220));
    }
    painter.fillRect(QRect(0, size.height() - qRound(40 * scale), size.width(), qRound(40 * scale)),
                     QColor(20, 20, 24));
    return picture;
}

// A grainy photograph: smooth gradients under a little noise, as a camera
// gives. Deterministic.
inline QImage photoPicture(const QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    QRandomGenerator random(99);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int grain = static_cast<int>(random.bounded(13)) - 6;
            line[x] = qRgb(qBound(0, 80 + 100 * x / size.width() + grain, 255),
                           qBound(0, 120 + 80 * y / size.height() + grain, 255),
                           qBound(0, 200 - 120 * y / size.height() + grain, 255));
        }
    }
    return picture;
}

// Noise: no encoder gains anything. Deterministic.
inline QImage noisePicture(const QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    QRandomGenerator random(5);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<quint32 *>(picture.scanLine(y));
        random.fillRange(line, size.width());
        for (int x = 0; x < size.width(); ++x)
            line[x] |= 0xff000000u;
    }
    return picture;
}

inline QImage picture(const QString &kind, const QSize size)
{
    if (kind == QLatin1String("noise"))
        return noisePicture(size);
    if (kind == QLatin1String("photo"))
        return photoPicture(size);
    return screenPicture(size);
}

} // namespace bench
