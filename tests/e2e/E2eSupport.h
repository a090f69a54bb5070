// What the end-to-end tests and their helper programs share: test pictures,
// waiting with a deadline, child processes that stop with their owner, and
// reading Pictarro's settings file from the outside.
#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <memory>
#include <optional>

namespace e2e {

// Generous: a loaded CI machine may take seconds to start a Qt program.
constexpr int WaitMs = 20000;
constexpr int PollStepMs = 10;

// Stops a helper process when its owner goes out of scope, however a test
// case ends.
struct StopProcess
{
    void operator()(QProcess *process) const
    {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(10000)) {
                process->kill();
                process->waitForFinished(10000);
            }
        }
        delete process;
    }
};
using Child = std::unique_ptr<QProcess, StopProcess>;

template <typename Condition> bool pollUntil(Condition condition, int timeoutMs = WaitMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QTest::qWait(PollStepMs);
    }
    return true;
}

// One value of an INI text as Pictarro writes it: raw text after '='.
inline std::optional<QString> iniValue(const QString &file, const QString &section,
                                       const QString &key)
{
    QFile ini(file);
    if (!ini.open(QIODevice::ReadOnly))
        return std::nullopt;
    QString current;
    const QStringList lines = QString::fromUtf8(ini.readAll()).split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) {
            current = trimmed.mid(1, trimmed.size() - 2);
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (current == section && eq > 0 && line.left(eq).trimmed() == key)
            return line.mid(eq + 1);
    }
    return std::nullopt;
}

// A picture whose every row and column differ: red follows x, green follows
// y, blue a checkerboard, with hard-edged blocks of pure colours. A flipped,
// shifted, mis-strided or channel-swapped copy does not match it.
inline QImage testPicture(const QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    const int w = size.width();
    const int h = size.height();
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int red = x * 255 / qMax(1, w - 1);
            const int green = y * 255 / qMax(1, h - 1);
            const int blue = ((x / 16 + y / 16) % 2) != 0 ? 200 : 40;
            row[x] = qRgb(red, green, blue);
        }
    }
    const std::array<QRgb, 6> colours = {qRgb(255, 0, 0),     qRgb(0, 255, 0), qRgb(0, 0, 255),
                                         qRgb(255, 255, 255), qRgb(0, 0, 0),   qRgb(255, 255, 0)};
    const QSize block(qMax(1, w / 8), qMax(1, h / 6));
    // Blocks are painted by hand: QPainter would need a GUI application.
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const int left = w * (static_cast<int>(i) * 2 % 7 + 1) / 9;
        const int top = h * (static_cast<int>(i) % 3 + 1) / 5;
        for (int y = top; y < qMin(h, top + block.height()); ++y) {
            auto *row = reinterpret_cast<QRgb *>(picture.scanLine(y));
            for (int x = left; x < qMin(w, left + block.width()); ++x)
                row[x] = colours[i];
        }
    }
    return picture;
}

// Picture number `index` of a series: the test picture with the number
// written into the colours of its first row, so no two of a series are
// alike and each file can be matched to the picture it came from.
inline QImage numberedPicture(int index, const QSize size)
{
    QImage picture = testPicture(size);
    auto *row = reinterpret_cast<QRgb *>(picture.scanLine(0));
    for (int x = 0; x < qMin(8, size.width()); ++x)
        row[x] = qRgb(index & 0xff, (index >> 8) & 0xff, (x * 31 + index) & 0xff);
    return picture;
}

// The first position where two pictures' colours differ, if any.
inline std::optional<QPoint> firstDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return QPoint(-1, -1);
    const QImage left = a.convertToFormat(QImage::Format_RGB32);
    const QImage right = b.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < left.height(); ++y) {
        const auto *l = reinterpret_cast<const QRgb *>(left.constScanLine(y));
        const auto *r = reinterpret_cast<const QRgb *>(right.constScanLine(y));
        for (int x = 0; x < left.width(); ++x) {
            if ((l[x] & 0xffffffu) != (r[x] & 0xffffffu))
                return QPoint(x, y);
        }
    }
    return std::nullopt;
}

// Every entry of a folder, hidden ones included, sorted by name.
inline QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

inline QString listing(const QString &folder)
{
    return entries(folder).join(QLatin1String(", "));
}

// What Pictarro needs beside it to start and to capture.
inline const QStringList PictarroFiles = {QStringLiteral("Pictarro"),
                                          QStringLiteral("libbmp2jpeg.so"),
                                          QStringLiteral("libPictarroPicBox.so")};

// One installation of Pictarro for a test case: a program folder holding
// copies of the built binaries, beside private HOME, XDG, temporary and
// working folders that are all the programs it starts ever see.
class Installation
{
public:
    // Makes a fresh one below $PICTARRO_TEST_ROOT (else the temporary
    // folder), with copies of the binaries from the build's folder. Returns
    // what went wrong, or an empty text.
    QString create(const QString &name, const QString &buildFolder, const QStringList &binaries)
    {
        const QString base = qEnvironmentVariableIsEmpty("PICTARRO_TEST_ROOT")
                                 ? QDir::tempPath()
                                 : qEnvironmentVariable("PICTARRO_TEST_ROOT");
        m_root = std::make_unique<QTemporaryDir>(base + u'/' + name + QLatin1String("-XXXXXX"));
        if (!m_root->isValid())
            return QLatin1String("cannot create a folder below ") + base;
        const QDir root(m_root->path());
        for (const char *folder :
             {"program folder", "home", "config", "data", "cache", "runtime", "tmp", "work"}) {
            if (!root.mkpath(QLatin1String(folder)))
                return QLatin1String("cannot create ") + root.filePath(QLatin1String(folder));
        }
        QFile::setPermissions(path(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (const QString &binary : binaries) {
            if (!QFile::copy(buildFolder + u'/' + binary, programFolder() + u'/' + binary))
                return binary + QLatin1String(" is not built");
        }
        return {};
    }
    void remove() { m_root.reset(); }

    QString path(const QString &relative = {}) const
    {
        return relative.isEmpty() ? m_root->path() : m_root->filePath(relative);
    }
    QString programFolder() const { return path(QStringLiteral("program folder")); }
    QString defaultCaptureFolder() const
    {
        return programFolder() + QLatin1String("/Captured Screens");
    }
    QString settingsFile() const { return path(QStringLiteral("config/Pictarro/1.ini")); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), path(QStringLiteral("cache")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
        env.insert(QStringLiteral("TMPDIR"), path(QStringLiteral("tmp")));
        return env;
    }

    // Starts a program inside the installation; it stops with its owner.
    Child start(const QString &program, const QStringList &arguments) const
    {
        Child child(new QProcess);
        child->setProcessEnvironment(environment());
        child->setWorkingDirectory(path(QStringLiteral("work")));
        child->setProgram(program);
        child->setArguments(arguments);
        child->start();
        return child;
    }

private:
    std::unique_ptr<QTemporaryDir> m_root;
};

} // namespace e2e

// Stops the test function when a helper it called has failed.
#define CHECKED(call)                                                                              \
    do {                                                                                           \
        call;                                                                                      \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)
