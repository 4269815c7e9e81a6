#include "zip/crypto/cipher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <sstream>

#include "testutil.h"
#include "zip/crypto/blowfish.h"
#include "zip/crypto/des.h"
#include "zip/crypto/rijndael.h"
#include "zip/crypto/square.h"
#include "zip/crypto/twofish.h"

using namespace cryptotest;

namespace {

// One block through a freshly keyed cipher in ECB mode.
std::string Ecb(TCipher& c, const std::string& keyHex, const std::string& dataHex, bool encrypt = true)
{
    auto key = FromHex(keyHex);
    auto data = FromHex(dataHex);
    std::vector<uint8_t> iv(size_t(c.BlockLen()), 0);
    c.Init(key.data(), int32_t(key.size()), iv.data());
    c.ChainingMode = chECB;
    if (encrypt)
        c.EncipherBuffer(data.data(), data.data(), int32_t(data.size()));
    else
        c.DecipherBuffer(data.data(), data.data(), int32_t(data.size()));
    return ToHex(data);
}

template <class C>
void CheckVector(const std::string& key, const std::string& plain, const std::string& cipher)
{
    C c;
    EXPECT_EQ(Ecb(c, key, plain), cipher) << C::Class()->ClassName << " key " << key;
    C d;
    EXPECT_EQ(Ecb(d, key, cipher, false), plain) << C::Class()->ClassName << " key " << key;
}

const std::string kReference = std::string(VELKAST_SOURCE_DIR) + "/tests/zip/crypto/cipher_reference.py";

// The first Python that has the cryptography package, or "" when none.
const std::string& Python()
{
    static const std::string python = [] {
        for (const char* candidate : {"python3", "/usr/bin/python3"}) {
            bool ok;
            RunCommand(std::string(candidate) + " -c 'import cryptography' 2>/dev/null", ok);
            if (ok)
                return std::string(candidate);
        }
        return std::string();
    }();
    return python;
}

bool HavePythonCryptography()
{
    return !Python().empty();
}

// Runs the reference for a list of request lines; returns its answer lines.
std::vector<std::string> Reference(const std::vector<std::string>& requests)
{
    std::string path = TempPath("cipher_requests.txt");
    std::string all;
    for (auto& r : requests)
        all += r + "\n";
    WriteFile(path, all.data(), all.size());
    bool ok;
    std::string out = RunCommand(Python() + " -W ignore " + kReference + " < " + path, ok);
    std::remove(path.c_str());
    EXPECT_TRUE(ok);
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool OpensslEcb(const std::string& cipher, const std::string& keyHex, const std::vector<uint8_t>& data,
                std::string& outHex)
{
    std::string in = TempPath("ossl_in.bin"), out = TempPath("ossl_out.bin");
    WriteFile(in, data.data(), data.size());
    bool ok = false;
    for (const char* provider : {"", " -provider legacy -provider default"}) {
        RunCommand("openssl enc -e -nopad -" + cipher + provider + " -K " + keyHex + " -in " + in + " -out " + out +
                       " 2>/dev/null",
                   ok);
        if (ok)
            break;
    }
    if (ok)
        outHex = ToHex(ReadFile(out));
    std::remove(in.c_str());
    std::remove(out.c_str());
    return ok;
}

} // namespace

TEST(CipherVectors, RijndaelFips197)
{
    CheckVector<TCipher_Rijndael>("000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
                                  "69c4e0d86a7b0430d8cdb78070b4c55a");
    CheckVector<TCipher_Rijndael>("000102030405060708090a0b0c0d0e0f1011121314151617",
                                  "00112233445566778899aabbccddeeff", "dda97ca4864cdfe06eaf70a0ec0d7191");
    CheckVector<TCipher_Rijndael>("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
                                  "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089");
    TCipher_Rijndael r;
    auto key = PseudoRandom(20, 1);
    r.Init(key.data(), 20, nullptr);
    EXPECT_EQ(r.Rounds(), 12);
}

TEST(CipherVectors, DesFips46)
{
    CheckVector<TCipher_1DES>("133457799bbcdff1", "0123456789abcdef", "85e813540f0ab405");
    CheckVector<TCipher_1DES>("0123456789abcdef", "4e6f772069732074", "3fa40e8a984d4815");
    // Triple DES with three equal keys is single DES.
    CheckVector<TCipher_3DES>("133457799bbcdff1133457799bbcdff1133457799bbcdff1", "0123456789abcdef",
                              "85e813540f0ab405");
}

TEST(CipherVectors, BlowfishSchneier)
{
    CheckVector<TCipher_Blowfish>("0000000000000000", "0000000000000000", "4ef997456198dd78");
    CheckVector<TCipher_Blowfish>("ffffffffffffffff", "ffffffffffffffff", "51866fd5b85ecb8a");
    CheckVector<TCipher_Blowfish>("3000000000000000", "1000000000000001", "7d856f9a613063f2");
}

TEST(CipherVectors, TwofishPaper)
{
    CheckVector<TCipher_Twofish>("00000000000000000000000000000000", "00000000000000000000000000000000",
                                 "9f589f5cf6122c32b6bfec2f2ae8c35a");
    CheckVector<TCipher_Twofish>("0123456789abcdeffedcba98765432100011223344556677",
                                 "00000000000000000000000000000000", "cfd1d2e5a9be9cdf501f13b892bd2248");
    CheckVector<TCipher_Twofish>("0123456789abcdeffedcba987654321000112233445566778899aabbccddeeff",
                                 "00000000000000000000000000000000", "37527be0052334b89f0cfccae87cfa20");
}

TEST(CipherVectors, SquareKnownAnswer)
{
    CheckVector<TCipher_Square>("00000000000000000000020000000000", "00000000000000000000000000000000",
                                "a9df031b4e25e89f527efff89cb0beba");
}

TEST(CipherVectors, EcbBlocksMatchOpenssl)
{
    struct Case {
        const char* name;
        std::function<TCipher*()> make;
        size_t keyLen;
    };
    const Case cases[] = {
        {"aes-128-ecb", [] { return new TCipher_Rijndael; }, 16},
        {"aes-192-ecb", [] { return new TCipher_Rijndael; }, 24},
        {"aes-256-ecb", [] { return new TCipher_Rijndael; }, 32},
        {"bf-ecb", [] { return new TCipher_Blowfish; }, 16},
        {"des-ecb", [] { return new TCipher_1DES; }, 8},
        {"des-ede3", [] { return new TCipher_3DES; }, 24},
    };
    int checked = 0;
    for (const Case& c : cases) {
        std::unique_ptr<TCipher> cipher(c.make());
        auto key = PseudoRandom(c.keyLen, uint32_t(c.keyLen) * 7 + uint32_t(checked));
        auto data = PseudoRandom(size_t(cipher->BlockLen()) * 5, 99);
        std::string ref;
        if (!OpensslEcb(c.name, ToHex(key), data, ref))
            continue;
        ++checked;
        EXPECT_EQ(Ecb(*cipher, ToHex(key), ToHex(data)), ref) << c.name;
    }
    if (checked == 0)
        GTEST_SKIP() << "openssl enc not usable";
}

TEST(ChainingModes, MatchIndependentReference)
{
    if (!HavePythonCryptography())
        GTEST_SKIP() << "python3-cryptography not installed";
    struct Case {
        const char* name;
        std::function<TCipher*()> make;
        size_t keyLen;
    };
    const Case cases[] = {
        {"aes", [] { return new TCipher_Rijndael; }, 16}, {"aes", [] { return new TCipher_Rijndael; }, 32},
        {"des", [] { return new TCipher_1DES; }, 8},      {"3des", [] { return new TCipher_3DES; }, 24},
        {"3tdes", [] { return new TCipher_3TDES; }, 24},  {"blowfish", [] { return new TCipher_Blowfish; }, 32},
    };
    std::vector<std::string> requests, mine;
    uint32_t seed = 1;
    for (const Case& c : cases)
        for (int mode = 0; mode < 8; ++mode)
            for (bool enc : {true, false})
                for (size_t len : {0u, 5u, 48u, 53u}) {
                    std::unique_ptr<TCipher> cipher(c.make());
                    auto key = PseudoRandom(c.keyLen, ++seed);
                    auto iv = PseudoRandom(size_t(cipher->BlockLen()), ++seed);
                    bool nilVector = (seed % 3) == 0;
                    auto data = PseudoRandom(len, ++seed);
                    cipher->Init(key.data(), int32_t(key.size()), nilVector ? nullptr : iv.data());
                    cipher->ChainingMode = uint8_t(mode);
                    std::vector<uint8_t> out(data.size());
                    if (enc)
                        cipher->EncipherBuffer(data.data(), out.data(), int32_t(data.size()));
                    else
                        cipher->DecipherBuffer(data.data(), out.data(), int32_t(data.size()));
                    if (mode >= chXorChainMAC)
                        out = data;  // MAC modes leave the destination alone
                    requests.push_back(std::string(c.name) + " " + std::to_string(mode) + (enc ? " enc " : " dec ") +
                                       ToHex(key) + " " + (nilVector ? "-" : ToHex(iv)) + " " +
                                       (data.empty() ? "-" : ToHex(data)));
                    mine.push_back(ToHex(out) + " " + ToHex(cipher->ChainState(), size_t(cipher->BlockLen())));
                }
    auto ref = Reference(requests);
    ASSERT_EQ(ref.size(), mine.size());
    for (size_t i = 0; i < ref.size(); ++i)
        EXPECT_EQ(mine[i], ref[i]) << requests[i];
}

TEST(ChainingModes, RoundTripsAndSplitCalls)
{
    std::vector<std::function<TCipher*()>> makers = {
        [] { return new TCipher_Rijndael; }, [] { return new TCipher_Blowfish; }, [] { return new TCipher_1DES; },
        [] { return new TCipher_3DES; },     [] { return new TCipher_3TDES; },    [] { return new TCipher_Twofish; },
        [] { return new TCipher_Square; }};
    for (auto& make : makers)
        for (int mode = 0; mode < 4; ++mode)
            for (size_t len : {1u, 16u, 24u, 37u, 100u}) {
                auto data = PseudoRandom(len, uint32_t(len + mode));
                std::unique_ptr<TCipher> a(make()), b(make());
                a->InitKey("secret", nullptr);
                b->InitKey("secret", nullptr);
                a->ChainingMode = b->ChainingMode = uint8_t(mode);
                std::vector<uint8_t> buf = data;
                a->EncipherBuffer(buf.data(), buf.data(), int32_t(len));
                b->DecipherBuffer(buf.data(), buf.data(), int32_t(len));
                EXPECT_EQ(buf, data) << a->ClassType()->ClassName << " mode " << mode << " len " << len;
            }
    // Deciphering in two calls split at a block boundary equals one call.
    TCipher_Twofish one, two;
    one.InitKey("pw", nullptr);
    two.InitKey("pw", nullptr);
    auto data = PseudoRandom(80, 4);
    std::vector<uint8_t> x = data, y = data;
    one.DecipherBuffer(x.data(), x.data(), 80);
    two.DecipherBuffer(y.data(), y.data(), 32);
    two.DecipherBuffer(y.data() + 32, y.data() + 32, 48);
    EXPECT_EQ(x, y);
}

TEST(ChainingModes, PartialBlockIsKeystream)
{
    TCipher_Rijndael c, e;
    auto key = FromHex("000102030405060708090a0b0c0d0e0f");
    auto iv = PseudoRandom(16, 1);
    c.Init(key.data(), 16, iv.data());
    e.Init(key.data(), 16, iv.data());
    auto data = PseudoRandom(19, 2);
    std::vector<uint8_t> out(19);
    c.DecipherBuffer(data.data(), out.data(), 19);
    // By hand: the full block, then E(F) as keystream for the last 3 bytes.
    std::vector<uint8_t> block(data.begin(), data.begin() + 16), f = iv;
    e.ChainingMode = chECB;
    e.DecipherBuffer(block.data(), block.data(), 16);
    for (int i = 0; i < 16; ++i) {
        block[size_t(i)] ^= f[size_t(i)];
        f[size_t(i)] ^= data[size_t(i)];
    }
    std::vector<uint8_t> k = f;
    e.EncipherBuffer(k.data(), k.data(), 16);
    EXPECT_EQ(ToHex(out.data(), 16), ToHex(block));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(out[size_t(16 + i)], data[size_t(16 + i)] ^ k[size_t(i)]);
    for (int i = 0; i < 16; ++i)
        f[size_t(i)] ^= k[size_t(i)];
    EXPECT_EQ(ToHex(c.ChainState(), 16), ToHex(f));
}

TEST(CipherKeys, TripleDesShortKeyAndLimits)
{
    auto key24 = FromHex("0123456789abcdeffedcba98765432100000000000000000");
    TCipher_3DES a, b;
    a.Init(key24.data(), 16, nullptr);
    b.Init(key24.data(), 24, nullptr);
    auto data = PseudoRandom(32, 8);
    std::vector<uint8_t> x = data, y = data;
    a.EncipherBuffer(x.data(), x.data(), 32);
    b.EncipherBuffer(y.data(), y.data(), 32);
    EXPECT_EQ(x, y);

    // Over-long keys are cut to the limit; negative lengths act as empty.
    auto long64 = PseudoRandom(64, 3);
    TCipher_Square s1, s2;
    s1.Init(long64.data(), 64, nullptr);
    s2.Init(long64.data(), 16, nullptr);
    EXPECT_EQ(ToHex(s1.StartVector(), 16), ToHex(s2.StartVector(), 16));
    TCipher_Blowfish e1, e2;
    e1.Init(nullptr, -4, nullptr);
    e2.Init(nullptr, 0, nullptr);
    EXPECT_EQ(ToHex(e1.StartVector(), 8), ToHex(e2.StartVector(), 8));
}

TEST(CipherKeys, InitKeyHashesThePassword)
{
    // The key is the RIPEMD-256 digest cut to the key limit, the vector
    // E(all 0xFF) under that key.
    THash_RipeMD256 h;
    h.CalcBuffer("password", 8);
    TCipher_1DES direct;
    direct.Init(h.DigestBytes(), 8, nullptr);
    TCipher_1DES fromPassword("password");
    EXPECT_TRUE(fromPassword.GetStateFlag(0));
    EXPECT_TRUE(fromPassword.GetStateFlag(1));
    EXPECT_FALSE(direct.GetStateFlag(0));
    EXPECT_EQ(ToHex(fromPassword.StartVector(), 8), ToHex(direct.StartVector(), 8));
    // The hash object no longer holds the clear digest.
    THash_RipeMD256 again;
    again.CalcBuffer("password", 8);
    EXPECT_NE(ToHex(fromPassword.GetHashObject()->DigestBytes(), 32), ToHex(again.DigestBytes(), 32));
}

TEST(CipherKeys, UninitialisedCipherRefuses)
{
    TCipher_Rijndael c;
    uint8_t buf[16] = {};
    try {
        c.EncipherBuffer(buf, buf, 16);
        FAIL();
    } catch (const ECipherException& e) {
        EXPECT_EQ(e.Code, 3);
        EXPECT_STREQ(e.what(), "TCipher_Rijndael is not initialized call Init() or InitKey() before.");
    }
    EXPECT_THROW(c.ProcessBuffer(buf, 16, actEncode), ECipherException);
}

TEST(CipherRegistry, NamesAndReplacement)
{
    auto& list = CipherClasses();
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list[0].Line, "Rijndael=");
    const size_t before = list.size();
    EXPECT_TRUE(AddCipherClass(TCipher_Blowfish::Class(), "", ""));
    EXPECT_EQ(list.back().Line, "Blowfish=");
    EXPECT_TRUE(AddCipherClass(TCipher_Blowfish::Class(), "  Fish  ", "64-bit blocks"));
    EXPECT_EQ(list.size(), before + 1);
    EXPECT_EQ(list.back().Line, "Fish=64-bit blocks");
    EXPECT_TRUE(AddCipherClass(TCipher_3TDES::Class(), "", "x"));
    EXPECT_EQ(list.back().Line, "3TDES=x");
    EXPECT_FALSE(AddCipherClass(nullptr, "a", "b"));
    RemoveCipherClass(TCipher_Blowfish::Class());
    RemoveCipherClass(TCipher_3TDES::Class());
    EXPECT_EQ(list.size(), before);
}

