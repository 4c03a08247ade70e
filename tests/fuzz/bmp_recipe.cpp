// The fuzzer's compact form of a BMP file: reading, writing and expanding it.
#include "bmp_recipe.h"

#include "../unit/bmp_files.h"

#include <algorithm>

Recipe parse_recipe(const uint8_t* data, size_t size) {
    Recipe r;
    const uint8_t* p = data;
    const uint8_t* end = data + size;
    size_t n = size >= 2 ? size_t(p[0] | p[1] << 8) : 0;
    p += std::min<size_t>(size, 2);
    n = std::min(n, size_t(end - p));
    r.head.assign(p, p + n);
    p += n;
    while (p < end) {
        uint32_t count = 0;
        for (int shift = 0; shift < 28 && p < end; shift += 7) {
            const uint8_t b = *p++;
            count |= uint32_t(b & 0x7F) << shift;
            if (!(b & 0x80)) break;
        }
        if (p == end) break;
        const size_t m = *p++;
        const size_t got = std::min(m, size_t(end - p));
        r.pieces.push_back({got == m ? count : 1, std::vector<uint8_t>(p, p + got)});
        p += got;
    }
    return r;
}

std::vector<uint8_t> serialize_recipe(const Recipe& r) {
    const size_t n = std::min<size_t>(r.head.size(), 0xFFFF);
    std::vector<uint8_t> out = {uint8_t(n), uint8_t(n >> 8)};
    out.insert(out.end(), r.head.begin(), r.head.begin() + std::ptrdiff_t(n));
    for (const Recipe::Piece& piece : r.pieces) {
        uint32_t c = piece.count & 0x0FFFFFFF;
        do {
            out.push_back(uint8_t((c & 0x7F) | (c > 0x7F ? 0x80 : 0)));
            c >>= 7;
        } while (c);
        const size_t m = std::min<size_t>(piece.unit.size(), 255);
        out.push_back(uint8_t(m));
        out.insert(out.end(), piece.unit.begin(), piece.unit.begin() + std::ptrdiff_t(m));
    }
    return out;
}

size_t piece_times(const Recipe::Piece& piece, size_t size) {
    return piece.unit.empty() ? 0 : std::min<size_t>(piece.count, (kMaxRecipeFileBytes - size) / piece.unit.size());
}

size_t recipe_file_size(const Recipe& r) {
    size_t size = r.head.size();
    for (const Recipe::Piece& piece : r.pieces) size += piece_times(piece, size) * piece.unit.size();
    return size;
}

void expand_recipe(const Recipe& r, std::vector<uint8_t>& file) {
    file.assign(r.head.begin(), r.head.end());
    for (const Recipe::Piece& piece : r.pieces) append_repeated(file, piece.unit, piece_times(piece, file.size()));
}

Recipe recipe_of_file(const std::vector<uint8_t>& file, size_t head) {
    Recipe r;
    head = std::min(head, file.size());
    r.head.assign(file.begin(), file.begin() + std::ptrdiff_t(head));
    for (size_t at = head; at < file.size(); at += 255) {
        const size_t m = std::min<size_t>(255, file.size() - at);
        r.pieces.push_back({1, std::vector<uint8_t>(file.begin() + std::ptrdiff_t(at), file.begin() + std::ptrdiff_t(at + m))});
    }
    return r;
}
