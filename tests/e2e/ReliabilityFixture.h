// What the reliability end-to-end tests share (tst_reliability_e2e and
// tst_owners_e2e): one Pictarro installation a test case, started on the
// private X server; pictures offered with xclip or by
// tests/e2e/clipboard_agent; the clipboard read back; captures verified
// pixel for pixel; Pictarro's message boxes found and answered.
//
// The tests derive from ReliabilityFixture, whose initTestCase(), init()
// and cleanup() Qt Test runs around their own cases.
#pragma once

#include "E2eSupport.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <utility>

namespace e2e {

// Waiting this long shows that something that would follow at once does not
// happen: an announcement, a request or a message box come within
// milliseconds when they come at all.
constexpr int QuietMs = 1500;

// The resident memory of a process, in kB, or -1.
qint64 residentKb(qint64 pid, const char *field = "VmRSS:");

QString captureName(int number, bool jpeg = false, bool png = false);

// The names of a series of captures, sorted as a folder listing is.
QStringList captureNames(int first, int last, bool jpeg = false, bool png = false);

bool runQuietly(const QString &program, const QStringList &arguments, QByteArray *output = nullptr);

} // namespace e2e

class ReliabilityFixture : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

protected:
    void writeSettingsBytes(const QByteArray &bytes);
    void writeSettings(const QList<std::pair<QString, QString>> &sectionKeyValue);
    QString storedCounter() const;
    QString savePicture(const QImage &picture, const QString &name);

    void startPictarro();
    void startAgent(e2e::Child &agent, const QStringList &arguments, const QByteArray &ready,
                    QByteArray *said = nullptr);
    void waitForLine(e2e::Child &child, QByteArray &seen, const QByteArray &line);
    void offer(e2e::Child &xclip, const QString &file, const char *type = "image/png",
               bool verbose = false);
    void capture(const QImage &picture, const QString &expectedFile);
    void verifyPicture(const QString &file, const QImage &expected, bool exact = true);
    void mountSmallDisk(const QString &at, const QString &options);
    QStringList messageBoxes();
    void answerMessageBox();
    // What the clipboard offers as `target`; empty when nothing is offered.
    QByteArray clipboardText(const char *target = "UTF8_STRING");

    e2e::Installation m_install;
    e2e::Child m_pictarro;
    QString m_xclip;
    QString m_xdotool;
    QString m_xprop;

private:
    QStringList m_mounts;
};
