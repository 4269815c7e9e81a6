#pragma once
// The PPM context model of the engine's third block compressor: PPMd
// variant G (prediction by partial matching with information inheritance,
// binary contexts, secondary escape estimation) and its sub-allocator of
// 12-byte units in 38 size classes. Contexts and states refer to each
// other by 32-bit offsets into one heap, as on the 32-bit machines the
// format comes from, so the model runs out of memory - and restarts - at
// exactly the same symbol on every build.
//
// The model knows nothing of the range coder: a coder asks it for the
// frequencies of the current context and reports which symbol (or the
// escape) was coded; PpmDecodeBuffer drives it for decoding.

#include <cstdint>
#include <stdexcept>

#pragma pack(push, 1)
struct TPpmState {
    uint8_t Symbol;
    uint8_t Freq;
    uint32_t Successor;  // context offset, 0 for none
};

struct TPpmContext {
    uint8_t LastStateIndex;  // number of states - 1
    uint8_t Flags;           // 1: a context announced but not yet built
    uint16_t SummFreq;       // overlaid by the single state of a binary context
    uint32_t States;         // offset of the state array
    uint32_t Suffix;         // offset of the context one order lower
};
#pragma pack(pop)

static_assert(sizeof(TPpmState) == 6 && sizeof(TPpmContext) == 12, "the model's records are 6 and 12 bytes");

// Secondary escape estimation context.
struct TPpmSee2 {
    uint16_t Summ;
    uint8_t Shift;
    uint8_t Count;
};

// Raised when coded data or the model are inconsistent.
class EPpmError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TPpmModel {
public:
    static constexpr int MaxOrderLimit = 64;
    static constexpr uint32_t UnitSize = 12;
    static constexpr int IndexCount = 38;
    static constexpr int TotBits = 14;
    static constexpr uint32_t BinScale = 1u << TotBits;

    TPpmModel();
    ~TPpmModel();
    TPpmModel(const TPpmModel&) = delete;
    TPpmModel& operator=(const TPpmModel&) = delete;

    // Takes a heap of MemoryMiB MiB (keeping one of that size); false when
    // the memory cannot be had.
    bool UseHeap(uint32_t MemoryMiB);
    void ReleaseHeap();
    uint32_t HeapMiB() const { return FHeapMiB; }

    // Starts the model for MaxOrder (1..64) on the held heap.
    bool Start(int MaxOrder);

    // --- the current context
    bool InBinaryContext() const;
    // Binary context: its state and the probability (of the state, out of
    // BinScale) that the coder uses and the update adjusts.
    TPpmState* BinState();
    uint16_t& BinProbability();
    void BinFound(uint16_t& Probability);
    void BinEscape(uint16_t& Probability);

    // Multi-symbol context, nothing masked: states in order, total SummFreq.
    TPpmState* Stats();
    int StateCount() const;
    uint32_t SummFreq() const;
    void Found1(int Index, uint32_t Scale);
    void Escape1();

    // After an escape: down to the next suffix that has unmasked symbols;
    // false when the order -1 context is left (the end of the data).
    bool EscapeToSuffix();

    // Masked context: the unmasked states, their total and the escape
    // frequency from the estimation context.
    struct TMasked {
        TPpmSee2* See;
        uint32_t EscFreq;
        uint32_t Total;
        int Count;
        TPpmState* List[256];
    };
    void PrepareMasked(TMasked& M);
    void Found2(TMasked& M, int Index);
    void Escape2(TMasked& M);

    bool Found() const { return FFoundState != nullptr; }
    uint8_t FoundSymbol() const { return FFoundState->Symbol; }
    // Model update after a coded symbol.
    void AfterSymbol();

    int RestartCount() const { return FRestartCount; }

private:
    // Sub-allocator
    uint8_t* Ptr(uint32_t Offset) const { return FBase + Offset; }
    uint32_t Off(const void* P) const { return uint32_t(static_cast<const uint8_t*>(P) - FBase); }
    TPpmContext* Ctx(uint32_t Offset) const { return Offset ? reinterpret_cast<TPpmContext*>(FBase + Offset) : nullptr; }
    TPpmState* StatesOf(const TPpmContext* C) const { return reinterpret_cast<TPpmState*>(FBase + C->States); }
    static TPpmState* OneState(TPpmContext* C)
    {
        return reinterpret_cast<TPpmState*>(reinterpret_cast<uint8_t*>(C) + 2);
    }
    static int NumberOfStates(const TPpmContext* C) { return C->Flags ? 0 : C->LastStateIndex + 1; }
    uint32_t I2B(int Index) const { return UnitSize * FIndex2Units[Index]; }
    void InitAllocator();
    void InsertNode(uint32_t P, int Index);
    uint32_t RemoveNode(int Index);
    void SplitBlock(uint32_t P, int OldIndex, int NewIndex);
    uint32_t AllocContext();
    uint32_t AllocUnits(int Num);
    uint32_t ExpandUnits(uint32_t Old, int OldNum);
    uint32_t ShrinkUnits(uint32_t Old, int OldNum, int NewNum);
    void FreeUnits(uint32_t P, int Num);

    // Model
    TPpmContext* NewContext();
    TPpmContext* NewChild(TPpmContext* Suffix, TPpmState* SuffixState, const TPpmState* First);
    bool RestartModel();
    void UpdateModel();
    bool MakeRoot(int SkipCount, TPpmState* State);
    void Rescale();
    void ClearMask();
    void Update1(TPpmState* S);

    uint8_t* FBuffer = nullptr;
    uint8_t* FBase = nullptr;
    uint32_t FHeapMiB = 0;
    uint32_t FHeapSize = 0;
    uint32_t FFreeList[IndexCount] = {};
    uint32_t FLowUnit = 0, FHighUnit = 0, FLastBreath = 0, FHeapStart = 0;
    uint8_t FIndex2Units[IndexCount] = {};
    uint8_t FUnits2Index[128] = {};

    TPpmContext* FMinContext = nullptr;
    TPpmContext* FMedContext = nullptr;
    TPpmContext* FMaxContext = nullptr;
    TPpmState* FFoundState = nullptr;
    int FMaxOrder = 0;
    int FOrderFall = 0;
    int FInitEsc = 0;
    uint8_t FCharMask[256] = {};
    uint8_t FLastMaskIndex = 0, FEscCount = 0, FPrevSuccess = 0;
    uint8_t FNS2Indx[256] = {}, FNS2BSIndx[256] = {};
    TPpmSee2 FSee2[43][8] = {};
    TPpmSee2 FDummySee2 = {};
    uint16_t FBinSumm[128][16] = {};
    int FRestartCount = 0;
};
