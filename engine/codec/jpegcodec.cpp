// The codec component on libjpeg-turbo. All libjpeg calls live in this file: errors come
// back here by longjmp and leave as result values; warnings are counted, never printed.
#include "codec/jpegcodec.h"

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

namespace {

// libjpeg's working memory per picture (progressive files buffer every coefficient):
// enough for several hundred megapixels, small enough that a forged header cannot make
// it reach for more than the machine has.
constexpr long kMaxLibjpegMemory = 2048L * 1024 * 1024;
// Real progressive files have about ten scans; thousands of tiny scans are a known way to
// make a small file take minutes.
constexpr int kMaxScans = 1000;
// Rows handed to libjpeg per call.
constexpr int kRowBatch = 16;

size_t StrideFor(JDIMENSION width) { return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3}; }

// jpeg_error_mgr first, so libjpeg's pointer to it is also a pointer to the whole.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
    if (level < 0) ++cinfo->err->num_warnings;
}

void OnOutput(j_common_ptr) {}

void OnProgress(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        OnError(cinfo);
    }
}

void InitErrorManager(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = OnMessage;
    err.pub.output_message = OnOutput;
}

// Runs `body` (libjpeg calls only: a longjmp out of it must not skip destructors) and
// returns false when libjpeg reported an error inside it. Not inlined, so that whatever
// `body` writes through its captures is in memory when the jump lands.
template <class Body>
[[gnu::noinline]] bool Guarded(ErrorManager& err, Body&& body) {
    if (setjmp(err.jump) != 0) return false;
    body();
    return true;
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Reads the file in large pieces. libjpeg-turbo's fast Huffman decoder runs only while a
// few kilobytes of compressed data are buffered; with the 4 KB reads of its stdio source
// it falls back to the slow one for most of every piece (about a tenth more work for a
// scaled-down decode). End of file is handled as the stdio source does (a warning and an
// inserted end marker), so damaged files decode the same.
struct FileSource {
    jpeg_source_mgr pub;  // first, so libjpeg's pointer to it is also a pointer to the whole
    FILE* file;
    JOCTET* buffer;
    bool startOfFile;

    // The first read is small, for callers that only want the header; later ones large.
    static constexpr size_t kFirstRead = 64 * 1024;
    static constexpr size_t kBufferSize = 512 * 1024;

    static void Init(j_decompress_ptr cinfo) { Of(cinfo)->startOfFile = true; }

    static boolean Fill(j_decompress_ptr cinfo) {
        FileSource* src = Of(cinfo);
        const size_t want = src->startOfFile ? kFirstRead : kBufferSize;
        size_t got = std::fread(src->buffer, 1, want, src->file);
        if (got == 0) {
            if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
            WARNMS(cinfo, JWRN_JPEG_EOF);
            src->buffer[0] = 0xFF;
            src->buffer[1] = JPEG_EOI;
            got = 2;
        }
        src->pub.next_input_byte = src->buffer;
        src->pub.bytes_in_buffer = got;
        src->startOfFile = false;
        return TRUE;
    }

    static void Skip(j_decompress_ptr cinfo, long count) {
        if (count <= 0) return;
        FileSource* src = Of(cinfo);
        while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
            count -= static_cast<long>(src->pub.bytes_in_buffer);
            Fill(cinfo);
        }
        src->pub.next_input_byte += count;
        src->pub.bytes_in_buffer -= static_cast<size_t>(count);
    }

    static void Term(j_decompress_ptr) {}

    static FileSource* Of(j_decompress_ptr cinfo) { return reinterpret_cast<FileSource*>(cinfo->src); }

    // Installs a source reading `file` (libjpeg frees it with the decompressor).
    static void Attach(j_decompress_ptr cinfo, FILE* file) {
        auto* src = static_cast<FileSource*>((*cinfo->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(FileSource)));
        src->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_large)(
            reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kBufferSize));
        src->file = file;
        src->startOfFile = true;
        src->pub.init_source = Init;
        src->pub.fill_input_buffer = Fill;
        src->pub.skip_input_data = Skip;
        src->pub.resync_to_restart = jpeg_resync_to_restart;
        src->pub.term_source = Term;
        src->pub.bytes_in_buffer = 0;
        src->pub.next_input_byte = nullptr;
        cinfo->src = &src->pub;
    }
};

