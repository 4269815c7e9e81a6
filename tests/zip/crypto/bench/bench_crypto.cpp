// Throughput of the archive engine's block ciphers and PPM decoder, in bytes
// per second (Google Benchmark prints MB/s from SetBytesProcessed).

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <vector>

#include "../ppm_encoder.h"
#include "../testutil.h"
#include "zip/crypto/blowfish.h"
#include "zip/crypto/des.h"
#include "zip/crypto/hash.h"
#include "zip/crypto/ppmd.h"
#include "zip/crypto/rijndael.h"
#include "zip/crypto/square.h"
#include "zip/crypto/twofish.h"

namespace {

constexpr size_t kBufferSize = 1 << 16;

void CipherDecode(benchmark::State& state, const std::function<TCipher*()>& make)
{
    std::unique_ptr<TCipher> cipher(make());
    cipher->InitKey("benchmark password", nullptr);
    std::vector<uint8_t> buf = cryptotest::PseudoRandom(kBufferSize, 1);
    for (auto _ : state) {
        cipher->DecipherBuffer(buf.data(), buf.data(), int32_t(buf.size()));
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(buf.size()));
}

void CipherEncode(benchmark::State& state, const std::function<TCipher*()>& make)
{
    std::unique_ptr<TCipher> cipher(make());
    cipher->InitKey("benchmark password", nullptr);
    std::vector<uint8_t> buf = cryptotest::PseudoRandom(kBufferSize, 2);
    for (auto _ : state) {
        cipher->EncipherBuffer(buf.data(), buf.data(), int32_t(buf.size()));
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(buf.size()));
}

#define CIPHER_BENCH(Name, Class)                                                                  \
    BENCHMARK_CAPTURE(CipherDecode, Name, [] { return static_cast<TCipher*>(new Class); });      \
    BENCHMARK_CAPTURE(CipherEncode, Name, [] { return static_cast<TCipher*>(new Class); })

CIPHER_BENCH(Rijndael, TCipher_Rijndael);
CIPHER_BENCH(Blowfish, TCipher_Blowfish);
CIPHER_BENCH(DES, TCipher_1DES);
CIPHER_BENCH(TripleDES, TCipher_3DES);
CIPHER_BENCH(TripleDES3Lanes, TCipher_3TDES);
CIPHER_BENCH(Twofish, TCipher_Twofish);
CIPHER_BENCH(Square, TCipher_Square);

// The per-item cost of a block: cipher object, key from the password, and
// a 16-byte check block.
void ItemKeySetup(benchmark::State& state)
{
    const int type = int(state.range(0));
    uint8_t block[16] = {};
    for (auto _ : state) {
        DecipherItemBuffer(type, "benchmark password", block, 16);
        benchmark::DoNotOptimize(block);
    }
}
BENCHMARK(ItemKeySetup)->DenseRange(0, 7);

void HashRipeMD256(benchmark::State& state)
{
    std::vector<uint8_t> buf = cryptotest::PseudoRandom(kBufferSize, 3);
    THash_RipeMD256 h;
    for (auto _ : state) {
        h.CalcBuffer(buf.data(), int32_t(buf.size()));
        benchmark::DoNotOptimize(h.DigestBytes());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(buf.size()));
}
BENCHMARK(HashRipeMD256);

// Text-like data with a small vocabulary, as route files are.
std::vector<uint8_t> RouteText(size_t len)
{
    static const char* words[] = {"Track.Rail 0;", "Track.Ground 1;", "1.00000,", "25.00000,", "\r\n",
                                  "Structure.Rail(3) rails\\track.b3d;", "Track.Pitch 0;", "Track.Curve 600;"};
    std::vector<uint8_t> out;
    uint32_t seed = 5;
    while (out.size() < len) {
        seed = seed * 1103515245u + 12345u;
        for (const char* p = words[(seed >> 16) % 8]; *p && out.size() < len; ++p)
            out.push_back(uint8_t(*p));
    }
    return out;
}

void PpmDecode(benchmark::State& state)
{
    const int order = int(state.range(0));
    const std::vector<uint8_t> text = RouteText(1 << 20);
    const auto block = cryptotest::PpmEncodeForTest(text, 16, order);
    std::vector<uint8_t> out(text.size());
    for (auto _ : state) {
        const uint32_t n = PpmDecodeBuffer(block.Block.data(), uint32_t(block.Block.size()), out.data(),
                                           uint32_t(out.size()));
        if (n != text.size())
            state.SkipWithError("decoding failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(PpmDecode)->Arg(2)->Arg(6)->Arg(16)->Unit(benchmark::kMillisecond);

} // namespace
