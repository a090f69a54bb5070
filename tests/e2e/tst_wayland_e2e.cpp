// The real Pictarro in Wayland sessions: sway, KWin, mutter and GNOME Shell
// run headless, each with or without XWayland (GNOME Shell also on Xorg),
// with wl-copy/wl-paste, xclip and the shell itself as the programs that copy
// and paste. Every row starts a compositor of its own.
//
// As root, the compositor and the programs run as nobody (WaylandSession.h).
// A compositor that cannot start here skips its row and says why.

#include "WaylandSession.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusError>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using e2e::Child;
using e2e::firstDifference;
using e2e::listing;
using e2e::pollUntil;
using e2e::WaitMs;
using Desktop = e2e::Desktop;
using Session = e2e::Session;

namespace {

enum class Owner
{
    Wayland, // wl-copy
    X,       // xclip through XWayland
    Shell,   // GNOME Shell itself, as its screenshot tool copies
};

QString describe(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes.trimmed()).replace(u'\n', u' ');
}

} // namespace

// The desktop's StatusNotifier watcher, as its panel provides it, with a
// host: remembers the items that register.
class StatusNotifierWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }
public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service) { m_items << service; }
Q_SIGNALS:
    void StatusNotifierHostRegistered();

private:
    QStringList m_items;
};

class tst_WaylandE2e : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void captures_data();
    void captures();
    void silentOwnerDoesNotHoldUpCaptures();
    void saysWhyItCannotWatch();
    void startsInTheNotificationArea_data();
    void startsInTheNotificationArea();

private:
    void startPictarro(const QString &platform, const QString &bus = {});
    void waitUntilReady();
    Child offerPicture(Owner owner, const QString &png);
    void leavesTextAlone();
    void waitForBridge();
    void verifyEmptied(bool dataControl, bool xwayland, Desktop desktop);
    void verifyPasted(const QString &file, Desktop desktop);
    void startsInGnomeTopBar(bool appIndicator);
    QString shellTypes() const;
    QString capturesFolder() const { return m_install.defaultCaptureFolder(); }

    std::unique_ptr<QTemporaryDir> m_root;
    e2e::Installation m_install;
    Session m_session;
    Child m_pictarro;
};

void tst_WaylandE2e::initTestCase()
{
    for (const QString &binary : e2e::PictarroFiles) {
        const QString path = QStringLiteral(PICTARRO_BIN_DIR "/") + binary;
        QVERIFY2(QFileInfo::exists(path), qPrintable(path + QLatin1String(" is not built")));
    }
    // The ordinary user must reach the test's folders: they go below a
    // folder of their own in the shared temporary folder.
    m_root = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/pictarro-wayland-XXXXXX"));
    QVERIFY(m_root->isValid());
    QVERIFY(QFile::setPermissions(m_root->path(), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ReadOther |
                                                      QFile::ExeOther));
    qputenv("PICTARRO_TEST_ROOT", m_root->path().toUtf8());
}

void tst_WaylandE2e::init()
{
    const QString failed = m_install.create(QStringLiteral("wayland"),
                                            QStringLiteral(PICTARRO_BIN_DIR), e2e::PictarroFiles);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
}

void tst_WaylandE2e::cleanup()
{
    if (m_pictarro && QTest::currentTestFailed()) {
        qWarning("Pictarro's output:\n%s%s", m_pictarro->readAllStandardOutput().constData(),
                 m_pictarro->readAllStandardError().constData());
        qWarning("Capture folder: %s", qPrintable(listing(capturesFolder())));
        qWarning("Compositor's output:\n%s", qPrintable(m_session.log()));
    }
    m_pictarro.reset();
    m_session.stop();
    m_install.remove();
}

void tst_WaylandE2e::startPictarro(const QString &platform, const QString &bus)
{
    QProcessEnvironment env = m_session.environment();
    if (!platform.isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    if (!bus.isEmpty())
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus);
    m_pictarro = m_session.start(m_install.programFolder() + QLatin1String("/Pictarro"), {}, env);
    QVERIFY2(m_pictarro->waitForStarted(WaitMs), qPrintable(m_pictarro->errorString()));
    CHECKED(waitUntilReady());
}

