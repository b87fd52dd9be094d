#include "platform/UserDefault.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
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
constexpr std::size_t kMaxImageSize = 4u * kMaxValueLength;
constexpr int kMaxDamagedCopies = 99;
// Temporaries are "settings.store.tmp-XXXXXX" (mkstemp); older than this, one is left from a crash.
constexpr const char* kTemporaryInfix = ".tmp-";
constexpr std::time_t kStaleTemporarySeconds = 600;

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
    removeStaleTemporaries(getStoreDirectory());
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return; // first start: an empty store
        }
        // Anything else (no permission, an I/O error, too many open files) is not a first start:
        // the file may hold every setting, so it must not be replaced by what this run saves
        // before a copy of it is kept.
        reportLoadProblem(path, std::string("cannot be opened (") + std::strerror(errno) + ")", false, Data());
        return;
    }
    Data image;
    std::uint8_t chunk[65536];
    bool readFailed = false;
    int readErrno = 0;
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            readFailed = true;
            readErrno = errno;
            break;
        }
        if (n == 0) {
            break;
        }
        image.append(chunk, static_cast<std::size_t>(n));
        if (image.getSize() > kMaxImageSize) {
            break;
        }
    }
    ::close(fd);
    std::string diagnostic;
    const bool clean = loadFromBytes(image.getBytes(), image.getSize(), &diagnostic);
    if (readFailed) {
        // What was read before the error is kept; the rest of the file may still hold settings.
        reportLoadProblem(path, std::string("could not be read to its end (") + std::strerror(readErrno) + ")", false,
                          Data());
    } else if (image.getSize() > kMaxImageSize) {
        reportLoadProblem(path, "is larger than any settings store", false, Data());
    } else if (!clean) {
        reportLoadProblem(path, diagnostic, true, image);
    }
}

void UserDefault::reportLoadProblem(const std::string& path, const std::string& what, bool wholeImage,
                                    const Data& image)
{
    const std::string copy = keepDamagedCopy(path, wholeImage ? &image : nullptr);
    auto fileName = [](const std::string& file) { return file.substr(file.find_last_of('/') + 1); };
    // The full paths for stderr, the names alone for the screen.
    const std::string lost = copy.empty() ? "the settings it lost are back at their defaults; no copy of the file could "
                                            "be kept, so it will not be replaced"
                                          : "the settings it lost are back at their defaults and the file as found is "
                                            "kept as ";
    std::fprintf(stderr, "nolvo: the settings store %s %s; %s%s\n", path.c_str(), what.c_str(), lost.c_str(), copy.c_str());
    std::lock_guard<std::mutex> lock(m_mutex);
    m_replaceBlocked = copy.empty();
    m_loadProblem = fileName(path) + " " + what + "; " + lost + fileName(copy);
}

std::string UserDefault::keepDamagedCopy(const std::string& path, const Data* image)
{
    // "settings.store.damaged", then "settings.store.2.damaged", ...: an earlier copy is never
    // overwritten, it may hold settings this one does not.
    for (int n = 1; n <= kMaxDamagedCopies; ++n) {
        const std::string copy = n == 1 ? path + ".damaged" : path + "." + std::to_string(n) + ".damaged";
        // A second name for the same file keeps it whole, whatever could be read of it.
        if (::link(path.c_str(), copy.c_str()) == 0) {
            return copy;
        }
        if (errno == EEXIST) {
            continue;
        }
        if (image == nullptr) {
            return ""; // nothing to copy from
        }
        // A file system without hard links: write the bytes that were read (all of them).
        const int fd = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return "";
        }
        const bool written = writeAll(fd, image->getBytes(), image->getSize()) && ::fsync(fd) == 0;
        ::close(fd);
        if (written) {
            return copy;
        }
        ::unlink(copy.c_str());
        return "";
    }
    return "";
}

