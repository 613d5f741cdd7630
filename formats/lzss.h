// LZSS compression of the native image file, and the bit packing of indices
// that the native and SBF files share.
#pragma once

#include <climits>
#include <cstdint>

// Worst case output of lzEncode for n input bytes: one flag byte per 8 literals.
constexpr int64_t lzBound(int64_t n) { return (9 * n + 7) / 8; }

// Compresses n bytes; out must hold lzBound(n) bytes. Answers the compressed length.
int lzEncode(void* out, const void* in, int n);
// Produces exactly n bytes from a stream of inlen bytes and answers the input
// bytes consumed, or -1 when the stream is damaged (a reference before the
// start or past the end of the output, or input that ends early). Without
// inlen the stream must be known to be sound.
int lzDecode(void* out, int n, const void* in, int inlen = INT_MAX);

// Packs count values of b bits (1, 2 or 4), first value in the top bits of the
// first byte, as one stream; out gets (count * b + 7) / 8 bytes.
void bitPack(void* out, const void* values, int count, int b);
// Inverse of bitPack: count values, one byte each.
void bitUnpack(void* out, const void* packed, int count, int b);
// Bytes of count packed values of b bits.
constexpr int64_t bitBytes(int64_t count, int b) { return (count * b + 7) / 8; }
