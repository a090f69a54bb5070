#pragma once

#include <QWidget>

class ClickLabel;

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
    void paintEvent(QPaintEvent *event) override;

private:
    ClickLabel *m_label4 = nullptr;
    ClickLabel *m_image2 = nullptr;
};
