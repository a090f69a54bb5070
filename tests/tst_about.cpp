// The about and appreciation windows on the offscreen platform, and the mail
// composer behind "Tell-a-friend".
#include "About.h"
#include "Art.h"
#include "ForScreenCapture.h"
#include "MailComposer.h"
#include "RecordingLauncher.h"
#include "ScriptedDialogs.h"
#include "ShellOpen.h"
#include "TarnwellSoftware.h"

#include <QtTest>
#include <QtWidgets>

namespace {

template <typename Widget> Widget *control(QWidget &window, const char *name)
{
    return window.findChild<Widget *>(QLatin1String(name));
}

QString textOf(QWidget &window, const char *name)
{
    auto *label = control<QLabel>(window, name);
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

void click(QWidget &window, const char *name)
{
    QWidget *widget = control<QWidget>(window, name);
    QVERIFY2(widget, name);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    // The mail composer
    void composeMailAddress_data();
    void composeMailAddress();
    void composeMail_opensTheAddressAndEscapesTheBodyInPlace();

    // The about window
    void about_showsProductVersionAndMaker();
    void about_artworkIsDrawn();
    void about_userNameIsLookedUpOnce();
    void about_closes_data();
    void about_closes();
    void about_linksOpenTheMakersAddresses();

    // The appreciation window
    void appreciation_showsItsTexts();
    void appreciation_closes_data();
    void appreciation_closes();
    void appreciation_tellAFriendComposesTheMail();
    void appreciation_linksOpenTheRightAddresses();
    void appreciation_tipNamesThePortal();

private:
    QWidget *m_main = nullptr;
};

void TestAbout::init()
{
    m_main = new QWidget;
    m_main->setWindowTitle("Pictarro");
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main));
}

void TestAbout::cleanup()
{
    delete m_main;
    m_main = nullptr;
}

// --- the mail composer ----------------------------------------------------

void TestAbout::composeMailAddress_data()
{
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("copy");
    QTest::addColumn<QString>("blindCopy");
    QTest::addColumn<QString>("attachment");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("escapedBody");

    QTest::newRow("recipient only, no question mark") << "ann@example.org"
                                                      << ""
                                                      << ""
                                                      << ""
                                                      << ""
                                                      << ""
                                                      << "mailto:ann@example.org"
                                                      << "";
    QTest::newRow("nothing at all") << ""
                                    << ""
                                    << ""
                                    << ""
                                    << ""
                                    << ""
                                    << "mailto:"
                                    << "";
    QTest::newRow("subject blanks stay, body ends in a line break")
        << ""
        << "I Like Pictarro"
        << "x"
        << ""
        << ""
        << ""
        << "mailto:?Subject=I Like Pictarro&Body=x%0D%0A"
        << "x";
    QTest::newRow("ampersand before blank") << "r@x.example"
                                            << ""
                                            << "a b&c"
                                            << ""
                                            << ""
                                            << ""
                                            << "mailto:r@x.example?Body=a%20b%26c%0D%0A"
                                            << "a%20b%26c";
    QTest::newRow("ampersand escape is not escaped again") << ""
                                                           << ""
                                                           << "& "
                                                           << ""
                                                           << ""
                                                           << ""
                                                           << "mailto:?Body=%26%20%0D%0A"
                                                           << "%26%20";
    QTest::newRow("CR LF between words") << ""
                                         << ""
                                         << "one\r\ntwo"
                                         << ""
                                         << ""
                                         << ""
                                         << "mailto:?Body=one%0D%0Atwo%0D%0A"
                                         << "one%0D%0Atwo";
    QTest::newRow("lone CR and lone LF") << ""
                                         << ""
                                         << "a\rb\nc"
                                         << ""
                                         << ""
                                         << ""
                                         << "mailto:?Body=a%0Db%0Ac%0D%0A"
                                         << "a%0Db%0Ac";
    QTest::newRow("LF CR is two line breaks") << ""
                                              << ""
                                              << "a\n\rb"
                                              << ""
                                              << ""
                                              << ""
                                              << "mailto:?Body=a%0A%0Db%0D%0A"
                                              << "a%0A%0Db";
    QTest::newRow("CR LF LF") << ""
                              << ""
                              << "a\r\n\nb"
                              << ""
                              << ""
                              << ""
                              << "mailto:?Body=a%0D%0A%0Ab%0D%0A"
                              << "a%0D%0A%0Ab";
    QTest::newRow("percent and other characters are left alone") << ""
                                                                 << ""
                                                                 << "100%?=é"
                                                                 << ""
                                                                 << ""
                                                                 << ""
                                                                 << "mailto:?Body=100%?=é%0D%0A"
                                                                 << "100%?=é";
    QTest::newRow("subject is not escaped") << ""
                                            << "a&b c"
                                            << ""
                                            << ""
                                            << ""
                                            << ""
                                            << "mailto:?Subject=a&b c"
                                            << "";
    QTest::newRow("copy only") << "R"
                               << ""
                               << ""
                               << "C"
                               << ""
                               << ""
                               << "mailto:R?CC=C"
                               << "";
    QTest::newRow("blind copy only") << "R"
                                     << ""
                                     << ""
                                     << ""
                                     << "B"
                                     << ""
                                     << "mailto:R?BCC=B"
                                     << "";
    QTest::newRow("attachment with blanks, quoted and unescaped")
        << "R"
        << ""
        << ""
        << ""
        << ""
        << "/home/ann/My Shots/Pictarro 1.bmp"
        << "mailto:R?Attacth=\"/home/ann/My Shots/Pictarro 1.bmp\""
        << "";
    QTest::newRow("every part, in order")
        << "R"
        << "S"
        << "B"
        << "C"
        << "D"
        << "P"
        << "mailto:R?Subject=S&Body=B%0D%0A&CC=C&BCC=D&Attacth=\"P\""
        << "B";
}