// Adobe CMYK as stored in JPEG files is inverted (255 = no ink), so each colour is its
// stored channel times the stored black, rounded.
void CmykRowToBgr(const JSAMPLE* cmyk, uint8_t* bgr, JDIMENSION width) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned k = cmyk[3];
        bgr[0] = static_cast<uint8_t>((cmyk[2] * k + 127) / 255);
        bgr[1] = static_cast<uint8_t>((cmyk[1] * k + 127) / 255);
        bgr[2] = static_cast<uint8_t>((cmyk[0] * k + 127) / 255);
    }
}

// An open JPEG file with its decompressor, header read.
class CJpegReader {
public:
    CJpegReader() {
        InitErrorManager(m_err);
        m_cinfo.err = &m_err.pub;
        m_created = Guarded(m_err, [this] { jpeg_create_decompress(&m_cinfo); });
        if (!m_created) return;
        m_cinfo.mem->max_memory_to_use = kMaxLibjpegMemory;
        m_progress.progress_monitor = OnProgress;
        m_cinfo.progress = &m_progress;
    }
    ~CJpegReader() {
        if (m_created) jpeg_destroy_decompress(&m_cinfo);
    }
    CJpegReader(const CJpegReader&) = delete;
    CJpegReader& operator=(const CJpegReader&) = delete;

    // Opens the file and reads its header; false when it is not a JPEG file whose
    // pixels can be turned into blue-green-red.
    bool Open(const char* path) {
        if (!m_created) return false;
        m_file.reset(std::fopen(path, "rb"));
        if (!m_file) return false;
        FILE* file = m_file.get();
        if (!Guarded(m_err, [this, file] {
                FileSource::Attach(&m_cinfo, file);
                jpeg_read_header(&m_cinfo, TRUE);
            })) {
            return false;
        }
        switch (m_cinfo.jpeg_color_space) {
            case JCS_GRAYSCALE:
            case JCS_YCbCr:
            case JCS_RGB:
            case JCS_CMYK:
            case JCS_YCCK:
                return true;
            default:
                return false;
        }
    }

    JDIMENSION Width() const { return m_cinfo.image_width; }
    JDIMENSION Height() const { return m_cinfo.image_height; }
    int Components() const { return m_cinfo.num_components; }

    // Decodes the picture into `dest` at 1/divisor size; one of the kJpegRead* values.
    int Read(uint8_t* dest, int divisor, const JpegRowsDone& rowsDone) {
        if (divisor == 0) divisor = 1;
        if (dest == nullptr || (divisor != 1 && divisor != 2 && divisor != 4 && divisor != 8)) {
            return kJpegReadFailed;
        }
        m_cinfo.scale_num = 1;
        m_cinfo.scale_denom = static_cast<unsigned>(divisor);
        const bool cmyk = m_cinfo.jpeg_color_space == JCS_CMYK || m_cinfo.jpeg_color_space == JCS_YCCK;
        // libjpeg-turbo writes blue-green-red itself (from colour or grey data); only CMYK
        // goes through a one-row buffer.
        m_cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
        if (!Guarded(m_err, [&] { DecodeRows(dest, cmyk, rowsDone); })) return kJpegReadFailed;
        // Every row is in place now; trouble in what follows the picture data (a broken
        // marker before the end) is a blemish of the file, not a failed read.
        if (!Guarded(m_err, [this] { jpeg_finish_decompress(&m_cinfo); })) return kJpegReadRepaired;
        return m_err.pub.num_warnings > 0 ? kJpegReadRepaired : kJpegReadOk;
    }

private:
    void DecodeRows(uint8_t* dest, bool cmyk, const JpegRowsDone& rowsDone) {
        jpeg_start_decompress(&m_cinfo);
        const JDIMENSION width = m_cinfo.output_width;
        const size_t stride = StrideFor(width);
        if (cmyk) {
            JSAMPARRAY row = (*m_cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&m_cinfo),
                                                         JPOOL_IMAGE, width * 4, 1);
            while (m_cinfo.output_scanline < m_cinfo.output_height) {
                uint8_t* out = dest + stride * m_cinfo.output_scanline;
                if (jpeg_read_scanlines(&m_cinfo, row, 1) == 1) CmykRowToBgr(row[0], out, width);
                if (rowsDone && m_cinfo.output_scanline % kRowBatch == 0)
                    rowsDone(static_cast<int>(m_cinfo.output_scanline));
            }
            if (rowsDone) rowsDone(static_cast<int>(m_cinfo.output_scanline));
            return;
        }
        JSAMPROW rows[kRowBatch];
        while (m_cinfo.output_scanline < m_cinfo.output_height) {
            const JDIMENSION first = m_cinfo.output_scanline;
            const JDIMENSION count = std::min<JDIMENSION>(kRowBatch, m_cinfo.output_height - first);
            for (JDIMENSION i = 0; i < count; ++i) rows[i] = dest + stride * (first + i);
            jpeg_read_scanlines(&m_cinfo, rows, count);
            if (rowsDone) rowsDone(static_cast<int>(m_cinfo.output_scanline));
        }
    }

    ErrorManager m_err{};
    jpeg_decompress_struct m_cinfo{};
    jpeg_progress_mgr m_progress{};
    bool m_created = false;
    FilePtr m_file;  // closed after the destructor body has destroyed the decompressor
};

