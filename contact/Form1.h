#pragma once

#include <QWidget>

class QLabel;

// The contact window: a frameless note with the support address as a mail
// link and a close mark.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);

Q_SIGNALS:
    // The close mark was clicked: the program ends.
    void endRequested();

public Q_SLOTS:
    void Label4_Click();
    void Image2_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_label4 = nullptr;
    QLabel *m_image2 = nullptr;
};
