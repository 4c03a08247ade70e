// The BMP fuzzer's inputs: a BMP file written compactly, so that an input of
// a few hundred bytes can stand for a file of tens of megabytes (an RLE
// stream of 16.8 million moves, say). An input is
//   two bytes n (little-endian), then n bytes: the start of the file as it
//   is (headers and colour table);
//   then pieces, each a count (LEB128, at most four bytes), a length byte m
//   and m bytes, which the file holds count times over.
// Every byte string is an input: a piece that the end cuts short is taken
// once, as far as it goes. Files stop at kMaxRecipeFileBytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Room for the largest streams worth trying: 16.8 million 4-byte moves.
constexpr size_t kMaxRecipeFileBytes = size_t(72) << 20;

struct Recipe {
    struct Piece {
        uint32_t count;
        std::vector<uint8_t> unit;
    };
    std::vector<uint8_t> head;
    std::vector<Piece> pieces;
};

Recipe parse_recipe(const uint8_t* data, size_t size);
std::vector<uint8_t> serialize_recipe(const Recipe& r);

// How many times a piece goes into a file already `size` bytes long.
size_t piece_times(const Recipe::Piece& piece, size_t size);

// The length of the file a recipe stands for.
size_t recipe_file_size(const Recipe& r);

// The file a recipe stands for, in `file` (whose capacity is kept).
void expand_recipe(const Recipe& r, std::vector<uint8_t>& file);

// A recipe for a whole file: its first `head` bytes as they are, the rest in
// pieces taken once.
Recipe recipe_of_file(const std::vector<uint8_t>& file, size_t head);
