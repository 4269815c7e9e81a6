#include "zip/crypto/ppmd.h"

#include "zip/crypto/ppmmodel.h"

#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kTop = 1u << 24;
constexpr uint32_t kBot = 1u << 15;

// Carry-less range decoder. Bytes past the end of the input read as all one
// bits; Overrun tells that this happened.
class TRangeDecoder {
public:
    TRangeDecoder(const uint8_t* In, uint32_t Len) : FIn(In), FLen(Len)
    {
        for (int i = 0; i < 4; ++i)
            FCode = (FCode << 8) | NextByte();
    }

    uint32_t Count(uint32_t Scale)
    {
        if (Scale == 0 || FRange / Scale == 0)
            throw EPpmError("range exhausted");
        FRange /= Scale;
        return (FCode - FLow) / FRange;
    }

    void Take(uint32_t Lo, uint32_t Hi, uint32_t Scale)
    {
        if (Lo >= Hi || Hi > Scale)
            throw EPpmError("empty code range");
        FLow += FRange * Lo;
        FRange *= Hi - Lo;
        for (;;) {
            if ((FLow ^ (FLow + FRange)) >= kTop) {
                if (FRange >= kBot)
                    break;
                FRange = (0u - FLow) & (kBot - 1);
            }
            FCode = (FCode << 8) | NextByte();
            FRange <<= 8;
            FLow <<= 8;
        }
    }

    bool Overrun() const { return FOverrun; }

private:
    uint32_t NextByte()
    {
        if (FPos < FLen)
            return FIn[FPos++];
        FOverrun = true;
        return 0xFF;
    }

    const uint8_t* FIn;
    uint32_t FLen;
    uint32_t FPos = 0;
    bool FOverrun = false;
    uint32_t FLow = 0, FCode = 0, FRange = 0xFFFFFFFFu;
};

TPpmModel& Model()
{
    static TPpmModel model;
    return model;
}

// One symbol; false at the end marker.
bool DecodeSymbol(TPpmModel& M, TRangeDecoder& D)
{
    if (M.InBinaryContext()) {
        uint16_t& p = M.BinProbability();
        if (D.Count(TPpmModel::BinScale) < p) {
            D.Take(0, p, TPpmModel::BinScale);
            M.BinFound(p);
        } else {
            D.Take(p, TPpmModel::BinScale, TPpmModel::BinScale);
            M.BinEscape(p);
        }
    } else {
        const uint32_t scale = M.SummFreq();
        const TPpmState* s = M.Stats();
        const int n = M.StateCount();
        const uint32_t count = D.Count(scale);
        uint32_t hi = 0;
        int found = -1;
        for (int i = 0; i < n; ++i) {
            hi += s[i].Freq;
            if (hi > count) {
                found = i;
                break;
            }
        }
        if (found >= 0) {
            D.Take(hi - s[found].Freq, hi, scale);
            M.Found1(found, scale);
        } else {
            D.Take(hi, scale, scale);
            M.Escape1();
        }
    }
    TPpmModel::TMasked masked;
    while (!M.Found()) {
        if (!M.EscapeToSuffix())
            return false;
        M.PrepareMasked(masked);
        const uint32_t scale = masked.Total + masked.EscFreq;
        const uint32_t count = D.Count(scale);
        if (count < masked.Total) {
            int i = 0;
            uint32_t hi = masked.List[0]->Freq;
            while (hi <= count && i + 1 < masked.Count)
                hi += masked.List[++i]->Freq;
            D.Take(hi - masked.List[i]->Freq, hi, scale);
            M.Found2(masked, i);
        } else {
            D.Take(masked.Total, scale, scale);
            M.Escape2(masked);
        }
    }
    return true;
}

// Carry-less range encoder, the decoder's mirror.
class TRangeEncoder {
public:
    void Encode(uint32_t Lo, uint32_t Hi, uint32_t Scale)
    {
        FRange /= Scale;
        FLow += FRange * Lo;
        FRange *= Hi - Lo;
        while ((FLow ^ (FLow + FRange)) < kTop || (FRange < kBot && ((FRange = (0u - FLow) & (kBot - 1)), true))) {
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

// Codes Symbol (-1: the end marker) in the current context; false when the
// symbol could not be coded.
bool EncodeSymbol(TPpmModel& M, TRangeEncoder& E, int Symbol)
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

int LastRestarts = 0;

} // namespace


uint32_t PpmDecodeBuffer(const uint8_t* Input, uint32_t InputLen, uint8_t* Output, uint32_t Capacity)
{
    if (!Input || InputLen < 4 || (!Output && Capacity > 0))
        return 0;
    const uint32_t header = uint32_t(Input[0]) | uint32_t(Input[1]) << 8 | uint32_t(Input[2]) << 16 |
                            uint32_t(Input[3]) << 24;
    const int order = int(header & 15) + 1;
    const uint32_t memoryMiB = ((header >> 4) & 0xFF) + 1;
    if ((header >> 12) != PpmVariantG)
        return 0;
    TPpmModel& model = Model();
    if (!model.UseHeap(memoryMiB))
        return 0;
    try {
        TRangeDecoder decoder(Input + 4, InputLen - 4);
        if (!model.Start(order))
            return 0;
        uint32_t count = 0;
        for (;;) {
            if (!DecodeSymbol(model, decoder)) {
                model.ReleaseHeap();
                return decoder.Overrun() ? 0 : count;
            }
            // More data than the block header announced: refuse rather than
            // write past the buffer.
            if (count >= Capacity || decoder.Overrun())
                return 0;
            Output[count++] = model.FoundSymbol();
            model.AfterSymbol();
        }
    } catch (const EPpmError&) {
        return 0;
    }
}

uint32_t PpmEncodeBuffer(const uint8_t* Input, uint32_t InputLen, uint8_t* Output, uint32_t OutputCapacity,
                         uint32_t MemoryMiB, uint32_t Order)
{
    LastRestarts = 0;
    if ((!Input && InputLen > 0) || !Output || MemoryMiB < 1 || MemoryMiB > 256 || Order < 1 || Order > 16)
        return 0;
    TPpmModel& model = Model();
    if (!model.UseHeap(MemoryMiB) || !model.Start(int(Order)))
        return 0;
    TRangeEncoder enc;
    const uint32_t header = PpmHeaderWord(MemoryMiB, Order);
    for (int i = 0; i < 4; ++i)
        enc.Out.push_back(uint8_t(header >> (8 * i)));
    try {
        for (uint32_t i = 0; i < InputLen; ++i) {
            if (!EncodeSymbol(model, enc, Input[i]))
                return 0;
            model.AfterSymbol();
        }
        if (!EncodeSymbol(model, enc, -1))
            return 0;
    } catch (const EPpmError&) {
        return 0;
    }
    enc.Flush();
    LastRestarts = model.RestartCount();
    model.ReleaseHeap();
    if (enc.Out.size() > OutputCapacity)
        return 0;
    std::memcpy(Output, enc.Out.data(), enc.Out.size());
    return uint32_t(enc.Out.size());
}

int PpmLastRestartCount() { return LastRestarts; }
