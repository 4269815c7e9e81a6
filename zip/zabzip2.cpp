#include "zip/zabzip2.h"

#include <algorithm>
#include <bzlib.h>
#include <cstring>

int32_t BZip2CheckDecompress(int32_t code)
{
    if (code < 0)
        throw EBZDecompressionError(code);
    return code;
}

extern "C" void bz_internal_error(int errcode)
{
    throw EBZip2Error("Compression Error " + std::to_string(errcode));
}

void BZip2DecompressBuffer(const void* Input, std::size_t InputLen, std::size_t OutEstimate, std::size_t OutLimit,
                           std::string& Output)
{
    Output.clear();
    const std::size_t step = (InputLen + 255) & ~std::size_t(255);
    if (step == 0 || InputLen > UINT32_MAX)
        return;
    const std::size_t room = std::min<std::size_t>(OutLimit, UINT32_MAX);
    std::size_t outLen = std::min(OutEstimate ? OutEstimate : step, room);

    bz_stream bs;
    std::memset(&bs, 0, sizeof bs);
    bool inited = false;
    bool ended = false;
    try {
        Output.resize(outLen);
        bs.next_in = static_cast<char*>(const_cast<void*>(Input));
        bs.avail_in = static_cast<unsigned>(InputLen);
        bs.next_out = Output.data();
        bs.avail_out = static_cast<unsigned>(outLen);
        BZip2CheckDecompress(BZ2_bzDecompressInit(&bs, 0, 0));
        inited = true;
        for (;;) {
            unsigned inBefore = bs.avail_in;
            unsigned outBefore = bs.avail_out;
            int r = BZip2CheckDecompress(BZ2_bzDecompress(&bs));
            if (r == BZ_STREAM_END) {
                ended = true;
                break;
            }
            if (bs.total_out_lo32 == 0 && bs.total_out_hi32 == 0)
                break; // nothing produced at all
            // Input used up without the end marker, or a call that moved
            // nothing: the stream is cut short. Growing would loop forever.
            if ((bs.avail_in == 0 && bs.avail_out != 0) || (bs.avail_in == inBefore && bs.avail_out == outBefore))
                break;
            if (bs.avail_out == 0 && outLen == room) {
                // Full at the limit: the stream must end without another byte.
                char probe;
                bs.next_out = &probe;
                bs.avail_out = 1;
                ended = BZip2CheckDecompress(BZ2_bzDecompress(&bs)) == BZ_STREAM_END && bs.avail_out == 1;
                break;
            }
            std::size_t offset = static_cast<std::size_t>(bs.next_out - Output.data());
            outLen = std::min(outLen + step, room);
            Output.resize(outLen);
            bs.next_out = Output.data() + offset;
            bs.avail_out = static_cast<unsigned>(outLen - offset);
        }
        inited = false;
        BZip2CheckDecompress(BZ2_bzDecompressEnd(&bs));
    } catch (...) {
        if (inited)
            BZ2_bzDecompressEnd(&bs);
        Output.clear();
        Output.shrink_to_fit();
        throw;
    }
    const uint64_t total = (uint64_t(bs.total_out_hi32) << 32) | bs.total_out_lo32;
    if (!ended) {
        Output.clear();
        Output.shrink_to_fit();
        return;
    }
    Output.resize(static_cast<std::size_t>(total));
}
