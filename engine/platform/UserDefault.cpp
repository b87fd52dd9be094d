#include "platform/UserDefault.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "platform/FileUtils.h"

namespace engine {

namespace {

// File image: the magic, the record count (u32 LE), then that many records of
//   kind (u8) | key length (u16 LE) | key | value length (u32 LE) | value | CRC-32 of all before it (u32 LE)
// The count makes a file cut exactly between two records detectable as truncated.
constexpr char kMagic[8] = {'N', 'O', 'L', 'V', 'O', 'U', 'D', '1'};
constexpr std::size_t kMaxKeyLength = 1024;
constexpr std::uint32_t kMaxValueLength = 64u * 1024u * 1024u;

std::mutex g_instanceMutex;
std::unique_ptr<UserDefault> g_instance;
std::mutex g_directoryMutex; // separate: the first load reads the directory under g_instanceMutex
std::string g_directoryOverride;
std::atomic<bool> g_persistenceEnabled{true};

std::uint32_t readLe32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void appendLe(Data& out, std::uint32_t value, int bytes)
{
    std::uint8_t b[4];
    for (int i = 0; i < bytes; ++i) {
        b[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    out.append(b, static_cast<std::size_t>(bytes));
}

bool writeAll(int fd, const std::uint8_t* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::uint32_t crc32(const void* bytes, std::size_t size, std::uint32_t crc)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[i] = c;
        }
        return t;
    }();
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ p[i]) & 0xFFu] ^ (crc >> 8);
    }
    return ~crc;
}

UserDefault* UserDefault::getInstance()
{
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    if (!g_instance) {
        g_instance.reset(new UserDefault());
        g_instance->loadFile();
    }
    return g_instance.get();
}

void UserDefault::destroyInstance()
{
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    g_instance.reset();
}

void UserDefault::setStoreDirectory(const std::string& directory)
{
    std::lock_guard<std::mutex> lock(g_directoryMutex);
    g_directoryOverride = directory;
}

std::string UserDefault::getStoreDirectory()
{
    {
        std::lock_guard<std::mutex> lock(g_directoryMutex);
        if (!g_directoryOverride.empty()) {
            return g_directoryOverride;
        }
    }
    return xdgHome("XDG_CONFIG_HOME", ".config") + "/nolvo";
}

std::string UserDefault::getStorePath()
{
    return getStoreDirectory() + "/" + kStoreFileName;
}

void UserDefault::loadFile()
{
    const std::string path = getStorePath();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return; // first start: an empty store
    }
    Data image;
    std::uint8_t chunk[65536];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        image.append(chunk, n);
        if (image.getSize() > 4u * kMaxValueLength) {
            break;
        }
    }
    std::fclose(file);
    std::string diagnostic;
    if (!loadFromBytes(image.getBytes(), image.getSize(), &diagnostic)) {
        std::fprintf(stderr, "nolvo: the settings store %s %s; the settings it lost are back at their defaults\n",
                     path.c_str(), diagnostic.c_str());
    }
}