void tst_WaylandE2e::waitUntilReady()
{
    // Ready once past its start-up, which empties the clipboard: it has
    // stored and created its capture folder.
    const QString folder = capturesFolder();
    const bool ready = pollUntil([&] {
        const std::optional<QString> stored = e2e::iniValue(
            m_install.settingsFile(), QStringLiteral("CapturePath"), QStringLiteral("Folder"));
        return (stored && *stored == folder && QFileInfo(folder).isDir()) ||
               m_pictarro->state() == QProcess::NotRunning;
    });
    QVERIFY2(m_pictarro->state() == QProcess::Running, "Pictarro ended during start-up");
    QVERIFY2(ready, "Pictarro did not store and create its capture folder in time");
}

Child tst_WaylandE2e::offerPicture(Owner owner, const QString &png)
{
    if (owner == Owner::Shell) {
        // What the shell's screenshot tool does with "Copy".
        const QString set = m_session.shellEval(
            QStringLiteral("const {St, GLib} = imports.gi; const [, bytes] = "
                           "GLib.file_get_contents('%1'); St.Clipboard.get_default().set_content("
                           "St.ClipboardType.CLIPBOARD, 'image/png', new GLib.Bytes(bytes)); 'set'")
                .arg(png));
        if (set != QLatin1String("(true, '\"set\"')"))
            qWarning("the shell did not take the picture: %s", qPrintable(set));
        return {};
    }
    // Both stay in the foreground and serve the picture until another
    // owner takes the clipboard or it is emptied, then exit.
    Child child = owner == Owner::Wayland
                      ? m_session.start(QStringLiteral("wl-copy"),
                                        {QStringLiteral("--foreground"), QStringLiteral("--type"),
                                         QStringLiteral("image/png")},
                                        m_session.environment(), png)
                      : m_session.start(QStringLiteral("xclip"),
                                        {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                         QStringLiteral("-t"), QStringLiteral("image/png"),
                                         QStringLiteral("-quiet")},
                                        m_session.environment(), png);
    return child;
}

void tst_WaylandE2e::leavesTextAlone()
{
    // The text's owner reports (WAYLAND_DEBUG) each time it is asked for its
    // data, which tells when Pictarro has looked at the text.
    QProcessEnvironment env = m_session.environment();
    env.insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("1"));
    Child owner =
        m_session.start(QStringLiteral("wl-copy"),
                        {QStringLiteral("--foreground"), QStringLiteral("not a picture")}, env);
    QByteArray report;
    const bool asked = pollUntil([&] {
        report += owner->readAllStandardError();
        return report.contains(".send(") || owner->state() == QProcess::NotRunning;
    });
    QVERIFY2(asked && owner->state() == QProcess::Running,
             "Pictarro never read the text, or the clipboard was emptied");
    QByteArray pasted;
    QCOMPARE(
        m_session.execute(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")}, &pasted),
        0);
    QCOMPARE(pasted, QByteArray("not a picture"));
    QCOMPARE(owner->state(), QProcess::Running);
}

void tst_WaylandE2e::waitForBridge()
{
    // XWayland starts with the first X program, and an X owner that comes
    // before the compositor watches the X clipboard is never passed on to
    // Wayland programs. Text passed on tells that it watches; until then
    // the text is offered anew now and then.
    const QString text = m_install.path(QStringLiteral("text"));
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("bridged") == 7);
    file.close();
    const auto offer = [&] {
        return m_session.start(
            QStringLiteral("xclip"),
            {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-quiet")},
            m_session.environment(), text);
    };
    Child owner = offer();
    QElapsedTimer offered;
    offered.start();
    QByteArray types;
    const bool bridged = pollUntil([&] {
        if (m_session.execute(QStringLiteral("wl-paste"), {QStringLiteral("--list-types")},
                              &types) == 0 &&
            types.contains("text/plain"))
            return true;
        if (offered.elapsed() > 500) {
            owner = offer();
            offered.restart();
        }
        return false;
    });
    QVERIFY2(bridged, "the compositor does not pass X owners on to Wayland programs");
}

QString tst_WaylandE2e::shellTypes() const
{
    return m_session.shellEval(QStringLiteral("imports.gi.St.Clipboard.get_default().get_mimetypes("
                                              "imports.gi.St.ClipboardType.CLIPBOARD).join(' ')"));
}

