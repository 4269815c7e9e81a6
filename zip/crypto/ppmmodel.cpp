#include "zip/crypto/ppmmodel.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr int MaxFreq = 124;
constexpr int IntBits = 7;
constexpr int PeriodBits = 7;
constexpr int Interval = 1 << IntBits;

// Initial escape estimates of the binary contexts, by the suffix's size.
const uint16_t kInitBinEsc[16] = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3, 0x5FFB, 0x5545, 0x63D1, 0x5D9D,
                                  0x64A1, 0x5ABC, 0x6632, 0x6051, 0x68F6, 0x549B, 0x6BCA, 0x3AB0};
// Escape frequency of a new context, by the last binary probability.
const uint8_t kExpEscape[16] = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};

inline uint16_t BinMean(uint16_t v)
{
    return uint16_t((v + (1u << (PeriodBits - 2))) >> PeriodBits);
}

inline void Fail(const char* what)
{
    throw EPpmError(what);
}

} // namespace

TPpmModel::TPpmModel() = default;

TPpmModel::~TPpmModel()
{
    ReleaseHeap();
}

bool TPpmModel::UseHeap(uint32_t MemoryMiB)
{
    if (FBuffer && FHeapMiB == MemoryMiB)
        return true;
    ReleaseHeap();
    if (MemoryMiB == 0 || MemoryMiB > 4095)
        return false;
    const uint32_t size = MemoryMiB << 20;
    // One unit in front, so that offset 0 can stand for "none".
    FBuffer = new (std::nothrow) uint8_t[size_t(size) + UnitSize];
    if (!FBuffer)
        return false;
    FBase = FBuffer;
    FHeapStart = UnitSize;
    FHeapSize = size;
    FHeapMiB = MemoryMiB;
    return true;
}

void TPpmModel::ReleaseHeap()
{
    delete[] FBuffer;
    FBuffer = FBase = nullptr;
    FHeapMiB = FHeapSize = 0;
    FMinContext = FMedContext = FMaxContext = nullptr;
    FFoundState = nullptr;
}

// ---------------------------------------------------------------------------
// Sub-allocator: units of 12 bytes in 38 size classes (1-4, 6-12 by 2,
// 15-24 by 3, 28-128 by 4). Contexts come from the top of the heap, state
// arrays from the bottom; the first 128 x 128 units are held back and handed
// out only when the heap runs dry for the first time.

void TPpmModel::InitAllocator()
{
    std::memset(FFreeList, 0, sizeof FFreeList);
    FLowUnit = FHeapStart;
    FHighUnit = FHeapStart + UnitSize * (FHeapSize / UnitSize);
    FLastBreath = FLowUnit;
    FLowUnit += 128 * 128 * UnitSize;
    int k = 0;
    for (int i = 0; i < 4; ++i)
        FIndex2Units[k++] = uint8_t(1 + i);
    for (int i = 0; i < 4; ++i)
        FIndex2Units[k++] = uint8_t(6 + 2 * i);
    for (int i = 0; i < 4; ++i)
        FIndex2Units[k++] = uint8_t(15 + 3 * i);
    for (int i = 0; i < 26; ++i)
        FIndex2Units[k++] = uint8_t(28 + 4 * i);
    int index = 0;
    for (int units = 0; units < 128; ++units) {
        if (FIndex2Units[index] < units + 1)
            ++index;
        FUnits2Index[units] = uint8_t(index);
    }
}

void TPpmModel::InsertNode(uint32_t P, int Index)
{
    std::memcpy(Ptr(P), &FFreeList[Index], 4);
    FFreeList[Index] = P;
}

uint32_t TPpmModel::RemoveNode(int Index)
{
    const uint32_t p = FFreeList[Index];
    std::memcpy(&FFreeList[Index], Ptr(p), 4);
    return p;
}

void TPpmModel::SplitBlock(uint32_t P, int OldIndex, int NewIndex)
{
    uint32_t p = P + I2B(NewIndex);
    int diff = FIndex2Units[OldIndex] - FIndex2Units[NewIndex];
    const int i = FUnits2Index[diff - 1];
    if (FIndex2Units[i] != diff) {
        InsertNode(p, i - 1);
        p += I2B(i - 1);
        diff -= FIndex2Units[i - 1];
    }
    InsertNode(p, FUnits2Index[diff - 1]);
}

