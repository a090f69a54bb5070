// The folder manager on the offscreen platform: the capture list and its
// filters, the preview, delete, properties through a stand-in file manager
// on a private bus, the wallpaper, opening the capture and closing; and the
// scrolling picture box it previews in.
#include "ASPictureBox.h"
#include "CaptureList.h"
#include "FakeFileManager.h"
#include "FolderManager.h"
#include "RecordingLauncher.h"
#include "ScriptedDialogs.h"
#include "Wallpaper.h"

#include <QtTest>
#include <QtWidgets>
#include <unistd.h>

namespace {

using Icon = platform::Dialogs::Icon;
using Answer = platform::Dialogs::Answer;

// Stands in for the desktop's wallpaper commands.
struct RecordingRunner : platform::CommandRunner
{
    RecordingRunner() { setInstance(this); }
    ~RecordingRunner() override { setInstance(nullptr); }
    Result run(const QStringList &command, int) override
    {
        commands << command;
        return {true, {}};
    }
    QList<QStringList> commands;
};

QImage picture(int width, int height, QRgb colour = qRgb(0, 128, 255))
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

template <typename Widget> Widget *control(QWidget &window, const char *name)
{
    Widget *widget = window.findChild<Widget *>(QLatin1String(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

QStringList listed(FolderManager &fm)
{
    QStringList names;
    const QAbstractItemModel *model = control<QListView>(fm, "FileDir")->model();
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, 0).data().toString();
    return names;
}

// Clicks the file in the list, as the user does.
bool select(FolderManager &fm, const QString &name)
{
    auto *list = control<QListView>(fm, "FileDir");
    const int row = static_cast<int>(listed(fm).indexOf(name));
    if (row < 0)
        return false;
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    return fm.selectedFile() == name;
}

void click(QWidget &window, const char *name)
{
    QWidget *widget = control<QWidget>(window, name);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

} // namespace

class TestFolderManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void list_filtersNaturallyOrdered_data();
    void list_filtersNaturallyOrdered();
    void list_unopenableFolder_listsNothing();
    void selection_showsThePictureUnderItsCaption();
    void selection_unreadablePicture_emptiesThePreview_andWallpaperKeepsTheDesktop();
    void delete_asksAndReports_data();
    void delete_asksAndReports();
    void properties_andActivation_handTheFileToTheDesktop();
    void wallpaper_fromJpegOrPng_becomesTheBitmap_data();
    void wallpaper_fromJpegOrPng_becomesTheBitmap();
    void closing_enablesTheMainWindow_data();
    void closing_enablesTheMainWindow();

    void picBox_scrollBarsOnlyForLargerPictures_data();
    void picBox_scrollBarsOnlyForLargerPictures();

private:
    std::unique_ptr<FolderManager> open();
    void write(const QString &name, const QImage &image = picture(40, 30));

    FakeFileManager m_fileManager;
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_captures;
    QString m_userData;
    QWidget *m_main = nullptr;
    QLineEdit *m_capturePath = nullptr;
    QLineEdit *m_winPath = nullptr;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
};

void TestFolderManager::initTestCase()
{
    const QString failed = m_fileManager.start();
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    QVERIFY(QDBusConnection::sessionBus().isConnected());
}

void TestFolderManager::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    m_captures = m_root->filePath("Captured Screens");
    m_userData = m_root->filePath("data");
    QVERIFY(QDir().mkpath(m_captures) && QDir().mkpath(m_userData));
    m_main = new QWidget;
    m_capturePath = new QLineEdit(m_captures, m_main);
    m_winPath = new QLineEdit(m_userData, m_main);
    m_main->show();
    m_main->setEnabled(false);
    m_dialogs = std::make_unique<ScriptedDialogs>();
}

void TestFolderManager::cleanup()
{
    m_dialogs.reset();
    delete m_main;
    m_main = nullptr;
    QFile::setPermissions(m_captures, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_root.reset();
}

std::unique_ptr<FolderManager> TestFolderManager::open()
{
    auto fm = std::make_unique<FolderManager>(m_main, m_capturePath, m_winPath);
    fm->show();
    if (!QTest::qWaitForWindowExposed(fm.get()))
        qWarning("folder manager not exposed");
    return fm;
}

void TestFolderManager::write(const QString &name, const QImage &image)
{
    const QString path = QDir(m_captures).filePath(name);
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == "txt" || suffix.isEmpty())
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    else
        QVERIFY(image.save(path, suffix == "bmp" ? "BMP" : suffix == "png" ? "PNG" : "JPG"));
}

// --- the list ---------------------------------------------------------------

void TestFolderManager::list_filtersNaturallyOrdered_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("names"); // listed, in order, between bars
    QTest::addColumn<QString>("added"); // listed after a refresh
    QTest::newRow("all")
        << 0 << "Pictarro 1.bmp|pictarro 2.JPG|Pictarro 3.png|Pictarro 10.bmp|Shot.BMP|shot.PNG"
        << "Pictarro 11.jpg";
    QTest::newRow("bitmaps") << 1 << "Pictarro 1.bmp|Pictarro 10.bmp|Shot.BMP"
                             << "Pictarro 12.bmp";
    QTest::newRow("jpegs") << 2 << "pictarro 2.JPG"
                           << "Pictarro 11.jpg";
    QTest::newRow("pngs") << 3 << "Pictarro 3.png|shot.PNG"
                          << "Pictarro 13.png";
}

