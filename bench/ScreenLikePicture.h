#pragma once

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <random>

// The 3840×2160 picture the encoder benchmarks convert, the same on every
// run. A desktop: a gradient background, overlapping windows with title bars,
// lines of "text" (short dark blocks of varying width), toolbar icons and a
// photo-like area, so the encoder meets flat areas, sharp edges and
// gradients in roughly the mix a screenshot has.
inline QImage screenLikePicture()
{
    constexpr int width = 3840;
    constexpr int height = 2160;
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient background(0, 0, width, height);
    background.setColorAt(0, QColor(32, 58, 96));
    background.setColorAt(1, QColor(120, 60, 110));
    painter.fillRect(image.rect(), background);

    std::mt19937 random(20240611);
    const auto between = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int w = 0; w < 7; ++w) {
        const QRect window(between(0, width - 1400), between(0, height - 900), between(900, 1400),
                           between(600, 900));
        painter.fillRect(window.adjusted(8, 8, 8, 8), QColor(0, 0, 0, 60)); // shadow
        painter.fillRect(window, QColor(246, 246, 244));
        const QRect title(window.left(), window.top(), window.width(), 36);
        painter.fillRect(title, QColor(between(40, 90), between(80, 140), between(150, 220)));
        for (int b = 0; b < 3; ++b)
            painter.fillRect(QRect(title.right() - 32 * (b + 1), title.top() + 8, 22, 20),
                             QColor(230, 230, 230));
        // A toolbar of icons.
        for (int x = window.left() + 10; x < window.right() - 40; x += 44) {
            QLinearGradient icon(x, title.bottom() + 8, x + 32, title.bottom() + 40);
            icon.setColorAt(0, QColor(between(0, 255), between(0, 255), between(0, 255)));
            icon.setColorAt(1, QColor(between(0, 255), between(0, 255), between(0, 255)));
            painter.fillRect(QRect(x, title.bottom() + 8, 32, 32), icon);
        }
        // Lines of words.
        const QColor ink(between(0, 60), between(0, 60), between(0, 60));
        for (int y = title.bottom() + 60; y < window.bottom() - 24; y += 22) {
            int x = window.left() + 16;
            while (x < window.right() - 120) {
                const int word = between(12, 90);
                for (int letter = x; letter < x + word; letter += between(6, 9))
                    painter.fillRect(
                        QRect(letter, y + between(0, 4), between(3, 6), between(8, 13)), ink);
                x += word + between(6, 12);
            }
        }
    }
    // A photo: smooth gradients with a little grain.
    const QRect photo(200, 1300, 1100, 700);
    QLinearGradient sky(photo.topLeft(), photo.bottomLeft());
    sky.setColorAt(0, QColor(110, 170, 230));
    sky.setColorAt(0.6, QColor(240, 220, 190));
    sky.setColorAt(1, QColor(60, 110, 40));
    painter.fillRect(photo, sky);
    painter.end();
    for (int y = photo.top(); y <= photo.bottom(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = photo.left(); x <= photo.right(); ++x) {
            const int grain = between(-6, 6);
            const QRgb p = line[x];
            line[x] =
                qRgb(std::clamp(qRed(p) + grain, 0, 255), std::clamp(qGreen(p) + grain, 0, 255),
                     std::clamp(qBlue(p) + grain, 0, 255));
        }
    }
    return image;
}
