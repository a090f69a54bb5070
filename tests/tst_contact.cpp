// The contact window under the offscreen platform, with the desktop opener
// watched.

#include "Form1.h"
#include "Module1.h"
#include "RecordingLauncher.h"
#include "ShellOpen.h"
#include "TarnwellSoftware.h"

#include <QtTest>
#include <QtWidgets>
#include <memory>

namespace {

} // namespace

class TestContact : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void texts_data();
    void texts();
    void window_hasNoTitleBarAndTheTwipsSize();
    void mailLink_isTheOneSupportAddress();
    void address_opensNewMailEveryClick();
    void closeMark_endsTheProgram();
    void program_severalCopiesRun();

private:
    template <typename T> T *control(const char *name) const
    {
        auto *widget = m_form->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

    std::unique_ptr<RecordingLauncher> m_launcher;
    std::unique_ptr<Form1> m_form;
};

void TestContact::init()
{
    m_launcher = std::make_unique<RecordingLauncher>();
    m_launcher->opens = false; // as when no mail program answers
    m_form = std::make_unique<Form1>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestContact::cleanup()
{
    m_form.reset();
    m_launcher.reset();
}

void TestContact::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("heading") << "Label1"
                             << "Contact Tarnwell Software";
    QTest::newRow("note") << "Label2"
                          << "Tarnwell welcome any and all contact with its users. Please drop us "
                             "a note with your feedback or questions!";
    QTest::newRow("address caption") << "Label3"
                                     << "Email :";
    QTest::newRow("address") << "Label4" << TarnwellSoftware::SupportAddress;
    QTest::newRow("advice") << "Label5"
                            << "Please keep in mind that the more information you provide about "
                               "your problem the better chance Tarnwell have of finding a "
                               "solution.";
}

void TestContact::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    auto *label = control<QLabel>(name.toLatin1().constData());
    QCOMPARE(label->text(), text);
    // Every text is shown whole.
    if (!label->wordWrap())
        QVERIFY(label->width() >= label->sizeHint().width());
    else
        QVERIFY(label->height() >= label->heightForWidth(label->width()));
}

void TestContact::window_hasNoTitleBarAndTheTwipsSize()
{
    QVERIFY(m_form->windowFlags().testFlag(Qt::FramelessWindowHint));
    // 6615 x 2295 twips inside a one-pixel border.
    QCOMPARE(m_form->size(), QSize(441 + 2, 153 + 2));
    auto *close = control<QLabel>("Image2");
    QCOMPARE(close->toolTip(), "Close");
    QCOMPARE(close->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(!close->pixmap().isNull());
    QVERIFY(!control<QLabel>("Image1")->pixmap().isNull());
    QVERIFY(QFile::exists(":/contact/contact.svg"));
    QVERIFY(QFile::exists(":/contact/close.svg"));
}

void TestContact::mailLink_isTheOneSupportAddress()
{
    QCOMPARE(Module1::mailLink(), "mailto:" + TarnwellSoftware::SupportAddress);
    QCOMPARE(Module1::mailLink(), TarnwellSoftware::supportMailLink());
    auto *address = control<QLabel>("Label4");
    QCOMPARE(address->palette().color(QPalette::WindowText), QColor(0, 0, 192));
    QVERIFY(address->font().bold());
    QCOMPARE(address->cursor().shape(), Qt::PointingHandCursor);
}

void TestContact::address_opensNewMailEveryClick()
{
    auto *address = control<QLabel>("Label4");
    QTest::mouseClick(address, Qt::LeftButton);
    QTest::mouseClick(address, Qt::LeftButton);
    const QUrl mail(QStringLiteral("mailto:") + TarnwellSoftware::SupportAddress);
    QCOMPARE(m_launcher->opened, (QList<QUrl>{mail, mail}));
    QCOMPARE(m_launcher->opened[0].scheme(), "mailto");
    QCOMPARE(m_launcher->opened[0].path(), TarnwellSoftware::SupportAddress);
    QVERIFY(m_launcher->started.isEmpty());
    // A refused link leaves the window as it was.
    QVERIFY(m_form->isVisible());
    QCOMPARE(address->text(), TarnwellSoftware::SupportAddress);
}

void TestContact::closeMark_endsTheProgram()
{
    QSignalSpy ended(m_form.get(), &Form1::endRequested);
    // Clicks elsewhere do nothing.
    QTest::mouseClick(control<QLabel>("Label1"), Qt::LeftButton);
    QCOMPARE(ended.size(), 0);
    QTest::mouseClick(control<QLabel>("Image2"), Qt::LeftButton);
    QCOMPARE(ended.size(), 1);
    QVERIFY(!m_form->isVisible());
    QVERIFY(m_launcher->opened.isEmpty());
}

void TestContact::program_severalCopiesRun()
{
    const QString program = QStringLiteral(PICTARRO_BIN_DIR "/Contact Tarnwell Software");
    QVERIFY(QFileInfo(program).isExecutable());
    QProcess first;
    QProcess second;
    first.start(program, {});
    second.start(program, {});
    QVERIFY(first.waitForStarted());
    QVERIFY(second.waitForStarted());
    // Neither copy ends by itself; a copy that refused to run would.
    QVERIFY(!second.waitForFinished(2000));
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    second.kill();
    QVERIFY(first.waitForFinished(10000));
    QVERIFY(second.waitForFinished(10000));
}

QTEST_MAIN(TestContact)
#include "tst_contact.moc"
