#pragma once
// Authors the compiled-in factory set: 28 dumps, programs 0..27.

#include <cstdint>
#include <string>
#include <vector>

// The 37,240 bytes of the set, or an empty vector with the reason in error when a check fails.
std::vector<uint8_t> generateFactorySet (std::string& error);
