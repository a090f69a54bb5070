#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

namespace platform {

// The mounted file systems, seen as the drives a user may pick a folder on.
// A drive's text is its mount point.

struct MountEntry
{
    QString device;
    QString mountPoint;
    QString fsType;
};

// The lines of /proc/self/mounts, with the octal escapes of blanks, tabs,
// line breaks and backslashes (\040, \011, \012, \134) decoded. Lines with
// fewer than three fields are left out.
QList<MountEntry> parseMounts(const QByteArray &procMountsText);

// The kinds of drive, numbered as the classic drive-type codes.
enum class DriveKind
{
    Unknown = 0,
    Removable = 2,
    Hard = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6
};

// "Removable", "Hard", "Remote", "Cd-Rom", "Ram disk" or "Unknown".
QString driveTypeText(DriveKind kind);

// Folders may be chosen on hard disks and removable media only.
bool isAccepted(const QString &driveTypeText);

// Network file systems are remote; optical media (iso9660, udf, /dev/sr*) are
// CD-ROMs; tmpfs and ramfs are RAM disks; other block devices are removable
// when isRemovable(device) says so, hard disks otherwise; a local file system
// without a block device of its own (overlay, zfs, btrfs subvolumes) is a hard
// disk; anything else is unknown.
DriveKind driveKind(const MountEntry &mount,
                    const std::function<bool(const QString &blockDevice)> &isRemovable);

// The whole disk a partition belongs to, by the kernel's naming: "sdb1" ->
// "sdb", "mmcblk0p1" -> "mmcblk0", "nvme0n1p2" -> "nvme0n1". A name that is
// not a partition's comes back unchanged.
QString diskName(const QString &blockDeviceName);

// Whether the block device (a /dev path, symbolic links such as
// /dev/disk/by-uuid/... and /dev/mapper/... followed) sits on a disk that the
// kernel marks removable.
bool isRemovableDevice(const QString &blockDevice);

struct Drive
{
    QString text;
    DriveKind kind = DriveKind::Unknown;
};

// The drives of a mount table: kernel pseudo file systems and the runtime
// tmpfs mounts under /dev, /proc, /sys and /run left out, sorted by mount
// point, and a mount point mounted over several times listed once, with the
// file system that is on top.
QList<Drive> drivesOf(const QList<MountEntry> &mounts,
                      const std::function<bool(const QString &blockDevice)> &isRemovable);

// drivesOf() for this process's mount table.
QList<Drive> mountedDrives();

// The text of the drive that holds the path: the longest mount point that is
// the path or one of its parent folders. Empty when no drive holds it.
QString driveOf(const QString &path, const QList<Drive> &drives);

// Why new files cannot be saved in the folder (it is gone, is not a folder,
// lies on a read-only drive, or the user may not write there), or an empty
// text when they can.
QString whyNotWritable(const QString &folder);

} // namespace platform