uint32_t TPpmModel::AllocContext()
{
    if (FHighUnit != FLowUnit) {
        FHighUnit -= UnitSize;
        return FHighUnit;
    }
    return AllocUnits(1);
}

uint32_t TPpmModel::AllocUnits(int Num)
{
    const int index = FUnits2Index[Num - 1];
    if (FFreeList[index])
        return RemoveNode(index);
    const uint32_t units = FLowUnit;
    FLowUnit += I2B(index);
    if (FLowUnit <= FHighUnit)
        return units;
    if (FLastBreath) {
        uint32_t p = FLastBreath;
        for (int i = 0; i < 128; ++i) {
            InsertNode(p, IndexCount - 1);
            p += 128 * UnitSize;
        }
        FLastBreath = 0;
    }
    FLowUnit -= I2B(index);
    for (int i = index + 1; i < IndexCount; ++i)
        if (FFreeList[i]) {
            const uint32_t u = RemoveNode(i);
            SplitBlock(u, i, index);
            return u;
        }
    return 0;
}

uint32_t TPpmModel::ExpandUnits(uint32_t Old, int OldNum)
{
    const int oldIndex = FUnits2Index[OldNum - 1];
    const int newIndex = FUnits2Index[OldNum];
    if (oldIndex == newIndex)
        return Old;
    const uint32_t p = AllocUnits(OldNum + 1);
    if (p) {
        std::memcpy(Ptr(p), Ptr(Old), I2B(oldIndex));
        InsertNode(Old, oldIndex);
    }
    return p;
}

uint32_t TPpmModel::ShrinkUnits(uint32_t Old, int OldNum, int NewNum)
{
    const int oldIndex = FUnits2Index[OldNum - 1];
    const int newIndex = FUnits2Index[NewNum - 1];
    if (oldIndex == newIndex)
        return Old;
    if (FFreeList[newIndex]) {
        const uint32_t p = RemoveNode(newIndex);
        std::memcpy(Ptr(p), Ptr(Old), I2B(newIndex));
        InsertNode(Old, oldIndex);
        return p;
    }
    SplitBlock(Old, oldIndex, newIndex);
    return Old;
}

void TPpmModel::FreeUnits(uint32_t P, int Num)
{
    InsertNode(P, FUnits2Index[Num - 1]);
}

// ---------------------------------------------------------------------------
// Model start and restart

TPpmContext* TPpmModel::NewContext()
{
    const uint32_t off = AllocContext();
    if (!off)
        return nullptr;
    TPpmContext* c = Ctx(off);
    std::memset(c, 0, sizeof *c);
    return c;
}

TPpmContext* TPpmModel::NewChild(TPpmContext* Suffix, TPpmState* SuffixState, const TPpmState* First)
{
    TPpmContext* c = NewContext();
    if (c) {
        c->Suffix = Off(Suffix);
        SuffixState->Successor = Off(c);
        if (First)
            std::memcpy(OneState(c), First, sizeof(TPpmState));
    }
    return c;
}

bool TPpmModel::Start(int MaxOrder)
{
    if (!FBuffer || MaxOrder < 1 || MaxOrder > MaxOrderLimit)
        return false;
    FMaxOrder = MaxOrder;
    FEscCount = 1;
    FInitEsc = 0;
    FLastMaskIndex = 0;
    FFoundState = nullptr;
    FRestartCount = 0;
    for (int i = 0; i < 256; ++i)
        FNS2BSIndx[i] = uint8_t(i < 6 ? 2 * i : i < 50 ? 12 : 14);
    for (int i = 0; i < 256; ++i)
        FNS2Indx[i] = uint8_t(i < 4 ? i : i < 12 ? 4 + ((i - 4) >> 1) : i < 44 ? 8 + ((i - 12) >> 2) : 16 + ((i - 44) >> 3));
    FDummySee2 = TPpmSee2{0, PeriodBits, 0};
    return RestartModel();
}

