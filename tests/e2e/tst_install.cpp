// The installed programs: `cmake --install` into a staging folder, the tree
// it makes, its menu entries and metadata, the command lines without a
// display, a capture by the installed program into the user's pictures
// folder whether or not it could write its program folder, and the Debian
// package.
#include "E2eSupport.h"

#include <QDirIterator>
#include <QImageReader>
#include <QStandardPaths>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace e2e;

namespace {

const QString AppId = QStringLiteral("com.tarnwellsoftware.Pictarro");
const QString ProgramFolder = QStringLiteral("usr/lib/pictarro");

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
        int timeoutMs = WaitMs)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.err = "did not end in time";
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QString describe(const Run &result)
{
    return QStringLiteral("exit %1\nout: %2\nerr: %3")
        .arg(result.exitCode)
        .arg(QString::fromLocal8Bit(result.out), QString::fromLocal8Bit(result.err));
}

// chmod or chown of a whole tree; false when one entry failed.
template <typename Change> bool forTree(const QString &root, Change change)
{
    bool ok = change(root);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString entry = it.next();
        if (!QFileInfo(entry).isSymLink())
            ok = change(entry) && ok;
    }
    return ok;
}

bool readOnly(const QString &path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return ::chmod(QFile::encodeName(path).constData(), info.st_mode & ~mode_t(0222)) == 0;
}

bool ownerWritable(const QString &path)
{
    return QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
}

} // namespace

class tst_Install : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void tree_data();
    void tree();
    void links_areRelative_data();
    void links_areRelative();
    void icons_renderedAtTheirSize();
    void validators_data();
    void validators();
    void commandLine_withoutDisplay_data();
    void commandLine_withoutDisplay();
    void installed_capturesIntoPicturesFolder_data();
    void installed_capturesIntoPicturesFolder();
    void package();

private:
    QString staged(const QString &relative) const { return m_stage->filePath(relative); }

    std::unique_ptr<QTemporaryDir> m_stage;
};

void tst_Install::initTestCase()
{
    const QString base = qEnvironmentVariableIsEmpty("PICTARRO_TEST_ROOT")
                             ? QDir::tempPath()
                             : qEnvironmentVariable("PICTARRO_TEST_ROOT");
    m_stage = std::make_unique<QTemporaryDir>(base + QLatin1String("/stage-XXXXXX"));
    QVERIFY(m_stage->isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DESTDIR"), m_stage->path());
    const Run installed = run(QStringLiteral(CMAKE_COMMAND),
                              {QStringLiteral("--install"), QStringLiteral(PICTARRO_BUILD_DIR),
                               QStringLiteral("--prefix"), QStringLiteral("/usr")},
                              environment, 120000);
    QVERIFY2(installed.exitCode == 0, qPrintable(describe(installed)));
}

void tst_Install::cleanupTestCase()
{
    if (m_stage)
        forTree(m_stage->path(), ownerWritable);
}

void tst_Install::tree_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");

    for (const char *program : {"Pictarro", "Vantler", "Contact Tarnwell Software"})
        QTest::newRow(program) << ProgramFolder + u'/' + QLatin1String(program) << true;
    for (const char *file :
         {"libbmp2jpeg.so", "libPictarroPicBox.so", "libVantlerWindow.so", "License Agreement.rtf"})
        QTest::newRow(file) << ProgramFolder + u'/' + QLatin1String(file) << false;
    for (int number = 1; number <= 6; ++number)
        QTest::addRow("Sound %d", number)
            << ProgramFolder + QStringLiteral("/Sounds/Sound %1.wav").arg(number) << false;
    for (const QString &entry : {AppId, AppId + QLatin1String(".Vantler")}) {
        QTest::addRow("%s.desktop", qPrintable(entry))
            << QStringLiteral("usr/share/applications/%1.desktop").arg(entry) << false;
        QTest::addRow("%s.svg", qPrintable(entry))
            << QStringLiteral("usr/share/icons/hicolor/scalable/apps/%1.svg").arg(entry) << false;
    }
    QTest::newRow("metainfo") << QStringLiteral("usr/share/metainfo/%1.metainfo.xml").arg(AppId)
                              << false;
    QTest::newRow("man pictarro") << "usr/share/man/man1/pictarro.1.gz" << false;
    QTest::newRow("man vantler") << "usr/share/man/man1/vantler.1.gz" << false;
    QTest::newRow("copyright") << "usr/share/doc/pictarro/copyright" << false;
    QTest::newRow("changelog") << "usr/share/doc/pictarro/changelog.gz" << false;
}

