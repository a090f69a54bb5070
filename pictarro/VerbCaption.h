#pragma once

#include <QLabel>

// A one-line caption with a verb between its first and its last word: the
// text "To             Pictarro" with "Enable" between "To" and "Pictarro".
// The verb is a label of its own (its own font and colour) laid in the
// caption; the two words are drawn at either side of it, a blank's width
// away, each placed by the font's metrics, so that no font closes the gaps
// or makes the verb overlap a word. The caption's text keeps its blanks.
class VerbCaption : public QLabel
{
public:
    VerbCaption(const QString &text, QWidget *parent);

    // Lays this label (a child of the caption) between the two words.
    void setVerb(QLabel *verb);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QString firstWord() const;
    QString lastWord() const;
    int gap() const;
    void placeVerb();

    QLabel *m_verb = nullptr;
};