bool TPpmModel::RestartModel()
{
    InitAllocator();
    std::memset(FCharMask, 0, sizeof FCharMask);
    FPrevSuccess = 0;
    FOrderFall = 1;

    FMaxContext = NewContext();
    if (!FMaxContext)
        return false;
    FMaxContext->LastStateIndex = 255;
    FMaxContext->SummFreq = 257;
    FMaxContext->States = AllocUnits(256 / 2);
    if (!FMaxContext->States)
        return false;
    TPpmState* states = StatesOf(FMaxContext);
    for (int i = 0; i < 256; ++i)
        states[i] = TPpmState{uint8_t(i), 1, 0};

    // The model starts as if MaxOrder - 1 zero bytes had been seen.
    TPpmState* state = states;
    for (int i = 1;; ++i) {
        FMaxContext = NewChild(FMaxContext, state, nullptr);
        if (!FMaxContext)
            return false;
        if (i == FMaxOrder)
            break;
        state = OneState(FMaxContext);
        state->Symbol = 0;
        state->Freq = 1;
    }
    FMaxContext->Flags = 1;
    FMedContext = FMinContext = Ctx(FMaxContext->Suffix);

    for (int i = 0; i < 128; ++i)
        for (int k = 0; k < 16; ++k)
            FBinSumm[i][k] = uint16_t(BinScale - kInitBinEsc[k] / (i + 2));
    for (int i = 0; i < 43; ++i)
        for (int k = 0; k < 8; ++k)
            FSee2[i][k] = TPpmSee2{uint16_t((4 * i + 10) << (PeriodBits - 4)), PeriodBits - 4, 3};
    return true;
}

void TPpmModel::ClearMask()
{
    FEscCount = 1;
    std::memset(FCharMask, 0, sizeof FCharMask);
}

// ---------------------------------------------------------------------------
// Coding steps

bool TPpmModel::InBinaryContext() const
{
    return NumberOfStates(FMinContext) == 1;
}

TPpmState* TPpmModel::BinState()
{
    return OneState(FMinContext);
}

uint16_t& TPpmModel::BinProbability()
{
    const TPpmState* rs = OneState(FMinContext);
    const TPpmContext* suffix = Ctx(FMinContext->Suffix);
    const int row = std::clamp<int>(rs->Freq, 1, 128) - 1;
    return FBinSumm[row][FPrevSuccess + FNS2BSIndx[suffix ? suffix->LastStateIndex : 0]];
}

void TPpmModel::BinFound(uint16_t& Probability)
{
    TPpmState* rs = OneState(FMinContext);
    FPrevSuccess = 1;
    FFoundState = rs;
    if (rs->Freq < 128)
        ++rs->Freq;
    Probability = uint16_t(Probability + Interval - BinMean(Probability));
}

void TPpmModel::BinEscape(uint16_t& Probability)
{
    TPpmState* rs = OneState(FMinContext);
    FPrevSuccess = 0;
    FFoundState = nullptr;
    FLastMaskIndex = 0;
    FCharMask[rs->Symbol] = FEscCount;
    Probability = uint16_t(Probability - BinMean(Probability));
    FInitEsc = kExpEscape[Probability >> 10];
}

TPpmState* TPpmModel::Stats()
{
    return StatesOf(FMinContext);
}

int TPpmModel::StateCount() const
{
    return FMinContext->LastStateIndex + 1;
}

uint32_t TPpmModel::SummFreq() const
{
    return FMinContext->SummFreq;
}

void TPpmModel::Found1(int Index, uint32_t Scale)
{
    TPpmState* states = StatesOf(FMinContext);
    if (Index == 0) {
        const int first = states[0].Freq;
        FPrevSuccess = 2u * uint32_t(first) > Scale ? 1 : 0;
        FFoundState = &states[0];
        states[0].Freq = uint8_t(first + 4);
        FMinContext->SummFreq = uint16_t(FMinContext->SummFreq + 4);
        if (first + 4 > MaxFreq)
            Rescale();
        return;
    }
    FPrevSuccess = 0;
    Update1(&states[Index]);
}

void TPpmModel::Update1(TPpmState* S)
{
    S->Freq = uint8_t(S->Freq + 4);
    FMinContext->SummFreq = uint16_t(FMinContext->SummFreq + 4);
    if (S[0].Freq > S[-1].Freq) {
        std::swap(S[0], S[-1]);
        FFoundState = &S[-1];
        if (S[-1].Freq > MaxFreq)
            Rescale();
    } else {
        FFoundState = S;
    }
}

void TPpmModel::Escape1()
{
    FPrevSuccess = 0;
    FLastMaskIndex = FMinContext->LastStateIndex;
    FFoundState = nullptr;
    const TPpmState* states = StatesOf(FMinContext);
    for (int i = 0; i <= FMinContext->LastStateIndex; ++i)
        FCharMask[states[i].Symbol] = FEscCount;
}

