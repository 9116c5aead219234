#pragma once

#include <cstddef>
#include <cstring>
#include <string>

// Numbers in the machine's own byte order, for the caches only this machine reads back (the key
// file, the kept folder listings).
namespace romshelf::bytes {

template <class T>
T load(const char* at) {
    T v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

template <class T>
void put(std::string& out, const T& v) {
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

inline std::size_t paddedTo8(std::size_t n) { return (n + 7) & ~std::size_t{7}; }

}  // namespace romshelf::bytes
