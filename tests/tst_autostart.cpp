// Logon entries in the XDG autostart folders: which folders, the entry's
// text and quoting, which folder is written, and removal from both.
#include "Autostart.h"
#include "StartUpModule.h"
#include "TestFiles.h"

#include <QtTest>

namespace Autostart = platform::Autostart;

class TestAutostart : public QObject, private TempFolderFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void autostartFolders_data();
    void autostartFolders();
    void execValue_data();
    void execValue();
    void entryText_startsTheCommandAtLogon();
    void add_writesMachineWideWhenItCan();
    void add_fallsBackToTheUserFolder();
    void add_machineWideReplacesAStaleUserEntry();
    void add_neitherFolderWritable_writesNothing();
    void add_rejectsNamesThatAreNoFileNames_data();
    void add_rejectsNamesThatAreNoFileNames();
    void remove_clearsBothFolders();
    void startUpModule_followsTheEnvironment();
};

// --- logon entries --------------------------------------------------------

void TestAutostart::autostartFolders_data()
{
    QTest::addColumn<QString>("configDirs");
    QTest::addColumn<QString>("configHome");
    QTest::addColumn<QString>("machine");
    QTest::addColumn<QString>("user");
    QTest::newRow("both set") << "/etc/xdg/xdg-ubuntu:/etc/xdg"
                              << "/home/ann/conf"
                              << "/etc/xdg/xdg-ubuntu/autostart"
                              << "/home/ann/conf/autostart";
    QTest::newRow("defaults") << ""
                              << ""
                              << "/etc/xdg/autostart"
                              << "/home/ann/.config/autostart";
    QTest::newRow("relative entries are ignored") << "relative/xdg:/opt/xdg/"
                                                  << "conf"
                                                  << "/opt/xdg/autostart"
                                                  << "/home/ann/.config/autostart";
    QTest::newRow("empty entries are skipped") << "::/srv/xdg"
                                               << "/c"
                                               << "/srv/xdg/autostart"
                                               << "/c/autostart";
}

void TestAutostart::autostartFolders()
{
    QFETCH(QString, configDirs);
    QFETCH(QString, configHome);
    QProcessEnvironment environment;
    environment.insert("HOME", "/home/ann");
    if (!configDirs.isEmpty())
        environment.insert("XDG_CONFIG_DIRS", configDirs);
    if (!configHome.isEmpty())
        environment.insert("XDG_CONFIG_HOME", configHome);
    const Autostart::Folders folders = Autostart::folders(environment);
    QFETCH(QString, machine);
    QCOMPARE(folders.machine, machine);
    QFETCH(QString, user);
    QCOMPARE(folders.user, user);
}

void TestAutostart::execValue_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain path") << "/opt/pictarro/Pictarro"
                                << "/opt/pictarro/Pictarro";
    QTest::newRow("blanks are quoted") << "/home/ann/My Programs/Pictarro"
                                       << "\"/home/ann/My Programs/Pictarro\"";
    QTest::newRow("percent is doubled") << "/opt/100%/Pictarro"
                                        << "/opt/100%%/Pictarro";
    QTest::newRow("dollar is escaped in quotes") << "/opt/a$b/Pictarro"
                                                 << "\"/opt/a\\\\$b/Pictarro\"";
    QTest::newRow("double quote") << "/opt/a\"b/P"
                                  << "\"/opt/a\\\\\"b/P\"";
    QTest::newRow("backslash needs four") << "/opt/a\\b/P"
                                          << "\"/opt/a\\\\\\\\b/P\"";
    QTest::newRow("single quote is only quoted") << "/opt/ann's/P"
                                                 << "\"/opt/ann's/P\"";
}

void TestAutostart::execValue()
{
    QFETCH(QString, command);
    QFETCH(QString, exec);
    QCOMPARE(Autostart::execValue(command), exec);
}

void TestAutostart::entryText_startsTheCommandAtLogon()
{
    const QStringList lines =
        Autostart::entryText("Pictarro", "/home/ann/My Programs/Pictarro").split('\n');
    QCOMPARE(lines.first(), QStringLiteral("[Desktop Entry]"));
    QVERIFY(lines.contains("Type=Application"));
    QVERIFY(lines.contains("Name=Pictarro"));
    QVERIFY(lines.contains("Exec=\"/home/ann/My Programs/Pictarro\""));
    QVERIFY(lines.contains("X-GNOME-Autostart-enabled=true"));
    QVERIFY(!lines.filter(QRegularExpression("^Comment=.+")).isEmpty());
    // Every key once, no "Hidden" that would switch the entry off.
    QCOMPARE(lines.filter(QRegularExpression("^Exec=")).size(), 1);
    QVERIFY(lines.filter(QRegularExpression("^Hidden=")).isEmpty());
}

void TestAutostart::add_writesMachineWideWhenItCan()
{
    const Autostart::Folders folders{path("etc/xdg/autostart"), path("home/.config/autostart")};
    const QString written = Autostart::add("Pictarro", "/opt/p/Pictarro", folders);
    QCOMPARE(written, folders.machine + "/Pictarro.desktop");
    QCOMPARE(QString::fromUtf8(readFile(written)),
             Autostart::entryText("Pictarro", "/opt/p/Pictarro"));
    QVERIFY(!QFileInfo::exists(folders.user + "/Pictarro.desktop"));

    // A second start with the program moved rewrites the command.
    QCOMPARE(Autostart::add("Pictarro", "/srv/moved/Pictarro", folders), written);
    QVERIFY(readFile(written).contains("Exec=/srv/moved/Pictarro\n"));
    QCOMPARE(entries(folders.machine), QStringList{"Pictarro.desktop"});
}

