// The reader takes paths, so the fuzz targets hand it their input as a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ovs::fuzz {

// Writes data to a private file with the given extension (in memory-backed
// /dev/shm when there is one) and returns its path; the same path each call
// of one process.
std::string WriteInput(const uint8_t* data, size_t size, const std::string& extension);

} // namespace ovs::fuzz
