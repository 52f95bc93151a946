// Files the library reads that anyone could have put in its way: replays and
// textures. Only regular files are opened, so a folder, a device or a FIFO is
// refused by name at once instead of blocking or streaming without end.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace plumo {

// Tells one version of a file from another, for remembering it as checked:
// a file moved into its place keeps its size and modification time, but not
// its identity or change time.
struct FileStamp {
    int64_t size = -1;
    int64_t modified = 0;   // nanoseconds since the epoch
    int64_t changed = 0;    // status change, where the system keeps one
    uint64_t identity = 0;  // inode, or the file index on Windows
    uint64_t device = 0;
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

// Up to `limit` bytes of the file into `text`, or why not.
inline std::string ReadWhole(const std::string& path, size_t limit, std::string& text) {
    InputFile input;
    std::string why = input.Open(path);
    if (!why.empty()) {
        return why;
    }
    char chunk[1 << 14];
    for (;;) {
        const ptrdiff_t got = input.Read(chunk, sizeof chunk);
        if (got < 0) {
            return input.Error();
        }
        if (got == 0) {
            return "";
        }
        if (text.size() + static_cast<size_t>(got) > limit) {
            return "it is larger than " + std::to_string(limit >> 20) + " MiB";
        }
        text.append(chunk, static_cast<size_t>(got));
    }
}

// How much of a file's path a message shows; no longer path opens anyway.
inline constexpr size_t kShownPathBytes = 4096;

// The length of the UTF-8 character at the start of `text`, or 0 when it is
// not one (a stray or overlong byte, a cut sequence).
inline size_t Utf8Length(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const size_t length = lead < 0x80   ? 1
                          : lead < 0xC2 ? 0
                          : lead < 0xE0 ? 2
                          : lead < 0xF0 ? 3
                          : lead < 0xF5 ? 4
                                        : 0;
    if (length == 0 || length > text.size()) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

// Text fit for a one-line message: control characters and bytes that are not
// UTF-8 escaped (\x01) and at most `limit` bytes of it, "..." marking a cut.
inline std::string Printable(std::string_view text, size_t limit) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    size_t at = 0;
    while (at < text.size()) {
        const size_t length = Utf8Length(text.substr(at));
        // Never half a character.
        if (at + std::max<size_t>(length, 1) > limit) {
            return out + "...";
        }
        const auto byte = static_cast<unsigned char>(text[at]);
        if (length == 0 || byte < 0x20 || byte == 0x7F) {
            out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
            ++at;
        } else {
            out.append(text.substr(at, length));
            at += length;
        }
    }
    return out;
}

}  // namespace plumo
