#pragma once
// A scratch folder of its own for the files a test writes, removed with everything in it.
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

inline std::string ReadFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline std::string WriteFile(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary) << bytes;
    return file.string();
}

// A disk that is full once a file holds `bytes`: a write beyond fails with EFBIG (its signal ignored).
struct DiskFullAt {
    explicit DiskFullAt(rlim_t bytes) : full{bytes, old.rlim_max} { ::setrlimit(RLIMIT_FSIZE, &full); }
    ~DiskFullAt() { ::setrlimit(RLIMIT_FSIZE, &old); std::signal(SIGXFSZ, signal); }
    void (*const signal)(int) = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit old = [] { rlimit r{}; ::getrlimit(RLIMIT_FSIZE, &r); return r; }();
    const rlimit full;
};

struct TempFolder {
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "sorvel-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Write(const std::string& name, const std::string& bytes) const { return WriteFile(path / name, bytes); }
    std::string Read(const std::filesystem::path& name) const { return ReadFile(path / name); }

    std::filesystem::path path;
};

}  // namespace testsupport