// A compressor writing to one open file.
class CJpegWriter {
public:
    CJpegWriter() {
        InitErrorManager(m_err);
        m_cinfo.err = &m_err.pub;
        m_created = Guarded(m_err, [this] { jpeg_create_compress(&m_cinfo); });
    }
    ~CJpegWriter() {
        if (m_created) jpeg_destroy_compress(&m_cinfo);
    }
    CJpegWriter(const CJpegWriter&) = delete;
    CJpegWriter& operator=(const CJpegWriter&) = delete;

    bool Created() const { return m_created; }

    // Encodes the picture into `file` with libjpeg's standard settings (YCbCr 4:2:0).
    bool Write(FILE* file, int width, int height, const uint8_t* src, int quality) {
        return Guarded(m_err, [&] {
            jpeg_stdio_dest(&m_cinfo, file);
            m_cinfo.image_width = static_cast<JDIMENSION>(width);
            m_cinfo.image_height = static_cast<JDIMENSION>(height);
            m_cinfo.input_components = 3;
            m_cinfo.in_color_space = JCS_EXT_BGR;
            jpeg_set_defaults(&m_cinfo);
            jpeg_set_quality(&m_cinfo, quality, TRUE);
            jpeg_start_compress(&m_cinfo, TRUE);
            const size_t stride = StrideFor(m_cinfo.image_width);
            JSAMPROW rows[kRowBatch];
            while (m_cinfo.next_scanline < m_cinfo.image_height) {
                const JDIMENSION first = m_cinfo.next_scanline;
                const JDIMENSION count = std::min<JDIMENSION>(kRowBatch, m_cinfo.image_height - first);
                // libjpeg only reads the rows; its interface just lacks the const.
                for (JDIMENSION i = 0; i < count; ++i) {
                    rows[i] = const_cast<JSAMPROW>(src + stride * (first + i));
                }
                jpeg_write_scanlines(&m_cinfo, rows, count);
            }
            jpeg_finish_compress(&m_cinfo);
        });
    }

private:
    ErrorManager m_err{};
    jpeg_compress_struct m_cinfo{};
    bool m_created = false;
};

// The file getJPEGFileInfo opened on this thread; released when the thread ends.
thread_local std::unique_ptr<CJpegReader> t_pendingFile;

}  // namespace

int getJPEGFileInfo(const char* path, int* width, int* height, int* components) {
    if (width) *width = 0;
    if (height) *height = 0;
    if (components) *components = 0;
    t_pendingFile.reset();
    if (path == nullptr) return 0;
    std::unique_ptr<CJpegReader> reader(new (std::nothrow) CJpegReader);
    if (!reader || !reader->Open(path)) return 0;
    if (width) *width = static_cast<int>(reader->Width());
    if (height) *height = static_cast<int>(reader->Height());
    if (components) *components = reader->Components();
    t_pendingFile = std::move(reader);
    return 1;
}

int readJPEGfile(uint8_t* dest, int divisor) { return readJPEGfile(dest, divisor, JpegRowsDone()); }

int readJPEGfile(uint8_t* dest, int divisor, const JpegRowsDone& rowsDone) {
    std::unique_ptr<CJpegReader> reader = std::move(t_pendingFile);
    if (!reader) return kJpegReadFailed;
    return reader->Read(dest, divisor, rowsDone);
}

int writeJPEGfile(const char* path, int width, int height, const uint8_t* src, int quality) {
    if (path == nullptr || src == nullptr || width <= 0 || height <= 0 ||
        width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) {
        return 0;
    }
    quality = std::clamp(quality, 1, 100);
    std::unique_ptr<CJpegWriter> writer(new (std::nothrow) CJpegWriter);
    if (!writer || !writer->Created()) return 0;
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return 0;
    bool ok = writer->Write(file, width, height, src, quality);
    writer.reset();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) std::remove(path);
    return ok ? 1 : 0;
}