void TestAbout::composeMailAddress()
{
    QFETCH(QString, recipient);
    QFETCH(QString, subject);
    QFETCH(QString, body);
    QFETCH(QString, copy);
    QFETCH(QString, blindCopy);
    QFETCH(QString, attachment);
    QFETCH(QString, address);
    QCOMPARE(
        MailComposer::composeMailAddress(recipient, subject, body, copy, blindCopy, attachment),
        address);
    QFETCH(QString, escapedBody);
    QCOMPARE(body, escapedBody);
}

void TestAbout::composeMail_opensTheAddressAndEscapesTheBodyInPlace()
{
    RecordingLauncher launcher;
    ForScreenCapture window(m_main);
    QString body = "see you & bye";
    window.ComposeMail("ann@example.org", "", body, "", "", "");
    QCOMPARE(body, QStringLiteral("see%20you%20%26%20bye"));
    QCOMPARE(launcher.opened.size(), 1);
    QCOMPARE(launcher.opened.first().toString(QUrl::FullyEncoded),
             QStringLiteral("mailto:ann@example.org?Body=see%20you%20%26%20bye%0D%0A"));
    QVERIFY(launcher.started.isEmpty());
}

// --- the about window -----------------------------------------------------

void TestAbout::about_showsProductVersionAndMaker()
{
    About about(m_main, [] { return QStringLiteral("ann"); });
    QCOMPARE(about.windowTitle(), QStringLiteral("About Pictarro"));
    QCOMPARE(textOf(about, "Label3"), QStringLiteral("Pictarro - Version 1.4.1"));
    QVERIFY(textOf(about, "Label4").contains("Tarnwell Software"));
    QCOMPARE(textOf(about, "Label2"), QStringLiteral("Registered to :"));
    QCOMPARE(textOf(about, "UserName"), QStringLiteral("Computer User"));
    QCOMPARE(textOf(about, "Label5"), QStringLiteral("Website:"));
    QCOMPARE(textOf(about, "Label1"), QStringLiteral("Pictarro on the Web"));
    QCOMPARE(control<QLabel>(about, "Label1")->toolTip(), QStringLiteral("Pictarro on the Web"));
    QCOMPARE(textOf(about, "Label8"), QStringLiteral("Contact:"));
    QCOMPARE(textOf(about, "Label9"), QStringLiteral("Email:"));
    QCOMPARE(textOf(about, "Label6"), TarnwellSoftware::SupportAddress);
    QCOMPARE(control<QLabel>(about, "Label6")->toolTip(),
             QStringLiteral("Contact Tarnwell Software"));
    QVERIFY(textOf(about, "Label15").contains("distribut"));
    QCOMPARE(control<QLabel>(about, "CloseBox")->toolTip(), QStringLiteral("Close"));
    QCOMPARE(control<QPushButton>(about, "Command1")->text(), QStringLiteral("Command1"));
}