void tst_WaylandE2e::verifyEmptied(bool dataControl, bool xwayland, Desktop desktop)
{
    QByteArray offered;
    if (desktop == Desktop::Mutter || desktop == Desktop::GnomeShell ||
        desktop == Desktop::GnomeXorg) {
        // Under mutter Pictarro holds an empty offer for a moment before it
        // gives the clipboard up; then neither X programs nor the shell (nor
        // so Wayland programs) see anything, and mutter's keeper brings
        // nothing back.
        const bool shell = desktop != Desktop::Mutter;
        QString types;
        const bool emptied = pollUntil([&] {
            const int status = m_session.execute(
                QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                 QStringLiteral("-t"), QStringLiteral("TARGETS")},
                &offered);
            if (status == 0 && !offered.trimmed().isEmpty())
                return false;
            if (shell)
                types = shellTypes();
            return !shell || types == QLatin1String("(true, '\"\"')");
        });
        QVERIFY2(emptied, qPrintable(QLatin1String("X programs still see: ") + describe(offered) +
                                     QLatin1String("; the shell: ") + types));
        return;
    }
    if (dataControl) {
        const int status = m_session.execute(QStringLiteral("wl-paste"),
                                             {QStringLiteral("--list-types")}, &offered);
        QVERIFY2(status != 0 || offered.trimmed().isEmpty(),
                 qPrintable(QLatin1String("Wayland programs still see: ") + describe(offered)));
    }
    if (xwayland) {
        const int status = m_session.execute(QStringLiteral("xclip"),
                                             {QStringLiteral("-o"), QStringLiteral("-selection"),
                                              QStringLiteral("clipboard"), QStringLiteral("-t"),
                                              QStringLiteral("TARGETS")},
                                             &offered);
        QVERIFY2(status != 0 || offered.trimmed().isEmpty(),
                 qPrintable(QLatin1String("X programs still see: ") + describe(offered)));
    }
}

void tst_WaylandE2e::verifyPasted(const QString &file, Desktop desktop)
{
    // A Wayland program pastes the capture, pixel for pixel the file's.
    const QImage saved(file);
    QByteArray pasted;
    QImage picture;
    const auto pastedRight = [&](const QByteArray &bytes) {
        pasted = bytes;
        picture = QImage::fromData(pasted, "PNG");
        return !picture.isNull() && !firstDifference(picture, saved);
    };
    const bool shell = desktop == Desktop::GnomeShell || desktop == Desktop::GnomeXorg;
    QByteArray bytes;
    bool offered = false;
    if (!shell) {
        offered = pollUntil([&] {
            return m_session.execute(QStringLiteral("wl-paste"),
                                     {QStringLiteral("--no-newline"), QStringLiteral("--type"),
                                      QStringLiteral("image/png")},
                                     &bytes) == 0 &&
                   pastedRight(bytes);
        });
    } else {
        // wl-paste needs a keyboard to paste where there is no data-control,
        // and the headless shell has none. The shell pastes instead, from
        // its own Wayland clipboard, the one every Wayland program pastes
        // from; it tells the size and checksum of what it got, which must
        // be those of the picture X programs paste.
        offered = pollUntil([&] {
            return m_session.execute(QStringLiteral("xclip"),
                                     {QStringLiteral("-o"), QStringLiteral("-selection"),
                                      QStringLiteral("clipboard"), QStringLiteral("-t"),
                                      QStringLiteral("image/png")},
                                     &bytes) == 0 &&
                   pastedRight(bytes);
        });
        m_session.shellEval(QStringLiteral(
            "const {St, GLib} = imports.gi; global.pictarroPasted = ''; "
            "St.Clipboard.get_default().get_content(St.ClipboardType.CLIPBOARD, 'image/png', "
            "(c, got) => { global.pictarroPasted = got ? got.get_size() + ' ' + "
            "GLib.compute_checksum_for_bytes(GLib.ChecksumType.SHA1, got) : 'nothing'; }); "
            "'asked'"));
        const QString expected =
            QStringLiteral("(true, '\"%1 %2\"')")
                .arg(pasted.size())
                .arg(QString::fromLatin1(
                    QCryptographicHash::hash(pasted, QCryptographicHash::Sha1).toHex()));
        QString got;
        offered = offered && pollUntil([&] {
                      got = m_session.shellEval(QStringLiteral("global.pictarroPasted"));
                      return got == expected;
                  });
        QVERIFY2(offered, qPrintable(QLatin1String("the shell pasted ") + got +
                                     QLatin1String(", not ") + expected));
    }
    QVERIFY2(offered, qPrintable(QStringLiteral("pasted %1 bytes, a picture of %2x%3")
                                     .arg(pasted.size())
                                     .arg(picture.width())
                                     .arg(picture.height())));
}

