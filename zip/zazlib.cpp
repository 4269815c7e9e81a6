#include "zip/zazlib.h"

#include <cstring>
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

bool ZlibInflateBuffer(const void* Input, std::size_t InputLen, std::size_t OutEstimate, std::string& Output)
{
    Output.clear();
    const std::size_t step = (InputLen + 255) & ~std::size_t(255);
    std::size_t outLen = OutEstimate ? OutEstimate : step;
    if (step == 0 || InputLen > UINT32_MAX)
        return false;
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
                break; // room left but no end: input cut short (or a dictionary is wanted)
            outLen += step;
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