void TestFolderManager::list_filtersNaturallyOrdered()
{
    QFETCH(int, format);
    QFETCH(QString, names);
    QFETCH(QString, added);
    for (const char *name :
         {"Pictarro 10.bmp", "Pictarro 1.bmp", "pictarro 2.JPG", "Shot.BMP", "Pictarro 3.png",
          "shot.PNG", "photo.jpeg", "notes.txt", ".hidden.bmp", "bmp", "png"})
        write(name);
    QVERIFY(QDir(m_captures).mkdir("Folder.bmp"));
    auto fm = open();
    QCOMPARE(control<QComboBox>(*fm, "FormatList")->currentText(), CaptureList::AllFormats);
    control<QComboBox>(*fm, "FormatList")->setCurrentIndex(format);
    QCOMPARE(listed(*fm), names.split('|'));

    // A capture saved meanwhile shows at the refresh, under the same filter.
    write("Pictarro 11.jpg");
    write("Pictarro 12.bmp");
    write("Pictarro 13.png");
    click(*fm, "Label6");
    QVERIFY(listed(*fm).contains(added));
    QCOMPARE(listed(*fm).size(), names.count('|') + 1 + (format == 0 ? 3 : 1));
}

void TestFolderManager::list_unopenableFolder_listsNothing()
{
    // Never the working folder's files in place of the captures.
    write("Pictarro 1.bmp");
    const QString before = QDir::currentPath();
    QDir::setCurrent(m_captures);
    m_capturePath->setText(m_root->filePath("gone"));
    auto fm = open();
    QDir::setCurrent(before);
    QVERIFY(listed(*fm).isEmpty());
}

// --- preview ------------------------------------------------------------------

void TestFolderManager::selection_showsThePictureUnderItsCaption()
{
    RecordingLauncher launcher;
    RecordingRunner runner;
    write("Pictarro 5.bmp", picture(700, 500));
    auto fm = open();
    auto *box = control<ASPictureBox>(*fm, "PicBox");
    QCOMPARE(fm->windowTitle(), FolderManager::Caption);
    QCOMPARE(box->sizeTwips(), QSize(6215, 5550));
    QVERIFY(box->picture().isNull());

    // Nothing selected: no action does anything.
    for (const char *action : {"Del", "Label8", "SetWallpaper"})
        click(*fm, action);
    QTest::mouseDClick(box->viewport(), Qt::LeftButton);
    QVERIFY(m_dialogs->shown.isEmpty());
    QVERIFY(launcher.targets().isEmpty() && runner.commands.isEmpty());
    QVERIFY(m_fileManager.requests().isEmpty());
    QVERIFY(QDir(m_userData).isEmpty());

    QVERIFY(select(*fm, "Pictarro 5.bmp"));
    QCOMPARE(fm->windowTitle(), QStringLiteral("Pictarro 5.bmp - Pictarro - Folder Manager"));
    QCOMPARE(box->picture().size(), QSize(700, 500));
    QCOMPARE(box->sizeTwips(), QSize(6015, 5355));
    QCOMPARE(box->size(), QSize(401, 357));
}

void TestFolderManager::selection_unreadablePicture_emptiesThePreview_andWallpaperKeepsTheDesktop()
{
    RecordingRunner runner;
    write("Pictarro 1.bmp");
    write("Pictarro 2.bmp", picture(1, 1));
    QFile broken(QDir(m_captures).filePath("Pictarro 2.bmp"));
    QVERIFY(broken.resize(20));
    const QString oldWallpaper = QDir(m_userData).filePath("Pictarro Wallpaper.bmp");
    QVERIFY(picture(8, 8).save(oldWallpaper, "BMP"));
    auto fm = open();
    QVERIFY(select(*fm, "Pictarro 1.bmp"));
    QVERIFY(select(*fm, "Pictarro 2.bmp"));
    QCOMPARE(fm->windowTitle(), QStringLiteral("Pictarro 2.bmp - Pictarro - Folder Manager"));
    QVERIFY(control<ASPictureBox>(*fm, "PicBox")->picture().isNull());

    click(*fm, "SetWallpaper");
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->shown[0].icon, Icon::Critical);
    QCOMPARE(m_dialogs->shown[0].title, QStringLiteral("Pictarro"));
    QCOMPARE(QDir(m_userData).entryList(QDir::Files), QStringList{"Pictarro Wallpaper.bmp"});
    QCOMPARE(QImage(oldWallpaper).size(), QSize(8, 8));
    QVERIFY(runner.commands.isEmpty());
}

