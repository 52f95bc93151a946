// Files the library reads that anyone could have put in its way: replays and
// textures. Only regular files are opened, so a folder, a device or a FIFO is
// refused by name at once instead of blocking or streaming without end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace plumo {

// Tells one version of a file from another, for remembering it as checked.
struct FileStamp {
    int64_t size = -1;
    int64_t modified = 0;  // nanoseconds since the epoch
    bool operator==(const FileStamp&) const = default;
};

class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&&) = delete;
    InputFile(const InputFile&) = delete;

    // "" once the file is open, else why not ("it is a folder, not a regular
    // file", the system's reason).
    std::string Open(const std::string& path);
    FileStamp Stamp() const { return stamp; }
    // Up to `size` bytes; 0 at the end, -1 on an error that Error() describes.
    ptrdiff_t Read(void* buffer, size_t size);
    std::string Error() const;

private:
    int handle = -1;
    int lastError = 0;
    FileStamp stamp;
};

// "" once `size` bytes are in `into`, else why not.
inline std::string ReadExactly(InputFile& file, void* into, size_t size) {
    auto* at = static_cast<char*>(into);
    while (size > 0) {
        const ptrdiff_t got = file.Read(at, size);
        if (got < 0) {
            return file.Error();
        }
        if (got == 0) {
            return "the file ends too early";
        }
        at += got;
        size -= static_cast<size_t>(got);
    }
    return "";
}

// How much of a file's path a message shows; no longer path opens anyway.
inline constexpr size_t kShownPathBytes = 4096;

// Text fit for a one-line message: control characters escaped (\x01) and at
// most `limit` bytes of it, "..." marking a cut.
inline std::string Printable(std::string_view text, size_t limit) {
    static constexpr char kHex[] = "0123456789abcdef";
    size_t end = text.size();
    if (end > limit) {
        end = limit;
        // Never half a UTF-8 character, which is at most four bytes.
        for (int back = 0;
             back < 3 && end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80;
             ++back) {
            --end;
        }
    }
    std::string out;
    for (const char c : text.substr(0, end)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
        } else {
            out += c;
        }
    }
    return end < text.size() ? out + "..." : out;
}

}  // namespace plumo
