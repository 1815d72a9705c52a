// Little-endian field reading and writing, and whole-file load/save.
#include "adjust/framework/binaryio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/prompt.h"
#include "platform/safewrite.h"

namespace adjust {

namespace {

template <class T>
void PutLittle(std::vector<uint8_t>& out, T value) {
    for (size_t i = 0; i < sizeof(T); ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

template <class T>
T GetLittle(const uint8_t* p) {
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(static_cast<T>(p[i]) << (8 * i));
    return value;
}

// Closes a file descriptor when it goes out of scope.
struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

void ByteWriter::U8(uint8_t value) { m_bytes.push_back(value); }
void ByteWriter::I32(int32_t value) { PutLittle(m_bytes, static_cast<uint32_t>(value)); }
void ByteWriter::U32(uint32_t value) { PutLittle(m_bytes, value); }
void ByteWriter::Float(float value) { PutLittle(m_bytes, std::bit_cast<uint32_t>(value)); }
void ByteWriter::Double(double value) { PutLittle(m_bytes, std::bit_cast<uint64_t>(value)); }

void ByteWriter::FixedString(std::string_view text, size_t size) {
    size_t n = text.size() < size ? text.size() : size;
    m_bytes.insert(m_bytes.end(), text.begin(), text.begin() + static_cast<ptrdiff_t>(n));
    m_bytes.insert(m_bytes.end(), size - n, uint8_t{0});
}

void ByteWriter::Raw(std::span<const uint8_t> bytes) { m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end()); }
void ByteWriter::Raw(std::string_view text) { m_bytes.insert(m_bytes.end(), text.begin(), text.end()); }

const uint8_t* ByteReader::Take(size_t size) {
    if (!m_ok || size > m_bytes.size() - m_pos) {
        m_ok = false;
        return nullptr;
    }
    const uint8_t* p = m_bytes.data() + m_pos;
    m_pos += size;
    return p;
}

bool ByteReader::U8(uint8_t& value) {
    const uint8_t* p = Take(1);
    if (!p) return false;
    value = *p;
    return true;
}

bool ByteReader::I32(int32_t& value) {
    const uint8_t* p = Take(4);
    if (!p) return false;
    value = static_cast<int32_t>(GetLittle<uint32_t>(p));
    return true;
}

bool ByteReader::U32(uint32_t& value) {
    const uint8_t* p = Take(4);
    if (!p) return false;
    value = GetLittle<uint32_t>(p);
    return true;
}

bool ByteReader::Float(float& value) {
    const uint8_t* p = Take(4);
    if (!p) return false;
    value = std::bit_cast<float>(GetLittle<uint32_t>(p));
    return true;
}

bool ByteReader::Double(double& value) {
    const uint8_t* p = Take(8);
    if (!p) return false;
    value = std::bit_cast<double>(GetLittle<uint64_t>(p));
    return true;
}

bool ByteReader::FixedString(size_t size, std::string& text) {
    const uint8_t* p = Take(size);
    if (!p) return false;
    const void* zero = std::memchr(p, 0, size);
    size_t n = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : size;
    text.assign(reinterpret_cast<const char*>(p), n);
    return true;
}

bool ByteReader::Raw(std::span<uint8_t> out) {
    const uint8_t* p = Take(out.size());
    if (!p) return false;
    if (!out.empty()) std::memcpy(out.data(), p, out.size());
    return true;
}

bool ByteReader::Skip(size_t size) { return Take(size) != nullptr; }

bool ByteReader::Expect(std::string_view magic) {
    if (!m_ok || magic.size() > m_bytes.size() - m_pos ||
        (!magic.empty() && std::memcmp(m_bytes.data() + m_pos, magic.data(), magic.size()) != 0)) {
        m_ok = false;
        return false;
    }
    m_pos += magic.size();
    return true;
}

std::optional<std::vector<uint8_t>> LoadWholeFile(const std::string& path, size_t maxSize) {
    FdCloser file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) return std::nullopt;
    struct stat info {};
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > maxSize) return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(info.st_size));
    size_t done = 0;
    // Read until end of file, not just st_size bytes, so a file that grew is refused
    // instead of silently cut.
    for (;;) {
        if (done == bytes.size()) {
            uint8_t extra;
            ssize_t n = ::read(file.fd, &extra, 1);
            if (n < 0 && errno == EINTR) continue;
            if (n != 0) return std::nullopt;
            break;
        }
        ssize_t n = ::read(file.fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) {
            bytes.resize(done);  // the file shrank meanwhile: keep what is there
            break;
        }
        done += static_cast<size_t>(n);
    }
    return bytes;
}

bool SaveWholeFile(const std::string& path, std::span<const uint8_t> bytes) {
    if (path.empty()) return false;
    std::string error;
    return platform::ReplaceFileWithBytes(path, bytes, error);
}

bool HasMagic(std::span<const uint8_t> bytes, std::string_view magic) {
    return bytes.size() >= magic.size() &&
           (magic.empty() || std::memcmp(bytes.data(), magic.data(), magic.size()) == 0);
}

SettingsFileStatus SaveSettingsFile(const std::string& path, std::span<const uint8_t> bytes) {
    return SaveWholeFile(path, bytes) ? SettingsFileStatus::Ok : SettingsFileStatus::CannotWrite;
}

void ShowSettingsFileError(IPrompt& prompt, SettingsFileStatus status) {
    switch (status) {
        case SettingsFileStatus::Ok:
            return;
        case SettingsFileStatus::CannotOpen:
        case SettingsFileStatus::InvalidFile:
            prompt.Message(kInvalidFileText, kInvalidFileCaption);
            return;
        case SettingsFileStatus::CannotWrite:
            prompt.Message(kCannotSaveText, kInvalidFileCaption);
            return;
    }
}

}  // namespace adjust