TEST(CipherPipeline, ChainedWithHashAndStream)
{
    auto* inner = new TCipher_Blowfish("inner");
    TCipher_Rijndael outer("outer", inner);
    std::string text = "a text that crosses several cipher blocks.";
    std::string coded = outer.ProcessText(text, actEncode, -1);
    EXPECT_NE(FormatToBytes(coded, -1), text);
    EXPECT_EQ(outer.ProcessText(coded, actDecode, -1), text);
}

TEST(ItemCiphers, AllTypesRoundTripAndOthersLeaveData)
{
    auto data = PseudoRandom(100, 6);
    for (int type = 0; type < 8; ++type) {
        std::vector<uint8_t> buf = data;
        ASSERT_TRUE(EncipherItemBuffer(type, "Velkast", buf.data(), 100));
        EXPECT_NE(buf, data);
        ASSERT_TRUE(DecipherItemBuffer(type, "Velkast", buf.data(), 100));
        EXPECT_EQ(buf, data) << type;
        std::vector<uint8_t> wrong = data;
        EncipherItemBuffer(type, "Velkast", wrong.data(), 100);
        DecipherItemBuffer(type, "velkast", wrong.data(), 100);
        EXPECT_NE(wrong, data);
    }
    std::vector<uint8_t> buf = data;
    EXPECT_TRUE(DecipherItemBuffer(8, "x", buf.data(), 100));
    EXPECT_TRUE(DecipherItemBuffer(0xFFFF, "x", buf.data(), 100));
    EXPECT_EQ(buf, data);
    EXPECT_FALSE(DecipherItemBuffer(0, "x", nullptr, 16));
    EXPECT_TRUE(DecipherItemBuffer(0, "", buf.data(), 0));
}

