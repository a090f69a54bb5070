// Clipboard owners that misbehave, hostile offers and programs that quit at
// once, against the real Pictarro and libbmp2jpeg.so on a real X server:
// owners played by xclip and tests/e2e/clipboard_agent (one that dies in
// the middle of a transfer, one that never answers, one that hands a
// picture over on quitting and never delivers it), files that cost far more
// than their bytes, and programs that copy and quit at once. Observed only
// through files, windows and the clipboard.
//
// Run under tests/e2e/with-xvfb.sh, which provides DISPLAY.

#include "HostileFiles.h"
#include "ReliabilityFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

using namespace e2e;

class tst_OwnersE2e : public ReliabilityFixture
{
    Q_OBJECT

private:
    void windowGoesOn();

private Q_SLOTS:
    void faultyOwner_survived_nextPictureSaved_data();
    void faultyOwner_survived_nextPictureSaved();
    void quitAtOnce_handedOver_data();
    void quitAtOnce_handedOver();
    void quitting_capturesKeptToPaste_askedToBeKept();
};

// The window goes on while an owner keeps Pictarro waiting, with nothing
// copied after it: the capture folder, removed now, is made again long before
// Pictarro gives the owner up (5 s).
void tst_OwnersE2e::windowGoesOn()
{
    const QString folder = m_install.defaultCaptureFolder();
    QVERIFY(QDir(folder).removeRecursively());
    QElapsedTimer waited;
    waited.start();
    QVERIFY2(pollUntil([&] { return QFileInfo(folder).isDir(); }, 2500),
             "the capture folder was not made again while the owner kept Pictarro waiting");
    qInfo("the folder was made again %lld ms after it went", waited.elapsed());
}

void tst_OwnersE2e::faultyOwner_survived_nextPictureSaved_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("png"); // PNG captures, which keep a sound PNG file as offered
    // Hostile files: what kind (hostileFile()), offered as which type, and
    // whether Pictarro says the picture is too large to save (else it does
    // not decode, and is left alone).
    QTest::addColumn<QString>("hostile");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("tooLarge");
    QTest::newRow("owner dies mid-transfer") << "dies" << false << ""
                                             << "" << false;
    QTest::newRow("picture that does not decode") << "undecodable" << false << ""
                                                  << "" << false;
    QTest::newRow("random bytes offered as PNG, PNG captures") << "undecodable" << true << ""
                                                               << "" << false;
    QTest::newRow("owner that never answers") << "hangs" << false << ""
                                              << "" << false;
    QTest::newRow("PNG whose text chunk claims 2 GB") << "hostile" << false << "claim"
                                                      << "image/png" << false;
    QTest::newRow("PNG whose text chunk claims 2 GB, PNG captures") << "hostile" << true << "claim"
                                                                    << "image/png" << false;
    QTest::newRow("zTXt bomb") << "hostile" << false << "zTXt"
                               << "image/png" << false;
    QTest::newRow("iCCP bomb, PNG captures") << "hostile" << true << "iCCP"
                                             << "image/png" << false;
    QTest::newRow("IDAT bomb, 30000 x 30000") << "hostile" << false << "IDAT"
                                              << "image/png" << true;
    QTest::newRow("bitmap header claiming 100000 x 100000") << "hostile" << false << "bitmap"
                                                            << "image/bmp" << true;
    // Owners that send without end, the bytes made as they go: each is read
    // only as far as its first piece shows what it is.
    QTest::newRow("2 GB of zeros as PNG") << "stream" << false << "zeros"
                                          << "image/png" << false;
    QTest::newRow("2 GB of zeros as bitmap, PNG captures") << "stream" << true << "zeros"
                                                           << "image/bmp" << false;
    QTest::newRow("sound PNG header, then nothing for ever") << "stream" << false << "stall"
                                                             << "image/png" << false;
    // The same from programs that quit at once and hand the offer over to
    // Pictarro's clipboard manager, which reads it too.
    QTest::newRow("2 GB of zeros as PNG, handed over on quitting")
        << "quitting stream" << false << "zeros"
        << "image/png" << false;
    QTest::newRow("sound PNG header handed over on quitting, then nothing for ever")
        << "quitting stream" << false << "stall"
        << "image/png" << false;
    QTest::newRow("IDAT bomb, 30000 x 30000, handed over on quitting")
        << "quitting stream" << false << "IDAT"
        << "image/png" << true;
    QTest::newRow("program that quits, hands a picture over and never delivers")
        << "never delivers" << false << ""
        << "" << false;
}

