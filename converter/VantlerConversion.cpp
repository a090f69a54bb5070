#include "VantlerConversion.h"

#include "bmp2jpeg.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace VantlerConversion {

namespace {

bool parseQuality(const char *text, int &quality)
{
    const std::size_t length = std::strlen(text);
    if (length == 0 || length > 3)
        return false;
    int value = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    if (value > 100)
        return false;
    quality = value;
    return true;
}

std::string realPath(const std::string &path)
{
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

Outcome failure(const std::string &file, const std::string &reason)
{
    return {1, "vantler: " + file + ": " + reason + "\n"};
}

// Which file a failure of the encoder concerns.
const std::string &failedFile(int code, const Request &request)
{
    switch (code) {
    case BMP2JPEG_E_READ:
    case BMP2JPEG_E_NOT_BITMAP:
    case BMP2JPEG_E_DAMAGED:
    case BMP2JPEG_E_UNSUPPORTED:
    case BMP2JPEG_E_TOO_LARGE:
        return request.bmp;
    default:
        return request.jpg;
    }
}

} // namespace

bool parsePlain(int argc, const char *const argv[], Request &request)
{
    Request parsed;
    const char *files[2] = {nullptr, nullptr};
    int fileCount = 0;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (options && argument[0] == '-' && argument[1] != '\0') {
            if (std::strcmp(argument, "--") == 0) {
                options = false;
            } else if (std::strncmp(argument, "--quality=", 10) == 0) {
                if (!parseQuality(argument + 10, parsed.quality))
                    return false;
            } else if (std::strcmp(argument, "--quality") == 0 ||
                       std::strcmp(argument, "-q") == 0) {
                if (i + 1 >= argc || !parseQuality(argv[++i], parsed.quality))
                    return false;
            } else {
                return false;
            }
            continue;
        }
        if (fileCount == 2 || argument[0] == '\0')
            return false;
        files[fileCount++] = argument;
    }
    if (fileCount != 2)
        return false;
    parsed.bmp = files[0];
    parsed.jpg = files[1];
    request = parsed;
    return true;
}

Outcome convert(const std::string &programFolder, const Request &request)
{
    // Converting a file onto itself would replace the bitmap with its JPEG.
    struct stat target
    {
    };
    if (::stat(request.jpg.c_str(), &target) == 0 && realPath(request.bmp) == realPath(request.jpg))
        return failure(request.jpg, "the JPEG file would replace the bitmap");

    const std::string library = programFolder + "/libbmp2jpeg.so";
    void *handle = ::dlopen(library.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle)
        return failure(library,
                       std::string("the JPEG encoder could not be loaded: ") + ::dlerror());
    using BmpToJpegFn = int (*)(const char *, const char *, short);
    using ErrorTextFn = const char *(*)(int);
    using LastErrnoFn = int (*)();
    const auto bmpToJpeg = reinterpret_cast<BmpToJpegFn>(::dlsym(handle, "BmpToJpeg"));
    const auto errorText = reinterpret_cast<ErrorTextFn>(::dlsym(handle, "Bmp2JpegErrorText"));
    const auto lastErrno = reinterpret_cast<LastErrnoFn>(::dlsym(handle, "Bmp2JpegLastErrno"));
    if (!bmpToJpeg || !errorText || !lastErrno)
        return failure(library, "the JPEG encoder lacks its functions");

    const int code =
        bmpToJpeg(request.bmp.c_str(), request.jpg.c_str(), static_cast<short>(request.quality));
    if (code == BMP2JPEG_OK)
        return {};
    std::string reason = errorText(code);
    if (const int error = lastErrno(); error != 0)
        reason += std::string(": ") + std::strerror(error);
    return failure(failedFile(code, request), reason);
}

std::string programFolder()
{
    const std::string self = realPath("/proc/self/exe");
    const std::size_t slash = self.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : self.substr(0, slash);
}

} // namespace VantlerConversion
