#pragma once
// A scratch folder of its own for the files a test writes, removed with everything in it.
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "platform/PathText.h"

namespace testsupport {

inline std::string ReadFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline std::string WriteFile(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary) << bytes;
    return platform::PathToUtf8(file);
}

#ifndef _WIN32
// A disk that is full once a file holds `bytes`: a write beyond fails with EFBIG (its signal ignored).
struct DiskFullAt {
    explicit DiskFullAt(rlim_t bytes) : full{bytes, old.rlim_max} { ::setrlimit(RLIMIT_FSIZE, &full); }
    ~DiskFullAt() { ::setrlimit(RLIMIT_FSIZE, &old); std::signal(SIGXFSZ, signal); }
    void (*const signal)(int) = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit old = [] { rlimit r{}; ::getrlimit(RLIMIT_FSIZE, &r); return r; }();
    const rlimit full;
};
#endif

struct TempFolder {
    TempFolder()
    {
#ifdef _WIN32
        std::random_device entropy;
        for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
            const auto folder = std::filesystem::temp_directory_path() / ("sorvel-" + std::to_string(entropy()));
            if (std::filesystem::create_directory(folder)) path = folder;
        }
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "sorvel-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
#endif
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Write(const std::string& name, const std::string& bytes) const { return WriteFile(path / platform::PathFromUtf8(name), bytes); }
    std::string Read(const std::filesystem::path& name) const { return ReadFile(path / name); }

    std::filesystem::path path;
};

}  // namespace testsupport
