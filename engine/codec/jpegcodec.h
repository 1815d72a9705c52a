#pragma once
// The JPEG codec component: full-size and scaled decoding and all encoding of JPEG files.
//
// Pixels are 3 bytes in the order blue, green, red, rows top first, each row
// (width * 3 + 3) & ~3 bytes long. Reading is two calls on the same thread:
// getJPEGFileInfo opens a file and remembers it for that thread, readJPEGfile decodes it.
// Each thread has its own remembered file, released when the thread ends. Callers that
// share the component across threads hold CodecLock() (codec/codeclock.h) from the first
// call to the end of the second.
#include <cstdint>
#include <functional>

// Result values of readJPEGfile.
constexpr int kJpegReadFailed = 0;    // nothing or only part of the picture was decoded
constexpr int kJpegReadOk = 1;        // the whole picture was decoded from sound data
constexpr int kJpegReadRepaired = 2;  // decoded, but damaged or missing data was filled in

// Opens `path`, reads its header and remembers the file for the next readJPEGfile on this
// thread. Non-zero on success; 0 (outputs set to 0) when the file cannot be read as JPEG.
int getJPEGFileInfo(const char* path, int* width, int* height, int* components);

// Decodes the file remembered by getJPEGFileInfo on this thread into `dest` and forgets it.
// divisor 0 or 1: full size; 2, 4, 8: ceil(width / d) x ceil(height / d) pixels. `dest`
// holds stride x rows bytes for that size. Returns one of the kJpegRead* values; rows not
// decoded when a read fails keep their previous contents.
int readJPEGfile(uint8_t* dest, int divisor);

// Told, on the decoding thread, how many rows from the top are complete whenever more are.
using JpegRowsDone = std::function<void(int rows)>;

// readJPEGfile that reports progress as rows land in `dest`, so that another thread can
// work on the finished top part while the rest is still being decoded.
int readJPEGfile(uint8_t* dest, int divisor, const JpegRowsDone& rowsDone);

// Writes `src` (width x height pixels) as a complete baseline JPEG file at `path` (4:2:0,
// quality clamped to 1..100), replacing any existing file. Non-zero on success; on failure
// a partly written file is removed.
int writeJPEGfile(const char* path, int width, int height, const uint8_t* src, int quality);
