// Feeds arbitrary bytes to the stream-recording reader. A file it accepts must index only bytes
// inside the file, with chunk times that never go backwards; a file it refuses must come with a
// one-line message that names the file and an offset.
//
// No input may take more than a second or 256 MB: unless the command line says otherwise, the
// fuzzer runs with -timeout=1 -rss_limit_mb=256 -malloc_limit_mb=256, so a slow or greedy input is
// reported like a crash (the corpus replay in the ordinary tests never calls LLVMFuzzerInitialize).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "accessory/RecordingReader.h"

#ifdef NOLVO_LIBFUZZER
// AddressSanitizer keeps up to 256 MB of freed memory in quarantine by default, which alone would
// trip the RSS limit over a long run; a smaller quarantine still catches use after free.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=32";
}
#endif

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static std::vector<char*> args;
    static char timeout[] = "-timeout=1";
    static char rss[] = "-rss_limit_mb=256";
    static char malloc[] = "-malloc_limit_mb=256";
    args.assign(*argv, *argv + *argc);
    const auto given = [&](const char* flag) {
        for (int i = 1; i < *argc; ++i) {
            if (std::strncmp((*argv)[i], flag, std::strlen(flag)) == 0) {
                return true;
            }
        }
        return false;
    };
    // Flags go before the corpus directories, which libFuzzer takes from the end.
    std::vector<char*> bounds;
    for (char* flag : {timeout, rss, malloc}) {
        const std::string name(flag, std::strchr(flag, '=') + 1);
        if (!given(name.c_str())) {
            bounds.push_back(flag);
        }
    }
    args.insert(args.begin() + 1, bounds.begin(), bounds.end());
    args.push_back(nullptr);
    *argc = static_cast<int>(args.size()) - 1;
    *argv = args.data();
    return 0;
}

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
    std::size_t count = 0;
    nolvo::Recording::Cursor cursor = recording->cursorAt(0);
    for (nolvo::Recording::Chunk chunk; recording->next(cursor, chunk); ++count) {
        if (chunk.payloadOffset + chunk.size > size || chunk.timeUs < lastTime || chunk.size == 0 ||
            chunk.timeUs > nolvo::recording::kMaxChunkTimeUs) {
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
    if (total != recording->payloadBytes() || count != recording->chunkCount() ||
        (recording->cut() && *recording->cut() > size)) {
        std::abort();
    }
    // The index walks agree with the walk in order, and cost less than the data.
    if (count > 0) {
        const nolvo::Recording::Chunk last = recording->chunk(count - 1);
        if (last.timeUs != recording->durationUs() || recording->firstChunkAtOrAfter(last.timeUs) > count - 1 ||
            recording->firstChunkAtOrAfter(last.timeUs + 1) != count) {
            std::abort();
        }
    }
    if (recording->indexBytes() > size) {
        std::abort();
    }
    return 0;
}