void TestAutostart::add_fallsBackToTheUserFolder()
{
    // Running as root, a folder below a regular file is the one that cannot
    // be written whatever the permissions.
    QVERIFY(writeFile(path("etc"), "not a folder"));
    const Autostart::Folders folders{path("etc/xdg/autostart"), path("home/.config/autostart")};
    const QString written = Autostart::add("Pictarro", "/opt/p/Pictarro", folders);
    QCOMPARE(written, folders.user + "/Pictarro.desktop");
    QVERIFY(readFile(written).contains("Exec=/opt/p/Pictarro\n"));
}

void TestAutostart::add_machineWideReplacesAStaleUserEntry()
{
    const Autostart::Folders folders{path("etc/xdg/autostart"), path("home/.config/autostart")};
    QVERIFY(QDir().mkpath(folders.user));
    QVERIFY(writeFile(folders.user + "/Pictarro.desktop", "[Desktop Entry]\nExec=/old/Pictarro\n"));
    QVERIFY(writeFile(folders.user + "/Other.desktop", "[Desktop Entry]\nExec=/other\n"));
    QVERIFY(!Autostart::add("Pictarro", "/opt/p/Pictarro", folders).isEmpty());
    QCOMPARE(entries(folders.user), QStringList{"Other.desktop"});
    QCOMPARE(entries(folders.machine), QStringList{"Pictarro.desktop"});
}

void TestAutostart::add_neitherFolderWritable_writesNothing()
{
    QVERIFY(writeFile(path("etc"), "not a folder"));
    QVERIFY(writeFile(path("home"), "not a folder"));
    const Autostart::Folders folders{path("etc/xdg/autostart"), path("home/.config/autostart")};
    QVERIFY(Autostart::add("Pictarro", "/opt/p/Pictarro", folders).isEmpty());
    QCOMPARE(entries(m_dir->path()), (QStringList{"etc", "home"}));
}

void TestAutostart::add_rejectsNamesThatAreNoFileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << "";
    QTest::newRow("slash") << "../Pictarro";
    QTest::newRow("dot dot") << "..";
}

void TestAutostart::add_rejectsNamesThatAreNoFileNames()
{
    QFETCH(QString, name);
    const Autostart::Folders folders{path("machine"), path("user")};
    QVERIFY(Autostart::add(name, "/opt/p/Pictarro", folders).isEmpty());
    QVERIFY(entries(m_dir->path()).isEmpty());
}

void TestAutostart::remove_clearsBothFolders()
{
    const Autostart::Folders folders{path("machine"), path("user")};
    QVERIFY(QDir().mkpath(folders.machine));
    QVERIFY(QDir().mkpath(folders.user));
    for (const QString &folder : {folders.machine, folders.user}) {
        QVERIFY(writeFile(folder + "/Pictarro.desktop", "[Desktop Entry]\n"));
        QVERIFY(writeFile(folder + "/Other.desktop", "[Desktop Entry]\n"));
    }
    QVERIFY(Autostart::remove("Pictarro", folders));
    QCOMPARE(entries(folders.machine), QStringList{"Other.desktop"});
    QCOMPARE(entries(folders.user), QStringList{"Other.desktop"});
    // Removing what is not there is no failure.
    QVERIFY(Autostart::remove("Pictarro", folders));
}

void TestAutostart::startUpModule_followsTheEnvironment()
{
    const QByteArray savedDirs = qgetenv("XDG_CONFIG_DIRS");
    const QByteArray savedHome = qgetenv("XDG_CONFIG_HOME");
    auto restore = qScopeGuard([&] {
        qputenv("XDG_CONFIG_DIRS", savedDirs);
        qputenv("XDG_CONFIG_HOME", savedHome);
    });
    qputenv("XDG_CONFIG_DIRS", path("etc-xdg").toLocal8Bit() + ":/etc/xdg");
    qputenv("XDG_CONFIG_HOME", path("config").toLocal8Bit());

    StartUpModule::AddStartUpEntry("Pictarro", "/opt/p/Pictarro");
    QVERIFY(QFileInfo::exists(path("etc-xdg/autostart/Pictarro.desktop")));
    // Removal goes by the name it is given: another name leaves the entry.
    StartUpModule::RemoveStartUpEntry("Pictarro-1.4");
    QVERIFY(QFileInfo::exists(path("etc-xdg/autostart/Pictarro.desktop")));
    StartUpModule::RemoveStartUpEntry("Pictarro");
    QVERIFY(!QFileInfo::exists(path("etc-xdg/autostart/Pictarro.desktop")));

    // No machine-wide folder to write: a ticked box still gets its entry.
    QVERIFY(writeFile(path("blocked"), "file"));
    qputenv("XDG_CONFIG_DIRS", path("blocked/xdg").toLocal8Bit());
    StartUpModule::AddStartUpEntry("Pictarro", "/opt/p/Pictarro");
    QVERIFY(QFileInfo::exists(path("config/autostart/Pictarro.desktop")));
    StartUpModule::RemoveStartUpEntry("Pictarro");
    QVERIFY(!QFileInfo::exists(path("config/autostart/Pictarro.desktop")));
}

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
