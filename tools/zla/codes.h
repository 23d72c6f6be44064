#pragma once
// The library's result codes as the tool shows them: the number and its meaning.

#include <cstdint>
#include <string>

namespace zla {

// For example "4 (damaged)".
std::string DescribeCode(uint32_t code);

}  // namespace zla