bool TPpmModel::EscapeToSuffix()
{
    do {
        ++FOrderFall;
        FMinContext = Ctx(FMinContext->Suffix);
        if (!FMinContext)
            return false;
    } while (FMinContext->LastStateIndex == FLastMaskIndex);
    return true;
}

void TPpmModel::PrepareMasked(TMasked& M)
{
    TPpmContext* c = FMinContext;
    const int diff = c->LastStateIndex - FLastMaskIndex;
    if (diff <= 0)
        Fail("no unmasked symbol");
    if (c->LastStateIndex != 255) {
        const TPpmContext* suffix = Ctx(c->Suffix);
        if (!suffix)
            Fail("context without suffix");
        M.See = &FSee2[FNS2Indx[diff - 1]][(diff < suffix->LastStateIndex - c->LastStateIndex ? 1 : 0) +
                                           (c->SummFreq < 11 * NumberOfStates(c) ? 2 : 0) +
                                           (FLastMaskIndex + 1 > diff ? 4 : 0)];
        uint32_t mean = uint32_t(M.See->Summ >> M.See->Shift);
        M.See->Summ = uint16_t(M.See->Summ - mean);
        mean &= 0x3FF;
        M.EscFreq = mean ? mean : 1;
    } else {
        M.See = &FDummySee2;
        M.EscFreq = 1;
    }
    M.Count = diff;
    M.Total = 0;
    TPpmState* s = StatesOf(c);
    TPpmState* end = s + c->LastStateIndex + 1;
    for (int i = 0; i < diff; ++i) {
        while (s < end && FCharMask[s->Symbol] == FEscCount)
            ++s;
        if (s >= end)
            Fail("masked states miscounted");
        M.Total += s->Freq;
        M.List[i] = s++;
    }
}

void TPpmModel::Found2(TMasked& M, int Index)
{
    TPpmSee2* see = M.See;
    if (see->Shift < PeriodBits && --see->Count == 0) {
        see->Summ = uint16_t(see->Summ * 2);
        see->Count = uint8_t(3 << see->Shift);
        ++see->Shift;
    }
    TPpmState* s = M.List[Index];
    FFoundState = s;
    s->Freq = uint8_t(s->Freq + 4);
    FMinContext->SummFreq = uint16_t(FMinContext->SummFreq + 4);
    if (s->Freq > MaxFreq)
        Rescale();
    ++FEscCount;
}

void TPpmModel::Escape2(TMasked& M)
{
    FLastMaskIndex = FMinContext->LastStateIndex;
    M.See->Summ = uint16_t(M.See->Summ + M.EscFreq + M.Total);
    for (int i = 0; i < M.Count; ++i)
        FCharMask[M.List[i]->Symbol] = FEscCount;
    FFoundState = nullptr;
}

void TPpmModel::Rescale()
{
    TPpmContext* c = FMinContext;
    TPpmState* states = StatesOf(c);
    const int n = c->LastStateIndex + 1;
    FFoundState->Freq = uint8_t(FFoundState->Freq + 4);
    int escFreq = c->SummFreq + 4;
    const int adder = FOrderFall == 0 ? 0 : 1;
    int summ = 0;
    for (int i = 0; i < n; ++i) {
        escFreq -= states[i].Freq;
        states[i].Freq = uint8_t((states[i].Freq + adder) >> 1);
        summ += states[i].Freq;
        if (i > 0 && states[i].Freq > states[i - 1].Freq) {
            const TPpmState tmp = states[i];
            int j = i - 1;
            while (j > 0 && tmp.Freq > states[j - 1].Freq)
                --j;
            std::memmove(&states[j + 1], &states[j], sizeof(TPpmState) * size_t(i - j));
            states[j] = tmp;
        }
    }
    c->SummFreq = uint16_t(summ);
    if (states[n - 1].Freq == 0) {
        int zeros = 1;
        while (zeros < n && states[n - 1 - zeros].Freq == 0)
            ++zeros;
        escFreq += zeros;
        c->LastStateIndex = uint8_t(c->LastStateIndex - zeros);
        if (c->LastStateIndex == 0) {
            TPpmState tmp = states[0];
            do {
                tmp.Freq = uint8_t((tmp.Freq + 1) >> 1);
                escFreq >>= 1;
            } while (escFreq > 1);
            FreeUnits(c->States, (n + 1) >> 1);
            FFoundState = OneState(c);
            std::memcpy(FFoundState, &tmp, sizeof tmp);
            return;
        }
        const int n0 = (n + 1) >> 1, n1 = (c->LastStateIndex + 2) >> 1;
        if (n0 != n1)
            c->States = ShrinkUnits(c->States, n0, n1);
    }
    c->SummFreq = uint16_t(c->SummFreq + ((escFreq + 1) >> 1));
    FFoundState = StatesOf(c);
}

