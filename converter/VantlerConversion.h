#pragma once

// Vantler's conversion from the command line, in plain C++ without Qt, so a
// conversion costs no more than loading the encoder: `vantler BITMAP JPEG`
// starts about as fast as cjpeg. Everything else the command line can ask
// for (help, version, mistakes, the window) is left to the Qt program.
#include <string>

namespace VantlerConversion {

// The quality of the window's slider at start.
constexpr int DefaultQuality = 100;

// What a plain conversion command line asks for.
struct Request
{
    std::string bmp;
    std::string jpg;
    int quality = DefaultQuality;
};

// Reads the plain forms: [--quality N | --quality=N | -q N] [--] BITMAP JPEG,
// N a whole number from 0 to 100 and both files named. False for anything
// else (no files, another option, a bad quality), which the full command
// line handles and explains.
bool parsePlain(int argc, const char *const argv[], Request &request);

// The outcome of a conversion: the exit code (0 when the JPEG file is
// complete, 1 when not) and, on failure, the one line for standard error:
// "vantler: <file>: <reason>\n".
struct Outcome
{
    int exitCode = 0;
    std::string errorLine;
};

// Converts with BmpToJpeg of libbmp2jpeg.so in `programFolder`. A target
// naming the bitmap itself is refused; the encoder writes the JPEG whole or
// not at all.
Outcome convert(const std::string &programFolder, const Request &request);

// The folder holding the running program file (links resolved).
std::string programFolder();

} // namespace VantlerConversion
