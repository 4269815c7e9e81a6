#include "zip/blockdata.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "zip/crypto/cipher.h"
#include "zip/crypto/ppmd.h"
#include "zip/zabzip2.h"
#include "zip/zastream.h"
#include "zip/zatradcrypt.h"
#include "zip/zazlib.h"

namespace {

uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct TBlockHeader {
    uint32_t BlockSize;
    uint32_t TotalSize;
    uint32_t BlockCount;
    uint8_t Compressor;
    bool Compressed;
    uint16_t Cipher;
    uint32_t CheckCrc;
    uint8_t Check[16];
};

TBlockHeader ParseHeader(const uint8_t* h)
{
    TBlockHeader b;
    b.BlockSize = Le32(h);
    b.TotalSize = Le32(h + 8);
    b.BlockCount = Le32(h + 16);
    b.Compressor = h[20];
    b.Compressed = h[21] != 0;
    b.Cipher = uint16_t(h[22] | h[23] << 8);
    b.CheckCrc = Le32(h + 24);
    std::memcpy(b.Check, h + 28, 16);
    return b;
}

bool CheckBlockFits(const TBlockHeader& H, const std::string& Password, bool& Failed)
{
    uint8_t copy[16];
    std::memcpy(copy, H.Check, 16);
    if (!DecipherItemBuffer(H.Cipher, Password, copy, 16)) {
        Failed = true;
        return false;
    }
    return ZACrc32(0, copy, 16) == H.CheckCrc;
}

// Finds the password that deciphers the check block; false when the item
// is skipped or the cipher fails.
bool SettlePassword(TBlockItemReader& R, const TBlockHeader& H, bool& Failed)
{
    // Every try pays for this once: guessing passwords stays slow.
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(R.SlowdownMs)) {
        uint8_t copy[16];
        std::memcpy(copy, H.Check, 16);
        DecipherItemBuffer(H.Cipher, R.Password, copy, 16);
    }
    for (;;) {
        if (CheckBlockFits(H, R.Password, Failed))
            return true;
        if (Failed)
            return false;
        std::string newPassword = R.Password;
        bool skip = true;
        if (R.OnPassword) {
            skip = false;
            R.OnPassword(newPassword, skip);
        }
        if (skip) {
            R.Skipped = true;
            return false;
        }
        R.Password = newPassword;
    }
}

// Decompresses one block into Out, which must come to exactly Expected
// bytes; false when damaged. A stream that would give more stops as soon as
// it passes Expected: the header's sizes bound the memory an item takes.
bool Decompress(uint8_t Compressor, const std::vector<uint8_t>& In, uint32_t Expected, std::string& Out)
{
    switch (Compressor) {
    case bcZlib:
        return ZlibInflateBuffer(In.data(), In.size(), Expected, Expected, Out) && Out.size() == Expected;
    case bcBZip2:
        try {
            BZip2DecompressBuffer(In.data(), In.size(), Expected, Expected, Out);
        } catch (const EBZip2Error&) {
            return false;
        }
        return Out.size() == Expected;
    case bcPpm:
        Out.assign(Expected, '\0');
        return PpmDecodeBuffer(In.data(), uint32_t(In.size()), reinterpret_cast<uint8_t*>(Out.data()), Expected) ==
               Expected;
    default:
        return false;
    }
}

// Whether a header can describe an item of the block format at all.
bool Plausible(const TBlockHeader& H, const TBlockItemReader& R)
{
    if (H.Compressed && H.Compressor > bcPpm)
        return false;
    if (R.ExpectedSize >= 0 && H.TotalSize != uint64_t(R.ExpectedSize))
        return false;
    if (R.DataSize >= 0 && BlockHeaderSize + 4 * int64_t(H.BlockCount) > R.DataSize)
        return false;
    if (H.TotalSize == 0)
        return H.BlockCount <= 1;
    return H.BlockSize > 0 && H.BlockCount == (uint64_t(H.TotalSize) + H.BlockSize - 1) / H.BlockSize;
}

} // namespace

bool ReadBlockItem(TBlockItemReader& R, uint32_t& Crc, uint64_t& Written)
{
    R.Skipped = R.Cancelled = R.NotBlockFormat = false;
    if (!R.Archive || !R.Target)
        return false;
    TZAStream& archive = *R.Archive;
    const int64_t itemStart = archive.Position();
    uint8_t raw[BlockHeaderSize];
    if ((R.DataSize >= 0 && R.DataSize < BlockHeaderSize) || !archive.ReadExact(raw, BlockHeaderSize)) {
        R.NotBlockFormat = R.DataSize >= 0;
        return false;
    }
    const TBlockHeader h = ParseHeader(raw);
    if (!Plausible(h, R)) {
        R.NotBlockFormat = true;
        return false;
    }
    const bool encrypted = h.Cipher != BlockCipherNone;
    if (encrypted) {
        bool failed = false;
        if (!SettlePassword(R, h, failed))
            return false;
    }

    const int64_t archiveSize = archive.Size();
    // Blocks lie inside the item's data (as far as the archive says).
    const int64_t dataEnd = R.DataSize >= 0 ? std::min(archiveSize, itemStart + R.DataSize) : archiveSize;
    uint64_t done = 0;  // bytes of this item written
    std::vector<uint8_t> data;
    std::string out;
    for (uint32_t block = 0; block < h.BlockCount; ++block) {
        if (R.OnProgress) {
            bool cancel = false;
            R.OnProgress(double(archive.Position()), double(archiveSize), cancel);
            if (cancel) {
                R.Cancelled = true;
                return true;
            }
        }
        uint8_t lenBytes[4];
        if (!archive.ReadExact(lenBytes, 4))
            return false;
        const uint32_t len = Le32(lenBytes);
        // Sizes from the header are checked before anything is allocated.
        if (int64_t(len) > dataEnd - archive.Position())
            return false;
        if (done > h.TotalSize)
            return false;
        const uint64_t left = h.TotalSize - done;
        const uint64_t expected = block + 1 == h.BlockCount ? left : h.BlockSize;
        if (expected > left || expected > R.MaxBlockSize)
            return false;
        data.resize(len);
        if (len > 0 && !archive.ReadExact(data.data(), len))
            return false;
        if (encrypted && !DecipherItemBuffer(h.Cipher, R.Password, data.data(), int32_t(len)))
            return false;
        const uint8_t* result = data.data();
        if (h.Compressed) {
            if (!Decompress(h.Compressor, data, uint32_t(expected), out) || out.empty())
                return false;
            result = reinterpret_cast<const uint8_t*>(out.data());
        } else if (data.size() < expected) {
            return false;
        }
        const auto n = static_cast<std::size_t>(expected);
        Crc = ZACrc32(Crc, result, n);
        if (n > 0 && !R.Target->WriteExact(result, int64_t(n)))
            return false;
        Written += n;
        done += n;
    }
    return true;
}