// ------------------------------------------------------------------ cases

void tst_WaylandE2e::captures_data()
{
    const QSize small(301, 157);
    const QSize full(1920, 1080);
    QTest::addColumn<Desktop>("desktop");
    QTest::addColumn<bool>("xwayland");
    QTest::addColumn<bool>("dataControl"); // the compositor offers it
    QTest::addColumn<QString>("platform"); // QT_QPA_PLATFORM, or the default
    QTest::addColumn<Owner>("owner");
    QTest::addColumn<bool>("textFirst");
    QTest::addColumn<QSize>("size");        // of the first picture
    QTest::addColumn<bool>("keepsPicture"); // the clipboard keeps each capture

    QTest::newRow("sway, Wayland owner, text left alone")
        << Desktop::Sway << true << true << QString() << Owner::Wayland << true << small << false;
    QTest::newRow("sway, X owner")
        << Desktop::Sway << true << true << QString() << Owner::X << false << small << false;
    QTest::newRow("sway without XWayland, Qt on Wayland")
        << Desktop::Sway << false << true << QStringLiteral("wayland") << Owner::Wayland << false
        << small << false;
    QTest::newRow("KWin, Wayland owner, text left alone")
        << Desktop::Kwin << true << true << QString() << Owner::Wayland << true << small << false;
    QTest::newRow("KWin, X owner")
        << Desktop::Kwin << true << true << QString() << Owner::X << false << small << false;
    QTest::newRow("mutter, X owner")
        << Desktop::Mutter << true << false << QString() << Owner::X << false << small << false;
    // mutter's keeper reads each picture too, the moment it is offered; a
    // 1080p screenshot from xclip comes in many parts (INCR).
    QTest::newRow("GNOME Shell, the shell's own picture")
        << Desktop::GnomeShell << true << false << QString() << Owner::Shell << false << small
        << false;
    QTest::newRow("GNOME Shell, X owner")
        << Desktop::GnomeShell << true << false << QString() << Owner::X << false << full << false;
    QTest::newRow("GNOME on Xorg, the shell's own picture")
        << Desktop::GnomeXorg << true << false << QString() << Owner::Shell << false << small
        << false;
    // Kept on the clipboard after the capture: a Wayland program pastes it,
    // through data-control, or through mutter's bridge from the X clipboard.
    QTest::newRow("sway, the capture kept to paste")
        << Desktop::Sway << true << true << QString() << Owner::Wayland << false << full << true;
    QTest::newRow("GNOME Shell, the capture kept to paste")
        << Desktop::GnomeShell << true << false << QString() << Owner::X << false << full << true;
}