void tst_Install::tree()
{
    QFETCH(QString, path);
    QFETCH(bool, executable);
    const QFileInfo file(staged(path));
    QVERIFY2(file.isFile() && !file.isSymLink(), qPrintable(path + " is missing"));
    QCOMPARE(file.isExecutable(), executable);
    QVERIFY(file.size() > 0);
    // Nothing is written outside the prefix.
    QCOMPARE(QDir(m_stage->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"usr"});
}

void tst_Install::links_areRelative_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("target");
    QTest::newRow("pictarro") << "usr/bin/pictarro"
                              << "../lib/pictarro/Pictarro";
    QTest::newRow("vantler") << "usr/bin/vantler"
                             << "../lib/pictarro/Vantler";
}

void tst_Install::links_areRelative()
{
    QFETCH(QString, link);
    QFETCH(QString, target);
    const QByteArray path = QFile::encodeName(staged(link));
    char buffer[4096];
    const ssize_t length = ::readlink(path.constData(), buffer, sizeof buffer);
    QVERIFY2(length > 0, qPrintable(link + " is not a link"));
    QCOMPARE(QString::fromLocal8Bit(buffer, length), target);
    QVERIFY(QFileInfo(staged(link)).isExecutable());
}

void tst_Install::icons_renderedAtTheirSize()
{
    for (const QString &name : {AppId, AppId + QLatin1String(".Vantler")}) {
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString png = staged(
                QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(name));
            QImageReader reader(png);
            QCOMPARE(reader.format(), QByteArray("png"));
            QCOMPARE(reader.size(), QSize(size, size));
            const QImage image = reader.read();
            // Drawn, not blank: the middle of the picture is opaque.
            QVERIFY2(qAlpha(image.pixel(size / 2, size / 2)) > 0, qPrintable(png));
        }
    }
}

void tst_Install::validators_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("arguments");
    const QString applications = staged(QStringLiteral("usr/share/applications/"));
    QTest::newRow("Pictarro menu entry")
        << "desktop-file-validate" << QStringList{applications + AppId + ".desktop"};
    QTest::newRow("Vantler menu entry")
        << "desktop-file-validate" << QStringList{applications + AppId + ".Vantler.desktop"};
    QTest::newRow("AppStream metadata")
        << "appstreamcli"
        << QStringList{"validate", "--no-net",
                       staged(QStringLiteral("usr/share/metainfo/%1.metainfo.xml").arg(AppId))};
}

void tst_Install::validators()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, arguments);
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        QSKIP(qPrintable(tool + " is not installed (scripts/install-deps.sh installs it)"));
    const Run result = run(program, arguments);
    QVERIFY2(result.exitCode == 0, qPrintable(describe(result)));
    // desktop-file-validate answers 0 with errors on standard output too.
    QVERIFY2(!result.out.contains("error"), qPrintable(describe(result)));
}

void tst_Install::commandLine_withoutDisplay_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // what standard output starts with
    QTest::addColumn<QString>("err"); // what standard error contains

    QTest::newRow("pictarro --version")
        << "usr/bin/pictarro" << QStringList{"--version"} << 0 << "Pictarro 1.4.1\n"
        << "";
    QTest::newRow("pictarro --help")
        << "usr/bin/pictarro" << QStringList{"--help"} << 0 << "Usage: "
        << "";
    QTest::newRow("pictarro unknown option")
        << "usr/bin/pictarro" << QStringList{"--fast"} << 2 << ""
        << "Usage: ";
    QTest::newRow("pictarro stray argument")
        << "usr/bin/pictarro" << QStringList{"shot.png"} << 2 << ""
        << "Usage: ";
    QTest::newRow("vantler --version")
        << "usr/bin/vantler" << QStringList{"--version"} << 0 << "Vantler 1.4.1\n"
        << "";
    QTest::newRow("vantler --help") << "usr/bin/vantler" << QStringList{"-h"} << 0 << "Usage: "
                                    << "";
    QTest::newRow("vantler unknown option") << "usr/bin/vantler" << QStringList{"--fast"} << 2 << ""
                                            << "Usage: ";
    QTest::newRow("contact --version")
        << ProgramFolder + "/Contact Tarnwell Software" << QStringList{"--version"} << 0
        << "Contact Tarnwell Software 1.4.1\n"
        << "";
    QTest::newRow("vantler converts")
        << "usr/bin/vantler" << QStringList{"--quality", "75", "{bmp}", "{jpg}"} << 0 << ""
        << "";
}

