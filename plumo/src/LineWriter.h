// Buffered writer of text lines: the call trace, the recording and the frame log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "OutputFile.h"

namespace plumo {

// Lines go to the file whole: the buffer is written out only at line ends, a
// line longer than the buffer included. A write that fails is kept and
// reported by the next Check, Flush or Close, never by the writing calls
// themselves: the trace is also written while the program releases textures,
// where nothing may be thrown. After a failure the writer drops what it is given.
class LineWriter {
public:
    LineWriter() = default;
    // Without Close, a failure has nowhere to go: what can be written is.
    ~LineWriter();
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Creates the file, or raises naming it and the reason. `kind` (say
    // "trace file") stands before the file's name in failure messages.
    void Create(const std::string& path, std::string_view kind);
    bool IsOpen() const { return file.IsOpen(); }

    // Each piece after the first of a line is preceded by one space.
    LineWriter& Word(std::string_view text);
    LineWriter& Int(int64_t value);
    LineWriter& Num(double value);
    LineWriter& Quoted(std::string_view text);
    void EndLine();

    // Raises once for a write that failed since the last report.
    void Check();
    // Writes out the complete lines, then checks.
    void Flush();
    // Writes out everything and closes, then checks.
    void Close();

private:
    static constexpr size_t kCapacity = 1 << 16;
    // Longer than any line but a long texture name, so the buffer rarely grows.
    static constexpr size_t kLineReserve = 1024;

    void Separate();
    // Writes out the first `count` bytes of the buffer; false after a failure.
    bool WriteOut(size_t count);
    // Keeps the reason and lets the file go.
    void Fail(const std::string& why);
    // Writes out what it can and closes, reporting nothing.
    void Abandon();

    OutputFile file;
    std::string name;  // the kind and the path, for messages
    std::string buffer;
    std::string failure;  // not yet reported
    bool lineStarted = false;
};

}  // namespace plumo