void tst_WaylandE2e::captures()
{
    QFETCH(const Desktop, desktop);
    QFETCH(const bool, xwayland);
    QFETCH(const bool, dataControl);
    QFETCH(const QString, platform);
    QFETCH(const Owner, owner);
    QFETCH(const bool, textFirst);
    QFETCH(const QSize, size);
    QFETCH(const bool, keepsPicture);

    if (keepsPicture) {
        QVERIFY(QDir().mkpath(QFileInfo(m_install.settingsFile()).path()));
        QFile settings(m_install.settingsFile());
        QVERIFY(settings.open(QIODevice::WriteOnly));
        QVERIFY(settings.write("[ClipboardAfterCapture]\nMode=Picture\n") > 0);
    }
    const QList<QImage> sources = {e2e::numberedPicture(1, size),
                                   e2e::numberedPicture(2, QSize(640, 360))};
    QStringList pngs;
    for (int i = 0; i < sources.size(); ++i) {
        pngs.append(m_install.path(QStringLiteral("source %1.png").arg(i + 1)));
        QVERIFY(sources.at(i).save(pngs.last(), "PNG"));
    }
    const QString notStarted = m_session.start(desktop, xwayland, m_install);
    if (!notStarted.isEmpty()) {
        QTest::qSkip(qPrintable(notStarted), __FILE__, __LINE__);
        return;
    }
    CHECKED(startPictarro(platform));
    if (textFirst)
        CHECKED(leavesTextAlone());
    if (owner == Owner::X && dataControl)
        CHECKED(waitForBridge());

    // The first picture: saved pixel for pixel, then gone for every program.
    Child first = offerPicture(owner, pngs.at(0));
    const QString firstFile = capturesFolder() + QLatin1String("/Pictarro 1.bmp");
    QVERIFY2(
        pollUntil([&] { return QFileInfo::exists(firstFile); }),
        qPrintable(QLatin1String("no capture; the folder holds: ") + listing(capturesFolder())));
    const std::optional<QPoint> difference = firstDifference(QImage(firstFile), sources.at(0));
    QVERIFY2(!difference, qPrintable(QStringLiteral("first differing pixel at %1,%2")
                                         .arg(difference ? difference->x() : 0)
                                         .arg(difference ? difference->y() : 0)));
    QVERIFY2(!first || e2e::ended(first), "the picture's owner still owns the clipboard");
    if (keepsPicture)
        CHECKED(verifyPasted(firstFile, desktop));
    else
        CHECKED(verifyEmptied(dataControl, xwayland, desktop));

    // A second picture is saved too, and nothing is saved twice.
    Child second = offerPicture(owner, pngs.at(1));
    const QString secondFile = capturesFolder() + QLatin1String("/Pictarro 2.bmp");
    QVERIFY2(pollUntil([&] { return QFileInfo::exists(secondFile); }),
             qPrintable(QLatin1String("no second capture; the folder holds: ") +
                        listing(capturesFolder())));
    QVERIFY(!firstDifference(QImage(secondFile), sources.at(1)));
    QVERIFY2(!second || e2e::ended(second), "the second owner still owns the clipboard");
    if (keepsPicture)
        CHECKED(verifyPasted(secondFile, desktop));
    else
        CHECKED(verifyEmptied(dataControl, xwayland, desktop));
    QCOMPARE(listing(capturesFolder()), QStringLiteral("Pictarro 1.bmp, Pictarro 2.bmp"));
    QCOMPARE(m_pictarro->state(), QProcess::Running);
}

void tst_WaylandE2e::silentOwnerDoesNotHoldUpCaptures()
{
    const QString silentOwner = m_install.programFolder() + QLatin1String("/wayland_silent_owner");
    QVERIFY(QFile::copy(QStringLiteral(WAYLAND_SILENT_OWNER), silentOwner));
    const QImage source = e2e::numberedPicture(3, QSize(200, 120));
    const QString png = m_install.path(QStringLiteral("source.png"));
    QVERIFY(source.save(png, "PNG"));
    const QString notStarted = m_session.start(Desktop::Sway, true, m_install);
    if (!notStarted.isEmpty()) {
        QTest::qSkip(qPrintable(notStarted), __FILE__, __LINE__);
        return;
    }
    CHECKED(startPictarro({}));

    // A picture whose owner never delivers it: Pictarro asks, and gives up.
    Child silent = m_session.start(silentOwner, {}, m_session.environment());
    QByteArray said;
    QVERIFY2(pollUntil([&] {
                 said += silent->readAllStandardOutput();
                 return said.contains("asked") || silent->state() == QProcess::NotRunning;
             }),
             "Pictarro never asked the silent owner for its picture");
    QVERIFY2(said.contains("asked"), said.constData());
    // The window goes on meanwhile: the capture folder, removed now, is made
    // again long before the read gives the owner up (5 s).
    QVERIFY(QDir(capturesFolder()).removeRecursively());
    QVERIFY2(pollUntil([&] { return QFileInfo(capturesFolder()).isDir(); }, 2500),
             "the capture folder was not made again while the owner was silent");
    // It waits as long as for a silent X owner, then says so and goes on.
    QByteArray complaint;
    QVERIFY2(pollUntil([&] {
                 complaint += m_pictarro->readAllStandardError();
                 return complaint.contains("did not deliver its data in time");
             }),
             complaint.constData());
    QCOMPARE(silent->state(), QProcess::Running);

    // Not asked again; the next picture is captured all the same, once.
    Child owner = offerPicture(Owner::Wayland, png);
    const QString file = capturesFolder() + QLatin1String("/Pictarro 1.bmp");
    QVERIFY2(
        pollUntil([&] { return QFileInfo::exists(file); }),
        qPrintable(QLatin1String("no capture; the folder holds: ") + listing(capturesFolder())));
    QVERIFY(!firstDifference(QImage(file), source));
    QVERIFY2(e2e::ended(owner), "the picture's owner still owns the clipboard");
    QVERIFY2(e2e::ended(silent), "the silent owner kept the clipboard");
    said += silent->readAllStandardOutput();
    QCOMPARE(said.count("asked"), 1);
    QCOMPARE(listing(capturesFolder()), QStringLiteral("Pictarro 1.bmp"));
}

