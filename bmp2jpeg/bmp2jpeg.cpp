#include "bmp2jpeg.h"

#include "BmpReader.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

namespace {

using bmp2jpeg::Picture;
using bmp2jpeg::PixelLayout;

thread_local int t_lastErrno = 0;

struct TjHandleDeleter
{
    void operator()(void *handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjHandleDeleter>;

struct TjBufferDeleter
{
    void operator()(unsigned char *buffer) const { tjFree(buffer); }
};
using TjBuffer = std::unique_ptr<unsigned char, TjBufferDeleter>;

struct FileCloser
{
    void operator()(std::FILE *file) const { std::fclose(file); }
};

// Closes a file descriptor unless it was closed on purpose (to see the
// result of close(), which can report a failed delayed write).
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

// Removes a temporary file unless it has been renamed into place.
class TemporaryFile
{
public:
    explicit TemporaryFile(std::string path) : m_path(std::move(path)) {}
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    ~TemporaryFile()
    {
        if (!m_kept)
            ::unlink(m_path.c_str());
    }
    const std::string &path() const { return m_path; }
    void keep() { m_kept = true; }

private:
    std::string m_path;
    bool m_kept = false;
};

int clampQuality(short quality)
{
    if (quality < 1)
        return 1;
    return quality > 100 ? 100 : quality;
}

bool withinLimits(int width, int height)
{
    return width <= BMP2JPEG_MAX_SIDE && height <= BMP2JPEG_MAX_SIDE &&
           static_cast<long long>(width) * height <= BMP2JPEG_MAX_PIXELS;
}

int turboFormat(PixelLayout layout)
{
    switch (layout) {
    case PixelLayout::Bgr:
        return TJPF_BGR;
    case PixelLayout::Bgrx:
        return TJPF_BGRX;
    case PixelLayout::Rgbx:
        return TJPF_RGBX;
    case PixelLayout::Xbgr:
        return TJPF_XBGR;
    case PixelLayout::Xrgb:
        return TJPF_XRGB;
    }
    return TJPF_BGR;
}

// The process's file creation mask, read without changing it (umask() can
// only be queried by setting it, which races with other threads).
mode_t currentUmask()
{
    const std::unique_ptr<std::FILE, FileCloser> status(std::fopen("/proc/self/status", "re"));
    if (status) {
        char line[256];
        while (std::fgets(line, sizeof line, status.get()) != nullptr) {
            if (std::strncmp(line, "Umask:", 6) == 0)
                return static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8)) & 0777;
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

int writeAll(int fd, const unsigned char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

// Flushing the data before the rename costs about 2 ms for the JPEG of a 4K
// screenshot; in return a crash right after the rename cannot leave an empty
// file in place of the picture, and late write errors (network filesystems,
// quotas) turn up while the old target is still intact. Filesystems that
// cannot flush say so with EINVAL and are not at fault.
int flush(int fd)
{
    if (::fdatasync(fd) != 0 && errno != EINVAL && errno != ENOTSUP && errno != ENOSYS)
        return errno;
    return 0;
}

std::string folderOf(const char *path)
{
    const char *slash = std::strrchr(path, '/');
    if (!slash)
        return ".";
    return slash == path ? std::string("/") : std::string(path, slash);
}

// Writes the data into an unnamed file in the target's folder, so that a
// process killed while writing leaves nothing behind, then gives it the
// target's name. Returns -1 when the
// filesystem (or a missing /proc) does not allow unnamed files, so the
// caller writes a named temporary instead.
int writeUnnamedThenRename(const char *target, const unsigned char *data, std::size_t size)
{
    FileDescriptor fd(::open(folderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (fd.get() < 0)
        return (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) ? -1 : errno;
    if (const int error = writeAll(fd.get(), data, size); error != 0)
        return error;
    if (const int error = flush(fd.get()); error != 0)
        return error;

    // A new file takes the target's name at once; an existing target is
    // replaced whole, through a free temporary name renamed onto it.
    const std::string unnamed = "/proc/self/fd/" + std::to_string(fd.get());
    if (::linkat(AT_FDCWD, unnamed.c_str(), AT_FDCWD, target, AT_SYMLINK_FOLLOW) == 0)
        return 0;
    if (errno != EEXIST)
        return errno == ENOENT ? -1 : errno;
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Reserve a free name, then put the written file under it.
        std::string pattern = std::string(target) + ".XXXXXX";
        const FileDescriptor reserved(::mkostemp(pattern.data(), O_CLOEXEC));
        if (reserved.get() < 0)
            return errno;
        ::unlink(pattern.c_str());
        if (::linkat(AT_FDCWD, unnamed.c_str(), AT_FDCWD, pattern.c_str(), AT_SYMLINK_FOLLOW) !=
            0) {
            if (errno == EEXIST)
                continue;
            return errno == ENOENT ? -1 : errno;
        }
        TemporaryFile temporary(pattern);
        if (::rename(pattern.c_str(), target) != 0)
            return errno;
        temporary.keep();
        return 0;
    }
    return EEXIST;
}

// Writes the data to a named temporary file beside the target and renames
// it onto the target.
int writeNamedThenRename(const char *target, const unsigned char *data, std::size_t size)
{
    std::string pattern = std::string(target) + ".XXXXXX";
    FileDescriptor fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return errno;
    TemporaryFile temporary(pattern);

    // mkstemp creates the file for its owner only; give it the permissions
    // any newly created file gets. Filesystems without permissions refuse,
    // which is harmless.
    (void)::fchmod(fd.get(), 0666 & ~currentUmask());

    if (const int error = writeAll(fd.get(), data, size); error != 0)
        return error;
    if (const int error = flush(fd.get()); error != 0)
        return error;
    if (fd.close() != 0)
        return errno;
    if (::rename(temporary.path().c_str(), target) != 0)
        return errno;
    temporary.keep();
    return 0;
}

// Puts `data` on the disk under `target` whole or not at all. Returns 0 or
// the errno of the step that failed; on failure no temporary file remains
// and the target is as it was.
int writeFileInPlace(const char *target, const unsigned char *data, std::size_t size)
{
    const int result = writeUnnamedThenRename(target, data, size);
    return result == -1 ? writeNamedThenRename(target, data, size) : result;
}

int encodeAndWrite(const unsigned char *rows, int width, int height, int pitch, int pixelFormat,
                   bool bottomUp, const char *target, short quality)
{
    const TjHandle handle(tjInitCompress());
    if (!handle)
        return BMP2JPEG_E_NO_MEMORY;

    const unsigned long capacity = tjBufSize(width, height, TJSAMP_420);
    if (capacity == static_cast<unsigned long>(-1) ||
        capacity > static_cast<unsigned long>(INT_MAX))
        return BMP2JPEG_E_TOO_LARGE;
    TjBuffer jpeg(tjAlloc(static_cast<int>(capacity)));
    if (!jpeg)
        return BMP2JPEG_E_NO_MEMORY;

    // The buffer holds the largest JPEG these dimensions can give, so the
    // encoder never has to grow it.
    int flags = TJFLAG_NOREALLOC | TJFLAG_ACCURATEDCT;
    if (bottomUp)
        flags |= TJFLAG_BOTTOMUP;
    unsigned char *output = jpeg.get();
    unsigned long jpegSize = capacity;
    if (tjCompress2(handle.get(), rows, width, pitch, height, pixelFormat, &output, &jpegSize,
                    TJSAMP_420, clampQuality(quality), flags) != 0)
        return BMP2JPEG_E_ENCODE;

    if (const int error = writeFileInPlace(target, output, jpegSize); error != 0) {
        t_lastErrno = error;
        return BMP2JPEG_E_WRITE;
    }
    return BMP2JPEG_OK;
}

// Runs one call of the C interface: resets the thread's errno record and
// turns any exception into a result code.
template <typename Function> int guarded(Function function) noexcept
{
    t_lastErrno = 0;
    try {
        return function();
    } catch (const std::bad_alloc &) {
        return BMP2JPEG_E_NO_MEMORY;
    } catch (const std::length_error &) {
        return BMP2JPEG_E_TOO_LARGE;
    } catch (...) {
        return BMP2JPEG_E_ENCODE;
    }
}

} // namespace

extern "C" {

int BmpToJpeg(const char *bmp, const char *jpg, short quality)
{
    return guarded([&] {
        if (bmp == nullptr || jpg == nullptr || *bmp == '\0' || *jpg == '\0')
            return static_cast<int>(BMP2JPEG_E_INVALID_ARGUMENT);
        Picture picture;
        int osError = 0;
        if (const int result = bmp2jpeg::readBitmapFile(bmp, picture, osError);
            result != BMP2JPEG_OK) {
            if (result == BMP2JPEG_E_READ)
                t_lastErrno = osError;
            return result;
        }
        if (picture.pitch > static_cast<std::size_t>(INT_MAX))
            return static_cast<int>(BMP2JPEG_E_TOO_LARGE);
        return encodeAndWrite(picture.rows, picture.width, picture.height,
                              static_cast<int>(picture.pitch), turboFormat(picture.layout),
                              picture.bottomUp, jpg, quality);
    });
}

int BmpToJpegPixels(const unsigned char *pixels, int width, int height, int pitch, const char *jpg,
                    short quality)
{
    return guarded([&] {
        if (pixels == nullptr || jpg == nullptr || *jpg == '\0' || width <= 0 || height <= 0 ||
            pitch < 0 || static_cast<long long>(pitch) < 4LL * width)
            return static_cast<int>(BMP2JPEG_E_INVALID_ARGUMENT);
        if (!withinLimits(width, height))
            return static_cast<int>(BMP2JPEG_E_TOO_LARGE);
        return encodeAndWrite(pixels, width, height, pitch, TJPF_BGRX, false, jpg, quality);
    });
}

const char *Bmp2JpegErrorText(int code)
{
    switch (code) {
    case BMP2JPEG_OK:
        return "no error";
    case BMP2JPEG_E_READ:
        return "the bitmap file cannot be read";
    case BMP2JPEG_E_NOT_BITMAP:
        return "the file is not a bitmap";
    case BMP2JPEG_E_DAMAGED:
        return "the bitmap file is damaged";
    case BMP2JPEG_E_UNSUPPORTED:
        return "the bitmap file is of a kind that cannot be converted";
    case BMP2JPEG_E_TOO_LARGE:
        return "the picture is too large";
    case BMP2JPEG_E_NO_MEMORY:
        return "not enough memory";
    case BMP2JPEG_E_ENCODE:
        return "the JPEG encoder failed";
    case BMP2JPEG_E_WRITE:
        return "the JPEG file cannot be written";
    case BMP2JPEG_E_INVALID_ARGUMENT:
        return "invalid argument";
    default:
        return "unknown error";
    }
}

int Bmp2JpegLastErrno(void)
{
    return t_lastErrno;
}

} // extern "C"
