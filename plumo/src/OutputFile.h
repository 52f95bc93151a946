// Every file the library writes: the trace, the recording, the frame log,
// screenshots and the settings file. Only a regular file or a device (such as
// /dev/null) is written; a folder, a FIFO or a socket is refused by name
// before it is opened, and nothing is opened in a way that could wait.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace plumo {

class OutputFile {
public:
    OutputFile() = default;
    // Without Close, what was written stays; nothing is reported.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates or empties the file. "" once it is open, else why not.
    std::string Create(const std::string& path);
    bool IsOpen() const { return handle >= 0; }
    // All of it, or false with Error() saying why.
    bool Write(const void* data, size_t size);
    // False with Error() when the file could not be written out or closed.
    bool Close();
    std::string Error() const;

private:
    int handle = -1;
    int lastError = 0;
};

// Replaces the file with `text` whole, or leaves it as it was: the text goes
// into a new file of this writer's own beside it, which then takes its place,
// so of several writers at once the last complete one wins. A link stays a
// link (its target is replaced), the file keeps its permissions, and a
// read-only file is left alone. Missing folders are made. "" or why not.
std::string ReplaceWhole(const std::string& path, std::string_view text);

// "" when `path` is a regular file, a device or nothing yet; else why it
// cannot take an output ("it is a FIFO, not a regular file or a device").
std::string OutputRefusal(const std::string& path);

}  // namespace plumo
