#pragma once
// Test-side PPM encoder: the product's model driven by the input bytes and a
// carry-less range encoder, producing blocks for PpmDecodeBuffer.

#include <cstdint>
#include <vector>

#include "zip/crypto/ppmd.h"
#include "zip/crypto/ppmmodel.h"

namespace cryptotest {

class TRangeEncoder {
public:
    void Encode(uint32_t Lo, uint32_t Hi, uint32_t Scale)
    {
        FRange /= Scale;
        FLow += FRange * Lo;
        FRange *= Hi - Lo;
        while ((FLow ^ (FLow + FRange)) < (1u << 24) ||
               (FRange < (1u << 15) && ((FRange = (0u - FLow) & ((1u << 15) - 1)), true))) {
            Out.push_back(uint8_t(FLow >> 24));
            FRange <<= 8;
            FLow <<= 8;
        }
    }
    void Flush()
    {
        for (int i = 0; i < 4; ++i) {
            Out.push_back(uint8_t(FLow >> 24));
            FLow <<= 8;
        }
    }
    std::vector<uint8_t> Out;

private:
    uint32_t FLow = 0, FRange = 0xFFFFFFFFu;
};

struct TPpmEncodeResult {
    bool Ok = false;
    std::vector<uint8_t> Block;
    int Restarts = 0;
};

// Codes Symbol (-1 is the end marker) in the model's current context.
// False when the symbol could not be coded.
inline bool EncodePpmSymbol(TPpmModel& M, TRangeEncoder& E, int Symbol)
{
    if (M.InBinaryContext()) {
        uint16_t& p = M.BinProbability();
        if (M.BinState()->Symbol == Symbol) {
            E.Encode(0, p, TPpmModel::BinScale);
            M.BinFound(p);
        } else {
            E.Encode(p, TPpmModel::BinScale, TPpmModel::BinScale);
            M.BinEscape(p);
        }
    } else {
        const uint32_t scale = M.SummFreq();
        const TPpmState* s = M.Stats();
        uint32_t lo = 0;
        int found = -1;
        for (int i = 0; i < M.StateCount(); ++i) {
            if (s[i].Symbol == Symbol) {
                found = i;
                break;
            }
            lo += s[i].Freq;
        }
        if (found >= 0) {
            E.Encode(lo, lo + s[found].Freq, scale);
            M.Found1(found, scale);
        } else {
            E.Encode(lo, scale, scale);
            M.Escape1();
        }
    }
    TPpmModel::TMasked masked;
    while (!M.Found()) {
        if (!M.EscapeToSuffix())
            return Symbol < 0;
        M.PrepareMasked(masked);
        const uint32_t scale = masked.Total + masked.EscFreq;
        uint32_t lo = 0;
        int found = -1;
        for (int i = 0; i < masked.Count; ++i) {
            if (masked.List[i]->Symbol == Symbol) {
                found = i;
                break;
            }
            lo += masked.List[i]->Freq;
        }
        if (found >= 0) {
            E.Encode(lo, lo + masked.List[found]->Freq, scale);
            M.Found2(masked, found);
        } else {
            E.Encode(masked.Total, scale, scale);
            M.Escape2(masked);
        }
    }
    return Symbol >= 0;
}

// Header word, coded bytes and the end marker.
inline TPpmEncodeResult PpmEncodeForTest(const std::vector<uint8_t>& Input, uint32_t MemoryMiB, int Order)
{
    TPpmEncodeResult r;
    TPpmModel model;
    if (!model.UseHeap(MemoryMiB) || !model.Start(Order))
        return r;
    TRangeEncoder enc;
    const uint32_t header = PpmHeaderWord(MemoryMiB, uint32_t(Order));
    for (int i = 0; i < 4; ++i)
        enc.Out.push_back(uint8_t(header >> (8 * i)));
    for (uint8_t b : Input) {
        if (!EncodePpmSymbol(model, enc, b))
            return r;
        model.AfterSymbol();
    }
    if (!EncodePpmSymbol(model, enc, -1))
        return r;
    enc.Flush();
    r.Ok = true;
    r.Block = std::move(enc.Out);
    r.Restarts = model.RestartCount();
    return r;
}

} // namespace cryptotest
