#include "mediacheck/ByteSource.h"

#include <algorithm>
#include <cstring>

namespace mendora::mediacheck {

std::int64_t MemorySource::read(std::int64_t offset, void *out, std::size_t n) {
    if (offset < 0 || static_cast<std::uint64_t>(offset) >= size_)
        return 0;
    const std::size_t count = std::min(n, size_ - static_cast<std::size_t>(offset));
    std::memcpy(out, data_ + offset, count);
    return static_cast<std::int64_t>(count);
}

namespace {

constexpr std::size_t kCacheSize = 256 * 1024;

} // namespace

std::unique_ptr<FileSource> FileSource::open(const std::string &path, int &error) {
    auto file = files::ReadOnlyFile::open(path, error);
    if (!file)
        return nullptr;
    return std::unique_ptr<FileSource>(new FileSource(std::move(file)));
}

FileSource::FileSource(std::unique_ptr<files::ReadOnlyFile> file)
    : file_(std::move(file)), size_(file_->size()) {}

FileSource::~FileSource() = default;

std::int64_t FileSource::readFile(std::int64_t offset, unsigned char *out, std::size_t n) {
    return file_->readAt(offset, out, n, error_);
}

std::int64_t FileSource::read(std::int64_t offset, void *out, std::size_t n) {
    if (offset < 0 || n == 0)
        return 0;
    auto *target = static_cast<unsigned char *>(out);
    // Large reads gain nothing from the cache.
    if (n >= kCacheSize / 2)
        return readFile(offset, target, n);
    const bool cached =
        offset >= cacheStart_ && offset + static_cast<std::int64_t>(n) <=
                                     cacheStart_ + static_cast<std::int64_t>(cacheLength_);
    if (!cached) {
        if (cache_.empty())
            cache_.resize(kCacheSize);
        const std::int64_t got = readFile(offset, cache_.data(), cache_.size());
        if (got < 0) {
            cacheLength_ = 0;
            return -1;
        }
        cacheStart_ = offset;
        cacheLength_ = static_cast<std::size_t>(got);
    }
    const auto skip = static_cast<std::size_t>(offset - cacheStart_);
    const std::size_t count = std::min(n, cacheLength_ - skip);
    std::memcpy(target, cache_.data() + skip, count);
    return static_cast<std::int64_t>(count);
}

} // namespace mendora::mediacheck
