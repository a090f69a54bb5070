#pragma once

#include "BmpConverter.h"

#include <QWidget>
#include <memory>

class ClickLabel;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTimer;

// Vantler's only window. Its controls hold all of the program's state: the
// source and target paths, and the quality on the slider.
class VantlerForm : public QWidget
{
    Q_OBJECT
public:
    // converter: how bitmaps become JPEG files; nullptr: BmpToJpeg of the
    // encoder library in the program's folder.
    explicit VantlerForm(const QString &programFolder,
                         std::unique_ptr<BmpConverter> converter = nullptr,
                         QWidget *parent = nullptr);
    ~VantlerForm() override;

    // The start-up sequence of the window: the enabling rules and the focus.
    void Form_Load();

    // Enables "Convert Now!" exactly when both paths are chosen.
    void EnableConvert();

Q_SIGNALS:
    // The user asked to end the program.
    void endRequested();

public Q_SLOTS:
    void SelectBMP_Click();
    void SelectJPG_Click();
    void ConvertCommand_Click();
    void Command1_Click();
    void Preview_Click();
    void Res_Scroll();
    void BMPTimer_Timer();
    void JPGTimer_Timer();

private:
    void buildControls();
    void setQualityColour(const QColor &colour);

    std::unique_ptr<BmpConverter> m_converter;

    QFrame *m_frame1 = nullptr;
    QFrame *m_frame2 = nullptr;
    QLabel *m_bmpImage = nullptr;
    QLabel *m_jpgImage = nullptr;
    QPushButton *m_selectBmp = nullptr;
    QLineEdit *m_bmpPath = nullptr;
    QPushButton *m_selectJpg = nullptr;
    QLineEdit *m_jpgPath = nullptr;
    QLabel *m_label2 = nullptr;
    QSlider *m_res = nullptr;
    QLabel *m_label18 = nullptr;
    QLabel *m_resCaption = nullptr;
    QPushButton *m_convertCommand = nullptr;
    QPushButton *m_command1 = nullptr;
    ClickLabel *m_preview = nullptr;
    QLineEdit *m_text1 = nullptr;
    QTimer *m_bmpTimer = nullptr;
    QTimer *m_jpgTimer = nullptr;
};
