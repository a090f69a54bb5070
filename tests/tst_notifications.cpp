// The desktop notification after each capture and the recent captures of the
// notification-area menu, on the offscreen platform. A private session bus
// carries a stand-in notification server and file manager; the desktop's
// opener is watched.
#include "CaptureFormFixture.h"
#include "DesktopNotifications.h"
#include "FakeFileManager.h"
#include "FakeNotifications.h"
#include "RecordingLauncher.h"

#include <QDBusConnectionInterface>
#include <QtTest>
#include <QtWidgets>

class TestNotifications : public QObject, private CaptureFormFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void notice_namesTheFile_withItsPicture_andActions();
    void action_data();
    void action();
    void notice_replacesTheOneShown_data();
    void notice_replacesTheOneShown();
    void noServer_captureSaved_nothingWaits_data();
    void noServer_captureSaved_nothingWaits();
    void notice_onlyWhenAskedFor_andOnlyOnSuccess_data();
    void notice_onlyWhenAskedFor_andOnlyOnSuccess();

    void recentCaptures_followTheFolder();

private:
    void notifyOn() { m_form->settings().setValue("CaptureNotification", "Notify", "1"); }
    // Copies a picture of this size and waits for its file; the file's path.
    QString capture(const QSize &size = {53, 31});
    void startServer();
    NotificationService *server() const { return m_server->service(); }
    platform::DesktopNotifications *notifications() const
    {
        return m_form->findChild<platform::DesktopNotifications *>();
    }

    FakeFileManager m_bus; // the private session bus and its file manager
    std::unique_ptr<FakeNotifications> m_server;
    std::unique_ptr<RecordingLauncher> m_launcher;
    int m_captures = 0;
};

void TestNotifications::initTestCase()
{
    const QString failed = m_bus.start();
    if (!failed.isEmpty())
        QFAIL(qPrintable(failed));
}

void TestNotifications::init()
{
    setUp();
    m_launcher = std::make_unique<RecordingLauncher>();
    m_bus.refuseToShow(false);
    m_captures = 0;
}

void TestNotifications::cleanup()
{
    tearDown();
    m_server.reset();
    m_launcher.reset();
}

void TestNotifications::startServer()
{
    m_server = std::make_unique<FakeNotifications>();
    const QString failed = m_server->start(m_bus.address());
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
}

QString TestNotifications::capture(const QSize &size)
{
    QSignalSpy captured(m_form.get(), &MainForm::captured);
    // A different picture each time: the same one again would be a refill.
    QImage picture = testPicture(size.width(), size.height());
    picture.setPixel(0, 0, qRgb(++m_captures, 0, 0));
    clipboard()->setImage(picture);
    if (!captured.wait(WaitMs) && captured.isEmpty())
        return {};
    return captured.last().at(0).toString();
}

void TestNotifications::notice_namesTheFile_withItsPicture_andActions()
{
    startServer();
    // A name with a character that means something in the body's markup.
    storeSetting("ImageName", "SaveName", "Tom & Jerry");
    makeForm();
    notifyOn();
    const QString file = capture();
    QCOMPARE(QFileInfo(file).fileName(), "Tom & Jerry 1.bmp");
    QTRY_COMPARE_WITH_TIMEOUT(server()->calls().size(), 1, WaitMs);

    const NotifyCall call = server()->calls().first();
    QCOMPARE(call.appName, "Pictarro");
    QCOMPARE(call.replacesId, 0u);
    QVERIFY2(call.summary.contains("Tom & Jerry 1.bmp"), qPrintable(call.summary));
    // The server reads markup: the body is escaped for it.
    QVERIFY2(call.body.contains(file.toHtmlEscaped()), qPrintable(call.body));
    QCOMPARE(call.hints.value("image-path").toString(),
             QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded));
    QCOMPARE(call.hints.value("desktop-entry").toString(), "com.tarnwellsoftware.Pictarro");
    // Run from a build folder: the icon is a file of the program's artwork.
    QVERIFY2(QFileInfo(call.appIcon).isFile(), qPrintable(call.appIcon));
    QVERIFY(!QIcon(call.appIcon).pixmap(32).isNull());
    const QStringList actions = call.actions;
    QVERIFY(actions.size() % 2 == 0);
    QStringList labels;
    for (int i = 1; i < actions.size(); i += 2)
        labels << actions.at(i);
    QVERIFY2(labels.contains("Open") && labels.contains("Show in folder"),
             qPrintable(actions.join(", ")));
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestNotifications::action_data()
{
    QTest::addColumn<QString>("label");      // the action pressed, by its label; "" for a click
    QTest::addColumn<bool>("refused");       // the file manager refuses to show folders
    QTest::addColumn<QString>("stranger");   // the action comes from: "", "other number" or
                                             // "other program" (not the server)
    QTest::addColumn<QString>("opened");     // what the desktop opens: "file" or "folder"
    QTest::addColumn<bool>("shownInFolder"); // the file manager shows the file instead
    QTest::newRow("Open") << "Open" << false << ""
                          << "file" << false;
    QTest::newRow("a click on the notification") << "" << false << ""
                                                 << "file" << false;
    QTest::newRow("Show in folder") << "Show in folder" << false << ""
                                    << "" << true;
    QTest::newRow("Show in folder, the file manager refuses") << "Show in folder" << true << ""
                                                              << "folder" << false;
    QTest::newRow("another notification") << "Open" << false << "other number"
                                          << "" << false;
    QTest::newRow("sent by another program") << "Open" << false << "other program"
                                             << "" << false;
}

