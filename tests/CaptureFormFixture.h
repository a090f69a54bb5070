// The main window with the encoder beside it and the clipboard emptied
// around each test, for the tests of its controls and of capturing.
#pragma once

#include "CaptureEngine.h"
#include "MainFormFixture.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>

// How long a test waits for what it expects: generous, as a loaded machine
// may be slow; a wait ends as soon as the expectation holds.
constexpr int WaitMs = 20000;

inline QImage testPicture(int width = 53, int height = 31)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x * y) % 256));
    }
    return image;
}

inline QClipboard *clipboard()
{
    return QGuiApplication::clipboard();
}

class CaptureFormFixture : protected MainFormFixture
{
protected:
    void setUp()
    {
        setUpFolders(QStringLiteral("program"));
        clipboard()->clear();
    }

    void tearDown()
    {
        tearDownForm();
        clipboard()->clear();
    }

    // withEncoder: the JPEG encoder library lies in the program folder.
    MainForm &makeForm(bool withEncoder = true)
    {
        if (withEncoder) {
            QFile::copy(QStringLiteral(PICTARRO_BIN_DIR "/libbmp2jpeg.so"),
                        m_env.programFolder + "/libbmp2jpeg.so");
        }
        return loadForm();
    }

    CaptureEngine *engine() const { return control<CaptureEngine>("CaptureEngine"); }
    void tick() { engine()->CaptureTimer_Timer(); }
    QString captureFolder() const { return control<QLineEdit>("CapturePath")->text(); }
    QStringList captures() const
    {
        return QDir(captureFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};