// --- delete -------------------------------------------------------------------

void TestFolderManager::delete_asksAndReports_data()
{
    QTest::addColumn<QString>("trouble"); // "No": the answer; "Enter": pressed; otherwise Yes
    for (const char *trouble : {"No", "", "Enter", "gone", "folder", "read-only"})
        QTest::newRow(*trouble ? trouble : "deleted") << trouble;
}

void TestFolderManager::delete_asksAndReports()
{
    QFETCH(QString, trouble);
    if (trouble == "read-only" && geteuid() == 0)
        QSKIP("the superuser deletes from read-only folders");
    write("Pictarro 4.bmp");
    write("Pictarro 5.bmp");
    const QString path = QDir(m_captures).filePath("Pictarro 5.bmp");
    auto fm = open();
    QVERIFY(select(*fm, "Pictarro 5.bmp"));
    if (trouble == "gone" || trouble == "folder")
        QVERIFY(QFile::remove(path));
    if (trouble == "folder")
        QVERIFY(QDir().mkpath(path + "/inside"));
    if (trouble == "read-only")
        QVERIFY(QFile::setPermissions(m_captures, QFile::ReadOwner | QFile::ExeOwner));

    if (trouble == "Enter")
        m_dialogs->pressNext(Qt::Key_Return);
    else
        m_dialogs->answerNext(trouble == "No" ? Answer::No : Answer::Yes);
    click(*fm, "Del");
    QVERIFY(m_dialogs->shown.size() >= 1);
    QCOMPARE(m_dialogs->shown[0].icon, Icon::Question);
    QCOMPARE(m_dialogs->shown[0].title, QStringLiteral("Confirm to delete"));
    QCOMPARE(m_dialogs->shown[0].text,
             QStringLiteral("Are you sure you want to delete Pictarro 5.bmp\r\n"
                            "This will remove your selected file immediately when deleted"));
    auto *box = control<ASPictureBox>(*fm, "PicBox");
    if (trouble == "No") {
        QCOMPARE(m_dialogs->shown.size(), 1);
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(fm->windowTitle(), "Pictarro 5.bmp - " + FolderManager::Caption);
        QVERIFY(!box->picture().isNull());
        return;
    }
    QCOMPARE(fm->windowTitle(), FolderManager::Caption);
    QVERIFY(box->picture().isNull());
    QCOMPARE(box->sizeTwips(), QSize(6215, 5550));
    QCOMPARE(fm->selectedFile(), QString());
    if (trouble.isEmpty() || trouble == "Enter") {
        QCOMPARE(m_dialogs->shown.size(), 1);
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(listed(*fm), QStringList{"Pictarro 4.bmp"});
        return;
    }
    // The user learns which file stayed and why.
    QCOMPARE(m_dialogs->shown.size(), 2);
    QCOMPARE(m_dialogs->shown[1].icon, Icon::Critical);
    QCOMPARE(m_dialogs->shown[1].title, QStringLiteral("Pictarro"));
    QVERIFY2(m_dialogs->shown[1].text.contains(path), qPrintable(m_dialogs->shown[1].text));
    QCOMPARE(listed(*fm).contains("Pictarro 5.bmp"), trouble == "read-only");
}

// --- properties, wallpaper, opening --------------------------------------------

void TestFolderManager::wallpaper_fromJpegOrPng_becomesTheBitmap_data()
{
    QTest::addColumn<QString>("capture");
    QTest::newRow("jpeg") << "Pictarro 3.jpg";
    QTest::newRow("png") << "Pictarro 3.png";
}

void TestFolderManager::wallpaper_fromJpegOrPng_becomesTheBitmap()
{
    QFETCH(QString, capture);
    RecordingRunner runner;
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    const QImage shown = picture(64, 48, qRgb(200, 30, 90));
    write(capture, shown);
    QVERIFY(QDir(m_userData).mkdir("unrelated"));
    auto fm = open();
    QVERIFY(select(*fm, capture));
    QCOMPARE(control<ASPictureBox>(*fm, "PicBox")->picture().size(), shown.size());
    click(*fm, "SetWallpaper");
    qunsetenv("XDG_CURRENT_DESKTOP");

    QVERIFY(m_dialogs->shown.isEmpty());
    QCOMPARE(QDir(m_userData).entryList(QDir::Files), QStringList{"Pictarro Wallpaper.bmp"});
    QImageReader reader(QDir(m_userData).filePath("Pictarro Wallpaper.bmp"));
    QCOMPARE(reader.format(), QByteArray("bmp"));
    QCOMPARE(reader.size(), QSize(64, 48));
    if (capture.endsWith(".png")) // lossless all the way
        QCOMPARE(reader.read().convertToFormat(QImage::Format_RGB32), shown);
    const QString uri = QUrl::fromLocalFile(QDir(m_userData).filePath("Pictarro Wallpaper.bmp"))
                            .toString(QUrl::FullyEncoded);
    bool handedOver = false;
    for (const QStringList &command : std::as_const(runner.commands))
        handedOver = handedOver || command.join(' ').contains(uri);
    QVERIFY2(handedOver, qPrintable(uri));
}

