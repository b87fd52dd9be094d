// Feeds arbitrary bytes to the stream-recording reader. A file it accepts must index only bytes
// inside the file, with chunk times that never go backwards; a file it refuses must come with a
// one-line message that names the file and an offset.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "accessory/RecordingReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string error;
    const auto recording = nolvo::Recording::parse(std::vector<std::uint8_t>(data, data + size), "fuzz.nolrec", error);
    if (!recording) {
        if (error.rfind("fuzz.nolrec: ", 0) != 0 || error.find(" at offset ") == std::string::npos ||
            error.find('\n') != std::string::npos) {
            std::abort();
        }
        return 0;
    }
    std::uint64_t lastTime = 0;
    std::uint64_t total = 0;
    for (const nolvo::Recording::Chunk& chunk : recording->chunks()) {
        if (chunk.payloadOffset + chunk.size > size || chunk.timeUs < lastTime || chunk.size == 0) {
            std::abort();
        }
        lastTime = chunk.timeUs;
        total += chunk.size;
        // Touch every payload byte so that the sanitizers see any read out of bounds.
        volatile std::uint8_t sink = 0;
        for (std::uint32_t i = 0; i < chunk.size; ++i) {
            sink = static_cast<std::uint8_t>(sink ^ recording->payload(chunk)[i]);
        }
    }
    if (total != recording->payloadBytes() || (recording->cut() && *recording->cut() > size)) {
        std::abort();
    }
    return 0;
}
