#pragma once
// The program's key/value store: integers, booleans and byte blobs per key, kept in memory and
// written to one file by flush().
//
// The file lives in $XDG_CONFIG_HOME/nolvo/ (default ~/.config/nolvo/), never in the writable
// data directory. flush() writes a temporary file beside it, syncs it to disk and renames it over
// the old file, so a crash at any moment leaves either the old or the new store. Every record of
// the file carries a CRC; loading stops at the first damaged or truncated record, keeps what came
// before it (the rest reads as absent, so callers fall back to their defaults) and prints one
// diagnostic line. Thread-safe.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Data.h"

namespace engine {

class UserDefault {
public:
    static constexpr const char* kStoreFileName = "settings.store";

    static UserDefault* getInstance();
    // Drops the in-memory store; the next getInstance() reads the file again. Tests and tools only.
    static void destroyInstance();
    // Directory of the store file; "" returns to the default. Takes effect at the next load.
    static void setStoreDirectory(const std::string& directory);
    static std::string getStoreDirectory();
    static std::string getStorePath();

    int getIntegerForKey(const char* key, int defaultValue = 0) const;
    void setIntegerForKey(const char* key, int value);
    bool getBoolForKey(const char* key, bool defaultValue = false) const;
    void setBoolForKey(const char* key, bool value);
    // The stored blob, or defaultValue when the key is absent or holds another kind.
    Data getDataForKey(const char* key, const Data& defaultValue = Data::Null) const;
    void setDataForKey(const char* key, const Data& value);
    void deleteValueForKey(const char* key);

    // Fuzzing and benchmarks only: with persistence off, flush() serializes the store but leaves
    // the disk alone and reports success.
    static void setPersistenceEnabled(bool enabled);

    // Writes the store atomically. False (with one diagnostic line) when it could not be written;
    // the in-memory values stay and the old file is untouched.
    bool flush();

    // Replaces the in-memory contents with a store image as flush() writes it. Returns false when
    // the image was damaged (the intact leading records are kept). Used by load and by fuzzing.
    bool loadFromBytes(const std::uint8_t* bytes, std::size_t size, std::string* diagnostic = nullptr);
    // The file image flush() would write.
    Data serialize() const;

private:
    enum class Kind : std::uint8_t { Integer = 1, Boolean = 2, Blob = 3 };
    struct Value {
        Kind kind;
        Data bytes;
    };

    UserDefault() = default;
    void loadFile();
    void setValue(const char* key, Kind kind, const void* bytes, std::size_t size);
    const Value* find(const char* key, Kind kind) const;

    mutable std::mutex m_mutex;
    std::map<std::string, Value> m_values;
};

// CRC-32 (IEEE 802.3), shared by everything that checksums stored files.
std::uint32_t crc32(const void* bytes, std::size_t size, std::uint32_t crc = 0);

} // namespace engine
