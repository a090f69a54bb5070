#include "CaptureNotice.h"

#include "DesktopNotifications.h"
#include "FileProperties.h"
#include "ProgramInfo.h"
#include "RunFilesAndFolder.h"
#include "SettingsStore.h"
#include "SettingsTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString OpenKey = QStringLiteral("open");
const QString ShowInFolderKey = QStringLiteral("show-in-folder");
// A click on the notification itself.
const QString DefaultKey = QStringLiteral("default");

} // namespace

CaptureNotice::CaptureNotice(const platform::SettingsStore &settings, QString programFolder,
                             QString userDataFolder, QObject *parent)
    : QObject(parent), m_settings(settings), m_programFolder(std::move(programFolder)),
      m_userDataFolder(std::move(userDataFolder))
{
    setObjectName(QStringLiteral("CaptureNotice"));
}

CaptureNotice::~CaptureNotice() = default;

platform::Notice CaptureNotice::noticeFor(const QString &file)
{
    const QFileInfo info(file);
    platform::Notice notice;
    notice.summary = QStringLiteral("Saved ") + info.fileName();
    notice.body = QDir::toNativeSeparators(info.absoluteFilePath());
    notice.imagePath = info.absoluteFilePath();
    notice.actions = {DefaultKey,      QStringLiteral("Open"),
                      OpenKey,         QStringLiteral("Open"),
                      ShowInFolderKey, QStringLiteral("Show in folder")};
    notice.tag = info.absoluteFilePath();
    return notice;
}

void CaptureNotice::captured(const QString &file)
{
    if (m_settings.value(Settings::Notify.section, Settings::Notify.key) != QLatin1String("1"))
        return;
    if (!m_notifications) {
        m_notifications = new platform::DesktopNotifications(QStringLiteral("Pictarro"), appIcon(),
                                                             platform::ProgramInfo::desktopEntry(),
                                                             QDBusConnection::sessionBus(), this);
        connect(m_notifications, &platform::DesktopNotifications::actionInvoked, this,
                &CaptureNotice::act);
    }
    m_notifications->show(noticeFor(file));
}

void CaptureNotice::act(const QString &key, const QString &file)
{
    if (key == OpenKey || key == DefaultKey)
        RunFilesAndFolder::ShellOpen(file);
    else if (key == ShowInFolderKey)
        FileProperties::ShowInFolder(file);
}

QString CaptureNotice::appIcon() const
{
    // An installed Pictarro has its icon in the desktop's icon theme. One run
    // from its build folder keeps a copy of its artwork in its data folder.
    if (platform::ProgramInfo::isInstalled(m_programFolder))
        return platform::ProgramInfo::desktopEntry();
    if (m_userDataFolder.isEmpty())
        return {};
    const QString icon = QDir(m_userDataFolder).filePath(QStringLiteral("Pictarro.svg"));
    if (!QFileInfo::exists(icon) && !QFile::copy(QStringLiteral(":/pictarro/pictarro.svg"), icon))
        return {};
    return icon;
}
