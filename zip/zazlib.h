#pragma once
// Thin layer over zlib: result checks that turn negative zlib codes into
// exceptions, and a memory-to-memory inflater for zlib streams.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

class EZlibError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class ECompressionError : public EZlibError {
public:
    ECompressionError() : EZlibError("error") {}
};
class EDecompressionError : public EZlibError {
public:
    EDecompressionError() : EZlibError("error") {}
};

// Return the code unchanged when it is 0 or positive; raise otherwise.
int32_t ZlibCheckDeflate(int32_t code);
int32_t ZlibCheckInflate(int32_t code);

// Inflates a zlib stream (2-byte header, deflate data, Adler-32 trailer).
// OutEstimate is the expected size (0: unknown); the buffer grows in steps of
// the input length rounded up to 256, but never beyond OutLimit bytes: a
// stream that gives more fails as soon as it passes the limit (a few hundred
// bytes of input can stand for gigabytes). Never raises: on failure Output is
// empty and the result is false.
bool ZlibInflateBuffer(const void* Input, std::size_t InputLen, std::size_t OutEstimate, std::size_t OutLimit,
                       std::string& Output);
