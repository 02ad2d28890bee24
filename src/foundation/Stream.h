#pragma once

#include <cstdint>
#include <vector>

// Byte stream the engine reads from and writes into: files, memory buffers and
// the like. Errors are results, not exceptions, so workers can map them to codes.
class TStream
{
public:
    virtual ~TStream() = default;

    // Reads up to count bytes at the position; returns the number read (0 at the
    // end) or -1 on an error.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Writes count bytes at the position; returns the number written, which is
    // less than count when the medium is full, or -1 on an error.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Moves to an absolute position; false on an error.
    virtual bool Seek(int64_t position) = 0;
    virtual int64_t Position() const = 0;
    // Total size in bytes, or -1 when unknown.
    virtual int64_t Size() const = 0;

    // Reads exactly count bytes; false on an error or an early end.
    bool ReadExact(void* buffer, int64_t count);
    // Writes all count bytes; false on an error or a short write.
    bool WriteExact(const void* buffer, int64_t count);
};

// A growable stream in memory.
class TMemoryStream : public TStream
{
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> data) : Data(std::move(data)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    bool Seek(int64_t position) override;
    int64_t Position() const override { return Pos; }
    int64_t Size() const override { return static_cast<int64_t>(Data.size()); }

    std::vector<uint8_t> Data;

private:
    int64_t Pos = 0;
};
