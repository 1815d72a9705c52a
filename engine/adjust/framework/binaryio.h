#pragma once
// Little-endian field-by-field reading and writing of small binary files (adjustment
// settings, presets), and whole-file load/save.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class IPrompt;

namespace adjust {

// Appends fields to a byte vector, little-endian, without padding.
class ByteWriter {
public:
    // One byte.
    void U8(uint8_t value);
    // A signed 32-bit integer, low byte first.
    void I32(int32_t value);
    // An unsigned 32-bit integer, low byte first.
    void U32(uint32_t value);
    // A 32-bit IEEE float.
    void Float(float value);
    // A 64-bit IEEE double.
    void Double(double value);
    // Exactly `size` bytes: the text cut to size, the rest filled with zero bytes.
    void FixedString(std::string_view text, size_t size);
    // Raw bytes as they are (magic texts, reserved blocks).
    void Raw(std::span<const uint8_t> bytes);
    void Raw(std::string_view text);

    // The bytes written so far.
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    // Hands the bytes over, leaving the writer empty.
    std::vector<uint8_t> Take() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
};

// Reads fields from a byte span with bounds checks. A read past the end fails, leaves
// the output untouched and makes the reader failed for good (Ok() turns false), so a
// caller may read a whole record and check Ok() once at the end.
class ByteReader {
public:
    // Reads from `bytes`, which must outlive the reader.
    explicit ByteReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    // Each reads one field (same layouts as ByteWriter); false past the end.
    bool U8(uint8_t& value);
    bool I32(int32_t& value);
    bool U32(uint32_t& value);
    bool Float(float& value);
    bool Double(double& value);
    // Reads `size` bytes as text, stopping at the first zero byte (the rest is skipped).
    bool FixedString(size_t size, std::string& text);
    // Copies `out.size()` raw bytes.
    bool Raw(std::span<uint8_t> out);
    // Moves past `size` bytes.
    bool Skip(size_t size);
    // True when the next bytes equal `magic`; consumes them then, otherwise fails the reader.
    bool Expect(std::string_view magic);

    // False once any read failed.
    bool Ok() const { return m_ok; }
    // Bytes consumed so far.
    size_t Position() const { return m_pos; }
    // Bytes left to read (0 after a failure).
    size_t Remaining() const { return m_ok ? m_bytes.size() - m_pos : 0; }
    // True when every byte was read and nothing failed.
    bool AtEnd() const { return m_ok && m_pos == m_bytes.size(); }

private:
    // Bounds check shared by every read; returns the start of `size` bytes or null.
    const uint8_t* Take(size_t size);

    std::span<const uint8_t> m_bytes;
    size_t m_pos = 0;
    bool m_ok = true;
};

// Files larger than this are refused by LoadWholeFile unless the caller asks for more.
constexpr size_t kDefaultMaxFileSize = 64u * 1024u * 1024u;

// Reads a whole regular file; nullopt when it cannot be opened, is not a regular file,
// cannot be read completely or is larger than `maxSize`.
std::optional<std::vector<uint8_t>> LoadWholeFile(const std::string& path,
                                                  size_t maxSize = kDefaultMaxFileSize);

// Writes a whole file through a temporary file beside it that is flushed and then renamed
// over `path`, so an interrupted save never leaves a half-written file. False on failure
// (the old file, if any, is then untouched and the temporary file removed).
bool SaveWholeFile(const std::string& path, std::span<const uint8_t> bytes);

// Outcome of loading or saving an adjustment settings file.
enum class SettingsFileStatus {
    Ok,
    CannotOpen,   // the file could not be opened or read
    InvalidFile,  // wrong magic, too short, or values the format does not allow
    CannotWrite,  // saving failed; any earlier file of that name is unchanged
};

// Message box text and caption shown for a settings file that cannot be used.
inline constexpr const char* kInvalidFileText = "Invalid file";
inline constexpr const char* kInvalidFileCaption = "Error";
// Shown when a settings file could not be written.
inline constexpr const char* kCannotSaveText = "Cannot save the file";

// True when `bytes` begins with the magic text `magic` (compared byte for byte).
bool HasMagic(std::span<const uint8_t> bytes, std::string_view magic);

// Loads a settings file and hands its bytes to `parse` (which must return InvalidFile,
// and change nothing, when the bytes are not acceptable). When `magic` is not empty the
// file must begin with it; `parse` then still sees the whole file, magic included.
template <class Parse>
SettingsFileStatus LoadSettingsFile(const std::string& path, std::string_view magic, Parse&& parse) {
    auto bytes = LoadWholeFile(path, 1024u * 1024u);
    if (!bytes) return SettingsFileStatus::CannotOpen;
    if (!magic.empty() && !HasMagic(*bytes, magic)) return SettingsFileStatus::InvalidFile;
    return parse(std::span<const uint8_t>(*bytes));
}

// Saves a settings file safely (temporary file and rename).
SettingsFileStatus SaveSettingsFile(const std::string& path, std::span<const uint8_t> bytes);

// Tells the user why a settings file was not used: "Invalid file" / "Error" for a file
// that cannot be read or is not valid, kCannotSaveText / "Error" for a failed save;
// nothing for Ok.
void ShowSettingsFileError(IPrompt& prompt, SettingsFileStatus status);

}  // namespace adjust