void UserDefault::removeStaleTemporaries(const std::string& directory)
{
    // A crash between creating a temporary and renaming it leaves it behind. One that has not been
    // touched for a while belongs to no running save (another instance may be saving right now).
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr) {
        return;
    }
    const std::string prefix = std::string(kStoreFileName) + kTemporaryInfix;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        struct stat info {};
        if (::fstatat(::dirfd(dir), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
            now - info.st_mtime > kStaleTemporarySeconds) {
            ::unlinkat(::dirfd(dir), name.c_str(), 0);
        }
    }
    ::closedir(dir);
}

std::string UserDefault::takeLoadProblem()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string text;
    text.swap(m_loadProblem);
    return text;
}

namespace {

enum class RecordCheck { Whole, Damaged, Unreadable };

struct ParsedRecord {
    std::uint8_t kind = 0;
    std::size_t keyAt = 0;
    std::size_t keyLength = 0;
    std::size_t valueAt = 0;
    std::uint32_t valueLength = 0;
    std::size_t end = 0; // one past the CRC
};

bool sizeFitsKind(std::uint8_t kind, std::uint32_t valueLength)
{
    return (kind == 1 && valueLength == 4) || (kind == 2 && valueLength == 1) || kind == 3;
}

// Checks the record at `pos`: Whole when it is complete and its CRC matches; Damaged when its
// lengths are plausible and it lies inside the image but its CRC or kind is wrong (the next record
// starts at `end`); Unreadable when its lengths cannot be trusted. `crcBudget` (when not null)
// limits the bytes checksummed, so that a search through a large damaged image stays linear.
RecordCheck parseRecord(const std::uint8_t* bytes, std::size_t size, std::size_t pos, ParsedRecord& out,
                        std::size_t* crcBudget)
{
    if (size - pos < 3) {
        return RecordCheck::Unreadable;
    }
    out.kind = bytes[pos];
    out.keyLength = bytes[pos + 1] | (static_cast<std::size_t>(bytes[pos + 2]) << 8);
    out.keyAt = pos + 3;
    if (out.keyLength == 0 || out.keyLength > kMaxKeyLength || size - out.keyAt < out.keyLength + 4) {
        return RecordCheck::Unreadable;
    }
    const std::size_t lengthAt = out.keyAt + out.keyLength;
    out.valueLength = readLe32(bytes + lengthAt);
    out.valueAt = lengthAt + 4;
    if (out.valueLength > kMaxValueLength || size - out.valueAt < static_cast<std::size_t>(out.valueLength) + 4) {
        return RecordCheck::Unreadable;
    }
    out.end = out.valueAt + out.valueLength + 4;
    const std::size_t covered = out.end - 4 - pos;
    if (crcBudget != nullptr) {
        if (*crcBudget < covered) {
            return RecordCheck::Unreadable;
        }
        *crcBudget -= covered;
    }
    if (crc32(bytes + pos, covered) != readLe32(bytes + out.end - 4) || !sizeFitsKind(out.kind, out.valueLength)) {
        return RecordCheck::Damaged;
    }
    return RecordCheck::Whole;
}

// Whether the record at `pos` could start a record when searching past damage: a known kind, a
// key of printable ASCII (every key this program writes is one) and a matching CRC.
bool plausibleRecordAt(const std::uint8_t* bytes, std::size_t size, std::size_t pos, ParsedRecord& out,
                       std::size_t& crcBudget)
{
    const std::uint8_t kind = bytes[pos];
    if (kind < 1 || kind > 3 || size - pos < 3) {
        return false;
    }
    const std::size_t keyLength = bytes[pos + 1] | (static_cast<std::size_t>(bytes[pos + 2]) << 8);
    if (keyLength == 0 || keyLength > kMaxKeyLength || size - pos - 3 < keyLength) {
        return false;
    }
    for (std::size_t i = 0; i < keyLength; ++i) {
        const std::uint8_t c = bytes[pos + 3 + i];
        if (c < 0x21 || c > 0x7E) {
            return false;
        }
    }
    return parseRecord(bytes, size, pos, out, &crcBudget) == RecordCheck::Whole;
}

} // namespace