void TestFolderManager::properties_andActivation_handTheFileToTheDesktop()
{
    RecordingLauncher launcher;
    write("Pictarro 5.bmp");
    const QString path = QDir(m_captures).filePath("Pictarro 5.bmp");
    auto fm = open();
    QVERIFY(select(*fm, "Pictarro 5.bmp"));
    const qsizetype before = m_fileManager.requests().size();
    click(*fm, "Label8");
    const QString uri = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    QVERIFY(uri.endsWith("Captured%20Screens/Pictarro%205.bmp"));
    QTRY_COMPARE(m_fileManager.requests().mid(before), (QList<QStringList>{{uri, ""}}));

    // Double click or Enter on the preview opens the file, never runs it.
    auto *box = control<ASPictureBox>(*fm, "PicBox");
    QTest::mouseDClick(box->viewport(), Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(launcher.targets(), (QStringList{path, path}));
    QVERIFY(launcher.started.isEmpty() && m_dialogs->shown.isEmpty());
    QVERIFY(fm->isVisible());
}

void TestFolderManager::closing_enablesTheMainWindow_data()
{
    QTest::addColumn<QString>("how");
    for (const char *how : {"Esc", "Command1", "Label4", "window manager"})
        QTest::newRow(how) << how;
}

void TestFolderManager::closing_enablesTheMainWindow()
{
    QFETCH(QString, how);
    auto fm = open();
    QVERIFY(!(fm->windowFlags() & Qt::WindowCloseButtonHint));
    QSignalSpy finished(fm.get(), &QDialog::finished);
    if (how == "Esc")
        QTest::keyClick(fm.get(), Qt::Key_Escape);
    else if (how == "Command1")
        control<QPushButton>(*fm, "Command1")->click();
    else if (how == "Label4")
        click(*fm, "Label4");
    else
        fm->close();
    QCOMPARE(finished.size(), 1);
    QVERIFY(!fm->isVisible());
    QVERIFY(m_main->isEnabled());
}

// --- the picture box -----------------------------------------------------------

void TestFolderManager::picBox_scrollBarsOnlyForLargerPictures_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<bool>("vertical");
    QTest::newRow("none") << QSize() << false << false;
    QTest::newRow("smaller") << QSize(150, 100) << false << false;
    QTest::newRow("wider") << QSize(400, 100) << true << false;
    QTest::newRow("taller") << QSize(150, 400) << false << true;
    QTest::newRow("larger") << QSize(3840, 2160) << true << true;
    // Just fits until the other bar takes its room.
    QTest::newRow("wider, nearly as tall") << QSize(400, 196) << true << true;
}

void TestFolderManager::picBox_scrollBarsOnlyForLargerPictures()
{
    QFETCH(QSize, size);
    QFETCH(bool, horizontal);
    QFETCH(bool, vertical);
    ASPictureBox box;
    box.setSizeTwips(3000, 3000);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QSize room = box.maximumViewportSize();
    if (QTest::currentDataTag() == QByteArray("wider, nearly as tall"))
        size.setHeight(room.height() - 2);
    box.setPicture(size.isValid() ? picture(size.width(), size.height()) : QImage());
    QTRY_COMPARE(box.horizontalScrollBar()->isVisible(), horizontal);
    QTRY_COMPARE(box.verticalScrollBar()->isVisible(), vertical);
    QCOMPARE(box.picture().size(), size.isValid() ? size : QSize(0, 0));
    QCOMPARE(box.property("picture").value<QImage>().size(), box.picture().size());
    if (horizontal)
        QCOMPARE(box.horizontalScrollBar()->maximum(), size.width() - box.viewport()->width());
    // White where no picture is.
    const QImage shown = box.viewport()->grab().toImage();
    QCOMPARE(QColor(shown.pixel(shown.width() - 1, shown.height() - 1)),
             size.isValid() && horizontal && vertical ? QColor(qRgb(0, 128, 255))
                                                      : QColor(Qt::white));
}

QTEST_MAIN(TestFolderManager)
#include "tst_foldermanager.moc"
