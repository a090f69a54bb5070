// A program folder with the JPEG encoder in it, temporary files to convert,
// message boxes answered from a script and the desktop's opener watched:
// what Vantler's window and its command line are tested with.
#pragma once

#include "RecordingLauncher.h"
#include "ScriptedDialogs.h"
#include "VantlerForm.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>
#include <sys/resource.h>

// How long a test waits for what it expects: generous, as a loaded machine
// may be slow; a wait ends as soon as the expectation holds.
constexpr int WaitMs = 20000;

// A noisy picture, so that its JPEG is far larger than a few kilobytes.
inline QImage noisyPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245U + 12345U;
            line[x] = qRgb(static_cast<int>(seed >> 24), static_cast<int>((seed >> 16) & 0xFF),
                           (x * 255) / width);
        }
    }
    return image;
}

// Holds the file size limit of this process for a scope, as a full disk
// would: writes past it fail with EFBIG instead of ending the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

class VantlerFixture
{
protected:
    void setUp()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        m_programFolder = path("program");
        QVERIFY(QDir().mkpath(m_programFolder));
        QVERIFY(QFile::copy(QStringLiteral(PICTARRO_BIN_DIR "/libbmp2jpeg.so"),
                            m_programFolder + "/libbmp2jpeg.so"));
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_launcher = std::make_unique<RecordingLauncher>();
    }

    void tearDown()
    {
        m_form.reset();
        m_launcher.reset();
        m_dialogs.reset();
        m_root.reset();
    }

    QString path(const QString &name) const { return m_root->filePath(name); }

    // A noisy bitmap of this size in the test's folder.
    QString makeBitmap(const QString &name, int width = 64, int height = 48)
    {
        const QString file = path(name);
        if (!noisyPicture(width, height).save(file, "BMP"))
            qFatal("cannot write %s", qPrintable(file));
        return file;
    }

    QStringList filesIn(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_programFolder;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<RecordingLauncher> m_launcher;
    std::unique_ptr<VantlerForm> m_form;
};
