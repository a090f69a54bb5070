#pragma once

#include "CaptureNaming.h"
#include "ClipboardAfterCapture.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

class QFileSystemWatcher;

namespace platform {
class Clipboard;
class JpegEncoder;
} // namespace platform

// What the capture engine needs to know at the moment it acts. The main
// window's controls hold these values; the engine reads them afresh for each
// capture and never keeps them.
struct CaptureSettings
{
    QString folder;   // the capture folder
    QString baseName; // the captures' base name
    QString counter;  // the counter as it stands, before this capture
    CaptureNaming::Format format = CaptureNaming::Format::Bitmap;
    int quality = 100;    // JPEG quality, 0..100
    bool enabled = false; // the capture switch
    // What the clipboard holds once a capture is saved.
    ClipboardAfterCapture::Mode clipboard = ClipboardAfterCapture::Mode::Empty;
};

// The clipboard watcher and the capture writer: looks at the clipboard when
// it announces a change, saves every picture offered without text beside it
// into the capture folder under the next free name, then empties the
// clipboard. It keeps the capture folder and the default folder in
// existence, recreating either when the file system reports it gone.
//
// It wakes only on those announcements and reports: while nothing changes,
// it makes no periodic wakeups.
//
// It shows nothing itself: results are reported by signals, and the main
// window tells the user and updates its controls.
class CaptureEngine : public QObject
{
    Q_OBJECT
public:
    using SettingsReader = std::function<CaptureSettings()>;

    // programFolder: beside the program, where the JPEG encoder is found and
    // the default capture folder lies.
    CaptureEngine(platform::Clipboard &clipboard, const QString &programFolder,
                  SettingsReader settings, QObject *parent = nullptr);
    ~CaptureEngine() override;

    // The capture switch was turned on: a picture that arrived while it was
    // off is taken now.
    void switchedOn();

    // Makes sure that the default folder and the capture folder exist (as
    // far as one level can be created), and from now on keeps them so: the
    // folders and the folders above them are watched, and a folder that
    // goes is made again at once.
    void keepFolders();

    // The capture folder setting changed: the new folder is kept from now
    // on (once keepFolders() has run).
    void folderChanged();

    QString defaultFolder() const { return m_defaultFolder; }

    // A picture Pictarro took itself (a screenshot key): saved exactly as a
    // picture found on the clipboard, which is emptied afterwards. Returns
    // false and takes nothing while capturing is off or a capture is under
    // way: the picture then belongs on the clipboard, for its turn.
    bool takePicture(const QImage &picture);

public Q_SLOTS:
    // One look at the clipboard; saves what it offers when it is a capture.
    void CaptureTimer_Timer();
    void Clipboard_Changed();
    // The picture looked for is here (or is not).
    void Clipboard_Fetched();
    // Makes sure that the default folder and the capture folder exist.
    void CreateFolder();

Q_SIGNALS:
    // A capture was written completely to this file.
    void captured(const QString &file);
    // A picture could not be saved as this file, for this reason. It is
    // dropped from the clipboard.
    void captureFailed(const QString &file, const QString &reason);
    // The capture folder cannot be reached; the picture is dropped.
    void folderMissing(const QString &folder);
    // The counter moved on (or wrapped); the window shows and stores it.
    void counterChanged(const QString &counter);
    // The scratch copy of the clipboard's text changed.
    void textClipboardChanged(const QString &text);

private:
    void scheduleTick();
    void WatchClipboard();
    void PictureFetched();
    void TakeCapture(CaptureSettings &settings);
    void SaveCapture(CaptureSettings &settings);
    void AfterCapture();
    // Empties the watcher's scratch copies once a capture is done with.
    void dropScratch();
    void OfferCapture(const CaptureSettings &settings, const QString &file);
    void setCounter(CaptureSettings &settings, const QString &counter);
    void setTextClipboard(const QString &text);
    QString freeCaptureFile(CaptureSettings &settings);

    platform::Clipboard &m_clipboard;
    const SettingsReader m_settings;
    const QString m_defaultFolder;
    std::unique_ptr<platform::JpegEncoder> m_encoder;
    QFileSystemWatcher *m_folderWatch = nullptr;
    QTimer m_burstOver; // once captures stop, their memory goes back
    bool m_keepingFolders = false;

    // The watcher's scratch copies of what the clipboard offers.
    QString TextClipboard;
    QImage ClipboardImage;
    QByteArray ClipboardPng;      // a sound PNG file offered, kept as it is
    QByteArray ClipboardImagePng; // the PNG file ClipboardImage was decoded from
    QString m_refused;            // why the picture offered is not read (too large)

    bool m_inTick = false;      // a tick is running (it may wait on a message box)
    bool m_tickPending = false; // the clipboard changed while a tick ran
    bool m_tickQueued = false;  // a tick is already on its way
    // The format the picture on its way is read for.
    CaptureNaming::Format m_fetchedFormat = CaptureNaming::Format::Bitmap;
    bool m_refillLeft = false; // the current offer is a manager's refill, left alone
};
