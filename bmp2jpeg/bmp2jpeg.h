/*
 * libbmp2jpeg: turns Windows bitmap files, or 32-bit pixels held in memory,
 * into baseline JPEG files (4:2:0 chroma subsampling).
 *
 * The JPEG file is written under a temporary name beside the target and
 * renamed onto it once complete, so a failed call never leaves a partial
 * file behind and never touches an existing target.
 *
 * Every function may be called from any thread; calls share no state.
 *
 * Size limits: width and height at most BMP2JPEG_MAX_SIDE pixels each (the
 * largest side a JPEG file can describe) and at most BMP2JPEG_MAX_PIXELS
 * pixels in all. Larger pictures fail with BMP2JPEG_E_TOO_LARGE.
 */
#ifndef BMP2JPEG_H
#define BMP2JPEG_H

#if defined(BMP2JPEG_BUILDING) && defined(__GNUC__)
#define BMP2JPEG_API __attribute__((visibility("default")))
#else
#define BMP2JPEG_API
#endif

#define BMP2JPEG_MAX_SIDE 65500
#define BMP2JPEG_MAX_PIXELS (1L << 28)

#ifdef __cplusplus
extern "C" {
#endif

enum Bmp2JpegResult
{
    BMP2JPEG_OK = 0,
    /* The bitmap file cannot be opened or read (see Bmp2JpegLastErrno). */
    BMP2JPEG_E_READ = 1,
    /* The file does not start with "BM": not a Windows bitmap. */
    BMP2JPEG_E_NOT_BITMAP = 2,
    /* Sizes, offsets, dimensions, bit counts, masks or compressed data that
       the file cannot hold or that make no sense; a truncated file. */
    BMP2JPEG_E_DAMAGED = 3,
    /* A valid bitmap of a kind this library does not read (embedded JPEG or
       PNG, 2 or 64 bits per pixel, CMYK, unknown header versions). */
    BMP2JPEG_E_UNSUPPORTED = 4,
    /* Wider or taller than BMP2JPEG_MAX_SIDE or more than BMP2JPEG_MAX_PIXELS. */
    BMP2JPEG_E_TOO_LARGE = 5,
    BMP2JPEG_E_NO_MEMORY = 6,
    BMP2JPEG_E_ENCODE = 7,
    /* The JPEG file cannot be created, written or renamed into place (see
       Bmp2JpegLastErrno). */
    BMP2JPEG_E_WRITE = 8,
    /* A null path or pointer, a non-positive size or a pitch too small. */
    BMP2JPEG_E_INVALID_ARGUMENT = 9
};

/* Converts the Windows bitmap file `bmp` into the JPEG file `jpg`.
   quality: 1..100; 0 and lower behave as 1, values above 100 as 100.
   Returns BMP2JPEG_OK or one of the BMP2JPEG_E_* codes. */
BMP2JPEG_API int BmpToJpeg(const char *bmp, const char *jpg, short quality);

/* Encodes 32-bit pixels held in memory into the JPEG file `jpg`. Each pixel
   is 4 bytes, B, G, R, X in memory order (QImage::Format_RGB32 on a
   little-endian machine; X is ignored); rows are `pitch` bytes apart, top row
   first, and pitch must be at least width * 4. */
BMP2JPEG_API int BmpToJpegPixels(const unsigned char *pixels, int width, int height, int pitch,
                                 const char *jpg, short quality);

/* A short English description of a result code, such as "the bitmap file is
   damaged". Never null; unknown codes get a generic text. */
BMP2JPEG_API const char *Bmp2JpegErrorText(int code);

/* The errno of the file operation that made the calling thread's last call
   fail with BMP2JPEG_E_READ or BMP2JPEG_E_WRITE (for instance ENOSPC);
   0 when that call succeeded or failed for another reason. */
BMP2JPEG_API int Bmp2JpegLastErrno(void);

#ifdef __cplusplus
}
#endif

#endif /* BMP2JPEG_H */
