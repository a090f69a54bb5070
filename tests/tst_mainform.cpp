// The main window on the offscreen platform: start-up from an empty and a
// stored store, and every control storing its value as it changes.
#include "CaptureFormFixture.h"
#include "MediaPlayer.h"

#include <QtTest>
#include <QtWidgets>

class TestMainForm : public QObject, private CaptureFormFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void load_emptyStore_appliesDefaults();
    void load_storedValues_data();
    void load_storedValues();
    void load_leavesClipboardEmpty();
    void load_unusableFolder_fallsBackToDefault_data();
    void load_unusableFolder_fallsBackToDefault();

    void baseName_typed_isFilteredAndStored_data();
    void baseName_typed_isFilteredAndStored();
    void baseName_keepsAtMostFiftyCharacters();
    void noWaySymbols_explainsTheForbiddenCharacters();
    void customCounter_data();
    void customCounter();
    void resetCounter_storesZero();
    void format_and_quality_areStoredAsTheyChange();
    void quality_mouseOverSlider_storesAgain();
    void defaultFolder_onlyOnYes_data();
    void defaultFolder_onlyOnYes();
    void openCaption_followsTheFolder();
    void deletedFolder_isRecreated();
};

// ---------------------------------------------------------------- start-up

void TestMainForm::load_emptyStore_appliesDefaults()
{
    makeForm();
    const QString folder = m_env.programFolder + "/Captured Screens";
    QCOMPARE(captureFolder(), folder);
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(control<QLineEdit>("ImageName")->text(), "Pictarro");
    QCOMPARE(control<QLineEdit>("ImageCounter")->text(), "0");
    QVERIFY(control<QRadioButton>("BMP")->isChecked());
    QCOMPARE(control<QSlider>("Res")->value(), 100);
    QVERIFY(!control<QSlider>("Res")->isEnabled());
    QCOMPARE(control<QLabel>("ResCaption")->text(), "100");
    QCOMPARE(control<QLabel>("EnableDisable")->text(), "Enabled");
    QVERIFY(m_form->captureEnabled());
    QCOMPARE(control<QLineEdit>("WinPath")->text(), m_env.userDataFolder);
    QCOMPARE(m_form->findChild<QAction *>("SysCapture")->text(), "Open: [ " + folder + " ]");
    QCOMPARE(control<QToolButton>("OpenFolder")->toolTip(), "Open: [ " + folder + " ]");
    QCOMPARE(m_form->findChild<platform::MediaPlayer *>("MediaPlayer")->fileName(), QString());

    // The defaults that have change rules are stored; the rest stays absent.
    QCOMPARE(stored("CapturePath", "Folder"), folder);
    QCOMPARE(stored("ImageName", "SaveName"), "Pictarro");
    QCOMPARE(stored("CaptureCounter", "CaptureCounter"), "0");
    const platform::SettingsStore store(m_env.settingsFile);
    QVERIFY(!store.contains("QualityValue", "QualityValue"));
    QVERIFY(!store.contains("ImageExtensionJPG", "SaveExtensionJPG"));
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestMainForm::load_storedValues_data()
{
    QTest::addColumn<QString>("quality");
    QTest::addColumn<QString>("jpeg");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<int>("expectedQuality");
    QTest::addColumn<bool>("expectedJpeg");
    QTest::addColumn<QString>("expectedName");
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<QString>("expectedCounter");
    QTest::addColumn<QString>("png"); // the PNG flag, stored when not empty
    QTest::addColumn<bool>("expectedPng");

    QTest::newRow("ordinary") << "75"
                              << "True"
                              << "Shot"
                              << "12" << 75 << true << "Shot"
                              << "Shot"
                              << "12" << QString() << false;
    QTest::newRow("bitmap") << "40"
                            << "False"
                            << "Shot"
                            << "3" << 40 << false << "Shot"
                            << "Shot"
                            << "3" << QString() << false;
    QTest::newRow("quality text") << "abc"
                                  << "True"
                                  << "Shot"
                                  << "1" << 100 << true << "Shot"
                                  << "Shot"
                                  << "1" << QString() << false;
    QTest::newRow("quality out of range") << "250"
                                          << ""
                                          << "Shot"
                                          << "1" << 100 << false << "Shot"
                                          << "Shot"
                                          << "1" << QString() << false;
    QTest::newRow("quality negative") << "-5"
                                      << "1"
                                      << "Shot"
                                      << "1" << 100 << true << "Shot"
                                      << "Shot"
                                      << "1" << QString() << false;
    QTest::newRow("format garbage") << "75"
                                    << "maybe"
                                    << "Shot"
                                    << "1" << 75 << false << "Shot"
                                    << "Shot"
                                    << "1" << QString() << false;
    QTest::newRow("forbidden characters removed") << "75"
                                                  << "False"
                                                  << "My:Shot|<1>"
                                                  << "1" << 75 << false << "MyShot1"
                                                  << "MyShot1"
                                                  << "1" << QString() << false;
    QTest::newRow("blanks kept in the field") << "75"
                                              << "False"
                                              << "  Holiday  "
                                              << "1" << 75 << false << "  Holiday  "
                                              << "Holiday"
                                              << "1" << QString() << false;
    QTest::newRow("only forbidden characters: the default name") << "75"
                                                                 << "False"
                                                                 << "***"
                                                                 << "1" << 75 << false << "Pictarro"
                                                                 << "Pictarro"
                                                                 << "1" << QString() << false;
    QTest::newRow("empty counter") << "75"
                                   << "False"
                                   << "Shot"
                                   << "" << 75 << false << "Shot"
                                   << "Shot"
                                   << "0" << QString() << false;
    QTest::newRow("text counter kept") << "75"
                                       << "False"
                                       << "Shot"
                                       << "12abc" << 75 << false << "Shot"
                                       << "Shot"
                                       << "12abc" << QString() << false;
    QTest::newRow("png") << "75"
                         << "False"
                         << "Shot"
                         << "1" << 75 << false << "Shot"
                         << "Shot"
                         << "1"
                         << "True" << true;
    QTest::newRow("png wins over jpeg") << "75"
                                        << "True"
                                        << "Shot"
                                        << "1" << 75 << false << "Shot"
                                        << "Shot"
                                        << "1"
                                        << "True" << true;
    QTest::newRow("png flag garbage") << "75"
                                      << "True"
                                      << "Shot"
                                      << "1" << 75 << true << "Shot"
                                      << "Shot"
                                      << "1"
                                      << "perhaps" << false;
    QTest::newRow("png flag false") << "75"
                                    << "True"
                                    << "Shot"
                                    << "1" << 75 << true << "Shot"
                                    << "Shot"
                                    << "1"
                                    << "False" << false;
}

void TestMainForm::load_storedValues()
{
    QFETCH(QString, quality);
    QFETCH(QString, jpeg);
    QFETCH(QString, name);
    QFETCH(QString, counter);
    QFETCH(int, expectedQuality);
    QFETCH(bool, expectedJpeg);
    QFETCH(QString, expectedName);
    QFETCH(QString, storedName);
    QFETCH(QString, expectedCounter);
    QFETCH(QString, png);
    QFETCH(bool, expectedPng);

    storeSetting("QualityValue", "QualityValue", quality);
    storeSetting("ImageExtensionJPG", "SaveExtensionJPG", jpeg);
    if (!png.isEmpty())
        storeSetting("ImageExtensionPNG", "SaveExtensionPNG", png);
    storeSetting("ImageName", "SaveName", name);
    storeSetting("CaptureCounter", "CaptureCounter", counter);
    makeForm();

    QCOMPARE(control<QSlider>("Res")->value(), expectedQuality);
    QCOMPARE(control<QLabel>("ResCaption")->text(), QString::number(expectedQuality));
    QCOMPARE(control<QRadioButton>("JPG")->isChecked(), expectedJpeg);
    QCOMPARE(control<QRadioButton>("PNG")->isChecked(), expectedPng);
    QCOMPARE(control<QRadioButton>("BMP")->isChecked(), !expectedJpeg && !expectedPng);
    QCOMPARE(control<QSlider>("Res")->isEnabled(), expectedJpeg);
    const QColor percent = control<QLabel>("Centesimal")->palette().color(QPalette::WindowText);
    if (expectedJpeg)
        QCOMPARE(percent, QColor(192, 0, 0));
    QCOMPARE(control<QLineEdit>("ImageName")->text(), expectedName);
    QCOMPARE(stored("ImageName", "SaveName"), storedName);
    QCOMPARE(control<QLineEdit>("ImageCounter")->text(), expectedCounter);
    QCOMPARE(stored("CaptureCounter", "CaptureCounter"), expectedCounter);
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestMainForm::load_leavesClipboardEmpty()
{
    // A picture left on the clipboard before the start is not a capture.
    clipboard()->setImage(testPicture());
    makeForm();
    QCoreApplication::processEvents();
    tick();
    QVERIFY(clipboard()->image().isNull());
    QVERIFY(captures().isEmpty());
}

void TestMainForm::load_unusableFolder_fallsBackToDefault_data()
{
    QTest::addColumn<QString>("stored"); // @ROOT@: the test's folder
    QTest::addColumn<bool>("kept");
    QTest::newRow("relative path") << "shots" << false;
    QTest::newRow("an existing file") << "@ROOT@/a file" << false;
    QTest::newRow("missing parent: kept, reported at capture") << "@ROOT@/gone/deeper" << true;
    QTest::newRow("existing folder") << "@ROOT@" << true;
}

void TestMainForm::load_unusableFolder_fallsBackToDefault()
{
    QFETCH(QString, stored);
    QFETCH(bool, kept);
    stored.replace("@ROOT@", m_root->path());
    QFile file(m_root->filePath("a file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    storeSetting("CapturePath", "Folder", stored);
    makeForm();
    const QString expected = kept ? stored : m_env.programFolder + "/Captured Screens";
    QCOMPARE(captureFolder(), expected);
    QCOMPARE(this->stored("CapturePath", "Folder"), expected);
    QVERIFY(QFileInfo(m_root->filePath("a file")).isFile());
}

// ------------------------------------------------------ name and counter

void TestMainForm::baseName_typed_isFilteredAndStored_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("storedValue");
    QTest::newRow("colon") << "My:Shot"
                           << "MyShot"
                           << "MyShot";
    QTest::newRow("all nine") << "a\\b/c:d*e?f<g>h|i\""
                              << "abcdefghi"
                              << "abcdefghi";
    QTest::newRow("nothing left") << "\\/:*?"
                                  << ""
                                  << "";
    QTest::newRow("blanks only stored trimmed") << "  Holiday  "
                                                << "  Holiday  "
                                                << "Holiday";
}

void TestMainForm::baseName_typed_isFilteredAndStored()
{
    QFETCH(QString, typed);
    QFETCH(QString, field);
    QFETCH(QString, storedValue);
    makeForm();
    auto *name = control<QLineEdit>("ImageName");
    name->clear();
    QTest::keyClicks(name, typed);
    QCOMPARE(name->text(), field);
    QCOMPARE(name->cursorPosition(), field.size());
    QCOMPARE(stored("ImageName", "SaveName"), storedValue);
}

void TestMainForm::baseName_keepsAtMostFiftyCharacters()
{
    makeForm();
    auto *name = control<QLineEdit>("ImageName");
    name->clear();
    QTest::keyClicks(name, QString(60, u'x'));
    QCOMPARE(name->text(), QString(50, u'x'));
}

void TestMainForm::noWaySymbols_explainsTheForbiddenCharacters()
{
    makeForm();
    control<QToolButton>("NoWaySymbols")->click();
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(int(m_dialogs->shown[0].icon), int(Icon::Information));
    QCOMPARE(m_dialogs->shown[0].title, "Captured Screens Name");
    QCOMPARE(m_dialogs->shown[0].text,
             "A name of your captured screens cannot contain any of the following characters "
             "\\/:*?<>|\"\r\nPictarro will automatically remove these characters.");
}

void TestMainForm::customCounter_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("after");
    QTest::newRow("number between blanks") << "7"
                                           << " 12 "
                                           << "12";
    QTest::newRow("fraction") << "7"
                              << "12.50"
                              << "12.5";
    QTest::newRow("negative") << "7"
                              << "-4"
                              << "-4";
    QTest::newRow("text leaves the counter") << "7"
                                             << "abc"
                                             << "7";
    QTest::newRow("cancel leaves the counter") << "7"
                                               << ""
                                               << "7";
    QTest::newRow("same value") << "7"
                                << "7"
                                << "7";
}

void TestMainForm::customCounter()
{
    QFETCH(QString, before);
    QFETCH(QString, reply);
    QFETCH(QString, after);
    QLocale::setDefault(QLocale::c());
    storeSetting("CaptureCounter", "CaptureCounter", before);
    makeForm();
    m_dialogs->replyNext(reply);
    QTest::mouseClick(control<QLabel>("CustomCounter"), Qt::LeftButton);
    QCOMPARE(m_dialogs->prompts.size(), 1);
    QCOMPARE(m_dialogs->prompts[0],
             (QStringList{"Your custom number goes here:", "Captured Screens Counter", before}));
    QCOMPARE(control<QLineEdit>("ImageCounter")->text(), after);
    QCOMPARE(stored("CaptureCounter", "CaptureCounter"), after);
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestMainForm::resetCounter_storesZero()
{
    storeSetting("CaptureCounter", "CaptureCounter", "41");
    makeForm();
    QTest::mouseClick(control<QLabel>("ResetCounter"), Qt::LeftButton);
    QCOMPARE(control<QLineEdit>("ImageCounter")->text(), "0");
    QCOMPARE(stored("CaptureCounter", "CaptureCounter"), "0");
    QVERIFY(m_dialogs->shown.isEmpty());
}

// ------------------------------------------------- format, quality, switch

void TestMainForm::format_and_quality_areStoredAsTheyChange()
{
    makeForm();
    auto *res = control<QSlider>("Res");
    control<QRadioButton>("JPG")->click();
    QVERIFY(res->isEnabled());
    QCOMPARE(stored("ImageExtensionJPG", "SaveExtensionJPG"), "True");
    QCOMPARE(control<QLabel>("ResCaption")->palette().color(QPalette::WindowText),
             QColor(192, 0, 0));
    QCOMPARE(control<QLabel>("Centesimal")->palette().color(QPalette::WindowText),
             QColor(192, 0, 0));

    res->setValue(40);
    QCOMPARE(control<QLabel>("ResCaption")->text(), "40");
    QCOMPARE(stored("QualityValue", "QualityValue"), "40");
    QTest::keyClick(res, Qt::Key_Right);
    QCOMPARE(stored("QualityValue", "QualityValue"), "41");

    // PNG has no quality to choose: the slider rests as for bitmaps.
    control<QRadioButton>("PNG")->click();
    QVERIFY(!res->isEnabled());
    QCOMPARE(res->value(), 41);
    QCOMPARE(stored("ImageExtensionPNG", "SaveExtensionPNG"), "True");
    QCOMPARE(stored("ImageExtensionJPG", "SaveExtensionJPG"), "False");
    QCOMPARE(control<QLabel>("ResCaption")->palette().color(QPalette::WindowText),
             QColor(Qt::black));
    QCOMPARE(control<QLabel>("Centesimal")->palette().color(QPalette::WindowText),
             QColor(Qt::black));
    control<QRadioButton>("JPG")->click();
    QVERIFY(res->isEnabled());
    QCOMPARE(stored("ImageExtensionPNG", "SaveExtensionPNG"), "False");

    control<QRadioButton>("BMP")->click();
    QVERIFY(!res->isEnabled());
    QCOMPARE(res->value(), 41); // kept for the next switch to JPEG
    QCOMPARE(stored("ImageExtensionJPG", "SaveExtensionJPG"), "False");
    QCOMPARE(stored("ImageExtensionPNG", "SaveExtensionPNG"), "False");
    QCOMPARE(control<QLabel>("Centesimal")->palette().color(QPalette::WindowText),
             QColor(Qt::black));

    QTest::mouseClick(control<QLabel>("Disabled"), Qt::LeftButton);
    QCOMPARE(control<QLabel>("EnableDisable")->text(), "Disabled");
    QCOMPARE(control<QLabel>("EnableDisable")->palette().color(QPalette::WindowText),
             QColor(192, 0, 0));
    QVERIFY(!m_form->captureEnabled());
    QTest::mouseClick(control<QLabel>("Enables"), Qt::LeftButton);
    QCOMPARE(control<QLabel>("EnableDisable")->text(), "Enabled");
    QCOMPARE(control<QLabel>("EnableDisable")->palette().color(QPalette::WindowText),
             QColor(0, 0, 192));
    QVERIFY(m_form->captureEnabled());
}

void TestMainForm::quality_mouseOverSlider_storesAgain()
{
    storeSetting("QualityValue", "QualityValue", "75");
    makeForm();
    // Someone else changed the stored value; a mouse move over the slider
    // stores the slider's value again.
    storeSetting("QualityValue", "QualityValue", "12");
    m_form->settings() = platform::SettingsStore(m_env.settingsFile);
    auto *res = control<QSlider>("Res");
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), res->mapToGlobal(QPointF(5, 5)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(res, &move);
    QCOMPARE(stored("QualityValue", "QualityValue"), "75");
}

void TestMainForm::defaultFolder_onlyOnYes_data()
{
    QTest::addColumn<int>("key"); // pressed in the real box; 0: answered Yes or No
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << 0 << true;
    QTest::newRow("No") << 0 << false;
    QTest::newRow("Enter") << int(Qt::Key_Return) << true;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
}

void TestMainForm::defaultFolder_onlyOnYes()
{
    QFETCH(int, key);
    QFETCH(bool, yes);
    const QString elsewhere = m_root->filePath("elsewhere");
    storeSetting("CapturePath", "Folder", elsewhere);
    makeForm();
    QCOMPARE(captureFolder(), elsewhere);
    if (key)
        m_dialogs->pressNext(key);
    else
        m_dialogs->answerNext(yes ? Answer::Yes : Answer::No);
    control<QToolButton>("Image3")->click();

    const QString folder = m_env.programFolder + "/Captured Screens";
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(int(m_dialogs->shown[0].icon), int(Icon::Question));
    QCOMPARE(m_dialogs->shown[0].title, "Confirm to change");
    QCOMPARE(m_dialogs->shown[0].text, "This will change your current folder address to:\r\n" +
                                           folder + "\r\n\r\nAre you sure you want to continue?");
    QCOMPARE(captureFolder(), yes ? folder : elsewhere);
    QCOMPARE(stored("CapturePath", "Folder"), yes ? folder : elsewhere);
}

void TestMainForm::openCaption_followsTheFolder()
{
    makeForm();
    const QString elsewhere = m_root->filePath("other shots");
    control<QLineEdit>("CapturePath")->setText(elsewhere);
    QCOMPARE(stored("CapturePath", "Folder"), elsewhere);
    QTRY_COMPARE_WITH_TIMEOUT(m_form->findChild<QAction *>("SysCapture")->text(),
                              "Open: [ " + elsewhere + " ]", WaitMs);
    QCOMPARE(control<QToolButton>("OpenFolder")->toolTip(), "Open: [ " + elsewhere + " ]");
}

void TestMainForm::deletedFolder_isRecreated()
{
    makeForm();
    const QString folder = captureFolder();
    QVERIFY(QDir(folder).removeRecursively());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(folder).isDir(), WaitMs);
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
