#pragma once
// The program's key/value store: integers, booleans and byte blobs per key, kept in memory and
// written to one file by flush().
//
// The file lives in $XDG_CONFIG_HOME/nolvo/ (default ~/.config/nolvo/), never in the writable
// data directory. flush() writes a temporary file of its own (mkstemp) beside it, syncs it to disk
// and renames it over the old file, so a crash at any moment leaves either the old or the new
// store, and two instances saving at once never share a temporary.
//
// Every record of the file carries a CRC. Loading keeps every whole record: a damaged one is
// skipped and the read goes on with the next record that checks out, so the damaged records read
// as absent (callers fall back to their defaults) and nothing after them is lost. Only a missing
// file is a first start; a file that cannot be opened or read to its end, or that is damaged, is
// kept under a second name ("settings.store.damaged", then ".2.damaged", ...) before anything can
// replace it, and when no such copy can be made flush() leaves the file alone. Such a load prints
// one line on standard error, and takeLoadProblem() hands the program the same text (with file
// names instead of paths) once, to show the user. Thread-safe.

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
    // the image was damaged (every whole record is kept; `diagnostic` names the first damage).
    // Used by load and by fuzzing.
    bool loadFromBytes(const std::uint8_t* bytes, std::size_t size, std::string* diagnostic = nullptr);
    // The file image flush() would write.
    Data serialize() const;

    // What went wrong when the store file was loaded, for the user ("" when it loaded cleanly or
    // did not exist); returned once, then "".
    std::string takeLoadProblem();

private:
    enum class Kind : std::uint8_t { Integer = 1, Boolean = 2, Blob = 3 };
    struct Value {
        Kind kind;
        Data bytes;
    };

    UserDefault() = default;
    void loadFile();
    // Says on stderr (and to takeLoadProblem) what is wrong with the file at `path` after keeping a
    // copy of it; `image` is what was read, when that is all of the file.
    void reportLoadProblem(const std::string& path, const std::string& what, bool wholeImage, const Data& image);
    // Keeps the file at `path` under a new ".damaged" name (a hard link, else a copy of `image`);
    // the name, or "" when no copy could be made.
    static std::string keepDamagedCopy(const std::string& path, const Data* image);
    static void removeStaleTemporaries(const std::string& directory);
    void setValue(const char* key, Kind kind, const void* bytes, std::size_t size);
    const Value* find(const char* key, Kind kind) const;

    mutable std::mutex m_mutex;
    std::map<std::string, Value> m_values;
    std::string m_loadProblem;    // for takeLoadProblem
    bool m_replaceBlocked = false; // the file found at start is unread and has no copy yet
};

// CRC-32 (IEEE 802.3), shared by everything that checksums stored files.
std::uint32_t crc32(const void* bytes, std::size_t size, std::uint32_t crc = 0);

} // namespace engine
