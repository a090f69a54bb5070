#include "Drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace platform {

namespace {

// Kernel and desktop file systems that hold no user folders.
const QSet<QString> &pseudoFileSystems()
{
    static const QSet<QString> types{
        QStringLiteral("proc"),
        QStringLiteral("sysfs"),
        QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),
        QStringLiteral("mqueue"),
        QStringLiteral("debugfs"),
        QStringLiteral("tracefs"),
        QStringLiteral("securityfs"),
        QStringLiteral("pstore"),
        QStringLiteral("bpf"),
        QStringLiteral("configfs"),
        QStringLiteral("fusectl"),
        QStringLiteral("binfmt_misc"),
        QStringLiteral("autofs"),
        QStringLiteral("nsfs"),
        QStringLiteral("hugetlbfs"),
        QStringLiteral("efivarfs"),
        QStringLiteral("rpc_pipefs"),
        QStringLiteral("selinuxfs"),
        QStringLiteral("nfsd"),
        QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("fuse.portal"),
        QStringLiteral("fuse.lxcfs"),
    };
    return types;
}

const QSet<QString> &networkFileSystems()
{
    static const QSet<QString> types{
        QStringLiteral("nfs"),
        QStringLiteral("nfs4"),
        QStringLiteral("cifs"),
        QStringLiteral("smb3"),
        QStringLiteral("smbfs"),
        QStringLiteral("ncpfs"),
        QStringLiteral("fuse.sshfs"),
        QStringLiteral("sshfs"),
        QStringLiteral("9p"),
        QStringLiteral("virtiofs"),
        QStringLiteral("ceph"),
        QStringLiteral("fuse.ceph"),
        QStringLiteral("glusterfs"),
        QStringLiteral("fuse.glusterfs"),
        QStringLiteral("afs"),
        QStringLiteral("coda"),
        QStringLiteral("davfs"),
        QStringLiteral("fuse.davfs2"),
        QStringLiteral("fuse.rclone"),
        QStringLiteral("fuse.s3fs"),
        QStringLiteral("fuse.curlftpfs"),
        QStringLiteral("lustre"),
        QStringLiteral("beegfs"),
        QStringLiteral("gpfs"),
        QStringLiteral("orangefs"),
    };
    return types;
}

// Local file systems that may be mounted without a block device of their own.
const QSet<QString> &localWithoutDevice()
{
    static const QSet<QString> types{QStringLiteral("overlay"), QStringLiteral("aufs"),
                                     QStringLiteral("zfs"), QStringLiteral("btrfs"),
                                     QStringLiteral("bcachefs")};
    return types;
}

bool isUnder(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

bool isLeftOut(const MountEntry &mount)
{
    if (pseudoFileSystems().contains(mount.fsType) ||
        mount.fsType.startsWith(QLatin1String("cgroup")))
        return true;
    if (isUnder(mount.mountPoint, QStringLiteral("/proc")) ||
        isUnder(mount.mountPoint, QStringLiteral("/sys")))
        return true;
    return mount.fsType == QLatin1String("tmpfs") &&
           (isUnder(mount.mountPoint, QStringLiteral("/dev")) ||
            isUnder(mount.mountPoint, QStringLiteral("/run")));
}

QByteArray unescaped(const QByteArray &field)
{
    QByteArray text;
    text.reserve(field.size());
    const auto isOctal = [](char c) {
        return c >= '0' && c <= '7';
    };
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
            isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            const int code =
                (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            text.append(static_cast<char>(code));
            i += 3;
        } else {
            text.append(field[i]);
        }
    }
    return text;
}

QString readFirstLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readLine().trimmed());
}

// The disk in /sys/block is removable, or, for a device-mapper or RAID
// device, one of the devices it is built on is.
bool sysDiskIsRemovable(const QString &diskFolder)
{
    if (readFirstLine(diskFolder + QStringLiteral("/removable")) == QLatin1String("1"))
        return true;
    const QStringList below = QDir(diskFolder + QStringLiteral("/slaves"))
                                  .entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    return std::any_of(below.cbegin(), below.cend(), [](const QString &name) {
        return isRemovableDevice(QStringLiteral("/dev/") + name);
    });
}

} // namespace

QList<MountEntry> parseMounts(const QByteArray &procMountsText)
{
    QList<MountEntry> mounts;
    for (const QByteArray &line : procMountsText.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3)
            continue;
        mounts.append({QFile::decodeName(unescaped(fields[0])),
                       QFile::decodeName(unescaped(fields[1])),
                       QFile::decodeName(unescaped(fields[2]))});
    }
    return mounts;
}

