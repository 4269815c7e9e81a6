#pragma once
// Reader of the engine's own block format: items whose data are a 50-byte
// block header followed by blocks that are each optionally enciphered (with
// a key from the archive password) and optionally compressed (zlib, bzip2 or
// PPM). The engine only reads this format.
//
// The archive component hands such an item to ReadBlockItem with the archive
// positioned at the item's data; the component's own password prompt and
// progress report come in as callbacks.

#include <cstdint>
#include <functional>
#include <string>

class TZAStream;

struct TBlockItemReader {
    TZAStream* Archive = nullptr;  // positioned at the item's data
    TZAStream* Target = nullptr;
    // The password tried first; replaced by what the prompt returns.
    std::string Password;
    // Called when the password does not fit the item: a new password, or
    // Skip to leave the item out. Without a handler the item is skipped.
    std::function<void(std::string& NewPassword, bool& Skip)> OnPassword;
    // Called before each block with the archive position and size; setting
    // Cancel stops the item (which then counts as read).
    std::function<void(double Done, double Total, bool& Cancel)> OnProgress;
    // How long the check block is deciphered over and over before the first
    // password test, which slows every password guess down.
    int SlowdownMs = 256;
    // Largest uncompressed block accepted; a header that asks for more is
    // treated as damaged instead of allocating it.
    uint32_t MaxBlockSize = 256u << 20;
    // What the archive's directory says of the item (-1: unknown): its
    // uncompressed size and the length of its data. A block header that does
    // not agree with them is no block header.
    int64_t ExpectedSize = -1;
    int64_t DataSize = -1;

    // Results
    bool Skipped = false;    // the prompt skipped the item
    bool Cancelled = false;  // the progress handler cancelled
    // The data do not start with a sensible block header: the item is in a
    // format this reader does not know (nothing was asked or written).
    bool NotBlockFormat = false;
};

// Reads the item into Target, updating Crc (zlib-style CRC-32 register) and
// Written. False when the item is damaged (short or inconsistent header,
// block beyond the end of the archive, a cipher, decompressor or write
// failure) or was skipped at the password prompt (Skipped tells which).
bool ReadBlockItem(TBlockItemReader& Reader, uint32_t& Crc, uint64_t& Written);

// Block header layout, for writers of test data.
constexpr int BlockHeaderSize = 50;
constexpr uint16_t BlockCipherNone = 0xFFFF;
enum TBlockCompressor : uint8_t { bcZlib = 0, bcBZip2 = 1, bcPpm = 2 };