// ---------------------------------------------------------------------------
// Model update

void TPpmModel::AfterSymbol()
{
    const TPpmContext* next = Ctx(FFoundState->Successor);
    if (FOrderFall == 0 && next && next->Flags == 0) {
        FMinContext = FMedContext = Ctx(FFoundState->Successor);
        return;
    }
    UpdateModel();
    if (FEscCount == 0)
        ClearMask();
}

void TPpmModel::UpdateModel()
{
    TPpmState fs;
    std::memcpy(&fs, FFoundState, sizeof fs);
    TPpmState* state = nullptr;

    // The symbol gains weight in the suffix context too.
    if (fs.Freq < MaxFreq / 4 && FMinContext->Suffix) {
        TPpmContext* c = Ctx(FMinContext->Suffix);
        if (NumberOfStates(c) != 1) {
            state = StatesOf(c);
            if (state->Symbol != fs.Symbol) {
                const TPpmState* last = state + c->LastStateIndex;
                do {
                    ++state;
                    if (state > last)
                        Fail("symbol missing from suffix");
                } while (state->Symbol != fs.Symbol);
                if (state[0].Freq >= state[-1].Freq) {
                    std::swap(state[0], state[-1]);
                    --state;
                }
            }
            if (state->Freq < 7 * MaxFreq / 8) {
                state->Freq = uint8_t(state->Freq + 2);
                c->SummFreq = uint16_t(c->SummFreq + 2);
            }
        } else {
            state = OneState(c);
            if (state->Freq < 32)
                ++state->Freq;
        }
    }

    TPpmContext* successor;
    int skipCount = 0;
    if (FOrderFall == 0) {
        if (!MakeRoot(2, nullptr))
            goto restart;
        FMinContext = FMedContext = Ctx(fs.Successor);
        return;
    } else if (--FOrderFall == 0 && fs.Successor) {
        successor = Ctx(fs.Successor);
        skipCount = 1;
    } else {
        // Also when the top order is reached through a state that has no
        // successor yet (only possible at order 1, from the root): the
        // context to come is announced like any other.

        successor = NewContext();
        if (!successor)
            goto restart;
        successor->Flags = 1;
    }

    if (FMaxContext->Flags == 1) {
        TPpmState* one = OneState(FMaxContext);
        one->Symbol = fs.Symbol;
        one->Successor = successor ? Off(successor) : 0;
    }

    {
        const int minNum = NumberOfStates(FMinContext);
        const int s0 = FMinContext->SummFreq - minNum - (fs.Freq - 1);
        for (TPpmContext* c = FMedContext; c != FMinContext; c = Ctx(c->Suffix)) {
            if (!c)
                Fail("context chain broken");
            const int num = NumberOfStates(c);
            if (num == 0)
                Fail("unbuilt context in chain");
            if (num != 1) {
                if ((num & 1) == 0) {
                    const uint32_t p = ExpandUnits(c->States, num >> 1);
                    if (!p)
                        goto restart;
                    c->States = p;
                }
                if (4 * num <= minNum && c->SummFreq <= 8 * num)
                    c->SummFreq = uint16_t(c->SummFreq + 2);
                if (2 * num < minNum)
                    c->SummFreq = uint16_t(c->SummFreq + 1);
            } else {
                const uint32_t p = AllocUnits(1);
                if (!p)
                    goto restart;
                TPpmState* s = reinterpret_cast<TPpmState*>(Ptr(p));
                std::memcpy(s, OneState(c), sizeof *s);
                c->States = p;
                if (s->Freq < MaxFreq / 4 - 1)
                    s->Freq = uint8_t(s->Freq * 2);
                else
                    s->Freq = MaxFreq - 4;
                c->SummFreq = uint16_t(s->Freq + FInitEsc + (minNum > 3 ? 1 : 0));
            }
            const unsigned cf = 2u * fs.Freq * (c->SummFreq + 6u);
            const unsigned sf = unsigned(s0) + c->SummFreq;
            unsigned freq;
            if (cf < 6 * sf) {
                freq = cf >= 4 * sf ? 3 : cf > sf ? 2 : 1;
                c->SummFreq = uint16_t(c->SummFreq + 3);
            } else {
                freq = cf >= 15 * sf ? 7 : cf >= 12 * sf ? 6 : cf >= 9 * sf ? 5 : 4;
                c->SummFreq = uint16_t(c->SummFreq + freq);
            }
            TPpmState* added = StatesOf(c) + num;
            added->Successor = successor ? Off(successor) : 0;
            added->Symbol = fs.Symbol;
            added->Freq = uint8_t(freq);
            c->LastStateIndex = uint8_t(num);
        }
    }

    if (fs.Successor) {
        if (Ctx(fs.Successor)->Flags == 1 && !MakeRoot(skipCount, state))
            goto restart;
        FMinContext = Ctx(FFoundState->Successor);
        if (!FMinContext)
            Fail("successor missing");
    } else {
        FFoundState->Successor = successor ? Off(successor) : 0;
        ++FOrderFall;
    }
    FMedContext = FMinContext;
    if (!successor)
        Fail("no successor context");
    FMaxContext = successor;
    return;

restart:
    // Out of memory: the model starts afresh, exactly where the encoder did.
    if (!RestartModel())
        Fail("model memory too small");
    FEscCount = 0;
    ++FRestartCount;
}

