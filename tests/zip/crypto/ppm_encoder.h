#pragma once
// Test-side view of the engine's PPM encoder: a block in a vector.

#include <cstdint>
#include <vector>

#include "zip/crypto/ppmd.h"

namespace cryptotest {

struct TPpmEncodeResult {
    bool Ok = false;
    std::vector<uint8_t> Block;
    int Restarts = 0;
};

inline TPpmEncodeResult PpmEncodeForTest(const std::vector<uint8_t>& Input, uint32_t MemoryMiB, int Order)
{
    TPpmEncodeResult r;
    r.Block.resize(Input.size() * 2 + 1024);
    const uint32_t n = PpmEncodeBuffer(Input.data(), uint32_t(Input.size()), r.Block.data(), uint32_t(r.Block.size()),
                                       MemoryMiB, uint32_t(Order));
    r.Ok = n > 0;
    r.Block.resize(n);
    r.Restarts = PpmLastRestartCount();
    return r;
}

} // namespace cryptotest
