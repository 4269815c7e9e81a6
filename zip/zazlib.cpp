#include "zip/zazlib.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <zlib.h>

int32_t ZlibCheckDeflate(int32_t code)
{
    if (code < 0)
        throw ECompressionError();
    return code;
}

int32_t ZlibCheckInflate(int32_t code)
{
    if (code < 0)
        throw EDecompressionError();
    return code;
}

bool ZlibInflateBuffer(const void* Input, std::size_t InputLen, std::size_t OutEstimate, std::size_t OutLimit,
                       std::string& Output)
{
    Output.clear();
    const std::size_t step = (InputLen + 255) & ~std::size_t(255);
    if (step == 0 || InputLen > UINT32_MAX)
        return false;
    const std::size_t room = std::min<std::size_t>(OutLimit, UINT32_MAX);
    std::size_t outLen = std::min(OutEstimate ? OutEstimate : step, room);
    try {
        Output.resize(outLen);
    } catch (const std::bad_alloc&) {
        return false;
    }
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    zs.next_in = static_cast<Bytef*>(const_cast<void*>(Input));
    zs.avail_in = static_cast<uInt>(InputLen);
    zs.next_out = reinterpret_cast<Bytef*>(Output.data());
    zs.avail_out = static_cast<uInt>(outLen);
    if (inflateInit(&zs) != Z_OK) {
        Output.clear();
        return false;
    }
    bool ok = false;
    try {
        for (;;) {
            int r = inflate(&zs, Z_NO_FLUSH);
            if (r < 0)
                break; // includes Z_BUF_ERROR: truncated input, no progress possible
            if (r == Z_STREAM_END) {
                ok = true;
                break;
            }
            if (zs.avail_out != 0)
                break; // cut short (or a dictionary is wanted)
            if (outLen == room) {
                // Full at the limit: the stream must end without another byte.
                unsigned char probe;
                zs.next_out = &probe;
                zs.avail_out = 1;
                ok = inflate(&zs, Z_NO_FLUSH) == Z_STREAM_END && zs.avail_out == 1;
                break;
            }
            outLen = std::min(outLen + step, room);
            Output.resize(outLen);
            zs.next_out = reinterpret_cast<Bytef*>(Output.data()) + zs.total_out;
            zs.avail_out = static_cast<uInt>(outLen - zs.total_out);
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    std::size_t total = zs.total_out;
    if (inflateEnd(&zs) != Z_OK)
        ok = false;
    if (!ok) {
        Output.clear();
        Output.shrink_to_fit();
        return false;
    }
    Output.resize(total);
    return true;
}
