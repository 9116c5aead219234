#include "core/views/SizeText.h"

namespace romshelf {

namespace {

std::string grouped(std::uint64_t n) {
    const std::string digits = std::to_string(n);
    if (digits.size() < 4 || digits.size() > 6) return digits;
    const std::size_t head = digits.size() - 3;
    return digits.substr(0, head) + "," + digits.substr(head);
}

}  // namespace

std::string sizeText(std::uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " Byte";
    const std::uint64_t kb = bytes / 1024;
    if (kb < 102400) return grouped(kb) + " KB";
    return grouped(kb / 1024) + " MB";
}

}  // namespace romshelf
