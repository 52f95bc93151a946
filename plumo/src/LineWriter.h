// Buffered writer of text lines: the call trace, the recording and the frame log.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace plumo {

class LineWriter {
public:
    LineWriter() = default;
    ~LineWriter() { Close(); }
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    bool Open(const std::string& path);
    bool IsOpen() const { return file != nullptr; }

    // Each piece after the first of a line is preceded by one space.
    LineWriter& Word(std::string_view text);
    LineWriter& Int(int64_t value);
    LineWriter& Num(double value);
    LineWriter& Quoted(std::string_view text);
    void EndLine();

    void Flush();
    void Close();

private:
    static constexpr size_t kCapacity = 1 << 16;
    // Longer than any line the library writes, so a line never straddles a flush.
    static constexpr size_t kLineReserve = 1024;

    void Separate();
    // Shortest text that reads back to the same value.
    template <typename Value>
    LineWriter& Number(Value value);

    std::FILE* file = nullptr;
    std::unique_ptr<char[]> buffer;
    size_t used = 0;
    bool lineStarted = false;
};

}  // namespace plumo
