#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QSize>
#include <QtGlobal>

#if defined(PICTARRO_PICBOX_LIBRARY)
#define PICTARRO_PICBOX_EXPORT Q_DECL_EXPORT
#else
#define PICTARRO_PICBOX_EXPORT Q_DECL_IMPORT
#endif

// A picture box that shows one picture at its own size on a white ground,
// from its top left corner, with scroll bars only where the picture is
// larger than the box. The picture is drawn straight from the image, a piece
// at a time, so even a very large one costs no second copy.
//
// Double click or Enter/Return raise activated().
class PICTARRO_PICBOX_EXPORT ASPictureBox : public QAbstractScrollArea
{
    Q_OBJECT
    Q_PROPERTY(QImage picture READ picture WRITE setPicture NOTIFY pictureChanged)

public:
    explicit ASPictureBox(QWidget *parent = nullptr);

    // The picture shown; an empty image shows nothing.
    QImage picture() const { return m_picture; }
    void setPicture(const QImage &picture);

    // The outer size in twips, 15 to a pixel; sizeTwips() gives back what
    // was set, or the widget's size in twips when nothing was.
    void setSizeTwips(int width, int height);
    QSize sizeTwips() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void activated();
    void pictureChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void updateScrollBars();

    QImage m_picture;
    QSize m_twips;
};