QString driveTypeText(DriveKind kind)
{
    switch (kind) {
    case DriveKind::Removable:
        return QStringLiteral("Removable");
    case DriveKind::Hard:
        return QStringLiteral("Hard");
    case DriveKind::Remote:
        return QStringLiteral("Remote");
    case DriveKind::CdRom:
        return QStringLiteral("Cd-Rom");
    case DriveKind::RamDisk:
        return QStringLiteral("Ram disk");
    case DriveKind::Unknown:
        break;
    }
    return QStringLiteral("Unknown");
}

bool isAccepted(const QString &driveTypeText)
{
    return driveTypeText == QLatin1String("Hard") || driveTypeText == QLatin1String("Removable");
}

DriveKind driveKind(const MountEntry &mount,
                    const std::function<bool(const QString &blockDevice)> &isRemovable)
{
    const QString &type = mount.fsType;
    if (networkFileSystems().contains(type) || type.startsWith(QLatin1String("nfs")))
        return DriveKind::Remote;
    if (type == QLatin1String("iso9660") || type == QLatin1String("udf") ||
        mount.device.startsWith(QLatin1String("/dev/sr")))
        return DriveKind::CdRom;
    if (type == QLatin1String("tmpfs") || type == QLatin1String("ramfs"))
        return DriveKind::RamDisk;
    if (mount.device.startsWith(QLatin1String("/dev/")))
        return isRemovable && isRemovable(mount.device) ? DriveKind::Removable : DriveKind::Hard;
    if (localWithoutDevice().contains(type))
        return DriveKind::Hard;
    return DriveKind::Unknown;
}

QString diskName(const QString &blockDeviceName)
{
    static const QRegularExpression numberedPartition(QStringLiteral("^(.+\\d)p\\d+$"));
    static const QRegularExpression lettered(QStringLiteral("^((?:sd|hd|vd|xvd)[a-z]+)\\d+$"));
    for (const QRegularExpression *rule : {&numberedPartition, &lettered}) {
        const QRegularExpressionMatch match = rule->match(blockDeviceName);
        if (match.hasMatch())
            return match.captured(1);
    }
    return blockDeviceName;
}

bool isRemovableDevice(const QString &blockDevice)
{
    const QString device = QFileInfo(blockDevice).canonicalFilePath();
    if (device.isEmpty())
        return false;
    const QString name = QFileInfo(device).fileName();
    const QString classEntry = QStringLiteral("/sys/class/block/") + name;
    QString diskFolder;
    if (QFile::exists(classEntry + QStringLiteral("/partition")))
        diskFolder = QFileInfo(QFileInfo(classEntry).canonicalFilePath()).path();
    else
        diskFolder = QStringLiteral("/sys/block/") + diskName(name);
    return sysDiskIsRemovable(diskFolder);
}

QList<Drive> drivesOf(const QList<MountEntry> &mounts,
                      const std::function<bool(const QString &blockDevice)> &isRemovable)
{
    QList<Drive> drives;
    for (const MountEntry &mount : mounts) {
        if (mount.mountPoint.isEmpty() || isLeftOut(mount))
            continue;
        const Drive drive{mount.mountPoint, driveKind(mount, isRemovable)};
        // A later mount on the same point hides the earlier one.
        const auto same = std::find_if(drives.begin(), drives.end(), [&](const Drive &listed) {
            return listed.text == drive.text;
        });
        if (same != drives.end())
            *same = drive;
        else
            drives.append(drive);
    }
    std::sort(drives.begin(), drives.end(),
              [](const Drive &a, const Drive &b) { return a.text < b.text; });
    return drives;
}

QList<Drive> mountedDrives()
{
    QFile table(QStringLiteral("/proc/self/mounts"));
    if (!table.open(QIODevice::ReadOnly))
        return {};
    return drivesOf(parseMounts(table.readAll()), isRemovableDevice);
}

QString driveOf(const QString &path, const QList<Drive> &drives)
{
    if (!QDir::isAbsolutePath(path))
        return {};
    const QString folder = QDir::cleanPath(path);
    QString best;
    qsizetype bestLength = -1;
    for (const Drive &drive : drives) {
        const QString root = QDir::cleanPath(drive.text);
        const bool holds = root == QLatin1String("/") ? folder.startsWith(QLatin1Char('/'))
                                                      : isUnder(folder, root);
        if (holds && root.size() > bestLength) {
            best = drive.text;
            bestLength = root.size();
        }
    }
    return best;
}

QString whyNotWritable(const QString &folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.exists())
        return QStringLiteral("The folder does not exist any more.");
    if (!info.isDir())
        return QStringLiteral("It is not a folder.");
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0)
        return {};
    const int error = errno;
    switch (error) {
    case EROFS:
        return QStringLiteral("It lies on a read-only drive.");
    case EACCES:
    case EPERM:
        return QStringLiteral("You are not allowed to save files in it.");
    default:
        return QString::fromLocal8Bit(std::strerror(error)) + QLatin1Char('.');
    }
}

} // namespace platform
