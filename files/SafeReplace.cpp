#include "files/SafeReplace.h"

#include <filesystem>

namespace daridez {

namespace {

std::string followLink(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_symlink(path, error)) {
        const auto target = std::filesystem::canonical(path, error);
        if (!error) {
            return target.string();
        }
    }
    return path;
}

}  // namespace

SafeReplace::SafeReplace(std::string target) : target_(followLink(target)) {}

SafeReplace::~SafeReplace() {
    if (file_ != nullptr) {
        std::fclose(file_);
        if (!temporary_.empty()) {
            std::remove(temporary_.c_str());
        }
    }
}

bool SafeReplace::open() {
    std::error_code error;
    const auto status = std::filesystem::status(target_, error);
    const bool exists = !error && std::filesystem::exists(status);
    if (exists && !std::filesystem::is_regular_file(status)) {
        file_ = std::fopen(target_.c_str(), "wb");  // a device or a pipe: nothing to replace
        return file_ != nullptr;
    }
    if (exists) {
        std::FILE* probe = std::fopen(target_.c_str(), "r+b");
        if (probe == nullptr) {
            return false;  // write-protected: left as it is
        }
        std::fclose(probe);
    }
    temporary_ = target_ + ".saving";
    file_ = std::fopen(temporary_.c_str(), "wbx");
    return file_ != nullptr;
}

bool SafeReplace::write(const void* data, std::size_t size) {
    ok_ = ok_ && file_ != nullptr && std::fwrite(data, 1, size, file_) == size;
    return ok_;
}

bool SafeReplace::closeFile() {
    bool ok = ok_ && file_ != nullptr && std::fflush(file_) == 0;
    ok = file_ != nullptr && std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    return ok;
}

bool SafeReplace::commit() {
    bool ok = closeFile();
    if (!temporary_.empty()) {
        ok = ok && std::rename(temporary_.c_str(), target_.c_str()) == 0;
        if (!ok) {
            std::remove(temporary_.c_str());
        }
    }
    return ok;
}

}  // namespace daridez