void TestNotifications::action()
{
    QFETCH(QString, label);
    QFETCH(bool, refused);
    QFETCH(QString, stranger);
    QFETCH(QString, opened);
    QFETCH(bool, shownInFolder);
    startServer();
    m_bus.refuseToShow(refused);
    makeForm();
    notifyOn();
    const QString file = capture();
    QVERIFY(!file.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(server()->calls().size(), 1, WaitMs);
    const NotifyCall call = server()->calls().first();
    // Pressed once it is on the screen, which Pictarro knows by the answer.
    QTRY_COMPARE_WITH_TIMEOUT(notifications()->shownId(), call.id, WaitMs);
    QString key = QStringLiteral("default");
    const qsizetype at = call.actions.indexOf(label);
    if (!label.isEmpty()) {
        QVERIFY(at >= 1 && at % 2 == 1);
        key = call.actions.at(at - 1);
    }
    const qsizetype before = m_bus.shown().size();
    if (stranger == "other program") {
        QDBusMessage signal = QDBusMessage::createSignal(
            "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
        signal << call.id << key;
        QDBusConnection::sessionBus().send(signal);
        // Answered by the bus once it has passed the signal on.
        QVERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(
            "org.freedesktop.Notifications"));
    } else {
        server()->invoke(stranger == "other number" ? call.id + 100 : call.id, key);
    }
    if (!stranger.isEmpty()) {
        // Only Pictarro's notification is answered, and only by its server:
        // "Show in folder" pressed on it arrives after the other, which
        // opened nothing.
        server()->invoke(call.id, QStringLiteral("show-in-folder"));
        QTRY_COMPARE_WITH_TIMEOUT(m_bus.shown().size(), before + 1, WaitMs);
        QVERIFY(m_launcher->opened.isEmpty());
        return;
    }
    if (shownInFolder) {
        QTRY_COMPARE_WITH_TIMEOUT(m_bus.shown().size(), before + 1, WaitMs);
        QCOMPARE(m_bus.shown().last(),
                 (QStringList{QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded), ""}));
        QVERIFY(m_launcher->opened.isEmpty());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(m_launcher->opened.size(), 1, WaitMs);
        QCOMPARE(m_launcher->opened.first(),
                 QUrl::fromLocalFile(opened == "file" ? file : QFileInfo(file).path()));
        QCOMPARE(m_bus.shown().size(), before);
    }
}

void TestNotifications::notice_replacesTheOneShown_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("one after another") << "one after another";
    QTest::newRow("the first closed by the user") << "closed";
    QTest::newRow("fifty while the server is busy") << "burst";
}

