#include "FuzzFile.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace ovs::fuzz {

std::string WriteInput(const uint8_t* data, size_t size, const std::string& extension) {
    static const std::string folder = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    const std::string path = folder + "/ovs-fuzz-" + std::to_string(getpid()) + extension;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot write " + path);
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}

} // namespace ovs::fuzz