void tst_OwnersE2e::faultyOwner_survived_nextPictureSaved()
{
    QFETCH(const QString, fault);
    QFETCH(const bool, png);
    QFETCH(const QString, hostile);
    QFETCH(const QString, type);
    QFETCH(const bool, tooLarge);
    if (png)
        CHECKED(writeSettings(
            {{QStringLiteral("ImageExtensionPNG/SaveExtensionPNG"), QStringLiteral("True")}}));
    CHECKED(startPictarro());

    Child owner;
    QByteArray said;
    // A program that quits is released once Pictarro's clipboard manager
    // answers it; then nothing of its offer stays on the clipboard.
    const auto releasedKeepingNothing = [&] {
        const bool ended = pollUntil([&] {
            said += owner->readAllStandardOutput();
            return said.contains("released after ") || owner->state() == QProcess::NotRunning;
        });
        said += owner->readAllStandardOutput();
        QVERIFY2(ended && said.contains("released after "), said.constData());
        QVERIFY(pollUntil([&] { return clipboardText("TARGETS").isEmpty(); }));
    };
    if (fault == QLatin1String("dies")) {
        // Large enough to need a transfer in pieces.
        const QString png = savePicture(testPicture(QSize(1200, 900)), QStringLiteral("big.png"));
        CHECKED(startAgent(owner, {QStringLiteral("die-mid-transfer"), png}, "owning", &said));
        CHECKED(waitForLine(owner, said, "dying"));
        QVERIFY(pollUntil([&] { return owner->state() == QProcess::NotRunning; }));
    } else if (fault == QLatin1String("undecodable") || fault == QLatin1String("hostile")) {
        QByteArray noise(200000, '\0');
        QRandomGenerator generator(6);
        for (char &byte : noise)
            byte = static_cast<char>(generator.bounded(256));
        noise.replace(0, 8, "\x89PNG\r\n\x1a\n"); // a PNG only by its first bytes
        const QByteArray bytes = hostile.isEmpty() ? noise : hostileFile(hostile);
        const QString file = m_install.path(QStringLiteral("work/offered"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(out.write(bytes), bytes.size());
        out.close();
        CHECKED(offer(owner, file, type.isEmpty() ? "image/png" : qPrintable(type), true));
        // xclip says which transfer it waits for next, counting only the
        // data it hands over (not the list of formats): it waits for
        // "number 1" before anything is asked, and for number 2 once the
        // picture itself was served. Offering the next picture sooner would
        // take the clipboard over before Pictarro had looked at this one.
        QVERIFY2(pollUntil([&] {
                     said += owner->readAllStandardError();
                     return said.contains("request number 2") ||
                            owner->state() == QProcess::NotRunning;
                 }),
                 qPrintable(QLatin1String("the owner was not asked for the picture: ") +
                            QString::fromUtf8(said)));
        if (tooLarge) {
            // Refused with the message for a picture that cannot be saved,
            // naming its size, and dropped; its number is spent.
            QVERIFY2(pollUntil([&] { return messageBoxes().size() == 1; }),
                     "no message for a picture too large to save");
            CHECKED(answerMessageBox());
            QVERIFY2(owner->waitForFinished(WaitMs), "the refused picture stayed on the clipboard");
        } else {
            QCOMPARE(owner->state(), QProcess::Running); // left on the clipboard, not dropped
        }
    } else if (fault.endsWith(QLatin1String("stream"))) {
        const bool quits = fault.startsWith(QLatin1String("quitting"));
        QStringList arguments{quits ? QStringLiteral("stream-and-quit") : QStringLiteral("stream"),
                              type, QString::number(qint64{2} << 30)};
        if (hostile != QLatin1String("zeros")) {
            // The signature and the header of a 1920 x 1080 picture, or a
            // hostile file sent whole.
            const QByteArray bytes = hostile == QLatin1String("stall") ? pngHeader(1920, 1080, 8, 2)
                                                                       : hostileFile(hostile);
            const QString head = m_install.path(QStringLiteral("work/head.png"));
            QFile out(head);
            QVERIFY(out.open(QIODevice::WriteOnly));
            QCOMPARE(out.write(bytes), bytes.size());
            out.close();
            if (hostile == QLatin1String("stall"))
                arguments << head << QStringLiteral("stall");
            else
                arguments = QStringList{arguments[0], type, QString::number(bytes.size()), head};
        }
        CHECKED(startAgent(owner, arguments, "owning", &said));
        CHECKED(
            waitForLine(owner, said, hostile == QLatin1String("stall") ? "stalling" : "sending"));
        if (hostile == QLatin1String("stall") && !quits) {
            CHECKED(windowGoesOn());
            QCOMPARE(owner->state(), QProcess::Running);
        }
        if (tooLarge) {
            // Told once, from the program or from what the manager kept of
            // it (its header), and dropped; its number is spent.
            QVERIFY2(pollUntil([&] { return messageBoxes().size() == 1; }),
                     "no message for a picture too large to save");
            CHECKED(answerMessageBox());
        }
        if (quits && hostile != QLatin1String("stall"))
            CHECKED(releasedKeepingNothing()); // once the manager has seen what the bytes are
    } else if (fault == QLatin1String("never delivers")) {
        // Its quit is released by the deadline, not held for good.
        CHECKED(startAgent(owner, {QStringLiteral("save-never-delivers")}, {}, &said));
        QVERIFY(owner->waitForFinished(45000));
        said += owner->readAllStandardOutput();
        QVERIFY2(said.startsWith("released after "), said.constData());
    } else {
        CHECKED(startAgent(owner, {QStringLiteral("hang")}, "owning", &said));
        CHECKED(waitForLine(owner, said, "request 1"));
        CHECKED(windowGoesOn());
        // Asked once, the silent owner is not asked again and again, each
        // time holding Pictarro up until the transfer gives up.
        QTest::qWait(12000);
        said += owner->readAllStandardOutput();
        QCOMPARE(said.count("request"), 1);
    }

    QCOMPARE(m_pictarro->state(), QProcess::Running);
    QCOMPARE(entries(m_install.defaultCaptureFolder()), QStringList());
    const int next = tooLarge ? 2 : 1;
    QElapsedTimer waited;
    waited.start();
    CHECKED(capture(numberedPicture(7, QSize(64, 48)),
                    m_install.defaultCaptureFolder() + u'/' + captureName(next, false, png)));
    if (fault.endsWith(QLatin1String("stream")))
        qInfo("the next picture was saved %lld ms after it was offered", waited.elapsed());
    if (fault == QLatin1String("stream")) {
        // The next picture waits neither for the rest of the bytes nor for
        // a stalled owner's time-out (5 s): only for its own capture.
        QVERIFY2(waited.elapsed() < 4000,
                 qPrintable(QStringLiteral("the next picture waited %1 ms").arg(waited.elapsed())));
    }
    if (fault == QLatin1String("quitting stream") && hostile == QLatin1String("stall"))
        CHECKED(releasedKeepingNothing()); // by the manager's deadline
    QCOMPARE(entries(m_install.defaultCaptureFolder()), captureNames(next, next, false, png));
    QVERIFY(messageBoxes().isEmpty());
    // What the hostile offer cost, at its peak, seen from outside.
    constexpr qint64 MaxPeakKb = 300 * 1024;
    const qint64 peakKb = residentKb(m_pictarro->processId(), "VmHWM:");
    QVERIFY2(peakKb > 0 && peakKb < MaxPeakKb,
             qPrintable(QStringLiteral("Pictarro's peak resident memory: %1 kB").arg(peakKb)));
}

void tst_OwnersE2e::quitAtOnce_handedOver_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("png"); // PNG captures
    // A desktop's clipboard manager: none, one that runs throughout, or one
    // that exits once Pictarro runs.
    QTest::addColumn<QString>("otherManager");
    QTest::newRow("full HD picture, three in a row") << "picture" << false << "";
    QTest::newRow("full HD picture, PNG captures") << "picture" << true << "";
    QTest::newRow("full HD picture sent in pieces, as GTK does") << "pieces" << false << "";
    QTest::newRow("full HD picture after noise read from the same window")
        << "picture-after-noise" << false << "";
    QTest::newRow("text stays on the clipboard") << "text" << false << "";
    QTest::newRow("another manager keeps its selection") << "text" << false << "stays";
    QTest::newRow("another manager exits: Pictarro takes its place")
        << "picture" << false << "exits";
}

void tst_OwnersE2e::quitAtOnce_handedOver()
{
    // A program that copies and quits at once hands its offer over to the
    // clipboard manager on the way out: Pictarro, unless another one runs.
    QFETCH(const QString, what);
    QFETCH(const bool, png);
    QFETCH(const QString, otherManager);
    if (png)
        CHECKED(writeSettings(
            {{QStringLiteral("ImageExtensionPNG/SaveExtensionPNG"), QStringLiteral("True")}}));
    Child manager;
    QByteArray managerSaid;
    if (!otherManager.isEmpty())
        CHECKED(startAgent(manager, {QStringLiteral("manager")}, "managing", &managerSaid));
    CHECKED(startPictarro());
    if (otherManager == QLatin1String("exits")) {
        manager->terminate();
        QVERIFY(manager->waitForFinished(WaitMs));
        QVERIFY2(pollUntil([&] {
                     QByteArray owner;
                     runQuietly(QStringLiteral(CLIPBOARD_AGENT),
                                {QStringLiteral("owner"), QStringLiteral("CLIPBOARD_MANAGER")},
                                &owner);
                     return owner.startsWith("0x");
                 }),
                 "nobody took the clipboard manager's place");
    }
    const QString folder = m_install.defaultCaptureFolder();
    const QSize size(1920, 1080);
    const bool picture = what != QLatin1String("text");
    const int copies = picture ? 3 : 1;
    const QByteArray text = "handed over \xe2\x9c\x93 on the way out";
    for (int n = 1; n <= copies; ++n) {
        Child quitter;
        QByteArray said;
        QStringList arguments{QStringLiteral("copy-and-quit"), what, QString::number(n),
                              QString::number(size.width()), QString::number(size.height())};
        if (what == QLatin1String("pieces"))
            arguments = QStringList{QStringLiteral("copy-and-quit-in-pieces"), QString::number(n),
                                    QString::number(size.width()), QString::number(size.height())};
        else if (!picture)
            arguments = QStringList{QStringLiteral("copy-and-quit"), what, QString::fromUtf8(text)};
        CHECKED(startAgent(quitter, arguments, {}, &said));
        QVERIFY(quitter->waitForFinished(WaitMs));
        said += quitter->readAllStandardOutput();
        QVERIFY2(quitter->exitCode() == 0, said.constData());
        if (!picture)
            continue;
        const QString file = folder + u'/' + captureName(n, false, png);
        QVERIFY2(pollUntil([&] { return QFileInfo::exists(file); }),
                 qPrintable(QLatin1String("no capture ") + file + QLatin1String("; folder: ") +
                            listing(folder)));
        CHECKED(verifyPicture(file, numberedPicture(n, size)));
        // Then the clipboard is empty: no copy of the picture stays behind.
        QVERIFY(pollUntil([&] { return clipboardText("TARGETS").isEmpty(); }));
    }

    if (picture) {
        QTest::qWait(QuietMs);
        QCOMPARE(entries(folder), captureNames(1, copies, false, png));
        QCOMPARE(clipboardText("TARGETS"), QByteArray());
    } else if (otherManager == QLatin1String("stays")) {
        CHECKED(waitForLine(manager, managerSaid, "save request 1"));
        QTest::qWait(QuietMs);
        managerSaid += manager->readAllStandardOutput();
        QVERIFY2(!managerSaid.contains("lost"), managerSaid.constData());
    } else {
        QVERIFY(pollUntil([&] { return clipboardText() == text; }));
        // Pictarro's own offer is no new offer to it: it stays, untouched.
        QTest::qWait(QuietMs);
        QCOMPARE(clipboardText(), text);
        QCOMPARE(entries(folder), QStringList());
    }
    QCOMPARE(m_pictarro->state(), QProcess::Running);
    QVERIFY(messageBoxes().isEmpty());
}

void tst_OwnersE2e::quitting_capturesKeptToPaste_askedToBeKept()
{
    // Pictarro itself is a program that quits: with a capture kept on the
    // clipboard to paste, it asks the desktop's clipboard manager to keep
    // it, as any program does, and ends at once afterwards.
    CHECKED(
        writeSettings({{QStringLiteral("ClipboardAfterCapture/Mode"), QStringLiteral("Picture")}}));
    Child manager;
    QByteArray said;
    CHECKED(startAgent(manager, {QStringLiteral("manager")}, "managing", &said));
    CHECKED(startPictarro());
    const QString file = m_install.defaultCaptureFolder() + u'/' + captureName(1);
    CHECKED(capture(numberedPicture(1, QSize(320, 200)), file));
    QVERIFY(pollUntil([&] { return clipboardText("TARGETS").contains("image/png"); }));

    QByteArray window;
    QVERIFY(runQuietly(m_xdotool,
                       {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                        QStringLiteral("--name"), QStringLiteral("^Pictarro$")},
                       &window));
    runQuietly(m_xdotool, {QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                           QString::fromUtf8(window.split('\n').first().trimmed())});
    runQuietly(m_xdotool, {QStringLiteral("key"), QStringLiteral("--clearmodifiers"),
                           QStringLiteral("ctrl+q")});
    QVERIFY2(m_pictarro->waitForFinished(WaitMs), "Pictarro did not end on Ctrl+Q");
    CHECKED(waitForLine(manager, said, "save request 1"));
    QCOMPARE(m_pictarro->exitCode(), 0);
}

QTEST_GUILESS_MAIN(tst_OwnersE2e)
#include "tst_owners_e2e.moc"