void tst_Install::commandLine_withoutDisplay()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);

    const QTemporaryDir work;
    const QString bmp = work.filePath("shot.bmp");
    const QString jpg = work.filePath("shot.jpg");
    QVERIFY(testPicture(QSize(320, 200)).save(bmp, "BMP"));
    arguments.replaceInStrings("{bmp}", bmp);
    arguments.replaceInStrings("{jpg}", jpg);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    const Run result = run(staged(program), arguments, environment);
    QVERIFY2(result.exitCode == exitCode, qPrintable(describe(result)));
    if (out.isEmpty())
        QVERIFY2(result.out.isEmpty(), qPrintable(describe(result)));
    else
        QVERIFY2(QString::fromLocal8Bit(result.out).startsWith(out), qPrintable(describe(result)));
    if (err.isEmpty())
        QVERIFY2(result.err.isEmpty(), qPrintable(describe(result)));
    else
        QVERIFY2(QString::fromLocal8Bit(result.err).contains(err), qPrintable(describe(result)));
    if (arguments.contains(jpg)) {
        QImageReader reader(jpg);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        QCOMPARE(reader.size(), QSize(320, 200));
    }
}

void tst_Install::installed_capturesIntoPicturesFolder_data()
{
    QTest::addColumn<bool>("readOnlyTree");
    // Root may write anything, so as root the program runs as an
    // unprivileged user here.
    QTest::newRow("program folder read-only") << true;
    // What root sees (and the test runs as root where it can): the installed
    // folder can be written, yet it is the package's.
    QTest::newRow("program folder writable") << false;
}