void tst_WaylandE2e::saysWhyItCannotWatch()
{
    // GNOME without XWayland: no data-control, and no X server to run on.
    const QString notStarted = m_session.start(Desktop::Mutter, false, m_install);
    if (!notStarted.isEmpty()) {
        QTest::qSkip(qPrintable(notStarted), __FILE__, __LINE__);
        return;
    }
    m_pictarro = m_session.start(m_install.programFolder() + QLatin1String("/Pictarro"), {},
                                 m_session.environment());
    QByteArray said;
    const bool told = pollUntil([&] {
        said += m_pictarro->readAllStandardError();
        return said.contains("Pictarro cannot watch the clipboard on this desktop") ||
               m_pictarro->state() == QProcess::NotRunning;
    });
    said += m_pictarro->readAllStandardError();
    QVERIFY2(told && said.contains("Pictarro cannot watch the clipboard on this desktop"),
             said.constData());
    QVERIFY2(!said.contains("platform plugin"), said.constData());
    QVERIFY(!QFileInfo::exists(capturesFolder()));
}

void tst_WaylandE2e::startsInTheNotificationArea_data()
{
    QTest::addColumn<Desktop>("desktop");
    QTest::addColumn<bool>("watcher"); // a StatusNotifier watcher and host on the bus
    QTest::addColumn<QString>("platform");

    QTest::newRow("sway, StatusNotifier") << Desktop::Sway << true << QString();
    QTest::newRow("sway, StatusNotifier, Qt on Wayland")
        << Desktop::Sway << true << QStringLiteral("wayland");
    QTest::newRow("sway, no notification area") << Desktop::Sway << false << QString();
    QTest::newRow("GNOME Shell with the AppIndicator extension, starts in the notification area")
        << Desktop::GnomeShell << true << QString();
    QTest::newRow("GNOME Shell without it") << Desktop::GnomeShell << false << QString();
}