void TestAbout::about_artworkIsDrawn()
{
    About about(m_main);
    ForScreenCapture like(m_main);
    for (QWidget *window : {static_cast<QWidget *>(&about), static_cast<QWidget *>(&like)}) {
        for (const char *name : {"Image1", "CloseBox", "Image11", "Image2"}) {
            if (auto *label = control<QLabel>(*window, name))
                QVERIFY2(!label->pixmap().isNull(), name);
        }
    }
    const QPixmap banner = Art::picture("about/banner", QSize(400, 96), 2.0);
    QCOMPARE(banner.deviceIndependentSize().toSize(), QSize(400, 96));
    QCOMPARE(banner.size(), QSize(800, 192));
}

void TestAbout::about_userNameIsLookedUpOnce()
{
    int lookups = 0;
    About about(m_main, [&lookups] {
        ++lookups;
        return QStringLiteral("ann");
    });
    QCOMPARE(lookups, 0);
    about.show();
    QCOMPARE(lookups, 1);
    QCOMPARE(textOf(about, "UserName"), QStringLiteral("ann"));

    control<QLabel>(about, "UserName")->setText("changed meanwhile");
    about.Command1_Click();
    QVERIFY(!about.isVisible());
    about.show();
    QCOMPARE(lookups, 1);
    QCOMPARE(textOf(about, "UserName"), QStringLiteral("changed meanwhile"));
}

void TestAbout::about_closes_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Esc") << "Esc";
    QTest::newRow("close picture") << "CloseBox";
    QTest::newRow("cancel button") << "Command1";
    QTest::newRow("title bar") << "title bar";
}

namespace {

void closeBy(QDialog &window, const QString &how)
{
    if (how == "Esc")
        QTest::keyClick(&window, Qt::Key_Escape);
    else if (how == "title bar")
        QVERIFY(window.close());
    else if (how == "Command1")
        control<QPushButton>(window, "Command1")->click();
    else
        click(window, qPrintable(how));
}

} // namespace

void TestAbout::about_closes()
{
    QFETCH(QString, how);
    About about(m_main, [] { return QStringLiteral("ann"); });
    m_main->setEnabled(false);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QVERIFY(about.isEnabled());

    closeBy(about, how);
    QVERIFY(!about.isVisible());
    QVERIFY(m_main->isEnabled());
    QVERIFY(m_main->isVisible());
}

void TestAbout::about_linksOpenTheMakersAddresses()
{
    RecordingLauncher launcher;
    About about(m_main);
    about.show();
    click(about, "Label1");
    click(about, "Label6");
    QCOMPARE(launcher.opened, (QList<QUrl>{QUrl(TarnwellSoftware::ProductPage),
                                           QUrl("mailto:" + TarnwellSoftware::SupportAddress)}));
    // A new mail to support and nothing else: no subject, no body.
    QVERIFY(!launcher.opened.last().hasQuery());
    QVERIFY(about.isVisible());
}

// --- the appreciation window ----------------------------------------------

