#pragma once
// Thin layer over libbz2: the result check and a memory-to-memory
// decompressor with a growing output buffer.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

class EBZip2Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// "error %d" with bzip2's negative result code.
class EBZDecompressionError : public EBZip2Error {
public:
    explicit EBZDecompressionError(int code) : EBZip2Error("error " + std::to_string(code)), Code(code) {}
    int Code;
};

// Returns the code unchanged when it is 0 or positive; raises
// EBZDecompressionError otherwise.
int32_t BZip2CheckDecompress(int32_t code);

// Decompresses a bzip2 stream. OutEstimate is the expected size (0: unknown).
// A library failure raises EBZDecompressionError (Output is then empty); a
// stream that ends before its end marker gives an empty Output.
void BZip2DecompressBuffer(const void* Input, std::size_t InputLen, std::size_t OutEstimate, std::string& Output);