void tst_WaylandE2e::startsInTheNotificationArea()
{
    QFETCH(const Desktop, desktop);
    QFETCH(const bool, watcher);
    QFETCH(const QString, platform);

    QVERIFY(QDir().mkpath(QFileInfo(m_install.settingsFile()).path()));
    QFile settings(m_install.settingsFile());
    QVERIFY(settings.open(QIODevice::WriteOnly) &&
            settings.write("[PictarroMinimized]\nMinimized=1\n") > 0);
    settings.close();
    if (desktop == Desktop::GnomeShell) {
        CHECKED(startsInGnomeTopBar(watcher));
        return;
    }
    // The session's bus, which lets this test in to play the panel.
    const QString busConfig = m_install.path(QStringLiteral("bus.conf"));
    QFile config(busConfig);
    QVERIFY(config.open(QIODevice::WriteOnly) &&
            config.write("<busconfig><include>/usr/share/dbus-1/session.conf</include>"
                         "<policy context=\"default\"><allow user=\"root\"/></policy>"
                         "</busconfig>") > 0);
    config.close();
    const QString notStarted = m_session.start(Desktop::Sway, platform.isEmpty(), m_install);
    if (!notStarted.isEmpty()) {
        QTest::qSkip(qPrintable(notStarted), __FILE__, __LINE__);
        return;
    }
    // The panel's watcher on the bus, or none.
    Child bus = m_session.start(QStringLiteral("dbus-daemon"),
                                {QStringLiteral("--config-file=") + busConfig,
                                 QStringLiteral("--nofork"), QStringLiteral("--print-address")},
                                m_session.environment());
    QVERIFY2(bus->waitForReadyRead(WaitMs), "dbus-daemon does not start");
    const QString address = QString::fromUtf8(bus->readLine().trimmed());
    StatusNotifierWatcher panel;
    const QString name = QStringLiteral("panel");
    QDBusConnection connection = QDBusConnection::connectToBus(address, name);
    const auto disconnect = qScopeGuard([&] { QDBusConnection::disconnectFromBus(name); });
    if (watcher)
        QVERIFY2(connection.registerObject(QStringLiteral("/StatusNotifierWatcher"), &panel,
                                           QDBusConnection::ExportAllContents) &&
                     connection.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")),
                 qPrintable(connection.lastError().message()));
    CHECKED(startPictarro(platform, address));
    QProcessEnvironment busEnvironment;
    busEnvironment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);

    QByteArray tree;
    const auto windowShown = [&] {
        return m_session.execute(QStringLiteral("swaymsg"),
                                 {QStringLiteral("-t"), QStringLiteral("get_tree")}, &tree) == 0 &&
               tree.contains("\"name\": \"Pictarro\"");
    };
    if (!watcher) {
        // Nowhere to hide: the window stays within reach.
        QVERIFY2(pollUntil(windowShown), tree.constData());
        return;
    }
    QVERIFY2(pollUntil([&] { return !panel.items().isEmpty(); }),
             "Pictarro's icon never registered with the watcher");
    QByteArray item;
    QCOMPARE(m_session.execute(QStringLiteral("dbus-send"),
                               {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                                QStringLiteral("--dest=") + panel.items().first(),
                                QStringLiteral("/StatusNotifierItem"),
                                QStringLiteral("org.freedesktop.DBus.Properties.GetAll"),
                                QStringLiteral("string:org.kde.StatusNotifierItem")},
                               &item, busEnvironment),
             0);
    // Its icon drawn by the program, and its tip.
    const QString properties = QString::fromUtf8(item);
    const QRegularExpression icon(
        QStringLiteral("\"IconPixmap\"\\s+variant\\s+array \\[\\s+struct \\{\\s+int32 [1-9]"));
    const QRegularExpression tip(QStringLiteral("\"ToolTip\"\\s+variant\\s+struct \\{\\s+string "
                                                "\"[^\"]*\"\\s+array \\[[^\\]]*\\]\\s+string "
                                                "\"Pictarro\""));
    QVERIFY2(properties.contains(icon) && properties.contains(tip), item.constData());
    QCOMPARE(panel.items().size(), 1);
    QVERIFY2(!windowShown(), tree.constData());
}

void tst_WaylandE2e::startsInGnomeTopBar(bool appIndicator)
{
    const QString notStarted =
        m_session.start(Desktop::GnomeShell, true, m_install,
                        appIndicator ? QStringList{e2e::GnomeAppIndicator} : QStringList());
    if (!notStarted.isEmpty()) {
        QTest::qSkip(qPrintable(notStarted), __FILE__, __LINE__);
        return;
    }
    CHECKED(startPictarro({}));
    QString windows;
    const auto windowShown = [&] {
        windows = m_session.shellEval(QStringLiteral(
            "global.display.list_all_windows().map(w => w.get_title()).join(' | ')"));
        return windows.contains(QLatin1String("Pictarro"));
    };
    if (!appIndicator) {
        // Nowhere to hide: the window stays within reach.
        QVERIFY2(pollUntil(windowShown), qPrintable(windows));
        return;
    }
    // The extension shows each item in the top bar under a key of its own.
    const QString indicator =
        QStringLiteral("Object.entries(imports.ui.main.panel.statusArea).filter(([key]) => "
                       "key.startsWith('appindicator-')).map(([, icon]) => icon)");
    QString icons;
    QVERIFY2(pollUntil([&] {
                 icons = m_session.shellEval(indicator +
                                             QLatin1String(".map(i => i._indicator.title).join()"));
                 return icons.contains(QLatin1String("Pictarro"));
             }),
             qPrintable(QLatin1String("no icon in the top bar: ") + icons));
    QVERIFY2(!windowShown(), qPrintable(windows));
    // A double click on the icon, as the extension receives it.
    const QString clicked = m_session.shellEval(
        indicator + QLatin1String(".find(i => i._indicator.title === 'Pictarro')"
                                  "._maybeHandleDoubleClick({button: 1, click_count: 2, "
                                  "x: 0, y: 0, time: 0})"));
    QCOMPARE(clicked, QStringLiteral("(true, 'true')"));
    QVERIFY2(pollUntil(windowShown), qPrintable(windows));
}

QTEST_GUILESS_MAIN(tst_WaylandE2e)
#include "tst_wayland_e2e.moc"
