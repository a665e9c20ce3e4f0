#pragma once
// Demo bytes written to a temporary file that is removed again.

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fenlark::test {

class TempDemo {
public:
    TempDemo(const std::string& bytes, const std::string& extension = ".dm_68") {
        static std::atomic<int> counter{0};
        path_ = (std::filesystem::temp_directory_path() /
                 ("fenlark-demoreader-" + std::to_string(::getpid()) + "-" +
                  std::to_string(counter++) + extension))
                    .string();
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ~TempDemo() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    TempDemo(const TempDemo&) = delete;
    TempDemo& operator=(const TempDemo&) = delete;

    const std::string& path() const { return path_; }
    const char* c_str() const { return path_.c_str(); }

private:
    std::string path_;
};

} // namespace fenlark::test