void tst_Install::installed_capturesIntoPicturesFolder()
{
    QFETCH(bool, readOnlyTree);
    QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"),
             "needs an X server: run through tests/e2e/with-xvfb.sh");
    const QString xclip = QStandardPaths::findExecutable(QStringLiteral("xclip"));
    QVERIFY2(!xclip.isEmpty(), "xclip is not installed");

    Installation user;
    const QString failed = user.create(QStringLiteral("installed"), {}, {});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    const QString pictures = user.path(QStringLiteral("home/Bilder und Fotos"));
    const QString captures = pictures + QLatin1String("/Captured Screens");
    {
        QFile dirs(user.path(QStringLiteral("config/user-dirs.dirs")));
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                   "XDG_PICTURES_DIR=\"$HOME/Bilder und Fotos\"\n");
    }
    // Launch at login is ticked: the entry must start the installed program.
    QVERIFY(QDir().mkpath(user.path(QStringLiteral("config/Pictarro"))));
    {
        QFile settings(user.settingsFile());
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[PictarroStartUp]\nStartUp=1\n");
    }

    QVERIFY(forTree(staged(QStringLiteral("usr")), readOnlyTree ? readOnly : ownerWritable));
    QString program = staged(QStringLiteral("usr/bin/pictarro"));
    QStringList arguments;
    if (readOnlyTree && ::geteuid() == 0) {
        constexpr uid_t Nobody = 65534;
        QVERIFY(forTree(user.path(), [](const QString &path) {
            return ::chown(QFile::encodeName(path).constData(), Nobody, Nobody) == 0;
        }));
        // Every folder above the installation and the stage must be passable.
        for (const QString &start : {user.path(), m_stage->path()}) {
            for (QString dir = start; dir != QLatin1String("/");
                 dir = QFileInfo(dir).absolutePath()) {
                struct stat info
                {
                };
                QVERIFY(::stat(QFile::encodeName(dir).constData(), &info) == 0);
                QVERIFY(::chmod(QFile::encodeName(dir).constData(), info.st_mode | 0011) == 0);
            }
        }
        arguments = {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                     QStringLiteral("--clear-groups"), QStringLiteral("--"), program};
        program = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        QVERIFY2(!program.isEmpty(), "running as root needs setpriv to drop privileges");
    }

    Child pictarro = user.start(program, arguments);
    QVERIFY2(pictarro->waitForStarted(WaitMs), qPrintable(pictarro->errorString()));
    const bool ready = pollUntil([&] {
        return (iniValue(user.settingsFile(), QStringLiteral("CapturePath"),
                         QStringLiteral("Folder")) == captures &&
                QFileInfo(captures).isDir()) ||
               pictarro->state() == QProcess::NotRunning;
    });
    QVERIFY2(
        ready && pictarro->state() == QProcess::Running,
        qPrintable(QStringLiteral("Pictarro did not make its capture folder %1:\n%2%3")
                       .arg(captures, QString::fromLocal8Bit(pictarro->readAllStandardOutput()),
                            QString::fromLocal8Bit(pictarro->readAllStandardError()))));

    const QString png = user.path(QStringLiteral("tmp/shot.png"));
    const QImage picture = testPicture(QSize(200, 120));
    QVERIFY(picture.save(png, "PNG"));
    Child offer = user.start(xclip, {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                     QStringLiteral("-t"), QStringLiteral("image/png"),
                                     QStringLiteral("-i"), png, QStringLiteral("-quiet")});
    QVERIFY(offer->waitForStarted(WaitMs));
    const QString file = captures + QLatin1String("/Pictarro 1.bmp");
    QVERIFY2(pollUntil([&] { return QFileInfo::exists(file); }),
             qPrintable(QLatin1String("no capture; the folder holds: ") + listing(captures)));
    QVERIFY2(!firstDifference(QImage(file), picture), "the capture differs from the picture");
    QVERIFY(!QFileInfo::exists(staged(ProgramFolder + QLatin1String("/Captured Screens"))));

    // The autostart entry starts the installed program.
    QString entry;
    for (const QString &folder : {qEnvironmentVariable("XDG_CONFIG_DIRS").section(u':', 0, 0),
                                  user.path(QStringLiteral("config"))}) {
        if (QFileInfo::exists(folder + QLatin1String("/autostart/Pictarro.desktop")))
            entry = folder + QLatin1String("/autostart/Pictarro.desktop");
    }
    QVERIFY2(!entry.isEmpty(), "no autostart entry was written");
    QFile entryFile(entry);
    QVERIFY(entryFile.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entryFile.readAll());
    const QString exec = text.section(QLatin1String("\nExec="), 1).section(u'\n', 0, 0);
    QCOMPARE(QFileInfo(exec).canonicalFilePath(),
             QFileInfo(staged(ProgramFolder + QLatin1String("/Pictarro"))).canonicalFilePath());
    QFile::remove(entry);
}