void TestAbout::appreciation_showsItsTexts()
{
    ForScreenCapture like(m_main);
    QCOMPARE(like.windowTitle(), QStringLiteral("I Like Pictarro"));
    QCOMPARE(
        textOf(like, "Label1"),
        QStringLiteral("Glad to hear that you liked it. These are several things you can do: "));
    QCOMPARE(
        textOf(like, "Label2"),
        QStringLiteral("* Contact us if you have any suggestions, opinions or notes about it on:"));
    QCOMPARE(textOf(like, "Label6"), TarnwellSoftware::SupportAddress);
    QCOMPARE(control<QLabel>(like, "Label6")->toolTip(),
             QStringLiteral("Contact Tarnwell Software"));
    QCOMPARE(textOf(like, "Label3"),
             QStringLiteral("* Tell all your friends and relatives about Pictarro:"));
    QCOMPARE(textOf(like, "Label4"), QStringLiteral("Tell-a-friend"));
    QCOMPARE(control<QLabel>(like, "Label4")->toolTip(),
             QStringLiteral("Tell-a-friend about Pictarro"));
    QVERIFY(textOf(like, "Label7").contains(TarnwellSoftware::PortalName));
    QCOMPARE(textOf(like, "Label8"), TarnwellSoftware::PortalName);
    QCOMPARE(textOf(like, "Label9"), QStringLiteral("Search for Pictarro, Open its page and click "
                                                    "on \"Rate it!\" link."));
    QCOMPARE(control<QLabel>(like, "Image1")->toolTip(), QStringLiteral("Tip"));
    QCOMPARE(textOf(like, "Label10"),
             QStringLiteral("When reporting bugs or problems please include:"));
    QCOMPARE(textOf(like, "Label11"), QStringLiteral("* Pictarro version"));
    QCOMPARE(textOf(like, "Label12"), QStringLiteral("* Windows Operating System version"));
    QCOMPARE(textOf(like, "Label13"),
             QStringLiteral("* Problem description (preferably, in detail) "));
    QVERIFY(textOf(like, "Label14").startsWith("Please keep in mind"));
    QCOMPARE(textOf(like, "Label15"), QStringLiteral("Donate:"));
    QVERIFY(textOf(like, "Label16").endsWith("following email address:"));
    auto *Text1 = control<QLineEdit>(like, "Text1");
    QVERIFY(Text1);
    QCOMPARE(Text1->text(), TarnwellSoftware::DonationAddress);
    QVERIFY(Text1->isReadOnly());
    QCOMPARE(control<QLabel>(like, "Image11")->toolTip(), QStringLiteral("Close"));
    QCOMPARE(control<QPushButton>(like, "Command1")->text(), QStringLiteral("Command1"));
}

void TestAbout::appreciation_closes_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Esc") << "Esc";
    QTest::newRow("close picture") << "Image11";
    QTest::newRow("cancel button") << "Command1";
    QTest::newRow("title bar") << "title bar";
}

void TestAbout::appreciation_closes()
{
    QFETCH(QString, how);
    ForScreenCapture like(m_main);
    like.show();
    m_main->setEnabled(false);
    QVERIFY(QTest::qWaitForWindowExposed(&like));
    QVERIFY(like.isEnabled());

    closeBy(like, how);
    QVERIFY(!like.isVisible());
    QVERIFY(m_main->isEnabled());
}

void TestAbout::appreciation_tellAFriendComposesTheMail()
{
    RecordingLauncher launcher;
    ForScreenCapture like(m_main);
    like.show();
    click(like, "Label4");
    QCOMPARE(launcher.opened.size(), 1);
    // No recipient, the subject, and the product page with a line break.
    QCOMPARE(launcher.opened.first(), QUrl("mailto:?Subject=I Like Pictarro&Body=" +
                                               TarnwellSoftware::ProductPage + "%0D%0A",
                                           QUrl::TolerantMode));
    QCOMPARE(launcher.opened.first().toString(QUrl::FullyEncoded),
             "mailto:?Subject=I%20Like%20Pictarro&Body=" + TarnwellSoftware::ProductPage +
                 "%0D%0A");
}

void TestAbout::appreciation_linksOpenTheRightAddresses()
{
    RecordingLauncher launcher;
    ForScreenCapture like(m_main);
    like.show();
    click(like, "Label6");
    click(like, "Label8");
    QCOMPARE(launcher.opened, (QList<QUrl>{QUrl("mailto:" + TarnwellSoftware::SupportAddress),
                                           QUrl(TarnwellSoftware::PortalHome)}));
}

void TestAbout::appreciation_tipNamesThePortal()
{
    ScriptedDialogs dialogs;
    ForScreenCapture like(m_main);
    like.show();
    click(like, "Image1");
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown.first().icon, platform::Dialogs::Icon::Information);
    QCOMPARE(dialogs.shown.first().title, QStringLiteral("Pictarro"));
    QCOMPARE(dialogs.shown.first().text,
             QStringLiteral("Free registration required to vote and add a review at ") +
                 TarnwellSoftware::PortalHost);
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