TEST(ItemCiphers, MatchReferenceKeyDerivation)
{
    if (!HavePythonCryptography())
        GTEST_SKIP() << "python3-cryptography not installed";
    // Type: reference cipher, hash, key bytes.
    struct Case {
        int type;
        const char* name;
        bool ripe256;
        size_t keyLen;
    };
    const Case cases[] = {{0, "aes", false, 16}, {1, "aes", true, 32},       {2, "des", false, 8},
                          {3, "3tdes", false, 16}, {4, "blowfish", true, 32}};
    std::vector<std::string> requests, mine;
    auto data = PseudoRandom(77, 12);
    for (const Case& c : cases) {
        std::unique_ptr<THash> h(c.ripe256 ? static_cast<THash*>(new THash_RipeMD256)
                                           : static_cast<THash*>(new THash_RipeMD128));
        h->CalcBuffer("Route package", 13);
        const size_t bl = c.type == 3 ? 24 : (c.type <= 1 ? 16 : 8);
        requests.push_back(std::string(c.name) + " 0 dec " + ToHex(h->DigestBytes(), c.keyLen) + " " +
                           std::string(bl * 2, 'f') + " " + ToHex(data));
        std::vector<uint8_t> buf = data;
        ASSERT_TRUE(DecipherItemBuffer(c.type, "Route package", buf.data(), int32_t(buf.size())));
        mine.push_back(ToHex(buf));
    }
    auto ref = Reference(requests);
    ASSERT_EQ(ref.size(), mine.size());
    for (size_t i = 0; i < ref.size(); ++i)
        EXPECT_EQ(mine[i], ref[i].substr(0, ref[i].find(' '))) << requests[i];
}