bool TPpmModel::MakeRoot(int SkipCount, TPpmState* State)
{
    TPpmContext* context = FMinContext;
    TPpmContext* upBranch = Ctx(FFoundState->Successor);
    if (!upBranch)
        Fail("no branch to build");
    TPpmState* list[MaxOrderLimit + 2];
    int n = 0;
    auto push = [&](TPpmState* s) {
        if (n >= MaxOrderLimit + 2)
            Fail("context chain too long");
        list[n++] = s;
    };
    auto findSymbol = [&](TPpmContext* c, uint8_t symbol) {
        TPpmState* s = StatesOf(c);
        TPpmState* last = s + c->LastStateIndex;
        while (s->Symbol != symbol) {
            if (++s > last)
                Fail("symbol missing from context");
        }
        return s;
    };

    if (SkipCount == 0) {
        push(FFoundState);
        if (!context->Suffix)
            goto skip;
    } else if (SkipCount == 2) {
        context = Ctx(context->Suffix);
        if (!context)
            Fail("no suffix");
    }
    if (State) {
        context = Ctx(context->Suffix);
        if (!context)
            Fail("no suffix");
        if (Ctx(State->Successor) != upBranch) {
            context = Ctx(State->Successor);
            goto skip;
        }
        push(State);
        if (!context->Suffix)
            goto skip;
    }
    // Checked before each step, so that an order-1 model, whose contexts
    // sit right above the root, stops at the root instead of below it.
    while (context->Suffix) {
        context = Ctx(context->Suffix);
        State = NumberOfStates(context) != 1 ? findSymbol(context, FFoundState->Symbol) : OneState(context);
        if (Ctx(State->Successor) != upBranch) {
            context = Ctx(State->Successor);
            break;
        }
        push(State);
    }

skip:
    if (!context)
        Fail("no context to grow from");
    {
        TPpmState* upState = OneState(upBranch);
        if (NumberOfStates(context) != 1) {
            const TPpmState* s = findSymbol(context, upState->Symbol);
            const int cf = s->Freq - 1;
            const int s0 = context->SummFreq - context->LastStateIndex - 1 - cf;
            if (2 * cf <= s0) {
                upState->Freq = 5 * cf > s0 ? 2 : 1;
            } else {
                if (s0 <= 0)
                    Fail("inconsistent frequencies");
                upState->Freq = uint8_t(1 + (2 * cf + 3 * s0 - 1) / (2 * s0));
            }
        } else {
            upState->Freq = OneState(context)->Freq;
        }
        for (int i = n - 1; i >= 0; --i) {
            context = NewChild(context, list[i], upState);
            if (!context)
                return false;
        }
    }
    if (FOrderFall == 0) {
        upBranch->LastStateIndex = 0;
        upBranch->Flags = 0;
        upBranch->Suffix = Off(context);
    }
    return true;
}