void tst_Install::package()
{
    // What `cmake --build build --target package` does once everything is
    // built; the package goes into a folder of the test's own.
    const QTemporaryDir output;
    const Run built =
        run(QStringLiteral(CPACK_COMMAND),
            {QStringLiteral("--config"), QStringLiteral(PICTARRO_BUILD_DIR "/CPackConfig.cmake"),
             QStringLiteral("-B"), output.path()},
            QProcessEnvironment::systemEnvironment(), 600000);
    QVERIFY2(built.exitCode == 0, qPrintable(describe(built)));
    const QStringList debs = QDir(output.path()).entryList({QStringLiteral("pictarro_*.deb")});
    QCOMPARE(debs.size(), 1);
    QVERIFY2(debs.first().startsWith(QLatin1String("pictarro_1.4.1_")), qPrintable(debs.first()));
    const QString deb = output.filePath(debs.first());

    const Run contents = run(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), deb});
    QVERIFY2(contents.exitCode == 0, qPrintable(describe(contents)));
    const QString listing = QString::fromUtf8(contents.out);
    for (const QString &expected :
         {QStringLiteral("./usr/bin/pictarro -> ../lib/pictarro/Pictarro"),
          QStringLiteral("./usr/bin/vantler -> ../lib/pictarro/Vantler"),
          QStringLiteral("./usr/lib/pictarro/Contact Tarnwell Software"),
          QStringLiteral("./usr/lib/pictarro/libbmp2jpeg.so"),
          QStringLiteral("./usr/lib/pictarro/Sounds/Sound 6.wav"),
          QStringLiteral("./usr/lib/pictarro/License Agreement.rtf"),
          QStringLiteral("./usr/lib/pictarro/installed"),
          QStringLiteral("./usr/share/applications/") + AppId + QLatin1String(".desktop"),
          QStringLiteral("./usr/share/icons/hicolor/256x256/apps/") + AppId + QLatin1String(".png"),
          QStringLiteral("./usr/share/metainfo/") + AppId + QLatin1String(".metainfo.xml"),
          QStringLiteral("./usr/share/doc/pictarro/copyright")})
        QVERIFY2(listing.contains(expected),
                 qPrintable(expected + QLatin1String(" is not in ") + deb));
    for (const QString &line : listing.split(u'\n', Qt::SkipEmptyParts))
        QVERIFY2(line.contains(QLatin1String(" root/root ")), qPrintable(line));
    QVERIFY2(!listing.contains(QLatin1String("./usr/local")), qPrintable(listing));

    const Run fields =
        run(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), deb, QStringLiteral("Depends"),
                                         QStringLiteral("Section"), QStringLiteral("Maintainer")});
    QVERIFY2(fields.exitCode == 0, qPrintable(describe(fields)));
    const QString control = QString::fromUtf8(fields.out);
    for (const char *needed : {"libqt6widgets6", "libqt6multimedia6", "libqt6svg6", "libturbojpeg0",
                               "libc6", "Section: graphics", "Maintainer: Tarnwell Software"})
        QVERIFY2(control.contains(QLatin1String(needed)),
                 qPrintable(QLatin1String(needed) + QLatin1String(" missing in:\n") + control));

    // Installing it changes the machine: only where that is allowed.
    const bool allowed =
        ::geteuid() == 0 &&
        (qEnvironmentVariable("CI") == QLatin1String("true") ||
         qEnvironmentVariable("PICTARRO_TEST_INSTALL_PACKAGE") == QLatin1String("1"));
    if (!allowed)
        QSKIP("installing the package needs root and CI=true or PICTARRO_TEST_INSTALL_PACKAGE=1");
    if (QFileInfo::exists(QStringLiteral("/usr/lib/pictarro")))
        QSKIP("Pictarro is already installed on this machine; it is left alone");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DEBIAN_FRONTEND"), QStringLiteral("noninteractive"));
    const Run install =
        run(QStringLiteral("apt-get"), {QStringLiteral("install"), QStringLiteral("-y"), deb},
            environment, 600000);
    QVERIFY2(install.exitCode == 0, qPrintable(describe(install)));
    environment.remove(QStringLiteral("DISPLAY"));
    const Run version =
        run(QStringLiteral("/usr/bin/pictarro"), {QStringLiteral("--version")}, environment);
    const Run remove =
        run(QStringLiteral("apt-get"),
            {QStringLiteral("remove"), QStringLiteral("-y"), QStringLiteral("pictarro")},
            environment, 600000);
    QVERIFY2(version.exitCode == 0 && version.out == "Pictarro 1.4.1\n",
             qPrintable(describe(version)));
    QVERIFY2(remove.exitCode == 0, qPrintable(describe(remove)));
    QVERIFY(!QFileInfo::exists(QStringLiteral("/usr/lib/pictarro")));
    QVERIFY(!QFileInfo::exists(QStringLiteral("/usr/bin/pictarro")));
    // Leaves no trace in dpkg's records either.
    const Run purge =
        run(QStringLiteral("apt-get"),
            {QStringLiteral("purge"), QStringLiteral("-y"), QStringLiteral("pictarro")},
            environment, 600000);
    QVERIFY2(purge.exitCode == 0, qPrintable(describe(purge)));
}

QTEST_GUILESS_MAIN(tst_Install)
#include "tst_install.moc"
