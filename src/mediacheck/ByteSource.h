// The bytes being judged: a file read through a cache, or bytes in memory
// (tests, the fuzzer). Every read says how much it copied, or that it failed.
#pragma once

#include "system/Files.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mendora::mediacheck {

// Random access to the bytes being judged.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::int64_t size() const = 0;
    // Copies up to `n` bytes at `offset` into `out` and returns how many were
    // copied: fewer only at the end of the bytes; -1 on a read error, whose
    // system error number error() then gives.
    virtual std::int64_t read(std::int64_t offset, void *out, std::size_t n) = 0;
    virtual int error() const { return 0; }
};

// Bytes held in memory; the caller keeps them alive.
class MemorySource final : public ByteSource {
public:
    MemorySource(const void *data, std::size_t size)
        : data_(static_cast<const unsigned char *>(data)), size_(size) {}
    explicit MemorySource(std::string_view bytes) : MemorySource(bytes.data(), bytes.size()) {}
    std::int64_t size() const override { return static_cast<std::int64_t>(size_); }
    std::int64_t read(std::int64_t offset, void *out, std::size_t n) override;

private:
    const unsigned char *data_;
    std::size_t size_;
};

// A file read through a cache of 256 KiB, so that the walks' many small
// reads cost a copy each.
class FileSource final : public ByteSource {
public:
    // The opened file, or nothing with the system error in `error`.
    static std::unique_ptr<FileSource> open(const std::string &path, int &error);
    ~FileSource() override;
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;

    std::int64_t size() const override { return size_; }
    std::int64_t read(std::int64_t offset, void *out, std::size_t n) override;
    int error() const override { return error_; }

private:
    explicit FileSource(std::unique_ptr<files::ReadOnlyFile> file);
    // Reads straight from the file until `n` bytes or its end; -1 on an error.
    std::int64_t readFile(std::int64_t offset, unsigned char *out, std::size_t n);

    std::unique_ptr<files::ReadOnlyFile> file_;
    std::int64_t size_;
    int error_ = 0;
    std::vector<unsigned char> cache_;
    std::int64_t cacheStart_ = 0;
    std::size_t cacheLength_ = 0;
};

} // namespace mendora::mediacheck
