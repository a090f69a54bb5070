// libFuzzer target for BmpToJpeg: each input is handed to the library as a
// bitmap file, and the outcome is checked: a known result code, a complete
// JPEG file on success, and no file at all (not even a temporary one) on
// failure.
//
// Built and run by run-fuzz.sh with clang (-fsanitize=fuzzer,address,undefined).

#include "bmp2jpeg.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int g_input = -1;
std::string g_inputPath;
std::string g_folder;
std::string g_target;

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_bmp2jpeg: %s\n", what);
    std::abort();
}

std::uint32_t readU32(const std::uint8_t *p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Run-length data lets a file of a few bytes describe a picture of up to
// 2^28 pixels, which the library legitimately decodes and encodes. Such
// inputs only make the fuzzer slow, so pictures of that kind above a
// million pixels are left out; every other claim, however large, is tried.
bool isLargeRunLengthPicture(const std::uint8_t *data, std::size_t size)
{
    if (size < 34 || readU32(data + 14) < 40)
        return false;
    const std::uint32_t compression = readU32(data + 30);
    if (compression != 1 && compression != 2)
        return false;
    const long long width = static_cast<std::int32_t>(readU32(data + 18));
    const long long height = static_cast<std::int32_t>(readU32(data + 22));
    return std::llabs(width) * std::llabs(height) > (1LL << 20);
}

bool readWhole(const std::string &path, std::string &bytes)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    std::fclose(file);
    return true;
}

int filesInFolder()
{
    DIR *folder = opendir(g_folder.c_str());
    if (folder == nullptr)
        fail("the output folder is gone");
    int count = 0;
    while (const dirent *entry = readdir(folder)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            ++count;
    }
    closedir(folder);
    return count;
}

void removeFolder()
{
    unlink(g_target.c_str());
    rmdir(g_folder.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The input lives in memory; the library opens it by its /proc name.
    g_input = memfd_create("bitmap", MFD_CLOEXEC);
    if (g_input < 0)
        fail("memfd_create failed");
    g_inputPath = "/proc/self/fd/" + std::to_string(g_input);

    const char *tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/fuzz_bmp2jpeg.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        fail("mkdtemp failed");
    g_folder = pattern;
    g_target = g_folder + "/out.jpg";
    std::atexit(removeFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (isLargeRunLengthPicture(data, size))
        return -1;
    if (ftruncate(g_input, 0) != 0 ||
        (size > 0 && pwrite(g_input, data, size, 0) != static_cast<ssize_t>(size)))
        fail("cannot write the input");

    const short quality = size > 0 ? static_cast<short>(data[size / 2] % 101) : 75;
    const int result = BmpToJpeg(g_inputPath.c_str(), g_target.c_str(), quality);
    if (result < BMP2JPEG_OK || result > BMP2JPEG_E_INVALID_ARGUMENT)
        fail("unknown result code");
    if (Bmp2JpegErrorText(result) == nullptr)
        fail("no error text");

    struct stat status = {};
    const bool written = stat(g_target.c_str(), &status) == 0;
    if (result == BMP2JPEG_OK) {
        std::string jpeg;
        if (!written || !readWhole(g_target, jpeg))
            fail("success without a JPEG file");
        if (jpeg.size() < 4 || static_cast<unsigned char>(jpeg[0]) != 0xFF ||
            static_cast<unsigned char>(jpeg[1]) != 0xD8 ||
            static_cast<unsigned char>(jpeg[jpeg.size() - 2]) != 0xFF ||
            static_cast<unsigned char>(jpeg[jpeg.size() - 1]) != 0xD9)
            fail("the JPEG file is not complete");
        if (filesInFolder() != 1)
            fail("files left beside the JPEG file");
        unlink(g_target.c_str());
    } else {
        if (written)
            fail("a failed conversion left a file");
        if (filesInFolder() != 0)
            fail("a failed conversion left a temporary file");
    }
    return 0;
}
