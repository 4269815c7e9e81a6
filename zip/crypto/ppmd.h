#pragma once
// Compressor and decompressor of the engine's PPM-compressed blocks (compressor type 2 of
// the block format): a 4-byte header word, then the range-coded data.
//
// Header word (little-endian): bits 0-3 model order - 1, bits 4-11 model
// memory in MiB - 1, bits 12 and up the variant letter - 'A', which must be
// 6 (variant G).

#include <cstdint>

constexpr uint32_t PpmVariantG = 6;

// The header word an encoder writes for the given memory and order.
constexpr uint32_t PpmHeaderWord(uint32_t MemoryMiB, uint32_t Order)
{
    return ((MemoryMiB - 1) << 4) | (Order - 1) | (PpmVariantG << 12);
}

// Decodes the block at Input into Output (Capacity bytes) and returns the
// number of bytes produced; 0 means failure: a wrong variant, no memory for
// the model, coded data that would produce more than Capacity bytes, coded
// data that end before the end marker, or inconsistent coded data. Nothing
// is ever written beyond Capacity. An empty block also yields 0.
//
// The model is one module-wide state: calls must not overlap. Its heap is
// kept between calls of the same memory size and given back at the end of
// the data.
uint32_t PpmDecodeBuffer(const uint8_t* Input, uint32_t InputLen, uint8_t* Output, uint32_t Capacity);

// Encodes InputLen bytes with a model of MemoryMiB (1-256) MiB and the given
// order (1-16): the header word, the range-coded data and the end marker.
// Returns the block's length including the header, or 0 when the parameters
// are out of range, the model memory cannot be had or the block would not fit
// OutputCapacity bytes (nothing is ever written beyond them). Shares the
// module-wide model with the decoder.
uint32_t PpmEncodeBuffer(const uint8_t* Input, uint32_t InputLen, uint8_t* Output, uint32_t OutputCapacity,
                         uint32_t MemoryMiB, uint32_t Order);

// How often the model ran out of memory and started afresh in the last call.
int PpmLastRestartCount();