void TestNotifications::notice_replacesTheOneShown()
{
    QFETCH(QString, way);
    startServer();
    makeForm();
    notifyOn();
    const QString first = capture();
    QTRY_COMPARE_WITH_TIMEOUT(server()->calls().size(), 1, WaitMs);
    const uint id = server()->calls().first().id;
    QTRY_VERIFY_WITH_TIMEOUT(!notifications()->busy(), WaitMs);

    if (way == "one after another") {
        const QString second = capture();
        QTRY_COMPARE_WITH_TIMEOUT(server()->calls().size(), 2, WaitMs);
        QCOMPARE(server()->calls().last().replacesId, id);
        QVERIFY(server()->calls().last().body.contains(second));
        QCOMPARE(server()->open(), QSet<uint>{id});
    } else if (way == "closed") {
        server()->dismiss(id);
        QTRY_COMPARE_WITH_TIMEOUT(notifications()->shownId(), 0u, WaitMs);
        capture();
        QTRY_COMPARE_WITH_TIMEOUT(server()->calls().size(), 2, WaitMs);
        QCOMPARE(server()->calls().last().replacesId, 0u);
        QCOMPARE(server()->open().size(), 1);
    } else {
        // While the server keeps its answer back, the captures go on; of the
        // notifications only the newest waits behind the call on its way.
        server()->holdAnswers(true);
        QString last;
        for (int n = 0; n < 50; ++n) {
            last = capture();
            QVERIFY(!last.isEmpty());
        }
        QCOMPARE(captures().size(), 51);
        QTRY_COMPARE_WITH_TIMEOUT(server()->heldAnswers(), 1, WaitMs);
        QCOMPARE(server()->calls().size(), 2);
        server()->holdAnswers(false);
        QTRY_COMPARE_WITH_TIMEOUT(server()->calls().size(), 3, WaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!notifications()->busy(), WaitMs);
        const QList<NotifyCall> calls = server()->calls();
        QVERIFY2(calls.last().body.contains(last), qPrintable(calls.last().body));
        for (const NotifyCall &call : calls.mid(1))
            QCOMPARE(call.replacesId, id);
        QCOMPARE(server()->open(), QSet<uint>{id});
        // Pressed now, "Open" opens the capture on the screen: the last.
        server()->invoke(id, "open");
        QTRY_COMPARE_WITH_TIMEOUT(m_launcher->opened.size(), 1, WaitMs);
        QCOMPARE(m_launcher->opened.first(), QUrl::fromLocalFile(last));
    }
    Q_UNUSED(first);
}

void TestNotifications::noServer_captureSaved_nothingWaits_data()
{
    QTest::addColumn<bool>("serverHangs"); // on the bus, but never answers
    QTest::newRow("no notification server") << false;
    QTest::newRow("a server that does not answer") << true;
}

void TestNotifications::noServer_captureSaved_nothingWaits()
{
    QFETCH(bool, serverHangs);
    if (serverHangs) {
        startServer();
        server()->holdAnswers(true);
    }
    makeForm();
    notifyOn();
    // Every capture is saved at once, no message is shown, and nothing piles
    // up: the calls of all of them wait behind at most one on its way.
    for (int n = 1; n <= 5; ++n)
        QCOMPARE(QFileInfo(capture()).fileName(), QStringLiteral("Pictarro %1.bmp").arg(n));
    QVERIFY(m_dialogs->shown.isEmpty());
    if (serverHangs) {
        QCOMPARE(server()->calls().size(), 1);
        QCOMPARE(server()->heldAnswers(), 1);
        return;
    }
    // A server that comes later gets the next capture's notification.
    QTRY_VERIFY_WITH_TIMEOUT(!notifications()->busy(), WaitMs);
    startServer();
    const QString file = capture();
    QTRY_COMPARE_WITH_TIMEOUT(server()->calls().size(), 1, WaitMs);
    QVERIFY(server()->calls().first().body.contains(file));
}

void TestNotifications::notice_onlyWhenAskedFor_andOnlyOnSuccess_data()
{
    QTest::addColumn<QString>("setting"); // the stored value; "-" for none
    QTest::addColumn<bool>("fails");      // the first capture cannot be written
    QTest::newRow("no setting") << "-" << false;
    QTest::newRow("off") << "0" << false;
    QTest::newRow("anything but 1") << "yes" << false;
    QTest::newRow("on, the capture fails") << "1" << true;
}

