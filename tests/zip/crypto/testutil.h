#pragma once
// Helpers shared by the crypto tests: running outside tools and hex text.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>
#include <vector>

namespace cryptotest {

// Runs a shell command and returns its standard output; ok is false when the
// command could not run or exited with a non-zero status.
inline std::string RunCommand(const std::string& command, bool& ok)
{
    std::string out;
    ok = false;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    ok = pclose(p) == 0;
    return out;
}

inline std::string ToHex(const void* data, size_t len)
{
    static const char* digits = "0123456789abcdef";
    const auto* p = static_cast<const uint8_t*>(data);
    std::string s;
    for (size_t i = 0; i < len; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

inline std::string ToHex(const std::vector<uint8_t>& v) { return ToHex(v.data(), v.size()); }

inline std::vector<uint8_t> FromHex(const std::string& hex)
{
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

inline std::string TempPath(const std::string& name)
{
    const char* dir = std::getenv("TMPDIR");
    // Test cases run as parallel processes: the process id keeps their
    // scratch files apart.
    return std::string(dir && *dir ? dir : "/tmp") + "/zipcrypto_test_" + std::to_string(::getpid()) + "_" + name;
}

inline void WriteFile(const std::string& path, const void* data, size_t len)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(static_cast<const char*>(data), std::streamsize(len));
}

inline std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Deterministic pseudo-random bytes for test inputs.
inline std::vector<uint8_t> PseudoRandom(size_t len, uint32_t seed)
{
    std::vector<uint8_t> v(len);
    for (auto& b : v) {
        seed = seed * 1664525u + 1013904223u;
        b = uint8_t(seed >> 24);
    }
    return v;
}

} // namespace cryptotest
