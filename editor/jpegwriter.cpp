#include "editor/jpegwriter.h"

#include <QIODevice>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace {

// Lines handed to the encoder at once: the height of its largest block
// row, so it works on whole rows of blocks.
constexpr int BandLines = 16;
constexpr std::size_t OutputChunk = 64 * 1024;

// The encoder's errors end in a jump back to WriteJpegByLines; its warnings
// are of no interest to a writer.
struct TErrorManager {
    jpeg_error_mgr Public;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr info)
{
    auto* manager = reinterpret_cast<TErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->Message);
    std::longjmp(manager->Jump, 1);
}

void NoMessage(j_common_ptr) {}

// The encoder's output goes to a QIODevice in chunks.
struct TDeviceDestination {
    jpeg_destination_mgr Public;
    QIODevice* Device;
    bool DeviceFailed;
    std::vector<JOCTET> Buffer;
};

void InitDestination(j_compress_ptr info)
{
    auto* d = reinterpret_cast<TDeviceDestination*>(info->dest);
    d->Public.next_output_byte = d->Buffer.data();
    d->Public.free_in_buffer = d->Buffer.size();
}

void Flush(j_compress_ptr info, std::size_t bytes)
{
    auto* d = reinterpret_cast<TDeviceDestination*>(info->dest);
    // A file on a full disk takes part of a write without a word; only the
    // write of what is left says why it fails.
    const char* data = reinterpret_cast<const char*>(d->Buffer.data());
    for (qint64 left = static_cast<qint64>(bytes); left > 0;) {
        const qint64 written = d->Device->write(data, left);
        if (written <= 0) {
            d->DeviceFailed = true;
            ERREXIT(info, JERR_FILE_WRITE);
        }
        data += written;
        left -= written;
    }
}

boolean EmptyOutputBuffer(j_compress_ptr info)
{
    auto* d = reinterpret_cast<TDeviceDestination*>(info->dest);
    Flush(info, d->Buffer.size());
    InitDestination(info);
    return TRUE;
}

void TermDestination(j_compress_ptr info)
{
    auto* d = reinterpret_cast<TDeviceDestination*>(info->dest);
    Flush(info, d->Buffer.size() - d->Public.free_in_buffer);
}

// One writing: the encoder, its error and output managers and a band of
// lines, all outliving the jump back from an error.
struct TJpegWriting {
    jpeg_compress_struct Info{};
    TErrorManager Errors{};
    TDeviceDestination Destination{};
    std::vector<unsigned char> Band;
    std::vector<JSAMPROW> Rows;
};

void Encode(TJpegWriting& w, int width, int height, int quality, const TJpegLineSource& line)
{
    jpeg_create_compress(&w.Info);
    w.Destination.Public.init_destination = InitDestination;
    w.Destination.Public.empty_output_buffer = EmptyOutputBuffer;
    w.Destination.Public.term_destination = TermDestination;
    w.Info.dest = &w.Destination.Public;
    w.Info.image_width = static_cast<JDIMENSION>(width);
    w.Info.image_height = static_cast<JDIMENSION>(height);
    w.Info.input_components = 3;
    w.Info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&w.Info);
    jpeg_set_quality(&w.Info, quality, TRUE);
    w.Info.optimize_coding = FALSE;
    jpeg_start_compress(&w.Info, TRUE);
    for (int next = 0; next < height;) {
        const int lines = std::min(BandLines, height - next);
        for (int i = 0; i < lines; ++i)
            line(next + i, w.Rows[static_cast<std::size_t>(i)]);
        next += static_cast<int>(jpeg_write_scanlines(&w.Info, w.Rows.data(), static_cast<JDIMENSION>(lines)));
    }
    jpeg_finish_compress(&w.Info);
}

// False when the encoder gave up (its errors jump back here).
bool EncodeOrFail(TJpegWriting& w, int width, int height, int quality, const TJpegLineSource& line)
{
    if (setjmp(w.Errors.Jump))
        return false;
    Encode(w, width, height, quality, line);
    return true;
}

} // namespace

bool WriteJpegByLines(QIODevice& out, int width, int height, int quality, const TJpegLineSource& line,
                      QString& error)
{
    TJpegWriting w;
    w.Destination.Device = &out;
    w.Destination.Buffer.resize(OutputChunk);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    w.Band.resize(stride * BandLines);
    for (int i = 0; i < BandLines; ++i)
        w.Rows.push_back(w.Band.data() + stride * static_cast<std::size_t>(i));
    w.Info.err = jpeg_std_error(&w.Errors.Public);
    w.Errors.Public.error_exit = ErrorExit;
    w.Errors.Public.output_message = NoMessage;
    const bool written = EncodeOrFail(w, width, height, quality, line);
    if (!written)
        error = w.Destination.DeviceFailed ? out.errorString() : QString::fromLocal8Bit(w.Errors.Message);
    jpeg_destroy_compress(&w.Info);
    return written;
}