bool UserDefault::loadFromBytes(const std::uint8_t* bytes, std::size_t size, std::string* diagnostic)
{
    // Every whole record is kept, wherever it lies: a damaged record is skipped when its lengths
    // can be trusted, and otherwise the image is searched for the next record that checks out.
    // Damage costs the damaged records only, never those after them.
    std::map<std::string, Value> values;
    std::string firstProblem;
    std::size_t skipped = 0;
    auto problem = [&](const char* what, std::size_t at) {
        if (firstProblem.empty()) {
            firstProblem = std::string(what) + " at byte " + std::to_string(at);
        }
    };
    auto finish = [&]() {
        if (diagnostic != nullptr) {
            *diagnostic = firstProblem;
            if (skipped > 1) {
                *diagnostic += " (" + std::to_string(skipped) + " damaged places)";
            }
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_values = std::move(values);
        return firstProblem.empty();
    };
    if (size == 0 || bytes == nullptr) {
        problem("is empty", 0);
        return finish();
    }
    constexpr std::size_t kHeaderSize = sizeof kMagic + 4;
    if (size < sizeof kMagic || std::memcmp(bytes, kMagic, sizeof kMagic) != 0) {
        if (size < kHeaderSize) {
            problem("is not a settings store", 0);
            return finish();
        }
        problem("has a damaged header", 0); // the records after it may still be whole
        ++skipped;
    }
    if (size < kHeaderSize) {
        problem("is truncated", size);
        return finish();
    }
    const std::uint32_t count = readLe32(bytes + sizeof kMagic);
    std::uint64_t whole = 0;
    std::size_t crcBudget = 16 * size + (1u << 20);
    std::size_t pos = kHeaderSize;
    while (pos < size) {
        ParsedRecord record;
        const RecordCheck check = parseRecord(bytes, size, pos, record, nullptr);
        if (check == RecordCheck::Whole) {
            values[std::string(reinterpret_cast<const char*>(bytes + record.keyAt), record.keyLength)] =
                Value{static_cast<Kind>(record.kind), Data(bytes + record.valueAt, record.valueLength)};
            ++whole;
            pos = record.end;
            continue;
        }
        ++skipped;
        // A damaged record is not skipped by the lengths it claims: they may be what is damaged,
        // and trusting them could jump over whole records. The search for the next record that
        // checks out starts at the next byte instead; when only the value or the CRC was hit, it
        // ends where the lengths said.
        problem(check == RecordCheck::Damaged ? "is damaged" : size - pos < 3 ? "is truncated" : "is damaged or truncated",
                pos);
        std::size_t next = pos + 1;
        while (next < size && !plausibleRecordAt(bytes, size, next, record, crcBudget)) {
            ++next;
        }
        pos = next;
    }
    if (firstProblem.empty() && whole != count) {
        // Cut exactly between two records, or a damaged count: either way something may be missing.
        problem(whole < count ? "is truncated" : "holds more records than it counts", size);
    }
    return finish();
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
    const Data image = serialize();
    if (!g_persistenceEnabled) {
        return true;
    }

    auto complain = [&](const char* what) {
        std::fprintf(stderr, "nolvo: could not save the settings to %s (%s: %s); the previous settings file is unchanged\n",
                     path.c_str(), what, std::strerror(errno));
        return false;
    };
    {
        // The file found at start could not be read and no copy of it could be kept: try again,
        // and leave it alone while that fails.
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_replaceBlocked) {
            lock.unlock();
            const std::string copy = keepDamagedCopy(path, nullptr);
            lock.lock();
            if (copy.empty()) {
                errno = EIO;
                return complain("the unreadable settings file found at start could not be kept as a copy");
            }
            m_replaceBlocked = false;
        }
    }
    if (!FileUtils::createDirectories(directory)) {
        return complain("cannot create its directory");
    }
    // A name of its own (mkstemp, mode 0600) in the same directory: two instances saving at once
    // never write into one temporary, and the rename stays on one file system.
    std::string temporary = path + kTemporaryInfix + "XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
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