void TestNotifications::notice_onlyWhenAskedFor_andOnlyOnSuccess()
{
    QFETCH(QString, setting);
    QFETCH(bool, fails);
    startServer();
    if (fails)
        storeSetting("CapturePath", "Folder", "/proc/self");
    makeForm();
    if (setting != "-")
        m_form->settings().setValue("CaptureNotification", "Notify", setting);
    if (fails) {
        clipboard()->setImage(testPicture());
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs->shown.size(), 1, WaitMs);
        QVERIFY(m_dialogs->shown.first().text.contains("unable to save"));
        QVERIFY(QDir().mkpath(m_root->filePath("Captures")));
        control<QLineEdit>("CapturePath")->setText(m_root->filePath("Captures"));
    } else {
        QVERIFY(!capture().isEmpty());
    }
    // Switched on only now: the one notification is the next capture's.
    notifyOn();
    const QString file = capture();
    QVERIFY(!file.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(server()->calls().size(), 1, WaitMs);
    QVERIFY(server()->calls().first().body.contains(file));
    QTRY_VERIFY_WITH_TIMEOUT(!notifications()->busy(), WaitMs);
    QCOMPARE(server()->calls().size(), 1);
}

// ------------------------------------------------------- recent captures

namespace {

// The menu opened and closed again, as a click on the icon does.
void openMenu(QMenu *menu)
{
    menu->popup(QPoint(10, 10));
    menu->hide();
}

QStringList texts(const QMenu *menu)
{
    QStringList all;
    const QList<QAction *> items = menu->actions();
    for (const QAction *item : items)
        all << item->text();
    return all;
}

} // namespace

void TestNotifications::recentCaptures_followTheFolder()
{
    makeForm();
    auto *menu = control<QMenu>("SysMenu");
    auto *recent = control<QMenu>("RecentCaptures");
    auto *openLast = control<QAction>("OpenLastCapture");
    openMenu(menu);
    QVERIFY(!recent->isEnabled());
    QVERIFY(!openLast->isEnabled());
    QVERIFY(recent->actions().isEmpty());

    // Each capture of its own size, so its picture in the menu tells it; the
    // last one larger than a menu picture.
    const QList<QSize> sizes{{40, 30}, {31, 44}, {52, 20}, {300, 150}};
    QStringList files;
    for (const QSize &size : sizes)
        files << capture(size);
    // A file that is no capture, newer than all of them, is left out.
    QFile notes(QDir(captureFolder()).filePath("notes.txt"));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.close();

    openMenu(menu);
    QVERIFY(recent->isEnabled());
    QVERIFY(openLast->isEnabled());
    QCOMPARE(texts(recent),
             (QStringList{"Pictarro 4.bmp", "Pictarro 3.bmp", "Pictarro 2.bmp", "Pictarro 1.bmp"}));
    const QList<QSize> shown{{64, 32}, {52, 20}, {31, 44}, {40, 30}};
    for (int i = 0; i < shown.size(); ++i) {
        QAction *item = recent->actions().at(i);
        QTRY_VERIFY_WITH_TIMEOUT(!item->icon().isNull(), WaitMs);
        QCOMPARE(item->icon().availableSizes(), QList<QSize>{shown.at(i)});
    }

    // Deleted by hand: gone at the next opening, and the last capture is
    // the one before it.
    QVERIFY(QFile::remove(files.last()));
    openMenu(menu);
    QCOMPARE(texts(recent), (QStringList{"Pictarro 3.bmp", "Pictarro 2.bmp", "Pictarro 1.bmp"}));
    openLast->trigger();
    QCOMPARE(m_launcher->opened, QList<QUrl>{QUrl::fromLocalFile(files.at(2))});
    recent->actions().at(2)->trigger();
    QCOMPARE(m_launcher->opened.last(), QUrl::fromLocalFile(files.at(0)));

    // Eleven more: the ten newest are listed.
    for (int n = 0; n < 11; ++n)
        files << capture();
    openMenu(menu);
    QCOMPARE(recent->actions().size(), 10);
    QCOMPARE(recent->actions().first()->text(), "Pictarro 15.bmp");
    QCOMPARE(recent->actions().last()->text(), "Pictarro 6.bmp");
}

QTEST_MAIN(TestNotifications)
#include "tst_notifications.moc"
