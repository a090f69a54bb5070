// The per-user settings store: what is written comes back, every write is
// on disk at once and whole, and anything that is not a settings file reads
// as empty instead of breaking the program.
#include "SettingsStore.h"

#include <QtTest>

using platform::SettingsStore;

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void missingFile_readsEmpty();
    void write_isOnDiskAtOnce_andReadBack();
    void values_keepBlanksAndSpecialCharacters_data();
    void values_keepBlanksAndSpecialCharacters();
    void garbage_readsAsEmpty_data();
    void garbage_readsAsEmpty();
    void garbage_isReplacedByTheNextWrite();
    void handEditedFile_isRead();
    void write_leavesNoTemporaryFile();
    void write_toUnwritablePlace_fails_keepsValue();
    void userFilePath_isPerApplication();

private:
    QString path() const { return m_dir->filePath(QStringLiteral("Pictarro/1.ini")); }
    void writeRaw(const QByteArray &bytes) const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSettingsStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSettingsStore::writeRaw(const QByteArray &bytes) const
{
    QDir().mkpath(QFileInfo(path()).path());
    QFile file(path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void TestSettingsStore::missingFile_readsEmpty()
{
    const SettingsStore store(path());
    QCOMPARE(store.value("CapturePath", "Folder"), QString());
    QVERIFY(!store.contains("CapturePath", "Folder"));
    QVERIFY(!QFile::exists(path())); // reading creates nothing
}

void TestSettingsStore::write_isOnDiskAtOnce_andReadBack()
{
    SettingsStore store(path());
    QVERIFY(store.setValue("CaptureCounter", "CaptureCounter", "41"));
    QVERIFY(store.setValue("ImageName", "SaveName", "Pictarro"));
    QVERIFY(store.setValue("CaptureCounter", "CaptureCounter", "42"));

    const SettingsStore reread(path());
    QCOMPARE(reread.value("CaptureCounter", "CaptureCounter"), "42");
    QCOMPARE(reread.value("ImageName", "SaveName"), "Pictarro");
    QCOMPARE(reread.value("ImageName", "Other"), QString());
}

void TestSettingsStore::values_keepBlanksAndSpecialCharacters_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("blanks around") << "  C:\\Shots\\  ";
    QTest::newRow("equals and brackets") << "a=b [c] ;d #e";
    QTest::newRow("line breaks") << "one\r\ntwo\nthree";
    QTest::newRow("trailing backslash") << "/tmp/x\\";
    QTest::newRow("unicode") << QString::fromUtf8("/home/zoë/Скриншоты");
    QTest::newRow("empty") << "";
}

void TestSettingsStore::values_keepBlanksAndSpecialCharacters()
{
    QFETCH(QString, value);
    SettingsStore store(path());
    QVERIFY(store.setValue("CapturePath", "Folder", value));
    QVERIFY(store.setValue("ImageName", "SaveName", "after"));
    const SettingsStore reread(path());
    QCOMPARE(reread.value("CapturePath", "Folder"), value);
    QVERIFY(reread.contains("CapturePath", "Folder"));
    QCOMPARE(reread.value("ImageName", "SaveName"), "after");
}

void TestSettingsStore::garbage_readsAsEmpty_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray noise(4096, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919 + 13) % 256);
    QTest::newRow("binary noise") << noise;
    QTest::newRow("not UTF-8") << QByteArray("[CapturePath]\nFolder=\xff\xfe\xfd\n");
    QTest::newRow("keys before any section") << QByteArray("Folder=/tmp\n");
    QTest::newRow("empty file") << QByteArray();
}

void TestSettingsStore::garbage_readsAsEmpty()
{
    QFETCH(QByteArray, bytes);
    writeRaw(bytes);
    const SettingsStore store(path());
    QCOMPARE(store.value("CapturePath", "Folder"), QString());
}

void TestSettingsStore::garbage_isReplacedByTheNextWrite()
{
    writeRaw(QByteArray("\x00\x01\x02garbage", 10));
    SettingsStore store(path());
    QVERIFY(store.setValue("CaptureCounter", "CaptureCounter", "7"));
    QCOMPARE(SettingsStore(path()).value("CaptureCounter", "CaptureCounter"), "7");
}

void TestSettingsStore::handEditedFile_isRead()
{
    // Windows line ends, comments, blanks around names, a truncated last line.
    writeRaw("; Pictarro\r\n[ CapturePath ]\r\n  Folder = /srv/shots\r\n\r\n"
             "[QualityValue]\r\nQualityValue=75\r\n[ImageName]\r\nSaveName");
    const SettingsStore store(path());
    QCOMPARE(store.value("CapturePath", "Folder"), " /srv/shots");
    QCOMPARE(store.value("QualityValue", "QualityValue"), "75");
    QVERIFY(!store.contains("ImageName", "SaveName"));
}

void TestSettingsStore::write_leavesNoTemporaryFile()
{
    SettingsStore store(path());
    for (int i = 0; i < 20; ++i)
        QVERIFY(store.setValue("CaptureCounter", "CaptureCounter", QString::number(i)));
    const QStringList files = QDir(QFileInfo(path()).path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(files, QStringList{"1.ini"});
}

void TestSettingsStore::write_toUnwritablePlace_fails_keepsValue()
{
    // A file where the store's folder should be: no user can write there.
    QFile blocker(m_dir->filePath("Pictarro"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    SettingsStore store(path());
    QVERIFY(!store.setValue("ImageName", "SaveName", "Shot"));
    QCOMPARE(store.value("ImageName", "SaveName"), "Shot");
}

void TestSettingsStore::userFilePath_isPerApplication()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QCOMPARE(SettingsStore::userFilePath("1"), config + "/Pictarro/1.ini");
    QCOMPARE(SettingsStore::userFilePath("2"), config + "/Pictarro/2.ini");
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
