// Walks of the containers' own structure: pack and packet lengths, frame
// headers and declared sizes that must tile the file. They find what
// decoders resync past silently. Every read is bounds-checked and nothing
// is allocated from a size the file declares.
#pragma once

#include "system/Files.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
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
    // errno value error() then gives.
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

// The containers the walks know, told by their first bytes.
enum class Container {
    MpegProgram, // MPEG-1/2 program stream: .mpg, .mpeg, .vob, VCD/SVCD .mpg
    MpegAudio,   // MPEG audio layers 1 to 3, with ID3v2 before and ID3v1/APE after
    Asf,         // .asf, .wma, .wmv, .wm
    Riff,        // RIFF AVI and WAVE
    Cdxa,        // RIFF CDXA: a VCD's .dat, raw 2352-byte sectors
    RealMedia,   // .rm, .rmvb, .ra (".RMF")
};

// The container of the bytes, or nothing when no walk applies.
std::optional<Container> sniffContainer(ByteSource &source);

struct StructureFault {
    enum class Kind {
        Header, // "damaged header"
        Data,   // "damaged data near N %"
        Cut,    // "ends at N % of its declared length"
        ReadError,
    } kind = Kind::Data;
    // Where the fault was found, in bytes from the start.
    std::int64_t at = 0;
    // For Cut: the size the container declares.
    std::int64_t declared = 0;
    // For ReadError: the errno value.
    int error = 0;
};

// The first fault of the structure, or nothing when it holds together.
// `cancelled` is set, and nothing returned, when the walk stopped because
// `cancel` was set (it is polled often, from any thread).
std::optional<StructureFault> walkStructure(Container container, ByteSource &source,
                                            const std::atomic<bool> *cancel, bool &cancelled);

} // namespace mendora::mediacheck