bool UserDefault::loadFromBytes(const std::uint8_t* bytes, std::size_t size, std::string* diagnostic)
{
    std::map<std::string, Value> values;
    auto fail = [&](const char* what, std::size_t at) {
        if (diagnostic != nullptr) {
            *diagnostic = std::string(what) + " at byte " + std::to_string(at);
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_values = std::move(values);
        return false;
    };
    if (size == 0) {
        return fail("is empty", 0);
    }
    if (bytes == nullptr || size < sizeof kMagic || std::memcmp(bytes, kMagic, sizeof kMagic) != 0) {
        return fail("is not a settings store", 0);
    }
    if (size < sizeof kMagic + 4) {
        return fail("is truncated", size);
    }
    const std::uint32_t count = readLe32(bytes + sizeof kMagic);
    std::size_t pos = sizeof kMagic + 4;
    for (std::uint32_t record = 0; record < count; ++record) {
        const std::size_t start = pos;
        if (pos == size) {
            return fail("is truncated", start);
        }
        if (size - pos < 3) {
            return fail("is truncated", start);
        }
        const auto kind = static_cast<Kind>(bytes[pos]);
        const std::size_t keyLength = bytes[pos + 1] | (static_cast<std::size_t>(bytes[pos + 2]) << 8);
        pos += 3;
        if (keyLength == 0 || keyLength > kMaxKeyLength || size - pos < keyLength + 4) {
            return fail("is damaged or truncated", start);
        }
        std::string key(reinterpret_cast<const char*>(bytes + pos), keyLength);
        pos += keyLength;
        const std::uint32_t valueLength = readLe32(bytes + pos);
        pos += 4;
        if (valueLength > kMaxValueLength || size - pos < static_cast<std::size_t>(valueLength) + 4) {
            return fail("is damaged or truncated", start);
        }
        const std::uint8_t* value = bytes + pos;
        pos += valueLength;
        if (crc32(bytes + start, pos - start) != readLe32(bytes + pos)) {
            return fail("is damaged", start);
        }
        pos += 4;
        const bool sizeOk = (kind == Kind::Integer && valueLength == 4) ||
                            (kind == Kind::Boolean && valueLength == 1) || kind == Kind::Blob;
        if (!sizeOk) {
            return fail("holds a record of unknown kind", start);
        }
        values[std::move(key)] = Value{kind, Data(value, valueLength)};
    }
    if (pos != size) {
        return fail("has unexpected bytes after its last record", pos);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_values = std::move(values);
    return true;
}

Data UserDefault::serialize() const
{
    Data image;
    image.append(kMagic, sizeof kMagic);
    std::lock_guard<std::mutex> lock(m_mutex);
    appendLe(image, static_cast<std::uint32_t>(m_values.size()), 4);
    for (const auto& [key, value] : m_values) {
        const std::size_t start = image.getSize();
        const std::uint8_t kind = static_cast<std::uint8_t>(value.kind);
        image.append(&kind, 1);
        appendLe(image, static_cast<std::uint32_t>(key.size()), 2);
        image.append(key.data(), key.size());
        appendLe(image, static_cast<std::uint32_t>(value.bytes.getSize()), 4);
        image.append(value.bytes.getBytes(), value.bytes.getSize());
        appendLe(image, crc32(image.getBytes() + start, image.getSize() - start), 4);
    }
    return image;
}

void UserDefault::setPersistenceEnabled(bool enabled)
{
    g_persistenceEnabled = enabled;
}

bool UserDefault::flush()
{
    const std::string directory = getStoreDirectory();
    const std::string path = directory + "/" + kStoreFileName;
    const std::string temporary = path + ".tmp";
    const Data image = serialize();
    if (!g_persistenceEnabled) {
        return true;
    }

    auto complain = [&](const char* what) {
        std::fprintf(stderr, "nolvo: could not save the settings to %s (%s: %s); the previous settings file is unchanged\n",
                     path.c_str(), what, std::strerror(errno));
        return false;
    };
    if (!FileUtils::createDirectories(directory)) {
        return complain("cannot create its directory");
    }
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return complain("cannot create the temporary file");
    }
    const bool written = writeAll(fd, image.getBytes(), image.getSize()) && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    if (!written) {
        errno = savedErrno;
        ::unlink(temporary.c_str());
        return complain("write failed");
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int renameErrno = errno;
        ::unlink(temporary.c_str());
        errno = renameErrno;
        return complain("rename failed");
    }
    // Make the rename itself durable.
    const int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

void UserDefault::setValue(const char* key, Kind kind, const void* bytes, std::size_t size)
{
    if (key == nullptr || key[0] == '\0' || std::strlen(key) > kMaxKeyLength || size > kMaxValueLength) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_values[key] = Value{kind, Data(bytes, size)};
}

const UserDefault::Value* UserDefault::find(const char* key, Kind kind) const
{
    if (key == nullptr) {
        return nullptr;
    }
    const auto it = m_values.find(key);
    return (it == m_values.end() || it->second.kind != kind) ? nullptr : &it->second;
}

int UserDefault::getIntegerForKey(const char* key, int defaultValue) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Value* value = find(key, Kind::Integer);
    return value ? static_cast<int>(readLe32(value->bytes.getBytes())) : defaultValue;
}

void UserDefault::setIntegerForKey(const char* key, int value)
{
    std::uint8_t b[4];
    for (int i = 0; i < 4; ++i) {
        b[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
    }
    setValue(key, Kind::Integer, b, 4);
}

bool UserDefault::getBoolForKey(const char* key, bool defaultValue) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Value* value = find(key, Kind::Boolean);
    return value ? value->bytes.getBytes()[0] != 0 : defaultValue;
}

void UserDefault::setBoolForKey(const char* key, bool value)
{
    const std::uint8_t b = value ? 1 : 0;
    setValue(key, Kind::Boolean, &b, 1);
}

Data UserDefault::getDataForKey(const char* key, const Data& defaultValue) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Value* value = find(key, Kind::Blob);
    return value ? value->bytes : defaultValue;
}

void UserDefault::setDataForKey(const char* key, const Data& value)
{
    // An empty blob is a valid value (an empty list), distinct from an absent key.
    if (key == nullptr || key[0] == '\0' || std::strlen(key) > kMaxKeyLength) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_values[key] = Value{Kind::Blob, value};
}

void UserDefault::deleteValueForKey(const char* key)
{
    if (key == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_values.erase(key);
}

} // namespace engine
