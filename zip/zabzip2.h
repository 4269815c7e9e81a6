#pragma once
// Thin layer over libbz2: the result check, the library's error hook and a
// memory-to-memory decompressor with a growing output buffer.

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

// bzip2 calls this on an internal consistency failure (a build of the library
// without its own standard-error report): raises EBZip2Error
// "Compression Error %d" with the library's error number.
extern "C" void bz_internal_error(int errcode);

// Decompresses a bzip2 stream. OutEstimate is the expected size (0: unknown);
// the output never grows beyond OutLimit bytes: a stream that gives more ends
// as soon as it passes the limit, with an empty Output, as one that ends
// before its end marker does. A library failure raises EBZDecompressionError (or
// EBZip2Error from the hook; Output is then empty); so does a failed
// allocation (std::bad_alloc).
void BZip2DecompressBuffer(const void* Input, std::size_t InputLen, std::size_t OutEstimate, std::size_t OutLimit,
                           std::string& Output);
